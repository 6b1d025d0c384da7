#pragma once

class wxDialog;
class wxMenu;

// Ending the toolkit's own modal loops, which wxWidgets cannot end: a
// native message box and a popup menu.
namespace NativeLoops {

// The open native box returns as if the user had closed it.
void Close(wxDialog& box);
// The open popup menu goes away as if the user had clicked beside it.
void TakeDown(wxMenu& menu);

}  // namespace NativeLoops

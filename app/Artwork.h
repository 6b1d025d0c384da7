#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/imaglist.h>

#include <string>

// The program's pictures, drawn in code: the bid list's row images, the
// toolbar's buttons, the warning icon of the status bar, and the program's
// icon (window, tray, About box, and the icon files the installation
// ships, which are made from it at build time).
namespace Artwork {

// 16 x 16 each, by index: 0 question mark, 1 warning triangle, 2 thumbs up,
// 3 angry face, 4 green clock, 5 yellow clock, 6 lightning, 7 folder,
// 8 grey disc struck through (cancelled).
wxImageList* MakeRowImages();

enum class Tool { RefreshAll, Add, Delete, About };
wxBitmap ToolBitmap(Tool tool);  // 16 x 15

wxBitmap WarningBitmap();  // 16 x 16

// The icon at any size, with transparency. Needs no display, so that the
// build can write the icon files.
wxImage ProgramIconImage(int size);
// The same icon as an SVG document, for the scalable icon file.
std::string ProgramIconSvg();
// The sizes the installation ships, and the window's icons.
inline constexpr int kIconSizes[] = {16, 32, 48, 128, 256};
wxIconBundle ProgramIcons();  // every size of kIconSizes, for the window
wxIcon ProgramIcon();         // 16 x 16, for the tray
wxBitmap Picture();           // 48 x 48, for the About box and the upgrade dialog

}  // namespace Artwork

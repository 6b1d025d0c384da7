#pragma once

#include <wx/dnd.h>

#include <string>

class BidListView;
class wxCustomDataObject;
class wxDataObjectComposite;

// Takes text and links dropped on the bid list and hands their text to the
// list, which opens the Add dialog for an item link (inside the drop, so
// the application the link came from waits for the dialog). Every drag is
// offered the copy effect, except while a modal loop runs: a drop then
// would open a dialog over the open one, and act on what the user chose
// there.
class ItemDropTarget : public wxDropTarget {
 public:
  explicit ItemDropTarget(BidListView& view);

  wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult suggested) override;
  wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult suggested) override;
  bool OnDrop(wxCoord x, wxCoord y) override;
  wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult suggested) override;

  // The dropped bytes of one of the link types as text: text/x-moz-url
  // comes as UTF-16.
  static std::string LinkText(const std::string& format, const std::string& bytes);

 private:
  static bool Refusing();

  BidListView& view_;
  wxDataObjectComposite* data_;  // owned by the target, as are the objects in it
  wxTextDataObject* text_;
};

#pragma once

#include <wx/dnd.h>

class BidListView;

// Takes text and links dropped on the bid list and hands their text to the
// list, which opens the Add dialog for an item link (inside the drop, so
// the application the link came from waits for the dialog). Every drag is
// offered the copy effect.
class ItemDropTarget : public wxDropTarget {
 public:
  explicit ItemDropTarget(BidListView& view);

  wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult suggested) override;
  wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult suggested) override;
  wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult suggested) override;

 private:
  BidListView& view_;
  wxTextDataObject* text_;  // owned by the target
};

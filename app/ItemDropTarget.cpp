#include "app/ItemDropTarget.h"

#include "app/BidListView.h"
#include "app/WxText.h"

// Browsers offer a dragged link as text as well, which is what is taken.
ItemDropTarget::ItemDropTarget(BidListView& view) : view_(view), text_(new wxTextDataObject) {
  SetDataObject(text_);
}

wxDragResult ItemDropTarget::OnEnter(wxCoord, wxCoord, wxDragResult) { return wxDragCopy; }

wxDragResult ItemDropTarget::OnDragOver(wxCoord, wxCoord, wxDragResult) { return wxDragCopy; }

wxDragResult ItemDropTarget::OnData(wxCoord, wxCoord, wxDragResult) {
  if (GetData()) view_.OnDropText(ToBytes(text_->GetText()));
  return wxDragCopy;  // also when no text could be read
}

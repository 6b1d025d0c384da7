#include "app/ItemDropTarget.h"

#include "app/BidListView.h"
#include "app/ModalLoops.h"
#include "app/WxText.h"

#include <wx/dataobj.h>

namespace {
// Browsers offer a dragged link as text and as links, some only a few of
// these: each is taken.
constexpr const char* kLinkFormats[] = {"text/plain;charset=utf-8", "text/plain", "text/uri-list",
                                        "text/x-moz-url"};
}  // namespace

ItemDropTarget::ItemDropTarget(BidListView& view)
    : view_(view), data_(new wxDataObjectComposite), text_(new wxTextDataObject) {
  data_->Add(text_, true);
  for (const char* format : kLinkFormats) data_->Add(new wxCustomDataObject(wxDataFormat(format)));
  SetDataObject(data_);
}

bool ItemDropTarget::Refusing() { return ModalLoops::Get().AnyRunning(); }

wxDragResult ItemDropTarget::OnEnter(wxCoord, wxCoord, wxDragResult) {
  return Refusing() ? wxDragNone : wxDragCopy;
}

wxDragResult ItemDropTarget::OnDragOver(wxCoord, wxCoord, wxDragResult) {
  return Refusing() ? wxDragNone : wxDragCopy;
}

bool ItemDropTarget::OnDrop(wxCoord, wxCoord) { return !Refusing(); }

wxDragResult ItemDropTarget::OnData(wxCoord, wxCoord, wxDragResult) {
  if (Refusing() || !GetData()) return wxDragCopy;  // also when no text could be read
  const wxDataFormat format = data_->GetReceivedFormat();
  auto* link = dynamic_cast<wxCustomDataObject*>(data_->GetObject(format));
  if (link == nullptr) {
    view_.OnDropText(ToBytes(text_->GetText()));
  } else {
    view_.OnDropText(LinkText(format.GetId().utf8_string(),
                              std::string(static_cast<const char*>(link->GetData()), link->GetSize())));
  }
  return wxDragCopy;
}

std::string ItemDropTarget::LinkText(const std::string& format, const std::string& bytes) {
  if (format != "text/x-moz-url" || bytes.size() < 2 || bytes.find('\0') == std::string::npos) return bytes;
  const wxString text(bytes.data(), wxMBConvUTF16LE(), bytes.size() & ~std::size_t{1});
  return ToBytes(text);
}

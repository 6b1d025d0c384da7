#include "bids/ListLayout.h"

#include "store/TextNumbers.h"
#include "store/XmlDocument.h"

#include <string>

namespace {

// Widths of the columns from `first` on, as "column" children of the
// current element.
void ReadWidths(XmlDocument& document, ListLayout& layout, std::size_t first, std::size_t end) {
  for (std::size_t i = first; document.FindChild("column"); ++i) {
    const int width = ReadSigned32(document.ChildText());
    if (width == 0 || i >= end) continue;
    layout.widths[i] = width < 0 ? BidColumns::At(static_cast<int>(i)).width : width & 0xFFFF;
  }
}

ListLayout::Colour ReadColour(XmlDocument& document) {
  const auto part = [&](const char* name) {
    return static_cast<unsigned char>(ReadUnsigned32(document.ChildAttribute(name)) & 0xFF);
  };
  return {part("R"), part("G"), part("B")};
}

void WriteColour(XmlDocument& document, const char* name, const ListLayout::Colour& colour) {
  document.AddChild(name);
  document.SetChildAttribute("R", std::to_string(colour.red));
  document.SetChildAttribute("G", std::to_string(colour.green));
  document.SetChildAttribute("B", std::to_string(colour.blue));
}

}  // namespace

ListLayout::ListLayout() {
  for (int i = 0; i < BidColumns::kCount; ++i) widths[i] = BidColumns::At(i).width;
}

bool ReadListLayout(XmlDocument& document, ListLayout& layout) {
  document.ResetChildPosition();
  if (!document.FindChild("columns")) return false;
  document.EnterElement();

  ReadWidths(document, layout, 0, BidColumns::kClassicCount);

  document.ResetChildPosition();
  if (document.FindChild("sort")) {
    document.EnterElement();
    if (document.FindChild("column")) layout.sortColumn = ReadSigned32(document.ChildText());
    document.ResetChildPosition();
    if (document.FindChild("order")) layout.sortOrder = ReadSigned32(document.ChildText());
    document.LeaveElement();
  }

  document.ResetChildPosition();
  if (document.FindChild("colors")) {
    document.EnterElement();
    if (document.FindChild("roweven")) layout.evenRow = ReadColour(document);
    document.ResetChildPosition();
    if (document.FindChild("rowodd")) layout.oddRow = ReadColour(document);
    document.LeaveElement();
  }
  document.LeaveElement();
  return true;
}

void WriteListLayout(XmlDocument& document, const ListLayout& layout) {
  document.AddChild("columns");
  document.EnterElement();
  for (int i = 0; i < BidColumns::kClassicCount; ++i) {
    document.AddChild("column", std::to_string(layout.widths[i]));
  }
  document.AddChild("sort");
  document.EnterElement();
  document.AddChild("column", std::to_string(layout.sortColumn));
  document.AddChild("order", std::to_string(layout.sortOrder));
  document.LeaveElement();
  document.AddChild("colors");
  document.EnterElement();
  WriteColour(document, "roweven", layout.evenRow);
  WriteColour(document, "rowodd", layout.oddRow);
  document.LeaveElement();
  document.LeaveElement();
}

void ReadLaterColumns(XmlDocument& document, ListLayout& layout) {
  document.ResetChildPosition();
  if (!document.FindChild("columns")) return;
  document.EnterElement();
  ReadWidths(document, layout, BidColumns::kClassicCount, BidColumns::kCount);
  document.LeaveElement();
}

void WriteLaterColumns(XmlDocument& document, const ListLayout& layout) {
  document.AddChild("columns");
  document.EnterElement();
  for (int i = BidColumns::kClassicCount; i < BidColumns::kCount; ++i) {
    document.AddChild("column", std::to_string(layout.widths[i]));
  }
  document.LeaveElement();
}

#include "app/HyperLink.h"

#include <wx/dcclient.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/utils.h>

namespace {
wxColour ToColour(const Rgb& rgb) { return wxColour(rgb.red, rgb.green, rgb.blue); }
}  // namespace

HyperLink::HyperLink(wxWindow* parent, wxWindowID id, const wxString& label, const wxString& url)
    : wxControl(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE | wxWANTS_CHARS),
      colours_(ReadLinkColours()),
      opener_([](const wxString& target) { return wxLaunchDefaultBrowser(target); }) {
  wxControl::SetLabel(label);
  wxFont font = parent->GetFont();
  font.SetUnderlined(true);
  SetFont(font);
  SetCursor(wxCursor(wxCURSOR_HAND));
  SetBackgroundColour(parent->GetBackgroundColour());
  SetURL(url);
  SetInitialSize(DoGetBestSize());

  Bind(wxEVT_PAINT, &HyperLink::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &HyperLink::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &HyperLink::OnLeftUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { pressed_ = false; });
  Bind(wxEVT_KEY_DOWN, &HyperLink::OnKeyDown, this);
  Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) { Refresh(); event.Skip(); });
  Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) { Refresh(); event.Skip(); });
}

void HyperLink::SetURL(const wxString& url) {
  url_ = url;
  SetToolTip(url);
}

void HyperLink::SetLabel(const wxString& label) {
  wxControl::SetLabel(label);
  InvalidateBestSize();
  SetInitialSize(DoGetBestSize());
  Refresh();
}

wxColour HyperLink::CurrentColour() const {
  return ToColour(visited_ ? colours_.visited : colours_.link);
}

wxSize HyperLink::DoGetBestSize() const {
  wxClientDC dc(const_cast<HyperLink*>(this));
  dc.SetFont(GetFont());
  const wxSize text = dc.GetTextExtent(GetLabel());
  return wxSize(text.x + 4, text.y + 4);  // room for the focus rectangle
}

wxRect HyperLink::TextRect() const {
  wxClientDC dc(const_cast<HyperLink*>(this));
  dc.SetFont(GetFont());
  return wxRect(wxPoint(2, 2), dc.GetTextExtent(GetLabel()));
}

void HyperLink::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  dc.SetFont(GetFont());
  dc.SetTextForeground(CurrentColour());
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  const wxRect text = TextRect();
  dc.DrawText(GetLabel(), text.GetTopLeft());
  if (HasFocus()) wxRendererNative::Get().DrawFocusRect(this, dc, wxRect(text).Inflate(1));
}

void HyperLink::OnLeftDown(wxMouseEvent& event) {
  if (!TextRect().Contains(event.GetPosition())) return;
  SetFocus();
  pressed_ = true;
  if (!HasCapture()) CaptureMouse();
}

void HyperLink::OnLeftUp(wxMouseEvent& event) {
  if (HasCapture()) ReleaseMouse();
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (wasPressed && TextRect().Contains(event.GetPosition())) Open();
}

void HyperLink::OnKeyDown(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
    case WXK_SPACE: Open(); return;
    case WXK_TAB: Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward
                                             : wxNavigationKeyEvent::IsForward);
      return;
    default: event.Skip();
  }
}

void HyperLink::Open() {
  if (url_.empty() || !opener_(url_)) return;
  visited_ = true;
  Refresh();
}

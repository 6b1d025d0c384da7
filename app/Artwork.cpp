#include "app/Artwork.h"

#include <wx/dcmemory.h>

#include <functional>

namespace Artwork {

namespace {

// Draws on a transparent square and hands back the bitmap with its mask.
wxBitmap Draw(int width, int height, const std::function<void(wxDC&)>& paint) {
  const wxColour transparent(255, 0, 255);
  wxBitmap bitmap(width, height, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(transparent));
    dc.Clear();
    paint(dc);
  }
  bitmap.SetMask(new wxMask(bitmap, transparent));
  return bitmap;
}

void Clock(wxDC& dc, const wxColour& face) {
  dc.SetPen(wxPen(wxColour(60, 60, 60)));
  dc.SetBrush(wxBrush(face));
  dc.DrawCircle(8, 8, 7);
  dc.DrawLine(8, 8, 8, 3);
  dc.DrawLine(8, 8, 12, 8);
}

void Letter(wxDC& dc, const wxString& text, const wxColour& colour, int x, int y) {
  wxFont font(wxFontInfo(9).Bold());
  dc.SetFont(font);
  dc.SetTextForeground(colour);
  dc.DrawText(text, x, y);
}

}  // namespace

wxImageList* MakeRowImages() {
  auto* images = new wxImageList(16, 16, true, 10);
  images->Add(Draw(16, 16, [](wxDC& dc) {
    dc.SetPen(wxPen(wxColour(90, 90, 90)));
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawCircle(8, 8, 7);
    Letter(dc, "?", wxColour(30, 30, 160), 5, 1);
  }));
  images->Add(Draw(16, 16, [](wxDC& dc) {
    const wxPoint triangle[] = {{8, 1}, {15, 14}, {1, 14}};
    dc.SetPen(wxPen(wxColour(120, 90, 0)));
    dc.SetBrush(wxBrush(wxColour(250, 210, 0)));
    dc.DrawPolygon(3, triangle);
    Letter(dc, "!", *wxBLACK, 6, 2);
  }));
  images->Add(Draw(16, 16, [](wxDC& dc) {  // a thumb up over a fist
    dc.SetPen(wxPen(wxColour(120, 70, 20)));
    dc.SetBrush(wxBrush(wxColour(240, 190, 140)));
    dc.DrawRoundedRectangle(4, 7, 10, 8, 2);
    dc.DrawRoundedRectangle(6, 1, 4, 8, 2);
    dc.SetBrush(wxBrush(wxColour(40, 140, 40)));
    dc.DrawRectangle(1, 8, 3, 7);
  }));
  images->Add(Draw(16, 16, [](wxDC& dc) {  // angry face
    dc.SetPen(wxPen(wxColour(120, 0, 0)));
    dc.SetBrush(wxBrush(wxColour(220, 40, 40)));
    dc.DrawCircle(8, 8, 7);
    dc.SetPen(wxPen(*wxBLACK, 2));
    dc.DrawLine(4, 5, 7, 7);
    dc.DrawLine(12, 5, 9, 7);
    dc.DrawArc(11, 12, 5, 12, 8, 9);
  }));
  images->Add(Draw(16, 16, [](wxDC& dc) { Clock(dc, wxColour(90, 200, 90)); }));
  images->Add(Draw(16, 16, [](wxDC& dc) { Clock(dc, wxColour(250, 210, 0)); }));
  images->Add(Draw(16, 16, [](wxDC& dc) {  // lightning
    const wxPoint bolt[] = {{10, 0}, {3, 9}, {7, 9}, {5, 15}, {13, 6}, {9, 6}, {11, 0}};
    dc.SetPen(wxPen(wxColour(150, 110, 0)));
    dc.SetBrush(wxBrush(wxColour(255, 220, 0)));
    dc.DrawPolygon(7, bolt);
  }));
  images->Add(Draw(16, 16, [](wxDC& dc) {  // folder with a spark
    dc.SetPen(wxPen(wxColour(140, 100, 20)));
    dc.SetBrush(wxBrush(wxColour(240, 200, 90)));
    dc.DrawRectangle(1, 5, 13, 10);
    dc.DrawRectangle(1, 3, 6, 3);
    dc.SetPen(wxPen(wxColour(255, 120, 0)));
    dc.DrawLine(12, 0, 12, 5);
    dc.DrawLine(10, 2, 15, 2);
  }));
  return images;
}

wxBitmap ToolBitmap(Tool tool) {
  return Draw(16, 15, [tool](wxDC& dc) {
    switch (tool) {
      case Tool::RefreshAll:
        dc.SetPen(wxPen(wxColour(30, 120, 30), 2));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawArc(13, 7, 3, 7, 8, 7);
        dc.DrawLine(13, 7, 13, 3);
        dc.DrawLine(13, 7, 9, 7);
        break;
      case Tool::Add:
        dc.SetPen(wxPen(wxColour(30, 120, 30), 3));
        dc.DrawLine(8, 2, 8, 13);
        dc.DrawLine(2, 7, 14, 7);
        break;
      case Tool::Delete:
        dc.SetPen(wxPen(wxColour(190, 30, 30), 3));
        dc.DrawLine(3, 2, 13, 12);
        dc.DrawLine(13, 2, 3, 12);
        break;
      case Tool::About:
        dc.SetPen(wxPen(wxColour(30, 60, 160)));
        dc.SetBrush(wxBrush(wxColour(60, 110, 220)));
        dc.DrawCircle(8, 7, 7);
        Letter(dc, "i", *wxWHITE, 6, 0);
        break;
    }
  });
}

wxBitmap WarningBitmap() {
  wxImageList* images = MakeRowImages();
  wxBitmap warning = images->GetBitmap(1);
  delete images;
  return warning;
}

wxIcon ProgramIcon() {
  wxIcon icon;
  icon.CopyFromBitmap(Draw(16, 16, [](wxDC& dc) {
    dc.SetPen(wxPen(wxColour(20, 60, 120)));
    dc.SetBrush(wxBrush(wxColour(40, 110, 200)));
    dc.DrawRoundedRectangle(0, 0, 16, 16, 3);
    Letter(dc, "Q", *wxWHITE, 3, 1);
  }));
  return icon;
}

wxBitmap Picture() {
  return Draw(48, 48, [](wxDC& dc) {
    dc.SetPen(wxPen(wxColour(20, 60, 120), 2));
    dc.SetBrush(wxBrush(wxColour(40, 110, 200)));
    dc.DrawRoundedRectangle(2, 2, 44, 44, 8);
    dc.SetPen(wxPen(*wxWHITE, 3));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawCircle(22, 22, 11);
    dc.DrawLine(29, 29, 38, 38);  // the Q's tail, a gavel's handle
  });
}

}  // namespace Artwork

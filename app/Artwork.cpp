#include "app/Artwork.h"

#include <wx/dcmemory.h>
#include <wx/graphics.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

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
  images->Add(Draw(16, 16, [](wxDC& dc) {  // grey disc, struck through
    dc.SetPen(wxPen(wxColour(90, 90, 90)));
    dc.SetBrush(wxBrush(wxColour(200, 200, 200)));
    dc.DrawCircle(8, 8, 7);
    dc.SetPen(wxPen(wxColour(170, 0, 0), 2));
    dc.DrawLine(3, 13, 13, 3);
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

namespace {

// The program's icon on a square of 48 units: a blue tile, and on it a white
// Q whose tail is a gavel's handle. Both renderers below draw from these
// figures alone.
constexpr double kUnits = 48;
struct Rgb {
  unsigned char r, g, b;
};
constexpr Rgb kTileFill{40, 110, 200}, kTileEdge{20, 60, 120}, kMark{255, 255, 255};
struct Tile {
  double x, y, side, corner, edge;
} constexpr kTile{2, 2, 44, 8, 2};
struct Ring {
  double cx, cy, r, width;
} constexpr kRing{22, 22, 11, 3.5};
struct Handle {
  double x1, y1, x2, y2, width;
} constexpr kHandle{29.5, 29.5, 38, 38, 5};

// Strokes that would vanish at the smallest sizes keep one pixel.
double Stroke(double units, double scale) { return std::max(units * scale, 1.0); }

wxColour Colour(Rgb rgb) { return wxColour(rgb.r, rgb.g, rgb.b); }

std::string Hex(Rgb rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb.r, rgb.g, rgb.b);
  return text;
}

}  // namespace

wxImage ProgramIconImage(int size) {
  wxImage image(size, size);
  image.InitAlpha();
  std::memset(image.GetAlpha(), 0, static_cast<std::size_t>(size) * size);
  // Cairo's renderer draws on the image without a display.
  std::unique_ptr<wxGraphicsContext> gc(wxGraphicsRenderer::GetCairoRenderer()->CreateContextFromImage(image));
  if (!gc) return image;
  const double k = size / kUnits;
  gc->SetPen(gc->CreatePen(wxGraphicsPenInfo(Colour(kTileEdge)).Width(Stroke(kTile.edge, k))));
  gc->SetBrush(gc->CreateBrush(wxBrush(Colour(kTileFill))));
  gc->DrawRoundedRectangle(kTile.x * k, kTile.y * k, kTile.side * k, kTile.side * k, kTile.corner * k);
  gc->SetBrush(wxNullGraphicsBrush);
  gc->SetPen(gc->CreatePen(wxGraphicsPenInfo(Colour(kMark)).Width(Stroke(kRing.width, k))));
  gc->DrawEllipse((kRing.cx - kRing.r) * k, (kRing.cy - kRing.r) * k, 2 * kRing.r * k, 2 * kRing.r * k);
  gc->SetPen(gc->CreatePen(wxGraphicsPenInfo(Colour(kMark)).Width(Stroke(kHandle.width, k)).Cap(wxCAP_ROUND)));
  gc->StrokeLine(kHandle.x1 * k, kHandle.y1 * k, kHandle.x2 * k, kHandle.y2 * k);
  gc.reset();  // the drawing reaches the image when the context goes
  return image;
}

std::string ProgramIconSvg() {
  const auto n = [](double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return std::string(text);
  };
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + n(kUnits) + "\" height=\"" + n(kUnits) +
         "\" viewBox=\"0 0 " + n(kUnits) + " " + n(kUnits) + "\">\n"
         "  <rect x=\"" + n(kTile.x) + "\" y=\"" + n(kTile.y) + "\" width=\"" + n(kTile.side) + "\" height=\"" +
         n(kTile.side) + "\" rx=\"" + n(kTile.corner) + "\" fill=\"" + Hex(kTileFill) + "\" stroke=\"" +
         Hex(kTileEdge) + "\" stroke-width=\"" + n(kTile.edge) + "\"/>\n"
         "  <circle cx=\"" + n(kRing.cx) + "\" cy=\"" + n(kRing.cy) + "\" r=\"" + n(kRing.r) +
         "\" fill=\"none\" stroke=\"" + Hex(kMark) + "\" stroke-width=\"" + n(kRing.width) + "\"/>\n"
         "  <line x1=\"" + n(kHandle.x1) + "\" y1=\"" + n(kHandle.y1) + "\" x2=\"" + n(kHandle.x2) + "\" y2=\"" +
         n(kHandle.y2) + "\" stroke=\"" + Hex(kMark) + "\" stroke-width=\"" + n(kHandle.width) +
         "\" stroke-linecap=\"round\"/>\n"
         "</svg>\n";
}

wxIconBundle ProgramIcons() {
  wxIconBundle icons;
  for (const int size : kIconSizes) {
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(ProgramIconImage(size)));
    icons.AddIcon(icon);
  }
  return icons;
}

wxIcon ProgramIcon() {
  wxIcon icon;
  icon.CopyFromBitmap(wxBitmap(ProgramIconImage(16)));
  return icon;
}

wxBitmap Picture() { return wxBitmap(ProgramIconImage(48)); }

}  // namespace Artwork

#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/imaglist.h>

// The program's pictures, drawn in code: the bid list's row images, the
// toolbar's buttons, the warning icon of the status bar and the tray icon.
namespace Artwork {

// 16 x 16 each, by index: 0 question mark, 1 warning triangle, 2 thumbs up,
// 3 angry face, 4 green clock, 5 yellow clock, 6 lightning, 7 folder.
wxImageList* MakeRowImages();

enum class Tool { RefreshAll, Add, Delete, About };
wxBitmap ToolBitmap(Tool tool);  // 16 x 15

wxBitmap WarningBitmap();  // 16 x 16
wxIcon ProgramIcon();      // 16 x 16, for the window and the tray
wxBitmap Picture();        // 48 x 48, for the About box and the upgrade dialog

}  // namespace Artwork

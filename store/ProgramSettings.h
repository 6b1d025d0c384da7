#pragma once

#include <array>

class XmlDocument;

// What the user set up outside the bid list, as quorrel.xml keeps it: the
// three options, the site clock's offset, the main window's placement and
// its bars. The list's layout is kept beside it (ListLayout).
struct ProgramSettings {
  bool loadAutomatically = true;
  bool minimizeToTray = true;
  bool checkUpdates = true;
  int timeOffset = 0;                                // hours
  std::array<int, 4> windowRect{100, 100, 750, 350};  // left, top, right, bottom: the normal position
  int showState = 1;                                  // 1 normal, 2 minimised, 3 maximised
  int placementFlags = 0;
  bool toolbarVisible = true;
  bool statusBarVisible = true;
  // Kept in the "extras" group (SettingsExtras).
  bool keepAwake = true;      // no sleep while a bid is due
  bool notifications = true;  // desktop notifications of bids' results
};

// The "options" and "UI" groups under the document's current (root)
// element. False when a group is missing; the others are read all the same,
// and a missing element keeps its field. Only the exact word "true" is true.
bool ReadSettings(XmlDocument& document, ProgramSettings& settings);
void WriteSettings(XmlDocument& document, const ProgramSettings& settings);

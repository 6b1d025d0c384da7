#pragma once

#include "bids/ListLayout.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"

#include <string>

// A quorrel.xml with every default but the start-up update check, which
// would otherwise ask the update server of the real program's settings.
inline void WriteQuietSettings(const std::string& path) {
  ProgramSettings settings;
  settings.checkUpdates = false;
  XmlDocument document;
  document.AddElement("quorrel");
  WriteSettings(document, settings);
  WriteListLayout(document, ListLayout());
  document.Save(path);
}

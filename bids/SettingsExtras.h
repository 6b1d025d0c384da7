#pragma once

class XmlDocument;
struct ListLayout;
struct ProgramSettings;

// The "extras" group of quorrel.xml, after every group of the classic
// layout: the settings that came later and the widths of the columns after
// the classic eight. A copy of the program that knows only the classic
// groups passes over it, and a file without it gives the defaults.

// From the group under the document's current (root) element; false when
// there is none, and nothing changes.
bool ReadSettingsExtras(XmlDocument& document, ProgramSettings& settings, ListLayout& layout);
// Adds the group under the current element; write it after the others.
void WriteSettingsExtras(XmlDocument& document, const ProgramSettings& settings,
                         const ListLayout& layout);

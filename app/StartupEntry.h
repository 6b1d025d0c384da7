#pragma once

#include <string>

// Starting with the desktop session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/Quorrel.desktop (~/.config/autostart when
// the variable is not set), that runs the executable. Written when `on`,
// deleted when not; false when the folder cannot be found or written, which
// nobody is told about.
bool SetStartupEntry(bool on, const std::string& executablePath);

// Where the entry lives.
std::string StartupEntryPath();

// The executable as an Exec value: quoted as the desktop-entry format wants.
std::string ExecValue(const std::string& executablePath);

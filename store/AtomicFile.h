#pragma once

#include <string>
#include <string_view>

enum class FileAccess {
  Default,    // a new file is readable as the user's umask allows; an old one keeps its mode
  OwnerOnly,  // mode 0600: for files that hold a password or personal data
};

// Writes `data` to a temporary file in the same folder and renames it over
// `path`, so that a crash or a full disk never leaves a half-written file:
// the file on disk is always either the old one or the complete new one.
// Beyond its bytes the file stays as it was: a symbolic link is followed
// and its target replaced, the old file's mode is kept, and a file without
// write permission is left alone (false).
bool WriteFileAtomically(const std::string& path, std::string_view data,
                         FileAccess access = FileAccess::Default);

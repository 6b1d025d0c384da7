#pragma once

#include <string>

// The user's base folders by the XDG base directory rules: a variable that
// is unset, empty or not an absolute path counts as missing, and the folder
// is then the default under the home folder.
class XdgFolders {
 public:
  // The raw values of HOME, XDG_DATA_HOME and XDG_CONFIG_HOME; empty when unset.
  XdgFolders(std::string home, std::string dataHome, std::string configHome);
  // Of the running process; a missing HOME falls back to the password entry.
  static XdgFolders OfProcess();

  // Without a trailing separator; empty when neither the variable nor the
  // home folder is known.
  std::string DataHome() const;    // default ~/.local/share
  std::string ConfigHome() const;  // default ~/.config

 private:
  std::string Resolve(const std::string& variable, const char* underHome) const;

  std::string home_;
  std::string dataHome_;
  std::string configHome_;
};

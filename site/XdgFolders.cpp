#include "site/XdgFolders.h"

#include <utility>

XdgFolders::XdgFolders(std::string home, std::string dataHome, std::string configHome)
    : home_(std::move(home)), dataHome_(std::move(dataHome)), configHome_(std::move(configHome)) {}

std::string XdgFolders::Resolve(const std::string& variable, const char* underHome) const {
  std::string folder;
  if (!variable.empty() && variable.front() == '/') {
    folder = variable;
  } else if (!home_.empty() && home_.front() == '/') {
    folder = home_ + "/" + underHome;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string XdgFolders::DataHome() const { return Resolve(dataHome_, ".local/share"); }
std::string XdgFolders::ConfigHome() const { return Resolve(configHome_, ".config"); }

#pragma once

#include "site/ServerProfile.h"

#include <string>
#include <vector>

class XmlDocument;

// Reader of servers.xml. It keeps no state: every call reads the file anew.
// Every location is completed from the base entry "USA", whose required
// elements must all be there; in other entries every element is optional.
class ServerList {
 public:
  static constexpr const char* kBaseLocation = "USA";

  explicit ServerList(std::string serversFilePath);

  // The "name" of every server entry in file order, duplicates included;
  // empty when the file cannot be read.
  void ListServerNames(std::vector<std::string>& names) const;

  // On success `profile` is replaced whole; on failure it is untouched.
  bool LoadServerProfile(const std::string& location, ServerProfile& profile) const;

 private:
  static bool ReadServer(XmlDocument& document, const std::string& name, bool required,
                         ServerProfile& profile);
  static bool ReadServerFields(XmlDocument& document, ServerProfile& profile);

  std::string path_;
};

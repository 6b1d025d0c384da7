#include "site/ServerList.h"

#include "store/XmlDocument.h"

#include <filesystem>
#include <initializer_list>
#include <utility>

namespace {

struct Field {
  const char* name;
  std::string* value;
  bool required;
};

// Searches the block after the last block found (so the blocks must stand in
// their order) and reads its fields. Every field is read, whatever the
// earlier ones gave.
bool ReadBlock(XmlDocument& document, const char* block, std::initializer_list<Field> fields) {
  if (!document.FindChild(block)) return false;
  document.EnterElement();
  bool ok = true;
  for (const Field& field : fields) {
    ok = document.ReadChildText(field.name, *field.value, field.required) && ok;
  }
  document.LeaveElement();
  return ok;
}

}  // namespace

ServerList::ServerList(std::string serversFilePath) : path_(std::move(serversFilePath)) {}

void ServerList::ListServerNames(std::vector<std::string>& names) const {
  names.clear();
  XmlDocument document;
  if (!document.Load(path_) || !document.FindElement("servers")) return;
  while (document.FindChild("server")) names.push_back(document.ChildAttribute("name"));
}

bool ServerList::LoadServerProfile(const std::string& location, ServerProfile& profile) const {
  XmlDocument document;
  if (!document.Load(path_) || !document.FindElement("servers")) return false;
  ServerProfile loaded;
  loaded.name.clear();
  if (!ReadServer(document, kBaseLocation, true, loaded)) return false;
  if (location != kBaseLocation && !ReadServer(document, location, false, loaded)) return false;
  // servers.xml lives in the program's folder.
  if (!loaded.ca_file.empty() && std::filesystem::path(loaded.ca_file).is_relative()) {
    loaded.ca_file = (std::filesystem::path(path_).parent_path() / loaded.ca_file).lexically_normal().string();
  }
  profile = std::move(loaded);
  return true;
}

bool ServerList::ReadServer(XmlDocument& document, const std::string& name, bool required,
                            ServerProfile& profile) {
  document.ResetChildPosition();
  do {
    if (!document.FindChild("server")) return false;
  } while (document.ChildAttribute("name") != name);

  document.EnterElement();
  const bool fieldsOk = ReadServerFields(document, profile);
  document.LeaveElement();

  const bool ok = fieldsOk || !required;
  if (ok) profile.name = name;
  return ok;
}

bool ServerList::ReadServerFields(XmlDocument& document, ServerProfile& p) {
  bool ok = document.ReadChildText("URL", p.URL, true);
  document.ReadChildText("ca_file", p.ca_file, false);

  document.ResetChildPosition();
  ok = ReadBlock(document, "item_view",
                 {{"HTTPObject", &p.item_view.HTTPObject, true},
                  {"HTTPData", &p.item_view.HTTPData, false},
                  {"number", &p.item_view.number, true},
                  {"ending", &p.item_view.ending, true},
                  {"title", &p.item_view.title, true},
                  {"bidder", &p.item_view.bidder, true},
                  {"currentbid", &p.item_view.currentbid, true}}) &&
       ok;
  ok = ReadBlock(document, "bid_setup",
                 {{"HTTPObject", &p.bid_setup.HTTPObject, true},
                  {"HTTPData", &p.bid_setup.HTTPData, false},
                  {"keyexp", &p.bid_setup.keyexp, true}}) &&
       ok;
  ok = ReadBlock(document, "bid_commit",
                 {{"HTTPObject", &p.bid_commit.HTTPObject, true},
                  {"HTTPData", &p.bid_commit.HTTPData, false}}) &&
       ok;
  ok = ReadBlock(document, "account",
                 {{"presigninobject", &p.account.presigninobject, false},
                  {"HTTPObject", &p.account.HTTPObject, true},
                  {"HTTPData", &p.account.HTTPData, false},
                  {"signinexp", &p.account.signinexp, true}}) &&
       ok;
  return ok;
}

#include "bids/SettingsExtras.h"

#include "bids/ListLayout.h"
#include "store/ProgramSettings.h"
#include "store/XmlDocument.h"

namespace {

constexpr const char* kGroup = "extras";

void ReadFlag(XmlDocument& document, const char* name, bool& flag) {
  document.ResetChildPosition();
  if (document.FindChild(name)) flag = document.ChildText() == "true";
}

const char* Word(bool flag) { return flag ? "true" : "false"; }

}  // namespace

bool ReadSettingsExtras(XmlDocument& document, ProgramSettings& settings, ListLayout& layout) {
  document.ResetChildPosition();
  if (!document.FindChild(kGroup)) return false;
  document.EnterElement();
  ReadFlag(document, "keep_awake", settings.keepAwake);
  ReadFlag(document, "notifications", settings.notifications);
  ReadLaterColumns(document, layout);
  document.LeaveElement();
  return true;
}

void WriteSettingsExtras(XmlDocument& document, const ProgramSettings& settings,
                         const ListLayout& layout) {
  document.AddChild(kGroup);
  document.EnterElement();
  document.AddChild("keep_awake", Word(settings.keepAwake));
  document.AddChild("notifications", Word(settings.notifications));
  WriteLaterColumns(document, layout);
  document.LeaveElement();
}

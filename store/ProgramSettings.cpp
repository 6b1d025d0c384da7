#include "store/ProgramSettings.h"

#include "store/TextNumbers.h"
#include "store/XmlDocument.h"

#include <cctype>
#include <string>

namespace {

void ReadFlag(XmlDocument& document, const char* name, bool& flag) {
  document.ResetChildPosition();
  if (document.FindChild(name)) flag = document.ChildText() == "true";
}

void ReadNumber(XmlDocument& document, const char* name, int& number) {
  document.ResetChildPosition();
  if (document.FindChild(name)) number = ReadSigned32(document.ChildText());
}

// "%d, %d, %d, %d": the blank after each comma stands for any white space,
// none included; with fewer numbers only the leading ones change.
void ReadPosition(const std::string& text, std::array<int, 4>& rect) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < rect.size(); ++n) {
    if (n > 0) {
      if (i >= text.size() || text[i] != ',') return;
      ++i;
    }
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    std::size_t end = i;
    if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
    const std::size_t digits = end;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end == digits) return;
    rect[n] = ReadSigned32(text.substr(i, end - i));
    i = end;
  }
}

const char* Word(bool flag) { return flag ? "true" : "false"; }

}  // namespace

bool ReadSettings(XmlDocument& document, ProgramSettings& s) {
  bool ok = true;

  document.ResetChildPosition();
  if (document.FindChild("options")) {
    document.EnterElement();
    ReadFlag(document, "load_automatically", s.loadAutomatically);
    ReadFlag(document, "minimize_tray", s.minimizeToTray);
    ReadFlag(document, "check_updates", s.checkUpdates);
    ReadNumber(document, "time_offset", s.timeOffset);
    document.LeaveElement();
  } else {
    ok = false;
  }

  document.ResetChildPosition();
  if (document.FindChild("UI")) {
    document.EnterElement();
    if (document.FindChild("window")) {
      document.EnterElement();
      document.ResetChildPosition();
      if (document.FindChild("pos")) ReadPosition(document.ChildText(), s.windowRect);
      ReadNumber(document, "state", s.showState);
      ReadNumber(document, "flags", s.placementFlags);
      document.LeaveElement();
    }
    document.LeaveElement();
  } else {
    ok = false;
  }

  document.ResetChildPosition();
  if (document.FindChild("UI")) {
    document.EnterElement();
    ReadFlag(document, "statusbar", s.statusBarVisible);
    ReadFlag(document, "toolbar", s.toolbarVisible);
    document.LeaveElement();
  } else {
    ok = false;
  }
  return ok;
}

void WriteSettings(XmlDocument& document, const ProgramSettings& s) {
  document.AddChild("options");
  document.EnterElement();
  document.AddChild("load_automatically", Word(s.loadAutomatically));
  document.AddChild("minimize_tray", Word(s.minimizeToTray));
  document.AddChild("check_updates", Word(s.checkUpdates));
  document.AddChild("time_offset", std::to_string(s.timeOffset));
  document.LeaveElement();
  document.AddChild("UI");
  document.EnterElement();
  document.AddChild("window");
  document.EnterElement();
  const auto& r = s.windowRect;
  document.AddChild("pos", std::to_string(r[0]) + ", " + std::to_string(r[1]) + ", " +
                               std::to_string(r[2]) + ", " + std::to_string(r[3]));
  document.AddChild("state", std::to_string(s.showState));
  document.AddChild("flags", std::to_string(s.placementFlags));
  document.LeaveElement();
  document.AddChild("statusbar", Word(s.statusBarVisible));
  document.AddChild("toolbar", Word(s.toolbarVisible));
  document.LeaveElement();
}

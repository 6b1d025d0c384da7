#pragma once

#include <wx/dialog.h>

struct VersionInfo;

// "About Quorrel": the program's name and version, the picture, and links
// to the home page and the support page.
class AboutBox : public wxDialog {
 public:
  enum Ids { kDialogId = 100, kVersionId = 1008, kHomeLinkId = 1018, kSupportLinkId = 1019 };
  static constexpr const char* kHomePage = "http://127.0.0.1:8480/";
  static constexpr const char* kSupportPage = "http://127.0.0.1:8480/support";

  AboutBox(wxWindow* parent, const VersionInfo& version);
};

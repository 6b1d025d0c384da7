#pragma once

#include <wx/dialog.h>

class DataPaths;
struct VersionInfo;

// "About Quorrel": the program's name and version, the picture, where the
// user's files are, and links to the home page and the support page.
class AboutBox : public wxDialog {
 public:
  enum Ids { kDialogId = 100, kVersionId = 1008, kHomeLinkId = 1018, kSupportLinkId = 1019,
             kFilesId = 1020 };
  static constexpr const char* kHomePage = "http://127.0.0.1:8480/";
  static constexpr const char* kSupportPage = "http://127.0.0.1:8480/support";

  AboutBox(wxWindow* parent, const VersionInfo& version, const DataPaths& paths);
};

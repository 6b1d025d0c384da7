#include "app/AboutBox.h"

#include "app/Artwork.h"
#include "app/HyperLink.h"
#include "net/VersionInfo.h"
#include "site/DataPaths.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {

wxString FilesText(const DataPaths& paths) {
  if (paths.Portable()) return "Your files: " + wxString::FromUTF8(paths.DataFolder()) + " (portable)";
  return "Your files: " + wxString::FromUTF8(paths.DataFolder()) +
         "\nSettings: " + wxString::FromUTF8(paths.ConfigFolder());
}

}  // namespace

AboutBox::AboutBox(wxWindow* parent, const VersionInfo& version, const DataPaths& paths)
    : wxDialog(parent, kDialogId, "About Quorrel") {
  auto* name = new wxStaticText(this, wxID_ANY, "Quorrel");
  name->SetFont(name->GetFont().Bold().Larger());
  auto* versionLine = new wxStaticText(
      this, kVersionId,
      wxString::Format("Version %.2f %s (%s)", version.DisplayNumber(),
                       wxString::FromUTF8(version.specialBuild), version.VersionText()));
  auto* notice = new wxStaticText(this, wxID_ANY,
                                  "A desktop auction sniper: it places your bid in the last seconds.\n"
                                  "Built on wxWidgets, libcurl and Boost.Regex.");

  auto* files = new wxStaticText(this, kFilesId, FilesText(paths));

  auto* links = new wxFlexGridSizer(2, 4, 8);
  links->Add(new wxStaticText(this, wxID_ANY, "Home page:"));
  links->Add(new HyperLink(this, kHomeLinkId, kHomePage, kHomePage));
  links->Add(new wxStaticText(this, wxID_ANY, "Support:"));
  links->Add(new HyperLink(this, kSupportLinkId, kSupportPage, kSupportPage));

  auto* text = new wxBoxSizer(wxVERTICAL);
  text->Add(name, 0, wxBOTTOM, 4);
  text->Add(versionLine, 0, wxBOTTOM, 8);
  text->Add(notice, 0, wxBOTTOM, 8);
  text->Add(files, 0, wxBOTTOM, 8);
  text->Add(links);
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, wxID_ANY, Artwork::Picture()), 0, wxALL, 10);
  top->Add(text, 1, wxALL, 10);
  auto* close = new wxButton(this, wxID_OK, "Close");
  close->SetDefault();
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(top, 0, wxEXPAND);
  column->Add(close, 0, wxALIGN_RIGHT | wxALL, 10);
  SetSizerAndFit(column);
  SetEscapeId(wxID_OK);
  CentreOnParent();
}

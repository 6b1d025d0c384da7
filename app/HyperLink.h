#pragma once

#include "app/LinkColours.h"

#include <wx/control.h>

#include <functional>

// A link in a dialog: the text underlined, in the link colour until it has
// been opened and in the visited colour after; a hand cursor over it, the
// URL as its tooltip, a focus rectangle. A click (press and release over
// the text) or Enter or Space opens the URL with the desktop's default
// handler; only an opening that succeeded makes the link visited.
class HyperLink : public wxControl {
 public:
  using Opener = std::function<bool(const wxString& url)>;

  HyperLink(wxWindow* parent, wxWindowID id, const wxString& label, const wxString& url = {});

  void SetURL(const wxString& url);
  const wxString& GetURL() const { return url_; }
  bool IsVisited() const { return visited_; }
  wxColour CurrentColour() const;
  // How the URL is opened; wxLaunchDefaultBrowser unless a test says otherwise.
  void SetOpener(Opener opener) { opener_ = std::move(opener); }
  void Open();

  void SetLabel(const wxString& label) override;
  bool AcceptsFocus() const override { return true; }

 protected:
  wxSize DoGetBestSize() const override;

 private:
  wxRect TextRect() const;
  void OnPaint(wxPaintEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnKeyDown(wxKeyEvent& event);

  wxString url_;
  LinkColours colours_;
  bool visited_ = false;
  bool pressed_ = false;
  Opener opener_;
};

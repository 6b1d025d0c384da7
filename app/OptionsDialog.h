#pragma once

#include <wx/dialog.h>

class wxCheckBox;

// "Quorrel options": the program options, edited on a copy.
class OptionsDialog : public wxDialog {
 public:
  enum Ids {
    kDialogId = 211,
    kLoadId = 1006,
    kTrayId = 1007,
    kUpdatesId = 1008,
    kKeepAwakeId = 1009,
    kNotificationsId = 1010,
  };
  struct Options {
    bool loadAutomatically;
    bool minimizeToTray;
    bool checkUpdates;
    bool keepAwake;
    bool notifications;
  };

  OptionsDialog(wxWindow* parent, const Options& options);
  // The edited copy, after OK.
  const Options& GetOptions() const { return options_; }

 private:
  Options options_;
};

#pragma once

#include <functional>
#include <string>

// The few things the logic asks of the user interface. The application
// implements it with wxWidgets; tests implement it by recording.
class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A message box with no owner: title "Quorrel error", the exclamation
  // icon, OK. May be called from any thread; blocks only the caller, until
  // the user closes it.
  virtual void ShowErrorBox(const std::string& text) = 0;

  // The same box for a caller that must not wait for it (the worker thread,
  // whose other reads must go on while nobody is at the screen): returns at
  // once. While a box shown this way is open, later ones are not shown, so
  // a site that is down opens one box, not one per bid.
  virtual void PostErrorBox(const std::string& text) { ShowErrorBox(text); }

  // For a caller that must not wait and must know when the user is done
  // (one report at a time): shows the box, or the report, and returns at
  // once; `closed` runs when it was closed, or at once when nothing could be
  // shown. Unlike PostErrorBox, never dropped because another box is open.
  virtual void PostErrorBox(const std::string& text, std::function<void()> closed) {
    ShowErrorBox(text);
    if (closed) closed();
  }
  virtual void PostErrorReport(const std::string& cause, const std::string& page,
                               std::function<void()> closed) {
    ShowErrorReport(cause, page);
    if (closed) closed();
  }

  // The error report dialog, "Quorrel - Uh, oh!", with the cause and the
  // page as received. User-interface thread only; returns when closed.
  virtual void ShowErrorReport(const std::string& cause, const std::string& page) = 0;
};

// ShowErrorBox with "<what>. Error <n>." where n is the calling thread's
// last system error number (errno).
void ShowLastErrorBox(UserInterface& ui, const std::string& what);

#pragma once

#include <wx/app.h>
#include <wx/timer.h>

#include <memory>
#include <string>
#include <vector>

struct Services;
class DataFolderLock;
class EndSignals;
class MainFrame;
class SingleInstance;

// The program: one copy per user, the main window, wxWidgets' own loop.
class QuorrelApp : public wxApp {
 public:
  QuorrelApp();
  ~QuorrelApp() override;
  bool OnInit() override;
  int OnRun() override;
  int OnExit() override;

 private:
  void End();  // SIGTERM or SIGINT: as at the end of the session
  void FinishEnding();
  // Another copy runs but does not answer, or uses the same bid list from
  // another session, or there is no place for the lock.
  void Refuse(const std::string& problem);

  std::unique_ptr<SingleInstance> instance_;
  std::vector<std::unique_ptr<DataFolderLock>> dataLocks_;  // from the start until every file is written
  std::unique_ptr<Services> services_;
  std::unique_ptr<EndSignals> signals_;
  MainFrame* frame_ = nullptr;
  wxTimer endingTimer_;  // no owner: its events go to the handler bound on it
  bool running_ = false;  // false: this copy ends at once with exitCode_
  int exitCode_ = 0;
};

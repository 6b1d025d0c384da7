#pragma once

#include <wx/app.h>

#include <memory>

struct Services;
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

  std::unique_ptr<SingleInstance> instance_;
  std::unique_ptr<Services> services_;
  std::unique_ptr<EndSignals> signals_;
  MainFrame* frame_ = nullptr;
  bool handedOver_ = false;
};

#include "app/QuorrelApp.h"

#include "app/DataFolderLock.h"
#include "app/EndSignals.h"
#include "app/MainFrame.h"
#include "app/ModalLoops.h"
#include "app/Services.h"
#include "app/SingleInstance.h"
#include "app/WxText.h"

#include <wx/msgdlg.h>  // before the generic one, which needs its base
#include <wx/generic/msgdlgg.h>

#include <chrono>

namespace {
// How long a new start waits for a running copy that does not answer (it
// may be busy, or stopped) before it tells the user.
constexpr std::chrono::seconds kPatience{20};
// How long it waits for a copy of another session that uses the same bid
// list: one that is ending is gone by then.
constexpr std::chrono::seconds kDataPatience{5};
}  // namespace

QuorrelApp::QuorrelApp() = default;
QuorrelApp::~QuorrelApp() = default;

bool QuorrelApp::OnInit() {
  ModalLoops::Get();
  endingTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { FinishEnding(); });
  instance_ = std::make_unique<SingleInstance>();
  switch (instance_->Claim(kPatience)) {
    case SingleInstance::Start::kHandedOver: return true;  // the running copy comes to the front
    case SingleInstance::Start::kRefused: Refuse(instance_->Problem()); return true;
    case SingleInstance::Start::kRun: break;
  }
  DataPaths paths = DataPaths::ForRunningProgram();
  paths.CreateFolders();  // for the lock on the first start; a failure is told once the window is up
  // The settings may live apart from the bid list: both are the copy's own.
  std::vector<std::string> folders{paths.DataFolder()};
  if (paths.ConfigFolder() != paths.DataFolder()) folders.push_back(paths.ConfigFolder());
  for (const std::string& folder : folders) {
    dataLocks_.push_back(std::make_unique<DataFolderLock>(folder));
    if (!dataLocks_.back()->Claim(kDataPatience)) {
      Refuse(std::string("Quorrel is running already with the same ") +
             (dataLocks_.size() == 1 ? "bid list" : "settings") + " in another session\n(" +
             dataLocks_.back()->Folder() + "). Only one copy may use it at a time.");
      return true;
    }
  }
  running_ = true;
  SetExitOnFrameDelete(true);
  services_ = std::make_unique<Services>(std::move(paths));
  frame_ = new MainFrame(*services_);
  frame_->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == frame_) frame_ = nullptr;
    event.Skip();
  });
  if (!frame_->Initialize()) frame_->Show();  // shown all the same, so that the user sees it runs
  CallAfter([this] { services_->timing.Shown(); });
  instance_->Answer([this] {
    if (frame_ != nullptr) frame_->RestoreFromTray();
  });
  signals_ = std::make_unique<EndSignals>([this] { End(); });
  return true;
}

// A generic box: the end signals can close it.
void QuorrelApp::Refuse(const std::string& problem) {
  exitCode_ = 1;
  signals_ = std::make_unique<EndSignals>([this] { End(); });
  wxGenericMessageDialog box(nullptr, FromSite(problem), "Quorrel error", wxOK | wxICON_EXCLAMATION);
  box.ShowModal();
}

int QuorrelApp::OnRun() { return running_ ? wxApp::OnRun() : exitCode_; }

void QuorrelApp::End() {
  if (services_) services_->ui.Shutdown();  // no box opens any more
  FinishEnding();
}

void QuorrelApp::FinishEnding() {
  // Open dialogs are the window's children and live on the stack of their
  // modal loops, and a popup menu's loop runs on the window's stack: the
  // window may go only once every one of those loops has returned, or
  // destroying it would free them under their own feet. Only the innermost
  // loop can end, so this comes back until none is left.
  if (ModalLoops::Get().EndInnermost()) {
    // A timer, not CallAfter: a call queued from a queued call runs in the
    // same pass, and the loop would never get to return.
    endingTimer_.StartOnce(20);
    return;
  }
  if (frame_ != nullptr) frame_->Close(true);
  wxWakeUpIdle();
}

int QuorrelApp::OnExit() {
  signals_.reset();
  services_.reset();
  dataLocks_.clear();
  instance_.reset();
  return wxApp::OnExit();
}

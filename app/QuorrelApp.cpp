#include "app/QuorrelApp.h"

#include "app/EndSignals.h"
#include "app/MainFrame.h"
#include "app/ModalLoops.h"
#include "app/Services.h"
#include "app/SingleInstance.h"

#include <wx/dialog.h>

QuorrelApp::QuorrelApp() = default;
QuorrelApp::~QuorrelApp() = default;

bool QuorrelApp::OnInit() {
  instance_ = std::make_unique<SingleInstance>();
  if (instance_->HandOverToRunningCopy()) {
    handedOver_ = true;  // the running copy comes to the front; this one ends with 0
    return true;
  }
  SetExitOnFrameDelete(true);
  ModalLoops::Get();
  services_ = std::make_unique<Services>(DataPaths::ForRunningProgram());
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
  endingTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { FinishEnding(); });
  signals_ = std::make_unique<EndSignals>([this] { End(); });
  return true;
}

int QuorrelApp::OnRun() { return handedOver_ ? 0 : wxApp::OnRun(); }

void QuorrelApp::End() {
  services_->ui.Shutdown();  // no box opens any more
  FinishEnding();
}

void QuorrelApp::FinishEnding() {
  // Open dialogs are the window's children and live on the stack of their
  // modal loops: the window may go only once every one of those loops has
  // returned, or destroying it would free them under their own feet. Only
  // the innermost loop can end, so this comes back until none is left.
  if (wxDialog* innermost = ModalLoops::Get().Innermost()) {
    if (innermost->IsModal()) innermost->EndModal(wxID_CANCEL);
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
  instance_.reset();
  return wxApp::OnExit();
}

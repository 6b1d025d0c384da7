#include "app/QuorrelApp.h"

#include "app/EndSignals.h"
#include "app/MainFrame.h"
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
  services_ = std::make_unique<Services>(DataPaths::ForRunningProgram());
  frame_ = new MainFrame(*services_);
  frame_->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
    if (event.GetEventObject() == frame_) frame_ = nullptr;
    event.Skip();
  });
  if (!frame_->Initialize()) frame_->Show();  // shown all the same, so that the user sees it runs
  instance_->Answer([this] {
    if (frame_ != nullptr) frame_->RestoreFromTray();
  });
  signals_ = std::make_unique<EndSignals>([this] { End(); });
  return true;
}

int QuorrelApp::OnRun() { return handedOver_ ? 0 : wxApp::OnRun(); }

void QuorrelApp::End() {
  // A box must end before the window can close.
  services_->ui.Shutdown();
  for (auto node = wxTopLevelWindows.rbegin(); node != wxTopLevelWindows.rend(); ++node) {
    auto* dialog = dynamic_cast<wxDialog*>(*node);
    if (dialog != nullptr && dialog->IsModal()) {
      dialog->EndModal(wxID_CANCEL);
      break;  // only the innermost modal loop can end
    }
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

// CMainFrame's commands on the agents of the chosen computers: "Show Remote
// Desktop" (after the service check), Start and Stop.
#include "console/browse/multiple_select_save_tree.h"
#include "console/ui/child_frame.h"
#include "console/ui/child_view.h"
#include "console/ui/config/service_commands.h"
#include "console/ui/main_frame.h"
#include "console/ui/qt_text.h"
#include "console/ui/service_control_flow.h"

void CMainFrame::ShowRemoteDesktop() {
  const QStringList computers = SelectComputers();
  tree_->AddRecentComputers(computers);
  cVkServiceControlFlow flow(this, state_.agents);
  for (const QString& computer : computers) {
    switch (flow.CheckServiceBeforeViewing(computer)) {
      case cVkServiceControlFlow::Next::kOpenViewer:
        OpenViewers({computer});
        break;
      case cVkServiceControlFlow::Next::kOfferWizard:
        services_->RunWizard(computer);
        break;
      case cVkServiceControlFlow::Next::kSkip:
        break;
    }
  }
}

void CMainFrame::StartServices() {
  const QStringList computers = SelectComputers();
  if (computers.isEmpty()) return;
  tree_->AddRecentComputers(computers);
  cVkServiceControlFlow(this, state_.agents).StartServices(computers);
}

void CMainFrame::StopServices() {
  const QStringList computers = SelectComputers();
  if (computers.isEmpty()) return;
  tree_->AddRecentComputers(computers);
  cVkServiceControlFlow(this, state_.agents).StopServices(computers, [this](const QString& computer) {
    CloseViewersOf(computer);
  });
}

void CMainFrame::CloseViewersOf(const QString& computer) {
  const std::u16string name = FromQString(computer);
  for (CChildFrame* frame : Viewers()) {
    if (VkSameComputerName(frame->View()->ComputerName(), name)) frame->close();
  }
}

#include "console/ui/service_control_flow.h"

#include <QMessageBox>

#include "console/admin/agent_manager.h"
#include "console/admin/deployment_flows.h"
#include "console/core/service_flow_texts.h"
#include "console/ui/admin_run.h"
#include "console/ui/error_dialog.h"
#include "console/ui/qt_text.h"
#include "log/orklog.h"
#include "platform/ssh/remote_computer.h"

namespace {

const QString kCaption = QStringLiteral("ViewKeeper");

// One log for the whole command: the error dialog shows every line so far.
struct OperationLog : cOrkLog {
  OperationLog() { SetMemLogMask(LOG_ALL); }
};

using AgentStep = int32_t (cVkAgentManager::*)(cOrkLog&, std::u16string_view, cVkProgressWindow*);

struct StepTexts {
  std::u16string (*progress)(std::u16string_view);
  std::u16string (*failure)(std::u16string_view);
};

// One computer of RunOnEach: a failure shows the error dialog with the
// operation's log so far.
void StepOn(QWidget* owner, cVkAgentManager& agents, const QString& computer, AgentStep step, const StepTexts& texts,
            const std::function<void(const QString&)>& succeeded, cOrkLog& log, cVkProgressRelay& progress) {
  const std::u16string name = FromQString(computer);
  progress.SetMainText(texts.progress(name));
  const int32_t rc = (agents.*step)(log, name, &progress);
  if (rc == 0) {
    if (succeeded) VkOnUiThread([&] { succeeded(computer); });
    return;
  }
  progress.Hide();
  VkOnUiThread([&] { cVkErrorDialog::Show(owner, ToQString(texts.failure(name)), log, rc); });
  progress.Show();
}

// One progress dialog for all computers, one after another; with several,
// its Cancel stops the run before the next computer and the computers not
// reached are named.
void RunOnEach(QWidget* owner, cVkAgentManager& agents, const QStringList& computers, AgentStep step,
               const StepTexts& texts, const std::function<void(const QString&)>& succeeded) {
  OperationLog log;
  std::vector<std::u16string> notReached;
  {
    cVkProgressRelay progress(owner, u"");
    const bool cancellable = computers.size() > 1;
    if (cancellable) progress.OfferCancel();
    VkRunOffUiThread([&] {
      for (qsizetype i = 0; i < computers.size(); ++i) {
        if (cancellable && progress.CancelRequested()) {
          for (const QString& left : computers.mid(i)) notReached.push_back(FromQString(left));
          break;
        }
        StepOn(owner, agents, computers[i], step, texts, succeeded, log, progress);
      }
      return 0;
    });
  }
  if (!notReached.empty()) QMessageBox::warning(owner, kCaption, ToQString(VkNotReachedText(notReached)));
}

}  // namespace

void cVkServiceControlFlow::StartServices(const QStringList& computers) {
  RunOnEach(owner_, agents_, computers, &cVkAgentManager::StartAgent, {&VkStartingServiceText, &VkStartFailedText}, {});
}

bool cVkServiceControlFlow::StopServices(const QStringList& computers,
                                         const std::function<void(const QString&)>& stopped) {
  std::vector<std::u16string> names;
  for (const QString& computer : computers) names.push_back(FromQString(computer));
  const QString question = ToQString(VkStopConfirmationText(names));
  if (QMessageBox::warning(owner_, kCaption, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
      QMessageBox::Yes) {
    return false;
  }
  RunOnEach(owner_, agents_, computers, &cVkAgentManager::StopAgent, {&VkStoppingServiceText, &VkStopFailedText},
            stopped);
  return true;
}

cVkServiceControlFlow::Next cVkServiceControlFlow::CheckServiceBeforeViewing(const QString& computer) {
  const std::u16string name = FromQString(computer);
  OperationLog log;
  uint32_t state = 0;
  int32_t rc = 0;
  {
    cVkProgressRelay progress(owner_, VkCheckingServiceStateText(name));
    rc = VkRunOffUiThread([&] { return agents_.QueryAgentState(log, name, &state, &progress); });
  }
  if (rc != 0) return AskWhenStateUnknown();
  switch (state) {
    case 0:
      return Next::kOfferWizard;
    case vk::remote::kServiceStopped:
      return OfferStart(computer);
    case vk::remote::kServiceRunning:
      return Next::kOpenViewer;
    default:
      QMessageBox::critical(owner_, kCaption, ToQString(VkServiceNotRunningText(VkServiceStateName(state))));
      return Next::kSkip;
  }
}

cVkServiceControlFlow::Next cVkServiceControlFlow::AskWhenStateUnknown() {
  switch (QMessageBox::question(owner_, kCaption, ToQString(VkUnknownServiceQuestion()),
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return Next::kOpenViewer;
    case QMessageBox::No:
      return Next::kOfferWizard;
    default:
      return Next::kSkip;
  }
}

cVkServiceControlFlow::Next cVkServiceControlFlow::OfferStart(const QString& computer) {
  if (QMessageBox::question(owner_, kCaption, ToQString(VkStartOfferQuestion()), QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::Yes) != QMessageBox::Yes) {
    return Next::kSkip;
  }
  const std::u16string name = FromQString(computer);
  OperationLog log;
  int32_t rc = 0;
  {
    cVkProgressRelay progress(owner_, VkStartingServiceText(name));
    rc = VkRunOffUiThread([&] { return agents_.StartAgent(log, name, &progress); });
  }
  if (rc == 0) return Next::kOpenViewer;
  cVkErrorDialog::Show(owner_, ToQString(VkStartOfferFailedText()), log, rc);
  return Next::kSkip;
}

// The main window's service commands on the chosen computers, through the
// agent manager, each agent operation off the user-interface thread behind
// the progress dialog: Start, Stop (after its confirmation), and the check
// of the agent's service before a viewer opens ("Show Remote Desktop").
#pragma once

#include <QStringList>
#include <functional>

class QWidget;
class cVkAgentManager;

class cVkServiceControlFlow {
 public:
  // What "Show Remote Desktop" does next for a computer.
  enum class Next { kOpenViewer, kOfferWizard, kSkip };

  cVkServiceControlFlow(QWidget* owner, cVkAgentManager& agents) : owner_(owner), agents_(agents) {}

  // Starts the agents one after another; a failure shows the error dialog
  // and the next computer follows.
  void StartServices(const QStringList& computers);
  // Asks first; then stops the agents one after another and calls `stopped`
  // (on the user-interface thread) for each computer whose agent stopped.
  // False when the operator said No.
  bool StopServices(const QStringList& computers, const std::function<void(const QString&)>& stopped);
  // Asks the computer's service manager for the agent's state and answers
  // what follows: a running agent is viewed, a stopped one is offered a
  // start, a missing one the installation wizard.
  Next CheckServiceBeforeViewing(const QString& computer);

 private:
  Next AskWhenStateUnknown();
  Next OfferStart(const QString& computer);

  QWidget* owner_;
  cVkAgentManager& agents_;
};

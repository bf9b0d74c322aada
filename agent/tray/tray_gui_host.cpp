#include "agent/tray/tray_gui_host.h"

#include <QApplication>
#include <QMetaObject>

#include "agent/tray/tray_gui.h"

// The widgets' reports go to the manager of this process.
class cVkTrayGuiHost::ManagerEvents final : public cVkTrayGuiEvents {
 public:
  explicit ManagerEvents(cVkTrayManager& manager) : manager_(manager) {}
  void AnswerQuestion(uint64_t id, bool yes) override { manager_.AnswerQuestion(id, yes); }
  void QuestionShown(uint64_t id) override { manager_.QuestionShown(id); }
  void ToggleAllowed() override { manager_.ToggleAllowed(); }
  void RefreshIcon() override { manager_.RefreshIcon(); }
  cVkViewerInfo ViewerInfo() override { return manager_.ViewerInfo(); }

 private:
  cVkTrayManager& manager_;
};

cVkTrayGuiHost::cVkTrayGuiHost(cVkTrayManager& manager, const std::string& displayName) {
  argStorage_ = {"deskagent", "-platform", "xcb"};
  if (!displayName.empty()) {
    argStorage_.push_back("-display");
    argStorage_.push_back(displayName);
  }
  for (std::string& arg : argStorage_) argv_.push_back(arg.data());
  argv_.push_back(nullptr);
  argc_ = static_cast<int>(argStorage_.size());
  app_ = std::make_unique<QApplication>(argc_, argv_.data());
  // The tray lives without windows; closing the About window must not end it.
  QApplication::setQuitOnLastWindowClosed(false);
  events_ = std::make_unique<ManagerEvents>(manager);
  gui_ = std::make_unique<cVkTrayGui>(*events_);
}

cVkTrayGuiHost::~cVkTrayGuiHost() {
  gui_.reset();
  app_.reset();
}

void cVkTrayGuiHost::Run() { app_->exec(); }

void cVkTrayGuiHost::Quit() {
  QMetaObject::invokeMethod(
      app_.get(), [] { QApplication::quit(); }, Qt::QueuedConnection);
}

void cVkTrayGuiHost::Show(const cVkTrayState& state) {
  cVkTrayGui* gui = gui_.get();
  QMetaObject::invokeMethod(
      gui, [gui, state] { gui->Apply(state); }, Qt::QueuedConnection);
}

void cVkTrayGuiHost::Ask(uint64_t id) {
  cVkTrayGui* gui = gui_.get();
  QMetaObject::invokeMethod(
      gui, [gui, id] { gui->Ask(id); }, Qt::QueuedConnection);
}

void cVkTrayGuiHost::CloseQuestion(uint64_t id) {
  cVkTrayGui* gui = gui_.get();
  QMetaObject::invokeMethod(
      gui, [gui, id] { gui->CloseQuestion(id); }, Qt::QueuedConnection);
}

void cVkTrayGuiHost::RunOnGui(const std::function<void(cVkTrayGui&)>& fn) {
  cVkTrayGui* gui = gui_.get();
  QMetaObject::invokeMethod(
      gui, [gui, &fn] { fn(*gui); }, Qt::BlockingQueuedConnection);
}

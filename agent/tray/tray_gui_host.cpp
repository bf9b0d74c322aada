#include "agent/tray/tray_gui_host.h"

#include <QApplication>
#include <QMetaObject>

#include "agent/tray/tray_gui.h"
#include "platform/xtest/input_injector.h"

// The application and the widgets, on the GUI thread. The widgets' reports
// go to the tray manager; the About window shows the last viewer shown.
class cVkTrayGuiHost::Gui final : public cVkTrayGuiEvents {
 public:
  Gui(cVkTrayHelperEvents& events, const std::string& displayName) : events_(events) {
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
    gui_ = std::make_unique<cVkTrayGui>(*this);
  }
  ~Gui() override {
    gui_.reset();
    app_.reset();
  }

  void Run() { app_->exec(); }
  void Quit() {
    QMetaObject::invokeMethod(
        app_.get(), [] { QApplication::quit(); }, Qt::QueuedConnection);
  }
  void Post(const std::function<void(cVkTrayGui&)>& fn, Qt::ConnectionType type) {
    cVkTrayGui* gui = gui_.get();
    QMetaObject::invokeMethod(
        gui, [gui, fn] { fn(*gui); }, type);
  }
  void Shown(const cVkTrayState& state, const cVkViewerInfo& viewer) {
    shown_ = state;
    viewer_ = viewer;
    gui_->Apply(state);
  }

  void AnswerQuestion(uint64_t id, bool yes) override { events_.AnswerQuestion(id, yes); }
  void QuestionShown(uint64_t id) override { events_.QuestionShown(id); }
  void ToggleAllowed() override { events_.ToggleAllowed(); }
  // Shown again without its balloon, for a notification area that restarted.
  void RefreshIcon() override {
    cVkTrayState again = shown_;
    again.balloonPending = false;
    gui_->Apply(again);
  }
  cVkViewerInfo ViewerInfo() override { return viewer_; }

 private:
  cVkTrayHelperEvents& events_;
  std::vector<std::string> argStorage_;
  std::vector<char*> argv_;
  int argc_ = 0;
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<cVkTrayGui> gui_;
  cVkTrayState shown_;  // GUI thread only
  cVkViewerInfo viewer_;
};

cVkTrayGuiHost::cVkTrayGuiHost(cVkTrayHelperEvents& events, std::string displayName)
    : events_(events), displayName_(std::move(displayName)) {}

cVkTrayGuiHost::~cVkTrayGuiHost() { Stop(); }

int32_t cVkTrayGuiHost::Start(cOrkLog&) {
  if (thread_.Running()) return 0;
  return thread_.Start([this](vk::ManualResetEvent& stop) { return GuiThread(stop); });
}

// The stop event wakes the display wait and quits a running GUI.
void cVkTrayGuiHost::Stop() {
  if (thread_.Running()) thread_.Stop();
}

int32_t cVkTrayGuiHost::GuiThread(vk::ManualResetEvent& stop) {
  if (!WaitForDisplay(stop)) return 0;
  Gui gui(events_, displayName_);
  {
    std::lock_guard hold(lock_);
    if (stop.IsSet()) return 0;
    gui_ = &gui;
  }
  auto quit = stop.OnSet([&gui] { gui.Quit(); });
  events_.HelperChanged(true);
  gui.Run();
  {
    std::lock_guard hold(lock_);
    gui_ = nullptr;
  }
  events_.HelperChanged(false);
  return 0;
}

// At boot the X server may come after the agent: the GUI waits for it.
bool cVkTrayGuiHost::WaitForDisplay(vk::ManualResetEvent& stop) {
  while (!stop.IsSet()) {
    if (vk::XDisplayReachable(displayName_)) return true;
    if (stop.WaitFor(displayRetry_)) return false;
  }
  return false;
}

void cVkTrayGuiHost::Post(const std::function<void(cVkTrayGui&)>& fn) {
  std::lock_guard hold(lock_);
  if (gui_) gui_->Post(fn, Qt::QueuedConnection);
}

void cVkTrayGuiHost::Show(const cVkTrayState& state, const cVkViewerInfo& viewer) {
  std::lock_guard hold(lock_);
  if (!gui_) return;
  Gui* gui = gui_;
  gui->Post([gui, state, viewer](cVkTrayGui&) { gui->Shown(state, viewer); }, Qt::QueuedConnection);
}

void cVkTrayGuiHost::Ask(uint64_t id) {
  Post([id](cVkTrayGui& gui) { gui.Ask(id); });
}

void cVkTrayGuiHost::CloseQuestion(uint64_t id) {
  Post([id](cVkTrayGui& gui) { gui.CloseQuestion(id); });
}

bool cVkTrayGuiHost::RunOnGui(const std::function<void(cVkTrayGui&)>& fn) {
  Gui* gui = nullptr;
  {
    std::lock_guard hold(lock_);
    gui = gui_;
  }
  if (!gui) return false;
  gui->Post(fn, Qt::BlockingQueuedConnection);
  return true;
}

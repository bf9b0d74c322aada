// The tray manager with its Qt GUI on an Xvfb of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <cstdio>
#include <filesystem>
#include <future>
#include <mutex>

#include "platform/testing/child_failures.h"
#include "agent/tray/about_window.h"
#include "agent/tray/notification_window.h"
#include "agent/tray/tests/tray_owner.h"
#include "agent/tray/tray_gui.h"
#include "agent/tray/tray_gui_host.h"
#include "agent/tray/tray_manager.h"
#include "agent/tray/tray_texts.h"
#include "agent/tray/tests/qt_display_suite.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

using namespace std::chrono_literals;

using vk::testing::ReportChildFailures;

// The session manager's viewer and the settings' notification mode.
class FakeContext : public vk::iVkViewerQuery {
 public:
  cVkViewerInfo GetViewerInfo() const override {
    std::lock_guard<std::mutex> hold(lock);
    return viewer;
  }
  uint32_t GetNotificationMode() {
    std::lock_guard<std::mutex> hold(lock);
    return mode;
  }
  void Connect(std::u16string name, uint32_t address) {
    std::lock_guard<std::mutex> hold(lock);
    viewer = {true, std::move(name), address};
  }
  void Disconnect() {
    std::lock_guard<std::mutex> hold(lock);
    viewer = {};
  }
  mutable std::mutex lock;
  cVkViewerInfo viewer;
  uint32_t mode = NOTIFY_QUESTION;
};

constexpr uint32_t kAddress = 0x0302010A;  // 10.1.2.3 in network order

class TrayManagerTest : public QtDisplaySuite {
 protected:
  // Qt makes the first thread that creates its application object the main
  // thread of the whole process, so each scenario runs in a child process of
  // its own, with a tray thread of its own.
  void InChild(const std::function<void()>& scenario) {
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
          scenario();
          if (tray_) {
            cOrkLog log;
            tray_->Uninitialize(log);
            tray_.reset();
          }
          ReportChildFailures();
          _exit(HasFailure() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
  }

  void MakeTray(const std::string& display) {
    tray_ = std::make_unique<cVkTrayManager>(
        context_, [this] { return context_.GetNotificationMode(); },
        [this, display](cVkTrayHelperEvents& events) {
          auto host = std::make_unique<cVkTrayGuiHost>(events, display);
          host_ = host.get();
          return host;
        });
  }
  void StartTray(const std::string& display = {}) {
    MakeTray(display.empty() ? server_->DisplayName() : display);
    cOrkLog log;
    ASSERT_EQ(tray_->Initialize(log), 0);
  }
  void StartGuiTray() {
    StartTray();
    ASSERT_TRUE(tray_->WaitForShowing(20s));
  }
  // Runs on the GUI thread and waits.
  void OnGui(const std::function<void(cVkTrayGui&)>& fn) {
    ASSERT_NE(host_, nullptr);
    ASSERT_TRUE(host_->RunOnGui(fn));
  }
  // The session thread's call, which blocks while the question is open.
  std::future<void> UpdateOnSessionThread() {
    return std::async(std::launch::async, [this] { tray_->UpdateForSession(); });
  }
  void Answer(QMessageBox::StandardButton button) {
    ASSERT_TRUE(tray_->WaitForQuestionShown(20s));
    OnGui([button](cVkTrayGui& gui) {
      ASSERT_NE(gui.QuestionBox(), nullptr);
      EXPECT_EQ(gui.QuestionBox()->windowTitle(), QString::fromUtf16(tray_text::kQuestionCaption));
      EXPECT_EQ(gui.QuestionBox()->text(), QString::fromUtf16(tray_text::kQuestionText));
      gui.QuestionBox()->button(button)->click();
    });
  }

  FakeContext context_;
  cVkTrayGuiHost* host_ = nullptr;  // owned by the tray
  std::unique_ptr<cVkTrayManager> tray_;
};

const std::u16string kViewed = u"Your desktop is being viewed by 'CORP\\alice' from a remote location.";

TEST_F(TrayManagerTest, QuestionAnsweredYesThenWithdrawnAndAllowedAgain) {
  InChild([&] {
    context_.Connect(u"CORP\\alice", kAddress);
    StartGuiTray();
    auto session = UpdateOnSessionThread();
    ASSERT_TRUE(tray_->WaitForQuestionShown(20s));
    cVkTrayState asking = tray_->State();
    EXPECT_EQ(asking.iconState, TRAY_QUESTION);
    EXPECT_EQ(asking.tipText, u"");
    EXPECT_EQ(asking.balloonTitle, u"ViewKeeper Question");
    EXPECT_EQ(asking.balloonText,
              u"CORP\\alice wants to view your desktop from a remote location. To allow this, press 'YES' on the "
              u"presented question.");
    // The question holds no lock: another caller gets its answer at once.
    EXPECT_FALSE(tray_->IsViewingAllowed());
    Answer(QMessageBox::Yes);
    session.get();
    cVkTrayState allowed = tray_->State();
    EXPECT_EQ(allowed.iconState, TRAY_ALLOWED);
    EXPECT_EQ(allowed.tipText, kViewed);
    EXPECT_EQ(allowed.balloonTitle, u"ViewKeeper Warning");
    EXPECT_EQ(allowed.balloonText, tray_text::kAllowedBalloon);
    EXPECT_EQ(allowed.balloonIcon, BALLOON_WARNING);
    EXPECT_TRUE(tray_->IsViewingAllowed());

    // The local person withdraws through the menu.
    OnGui([](cVkTrayGui& gui) {
      EXPECT_TRUE(gui.AllowAction()->isEnabled());
      EXPECT_EQ(gui.AllowAction()->text(), QStringLiteral("Disallow"));
      gui.AllowAction()->trigger();
    });
    cVkTrayState withdrawn = tray_->State();
    EXPECT_EQ(withdrawn.iconState, TRAY_DISALLOWED);
    EXPECT_EQ(withdrawn.tipText, u"ViewKeeper Remote Desktop Viewer Service - Service has been disallowed");
    EXPECT_EQ(withdrawn.balloonTitle, u"ViewKeeper Warning");
    EXPECT_EQ(withdrawn.balloonText, tray_text::kDisallowedBalloon);
    EXPECT_EQ(withdrawn.balloonIcon, BALLOON_ERROR);
    EXPECT_FALSE(tray_->IsViewingAllowed());
    OnGui([](cVkTrayGui& gui) {
      EXPECT_EQ(gui.AllowAction()->text(), QStringLiteral("Allow"));
      gui.AllowAction()->trigger();
    });
    cVkTrayState again = tray_->State();
    EXPECT_EQ(again.iconState, TRAY_ALLOWED);
    EXPECT_EQ(again.tipText, kViewed);
    EXPECT_EQ(again.balloonTitle, u"ViewKeeper Information");
    EXPECT_EQ(again.balloonIcon, BALLOON_INFORMATION);
    EXPECT_TRUE(tray_->IsViewingAllowed());
  });
}

TEST_F(TrayManagerTest, QuestionAnsweredNo) {
  InChild([&] {
    context_.Connect(u"CORP\\alice", kAddress);
    StartGuiTray();
    auto session = UpdateOnSessionThread();
    Answer(QMessageBox::No);
    session.get();
    cVkTrayState state = tray_->State();
    EXPECT_EQ(state.iconState, TRAY_DISALLOWED);
    EXPECT_EQ(state.tipText, u"ViewKeeper Remote Desktop Viewer Service - Service has been disallowed.");
    EXPECT_EQ(state.balloonTitle, u"ViewKeeper Information");
    EXPECT_EQ(state.balloonText, tray_text::kDisallowedBalloon);
    EXPECT_EQ(state.balloonIcon, BALLOON_ERROR);
    EXPECT_FALSE(tray_->IsViewingAllowed());
  });
}

TEST_F(TrayManagerTest, UnansweredCancelledOrStoppedQuestionCountsAsNo) {
  InChild([&] {
    context_.Connect(u"CORP\\alice", kAddress);
    StartGuiTray();
    tray_->SetQuestionTimeout(300ms);
    UpdateOnSessionThread().get();  // nobody answers
    EXPECT_EQ(tray_->State().iconState, TRAY_DISALLOWED);
    OnGui([](cVkTrayGui& gui) { EXPECT_EQ(gui.QuestionBox(), nullptr); });  // the box went away

    tray_->SetQuestionTimeout(60s);
    auto cancelled = UpdateOnSessionThread();
    ASSERT_TRUE(tray_->WaitForQuestionShown(20s));
    tray_->CancelQuestion();  // the viewer's connection closed
    cancelled.get();
    EXPECT_EQ(tray_->State().iconState, TRAY_DISALLOWED);

    auto stopped = UpdateOnSessionThread();
    ASSERT_TRUE(tray_->WaitForQuestionShown(20s));
    cOrkLog log;
    EXPECT_EQ(tray_->Uninitialize(log), 0);  // a stop is not held up by the question
    stopped.get();
    // The stopped question counts as No: its texts are those of the answer
    // No, and no question stays open (the icon itself is gone with the tray).
    const cVkTrayState afterStop = tray_->State();
    EXPECT_EQ(afterStop.tipText, u"ViewKeeper Remote Desktop Viewer Service - Service has been disallowed.");
    EXPECT_EQ(afterStop.balloonText, tray_text::kDisallowedBalloon);
    EXPECT_EQ(afterStop.iconState, TRAY_NO_ICON);
  });
}

TEST_F(TrayManagerTest, TextsOfTheOtherModes) {
  InChild([&] {
    StartGuiTray();
    context_.mode = NOTIFY_SILENT;
    context_.Connect(u"bob", kAddress);
    tray_->UpdateForSession();
    EXPECT_EQ(tray_->State().iconState, TRAY_NO_ICON);
    EXPECT_TRUE(tray_->IsViewingAllowed());

    context_.mode = NOTIFY_INFORMATION;
    tray_->UpdateForSession();
    cVkTrayState informed = tray_->State();
    EXPECT_EQ(informed.iconState, TRAY_ALLOWED);
    EXPECT_EQ(informed.tipText, u"Your desktop is being viewed by 'bob' from a remote location.");
    EXPECT_TRUE(informed.balloonTitle.empty());

    context_.mode = NOTIFY_WARNING;
    tray_->UpdateForSession();
    cVkTrayState warned = tray_->State();
    EXPECT_EQ(warned.balloonTitle, u"ViewKeeper warning");
    EXPECT_EQ(warned.balloonText, u"Your desktop is being viewed by 'bob' from a remote location.");
    EXPECT_EQ(warned.balloonIcon, BALLOON_WARNING);
    OnGui([](cVkTrayGui& gui) { EXPECT_FALSE(gui.AllowAction()->isEnabled()); });

    context_.Disconnect();
    tray_->UpdateForSession();
    cVkTrayState idle = tray_->State();
    EXPECT_EQ(idle.iconState, TRAY_ALLOWED);
    EXPECT_EQ(idle.tipText, u"ViewKeeper Remote Desktop Viewer Service is not in use.");
    EXPECT_EQ(idle.balloonTitle, u"ViewKeeper information");
    context_.mode = NOTIFY_QUESTION;
    tray_->UpdateForSession();
    EXPECT_EQ(tray_->State().balloonTitle, u"ViewKeeper warning");
    EXPECT_EQ(tray_->State().iconState, TRAY_ALLOWED);

    // A mode the settings should never hold asks, rather than viewing unseen.
    context_.mode = 9;
    context_.Connect(u"bob", kAddress);
    tray_->SetQuestionTimeout(200ms);
    tray_->UpdateForSession();
    EXPECT_EQ(tray_->State().iconState, TRAY_DISALLOWED);
    EXPECT_FALSE(tray_->IsViewingAllowed());
  });
}

TEST_F(TrayManagerTest, AboutWindowShowsTheViewer) {
  InChild([&] {
    StartGuiTray();
    OnGui([](cVkTrayGui& gui) {
      gui.OpenAbout();
      ASSERT_NE(gui.About(), nullptr);
      EXPECT_EQ(gui.About()->windowTitle(), QStringLiteral("About ViewKeeper"));
      EXPECT_EQ(gui.About()->StateText(), QStringLiteral("Not Connected"));
      EXPECT_EQ(gui.About()->UserText(), QStringLiteral("-"));
      EXPECT_EQ(gui.About()->ComputerText(), QStringLiteral("-"));
    });
    // The session tells the tray of its viewer, which the window shows.
    context_.mode = NOTIFY_INFORMATION;
    context_.Connect(u"CORP\\alice", kAddress);
    tray_->UpdateForSession();
    OnGui([](cVkTrayGui& gui) {
      gui.OpenAbout();
      EXPECT_EQ(gui.About()->StateText(), QStringLiteral("Connected"));
      EXPECT_EQ(gui.About()->UserText(), QStringLiteral("CORP\\alice"));
      EXPECT_EQ(gui.About()->ComputerText(), QStringLiteral("10.1.2.3"));
    });
  });
}

TEST_F(TrayManagerTest, WithoutNotificationAreaAWindowShowsTheState) {
  InChild([&] {
    context_.mode = NOTIFY_WARNING;
    context_.Connect(u"bob", kAddress);
    StartGuiTray();
    tray_->UpdateForSession();
    OnGui([](cVkTrayGui& gui) {
      EXPECT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
      EXPECT_FALSE(gui.UsesTrayIcon());
      ASSERT_NE(gui.Window(), nullptr);
      EXPECT_TRUE(gui.Window()->isVisible());
      EXPECT_TRUE(gui.Window()->windowFlags() & Qt::WindowStaysOnTopHint);
      EXPECT_EQ(gui.Window()->ShownText(),
                QStringLiteral("ViewKeeper warning\nYour desktop is being viewed by 'bob' from a remote location."));
    });
  });
}

TEST_F(TrayManagerTest, NotificationAreaGetsTheIcon) {
  InChild([&] {
    vk::testing::FakeTrayOwner owner;
    ASSERT_TRUE(owner.Open(server_->DisplayName()));
    context_.mode = NOTIFY_INFORMATION;
    context_.Connect(u"bob", kAddress);
    StartGuiTray();
    tray_->UpdateForSession();
    EXPECT_NE(owner.WaitForDockRequest(20s), 0u);
    OnGui([](cVkTrayGui& gui) {
      EXPECT_TRUE(gui.UsesTrayIcon());
      EXPECT_TRUE(gui.Window() == nullptr || !gui.Window()->isVisible());
      EXPECT_EQ(gui.TrayIcon()->toolTip(),
                QStringLiteral("Your desktop is being viewed by 'bob' from a remote location."));
    });
  });
}

TEST_F(TrayManagerTest, WithoutDisplayQuestionModeRefusesUntilTheDisplayComes) {
  InChild([&] {
    // A display number that is free now; a server comes up on it later.
    std::string display = vk::testing::UnusedDisplayName();
    context_.Connect(u"bob", kAddress);
    MakeTray(display);
    host_->SetDisplayRetryInterval(50ms);
    cOrkLog log;
    ASSERT_EQ(tray_->Initialize(log), 0);  // no display: the agent starts anyway
    EXPECT_FALSE(tray_->Showing());
    tray_->UpdateForSession();  // nobody to ask
    EXPECT_EQ(tray_->State().iconState, TRAY_DISALLOWED);
    EXPECT_FALSE(tray_->IsViewingAllowed());

    vk::testing::XvfbServer late;
    ASSERT_TRUE(late.StartOn(display, "640x480x24"));
    ASSERT_TRUE(tray_->WaitForShowing(20s));
    auto session = UpdateOnSessionThread();
    Answer(QMessageBox::Yes);
    session.get();
    EXPECT_TRUE(tray_->IsViewingAllowed());
    tray_->Uninitialize(log);
  });
}

}  // namespace

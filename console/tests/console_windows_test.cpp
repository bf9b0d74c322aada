// The console's windows offscreen against a stand-in agent on loopback: bad
// input from the agent ends the session with the error dialog and leaves the
// last picture; the cursor index; the dialogs (progress, log with Save As,
// computer names); the window state kept in the settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <random>

#include "common/socket/socket.h"
#include "common/viewer/tests/agent_wire.h"
#include "console/ui/child_frame.h"
#include "console/ui/child_view.h"
#include "console/ui/computer_name_dialog.h"
#include "console/ui/console_app.h"
#include "console/ui/error_dialog.h"
#include "console/ui/log_dialog.h"
#include "console/ui/progress_dialog.h"
#include "platform/core/text.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vktest::AgentWire;

bool Until(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(10);
  }
  return true;
}

std::string LogText(cOrkLog& log) {
  std::u16string all;
  char16_t text[1100];
  uint32_t index = 0, type = 0;
  int32_t time = 0, code = 0;
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, text, 1100) == 0)
    all += std::u16string(text) + u"\n";
  return vk::ToUtf8(all);
}

class ConsoleWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "console_windows_test";
    static char* argv[] = {name, nullptr};
    application_ = new QApplication(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvalline"));
    QCoreApplication::setApplicationName(QStringLiteral("ViewKeeper"));
  }
  static void TearDownTestSuite() { delete application_; }

  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vk-console-ui-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    ASSERT_EQ(listener_.Create(log_, vk::net::kStream), 0);
    ASSERT_EQ(listener_.Bind(log_, 0), 0);
    ASSERT_EQ(listener_.Listen(log_), 0);
    app_ = std::make_unique<cVkConsoleApp>();
  }
  void TearDown() override {
    app_.reset();
    agent_.Close(log_);
    listener_.Close(log_);
    fs::remove_all(dir_);
  }

  // Opens a viewer of the stand-in agent and accepts its connection.
  CChildView* Connect() {
    VkConsoleOptions options;
    options.host = u"127.0.0.1";
    options.updatePort = listener_.LocalPort();
    options.user = u"alice";
    EXPECT_EQ(app_->Start(options, u"secret"), 0);
    bool readable = false;
    EXPECT_TRUE(Until([&] {
      listener_.IsReadable(&readable);
      return readable;
    }));
    EXPECT_EQ(listener_.Accept(log_, agent_), 0);
    uint8_t head[4];
    EXPECT_EQ(agent_.ReceiveAll(head, 4), 0);
    std::vector<uint8_t> rest(vk::ReadLe32(head) - 4);
    EXPECT_EQ(agent_.ReceiveAll(rest.data(), rest.size()), 0);
    CMainFrame* frame = app_->MainFrame();
    return frame->Viewers().isEmpty() ? nullptr : frame->Viewers().first()->View();
  }
  void Send(const AgentWire& wire) { ASSERT_EQ(agent_.SendAll(wire.bytes.data(), wire.bytes.size()), 0); }
  cVkErrorDialog* ErrorDialog(CChildView* view) {
    cVkErrorDialog* found = nullptr;
    Until([&] {
      found = view->findChild<cVkErrorDialog*>();
      return found != nullptr && found->isVisible();
    });
    return found;
  }

  static QApplication* application_;
  fs::path dir_;
  cOrkLog log_;
  cVkSocket listener_{1};
  cVkSocket agent_{1};
  std::unique_ptr<cVkConsoleApp> app_;
};

QApplication* ConsoleWindows::application_ = nullptr;

TEST_F(ConsoleWindows, BadInputFromTheAgentEndsTheSessionAndKeepsThePicture) {
  CChildView* view = Connect();
  ASSERT_NE(view, nullptr);
  AgentWire good;
  good.Format(120, 80);
  good.Update({{0, 0, 120, 80}}, 0x00FF0000);
  good.Cursor(1);
  Send(good);
  ASSERT_TRUE(Until([&] { return !view->Image().isNull() && view->Image().pixel(119, 79) == 0xFFFF0000u; }));
  EXPECT_TRUE(Until([&] { return view->CurrentCursor() == 32513; }));  // the I-beam
  EXPECT_TRUE(view->IsRunning());

  AgentWire bad;
  bad.Update({{100, 70, 130, 90}}, 0x0000FF00);  // reaches past the screen
  Send(bad);
  cVkErrorDialog* dialog = ErrorDialog(view);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ViewKeeper Error - Error"));
  EXPECT_TRUE(dialog->MessageText().startsWith(QStringLiteral("A connection with computer '127.0.0.1' failed.")));
  const std::string log = LogText(dialog->Log());
  EXPECT_NE(log.find("sections inside the screen of 120x80"), std::string::npos) << log;
  EXPECT_NE(log.find("An error has occurred while receiving the screendata buffer data."), std::string::npos);
  EXPECT_EQ(view->Image().pixel(119, 79), 0xFFFF0000u);  // the last picture stays
  EXPECT_FALSE(view->IsRunning());
  EXPECT_EQ(view->TreeState(), kStateFailed);
  dialog->accept();
}

TEST_F(ConsoleWindows, CursorIndexOutsideTheListShowsTheArrow) {
  CChildView* view = Connect();
  ASSERT_NE(view, nullptr);
  AgentWire wire;
  wire.Format(16, 16);
  wire.Cursor(13);
  Send(wire);
  ASSERT_TRUE(Until([&] { return view->CurrentCursor() == 32649; }));  // the hand
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
  AgentWire outside;
  outside.Cursor(16);
  Send(outside);
  ASSERT_TRUE(Until([&] { return view->CurrentCursor() == 32512; }));
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ConsoleWindows, ClosingTheMainWindowKeepsPlacementAndConnections) {
  CChildView* view = Connect();
  ASSERT_NE(view, nullptr);
  CMainFrame* frame = app_->MainFrame();
  frame->MdiArea()->setActiveSubWindow(frame->Viewers().first());
  frame->SetScaleMode(kColorOnColor);
  frame->close();
  QSettings settings;
  EXPECT_TRUE(settings.contains(QStringLiteral("MainWnd/showCmd")));
  EXPECT_TRUE(settings.contains(QStringLiteral("MainWnd/rcNormalPositionRight")));
  EXPECT_EQ(settings.value(QStringLiteral("MainWnd/Browse tree")).toInt(), 1);
  cVkConnectionManager saved;
  ASSERT_EQ(saved.Load(app_->State().dataFolder + u"Connections.dat"), 0);
  ASSERT_NE(saved.Find(u"127.0.0.1"), nullptr);
  EXPECT_EQ(saved.Find(u"127.0.0.1")->scaleMode, kColorOnColor);
  EXPECT_EQ(saved.Find(u"127.0.0.1")->placement.length, 44u);
  EXPECT_TRUE(saved.Find(u"127.0.0.1")->password.empty());
}

TEST_F(ConsoleWindows, DialogsShowWhatTheyAreGiven) {
  {
    cVkProgressDialog progress(nullptr);
    progress.ShowProgress(std::u16string(1500, u'x'));
    EXPECT_EQ(progress.ProgressText().size(), 1024);
    progress.ShowProgress(std::u16string(u"bad\0text", 8));
    EXPECT_EQ(progress.ProgressText(), QStringLiteral("-- Invalid info string. --"));
  }
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.LogMsg(LOG_ERROR, 10061, u"Error connecting to pc on port 48384. Errorcode %ld.", 10061);
  log.LogMsg(LOG_WARNING, u"The connection was closed by the remote machine.");
  cVkLogDialog dialog(nullptr, log);
  QTreeWidget* list = dialog.List();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Date/Time"));
  EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("10061"));
  EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("The connection was closed by the remote machine."));
  const QString path = QString::fromStdString((dir_ / "ViewKeeper.log").string());
  ASSERT_EQ(dialog.SaveTo(path), 0);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("Error connecting to pc on port 48384. Errorcode 10061. (10061)")) << text.toStdString();
  EXPECT_TRUE(text.contains("Log session started at"));

  cVkComputerNameDialog names(nullptr);
  EXPECT_FALSE(names.OkButton()->isEnabled());
  names.NamesField()->setText(QStringLiteral("alpha, beta,,gamma"));
  EXPECT_TRUE(names.OkButton()->isEnabled());
  EXPECT_EQ(names.Names(), (QStringList{"alpha", "beta", "gamma"}));
}

}  // namespace

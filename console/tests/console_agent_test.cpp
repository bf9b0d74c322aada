// End to end: deskagent on a private Xvfb (accounts through the PAM and NSS
// test wrappers) and the console's main window, offscreen, viewing it. The
// viewer's picture must equal the agent's screen pixel for pixel, follow
// changes, carry a key and a click to an X client on the agent's display,
// fit scaled modes keeping the aspect ratio, and show the agent's own
// reasons when the agent ends the session.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/socket/socket.h"
#include "console/ui/child_frame.h"
#include "console/ui/child_view.h"
#include "console/ui/console_app.h"
#include "console/ui/error_dialog.h"
#include "console/ui/main_frame.h"
#include "platform/core/text.h"
#include "platform/testing/child_process.h"
#include "platform/x11/testing/x_drawing.h"
#include "platform/x11/testing/xvfb_server.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vk::testing::ChildProcess;
using vk::testing::XvfbServer;
using vk::x11::testing::XDrawing;

constexpr int kWidth = 640, kHeight = 400;

uint16_t FreePort(int type) {
  cOrkLog log;
  cVkSocket socket(1);
  if (socket.Create(log, type) != 0 || socket.Bind(log, 0) != 0) return 0;
  const uint16_t port = socket.LocalPort();
  socket.Close(log);
  return port;
}

// Settings.dat: the defaults with both ports chosen by the test (tray silent).
std::vector<uint8_t> SettingsFile(uint16_t port, uint16_t inputPort) {
  auto lo = [](uint16_t v) { return static_cast<uint8_t>(v); };
  auto hi = [](uint16_t v) { return static_cast<uint8_t>(v >> 8); };
  return {1,
          0,
          0,
          0,
          1,
          0,
          0,
          0,
          2,
          0,
          lo(port),
          hi(port),
          2,
          0,
          lo(inputPort),
          hi(inputPort),
          1,
          0,
          0,
          0,
          0x0B,
          0,
          0,
          0,
          2,
          0,
          0,
          0,
          0xFF,
          0xFF,
          0xFF,
          0xFF,
          0xE8,
          3,
          0,
          0,
          100,
          0,
          0,
          0,
          6,
          0,
          0,
          0,
          1,
          0,
          0,
          0,
          1,
          0,
          0,
          0};
}

// Processes events until `done` holds or the deadline passes.
bool Until(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QTest::qWait(10);
  }
  return true;
}

class ConsoleWithAgent : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "console_agent_test";
    static char* argv[] = {name, nullptr};
    application_ = new QApplication(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvalline"));
    QCoreApplication::setApplicationName(QStringLiteral("ViewKeeper"));
  }
  static void TearDownTestSuite() { delete application_; }

  void SetUp() override {
    // The account wrappers (and under the sanitizers their runtime) are for
    // the agent alone.
    if (const char* preload = std::getenv("LD_PRELOAD")) preload_ = preload;
    unsetenv("LD_PRELOAD");
    dir_ = fs::temp_directory_path() / ("vk-console-e2e-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_ / "registry");
    fs::create_directories(dir_ / "settings");
    fs::create_directories(dir_ / "home");
    setenv("XDG_DATA_HOME", (dir_ / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "home").c_str(), 1);
    port_ = FreePort(vk::net::kStream);
    inputPort_ = FreePort(vk::net::kDatagram);
    ASSERT_NE(port_, 0);
    const auto settings = SettingsFile(port_, inputPort_);
    std::ofstream(dir_ / "settings" / "Settings.dat", std::ios::binary)
        .write(reinterpret_cast<const char*>(settings.data()), static_cast<std::streamsize>(settings.size()));
    std::ofstream(dir_ / "registry" / "HKLM.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Locations]\r\n"
        << "\"SettingsPath\"=\"" << (dir_ / "settings").string() << "/\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvalline\\ViewKeeper\\Service\\Settings]\r\n"
        << "\"Administrators\"=\"alice\"\r\n\"Operators\"=\"\"\r\n\"Users\"=\"\"\r\n";
    xvfb_ = std::make_unique<XvfbServer>(kWidth, kHeight);
    ASSERT_TRUE(xvfb_->Running());
    x_ = std::make_unique<XDrawing>();
    ASSERT_TRUE(x_->Connected());
    x_->PatternRoot(0, 0, kWidth, kHeight, 7);
    agent_ = std::make_unique<ChildProcess>(
        DESKAGENT_PATH,
        std::map<std::string, std::string>{{"VIEWKEEPER_REGISTRY_DIR", (dir_ / "registry").string()},
                                           {"LD_PRELOAD", preload_},
                                           {"LSAN_OPTIONS", "suppressions=" LSAN_SUPPRESSIONS}},
        (dir_ / "agent.err").string());
    ASSERT_TRUE(agent_->Started());
    // Connect once the agent listens, as an operator would.
    ASSERT_TRUE(Until(
        [&] { return vk::testing::ReadFileText((dir_ / "agent.err").string()).find("READY=1") != std::string::npos; }));
    app_ = std::make_unique<cVkConsoleApp>();
  }
  void TearDown() override {
    app_.reset();
    if (agent_) {
      agent_->Signal(SIGTERM);
      agent_->Wait(20s);
    }
    agent_.reset();
    x_.reset();
    xvfb_.reset();
    fs::remove_all(dir_);
    if (!preload_.empty()) setenv("LD_PRELOAD", preload_.c_str(), 1);
  }

  // Opens a viewer of the agent with these logon data; the first viewer.
  CChildView* Connect(const std::string& password) {
    VkConsoleOptions options;
    options.host = u"127.0.0.1";
    options.updatePort = port_;
    options.inputPort = inputPort_;
    options.user = u"alice";
    EXPECT_EQ(app_->Start(options, vk::FromUtf8(password)), 0);
    CMainFrame* frame = app_->MainFrame();
    frame->resize(1000, 700);
    EXPECT_TRUE(Until([&] { return !frame->Viewers().isEmpty(); }));
    return frame->Viewers().isEmpty() ? nullptr : frame->Viewers().first()->View();
  }
  // The agent's screen in the image's pixel format.
  QImage Screen() {
    const std::vector<uint32_t> pixels = x_->ReadRoot(0, 0, kWidth, kHeight);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) image.setPixel(x, y, 0xFF000000u | pixels[y * kWidth + x]);
    return image;
  }
  bool ShowsTheScreen(CChildView* view) {
    const bool same = Until([&] { return !view->Image().isNull() && view->Image() == Screen(); });
    if (!same && std::getenv("VK_TEST_KEEP_IMAGES")) {
      view->Image().save(QStringLiteral("/tmp/vk-viewer.png"));
      Screen().save(QStringLiteral("/tmp/vk-screen.png"));
    }
    return same;
  }
  cVkErrorDialog* ErrorDialog() {
    cVkErrorDialog* found = nullptr;
    Until([&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<cVkErrorDialog*>(w); d && d->isVisible()) found = d;
      return found != nullptr;
    });
    return found;
  }
  static std::string LogText(cOrkLog& log) {
    std::u16string all;
    char16_t text[1100];
    uint32_t index = 0, type = 0;
    int32_t time = 0, code = 0;
    while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, text, 1100) == 0)
      all += std::u16string(text) + u"\n";
    return vk::ToUtf8(all);
  }

  static QApplication* application_;
  fs::path dir_;
  uint16_t port_ = 0, inputPort_ = 0;
  std::string preload_;
  std::unique_ptr<XvfbServer> xvfb_;
  std::unique_ptr<XDrawing> x_;
  std::unique_ptr<ChildProcess> agent_;
  std::unique_ptr<cVkConsoleApp> app_;
};

QApplication* ConsoleWithAgent::application_ = nullptr;

TEST_F(ConsoleWithAgent, ViewerShowsTheScreenFollowsChangesAndCarriesInput) {
  // An X client on the agent's display that reports what reaches it.
  const fs::path events = dir_ / "xev.txt";
  ChildProcess recorder("/bin/sh", {}, (dir_ / "xev.err").string(),
                        {"-c", "exec xev -geometry 200x150+300+200 -event keyboard -event button -event structure > '" +
                                   events.string() + "'"});
  ASSERT_TRUE(recorder.Started());
  auto eventsText = [&] {
    std::ifstream in(events);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  ASSERT_TRUE(Until([&] { return eventsText().find("MapNotify") != std::string::npos; })) << eventsText();

  CChildView* view = Connect("alice-secret");
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(ShowsTheScreen(view)) << vk::testing::ReadFileText((dir_ / "agent.err").string());
  EXPECT_EQ(view->RemoteSize(), QSize(kWidth, kHeight));

  x_->FillRoot(20, 30, 100, 50, 0x00C03060);  // a change on the agent's screen
  EXPECT_TRUE(ShowsTheScreen(view));

  // 1:1: window coordinates are remote coordinates.
  QWidget* surface = view->viewport();
  QTest::mouseMove(surface, QPoint(350, 260));
  QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, QPoint(350, 260));
  QTest::keyClick(view, Qt::Key_Q);
  QTest::keyClick(view, Qt::Key_F4);  // never forwarded
  QTest::keyClick(view, Qt::Key_W);
  ASSERT_TRUE(Until([&] { return eventsText().find("keysym 0x77, w") != std::string::npos; })) << eventsText();
  const std::string seen = eventsText();
  EXPECT_NE(seen.find("ButtonPress"), std::string::npos);
  EXPECT_NE(seen.find("root:(350,260),\n    state 0x0, button 1"), std::string::npos) << seen;
  EXPECT_NE(seen.find("keysym 0x71, q"), std::string::npos);
  EXPECT_EQ(seen.find("F4"), std::string::npos);
  recorder.Signal(SIGTERM);

  // Scaled: the whole picture fits, aspect ratio kept.
  CMainFrame* frame = app_->MainFrame();
  frame->MdiArea()->setActiveSubWindow(frame->Viewers().first());
  frame->SetScaleMode(kHalfTone);
  const VkViewLayout& layout = view->Layout();
  const QSize client = surface->size();
  EXPECT_TRUE(std::abs(layout.scale - static_cast<double>(kWidth) / client.width()) < 1e-9 ||
              std::abs(layout.scale - static_cast<double>(kHeight) / client.height()) < 1e-9);
  EXPECT_LE(kWidth / layout.scale, client.width() + 1e-6);
  EXPECT_LE(kHeight / layout.scale, client.height() + 1e-6);
  const QImage painted = surface->grab().toImage();
  const QPoint corner(static_cast<int>(kWidth / layout.scale) - 2, static_cast<int>(kHeight / layout.scale) - 2);
  const QColor expected = view->Image().pixelColor(static_cast<int>(corner.x() * layout.scale),
                                                   static_cast<int>(corner.y() * layout.scale));
  EXPECT_NE(painted.pixelColor(corner), surface->palette().window().color());
  EXPECT_NEAR(painted.pixelColor(corner).red(), expected.red(), 120);
}

TEST_F(ConsoleWithAgent, AgentEndingTheSessionShowsItsLogAndKeepsThePicture) {
  CChildView* view = Connect("alice-secret");
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(ShowsTheScreen(view));
  const QImage last = view->Image();
  agent_->Signal(SIGTERM);  // the agent stops: the session ends from its side
  cVkErrorDialog* dialog = ErrorDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ViewKeeper Error - Connection closed"));
  EXPECT_TRUE(dialog->MessageText().startsWith(QStringLiteral("A connection with computer '127.0.0.1' failed.")));
  EXPECT_NE(LogText(dialog->Log()).find("The connection was closed by the remote machine."), std::string::npos);
  EXPECT_EQ(view->Image(), last);
  EXPECT_FALSE(view->IsRunning());
  dialog->accept();
}

TEST_F(ConsoleWithAgent, ARefusedLogonShowsTheAgentsReason) {
  CChildView* view = Connect("wrong-password");
  ASSERT_NE(view, nullptr);
  cVkErrorDialog* dialog = ErrorDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ViewKeeper Error - Connection closed"));
  const std::string log = LogText(dialog->Log());
  EXPECT_NE(log.find("Error authenticating 'alice'."), std::string::npos) << log;
  EXPECT_NE(log.find("The connection was closed by the remote machine."), std::string::npos);
  EXPECT_EQ(log.find("wrong-password"), std::string::npos);
  EXPECT_TRUE(view->Image().isNull());
  dialog->accept();
}

}  // namespace

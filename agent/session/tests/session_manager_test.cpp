#include "agent/session/session_manager.h"

#include <gtest/gtest.h>

#include <future>

#include "common/protocol/auth_block.h"
#include "agent/session/session_pending.h"
#include "platform/net/socket_calls.h"
#include "platform/security/access_check.h"
#include "agent/session/tests/session_info_object.h"
#include "agent/service/log_sink.h"
#include "agent/session/tests/session_test_support.h"

namespace vk {
namespace {

constexpr uint32_t kLoopback2 = 0x0200007F;  // 127.0.0.2, network order

// A client that connects from a given loopback address and sends nothing.
class IdleClient {
 public:
  explicit IdleClient(uint32_t address) {
    net::OpenSocket(net::kStream, &handle_);
    net::BindAddress(handle_, address, 0);
  }
  ~IdleClient() { net::CloseSocket(handle_); }
  bool Connect(uint16_t port) { return net::ConnectTo(handle_, 0x0100007F, port) == 0; }
  // Whether the agent has closed the connection (within 2 s).
  bool ClosedByAgent() {
    bool readable = false;
    if (net::WaitReadable(handle_, 2, 0, &readable) != 0 || !readable) return false;
    uint8_t byte = 0;
    size_t got = 0;
    return net::RecvSome(handle_, &byte, 1, &got) != 0 || got == 0;
  }

 private:
  net::SocketHandle handle_ = 0;
};

using namespace vk::testing;
using namespace std::chrono_literals;

class SessionManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetThreadStopPollInterval(10ms);
    port_ = reservedPort_.Port();
    ASSERT_NE(port_, 0);
    screen_.makeInfo = [] { return MakeInfoObject(u"format"); };
  }
  void TearDown() override {
    if (manager_) {
      cOrkLog log;
      EXPECT_EQ(manager_->Stop(log), 0);
    }
  }
  cVkSessionManager& Manager(uint16_t mode = 2) {
    cVkSessionParts parts;
    parts.logon = &logon_;
    parts.tray = &tray_;
    parts.input = &input_;
    parts.screen = &screen_;
    parts.settings = [this, mode] { return cVkSessionSettings{mode, port_}; };
    parts.logFile = &fileSink_;
    manager_ = std::make_unique<cVkSessionManager>(std::move(parts));
    return *manager_;
  }
  void StartManager() {
    cOrkLog log;
    ASSERT_EQ(Manager().Start(log), 0);
  }
  // Connects (retrying while the listener comes up) and authenticates.
  void Open(Console& console, std::u16string user = u"alice", std::u16string password = u"secret") {
    ASSERT_TRUE(progress_.WaitUntil([&] { return console.Connect(port_); }, 20s));
    ASSERT_EQ(console.Send(BuildAuthBlock(user, u"", password)), 0);
  }
  // Reads until the screen format arrives.
  void ExpectFormat(Console& console) {
    Message m;
    ASSERT_EQ(console.Read(m), 0);
    EXPECT_EQ(m.type, kObjectMessage);
    EXPECT_TRUE(HoldsText(m.payload, u"format"));
  }

  Progress progress_;
  FakeLogon logon_{progress_};
  FakeTray tray_{progress_};
  FakeInput input_;
  FakeScreen screen_{progress_};
  // Counts what the agent would have written to its log file.
  struct CountingSink : iVkLogSink {
    std::atomic<int> writes{0};
    void AppendLogToFile(cOrkLog& log) override {
      ++writes;
      log.Clear();
    }
  } fileSink_;
  ReservedPort reservedPort_;
  uint16_t port_ = 0;
  std::unique_ptr<cVkSessionManager> manager_;
};

TEST_F(SessionManagerTest, ServesFormatUpdatesAndCursorThenEndsCleanly) {
  StartManager();
  Console console;
  Open(console);
  ExpectFormat(console);
  EXPECT_EQ(logon_.lastDomain, u".");  // an empty domain means this computer
  EXPECT_EQ(logon_.lastDesired, vk::MAXIMUM_ALLOWED);
  // the whole screen follows a new format
  EXPECT_TRUE(progress_.WaitUntil([&] { return screen_.fullScreens.load() == 1; }));
  EXPECT_EQ(screen_.cursorRebuilds.load(), 1);
  EXPECT_EQ(input_.viewerAddress.load(), 0x0100007Fu);
  EXPECT_EQ(input_.grantedMask.load(), 3u);

  bool connected = false;
  std::u16string viewer;
  uint32_t address = 0;
  {
    const cVkViewerInfo info = manager_->GetViewerInfo();
    connected = info.connected;
    viewer = info.viewerName;
    address = info.address;
  }
  EXPECT_TRUE(connected);
  EXPECT_EQ(viewer, u".\\alice");
  EXPECT_EQ(address, 0x0100007Fu);
  cOrkLog log;
  uint32_t granted = 0;
  EXPECT_EQ(manager_->ImpersonateViewer(log, &granted), 0);
  EXPECT_EQ(granted, 3u);

  screen_.updating = true;
  Message m;
  ASSERT_EQ(console.Read(m), 0);
  EXPECT_EQ(m.type, kUpdateMessage);
  EXPECT_EQ(m.payload, std::vector<uint8_t>(16, 0x5A));
  screen_.updating = false;
  screen_.cursorIndex = 7;
  do ASSERT_EQ(console.Read(m), 0);
  while (m.type == kUpdateMessage);
  EXPECT_EQ(m.type, kCursorMessage);
  EXPECT_EQ(m.value, 7u);

  console.Close();  // the next send fails and the session ends
  screen_.updating = true;
  ASSERT_TRUE(progress_.WaitUntil([&] { return screen_.screenStops.load() == 1; }));
  ASSERT_TRUE(progress_.WaitUntil([&] { return input_.stops.load() == 1; }));
  {
    const cVkViewerInfo info = manager_->GetViewerInfo();
    connected = info.connected;
    viewer = info.viewerName;
    address = info.address;
  }
  EXPECT_FALSE(connected);
  EXPECT_TRUE(viewer.empty());
  EXPECT_NE(manager_->ImpersonateViewer(log, &granted), 0);
}

TEST_F(SessionManagerTest, ConsoleThatHangsUpOnAStillScreenFreesTheSession) {
  StartManager();
  Console first;
  Open(first);
  ExpectFormat(first);
  first.Close();  // nothing changes on the screen, so nothing is ever sent
  ASSERT_TRUE(progress_.WaitUntil([&] { return screen_.screenStops.load() == 1; }));
  Console next;
  Open(next);
  ExpectFormat(next);
}

TEST_F(SessionManagerTest, RefusesEveryMalformedBlockAndServesTheNextConsole) {
  StartManager();
  auto block = [](std::vector<uint8_t> payload) {
    std::vector<uint8_t> b;
    AppendLe32(b, static_cast<uint32_t>(payload.size() + 4));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
  };
  const auto good = BuildAuthBlock(u"alice", u"", u"secret");
  std::vector<uint8_t> tooLong;
  AppendLe32(tooLong, 5005);
  std::vector<uint8_t> unterminated = good;
  unterminated[4 + 4 + 10] = 'x';  // the user name's zero
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::u16string message;
  } cases[] = {
      {"total above 5004", tooLong, u"Authentication buffer to long."},
      {"lengths past the block", block({0x40, 0, 0, 0, 'a', 0, 0, 0}), u"Error authenticating ''."},
      {"odd length", block({0x03, 0, 0, 0, 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), u"Error authenticating ''."},
      {"missing terminator", unterminated, u"Error authenticating ''."},
      {"empty block", block({}), u"Error authenticating ''."},
  };
  for (const Case& c : cases) {
    Console console;
    ASSERT_TRUE(progress_.WaitUntil([&] { return console.Connect(port_); })) << c.what;
    ASSERT_EQ(console.Send(c.bytes), 0) << c.what;
    Message log;
    ASSERT_TRUE(console.ReadsLogThenClose(log)) << c.what;
    EXPECT_TRUE(HoldsText(log.payload, c.message)) << c.what;
    EXPECT_TRUE(HoldsText(log.payload, u"An error has occurred while authenticating the client.")) << c.what;
  }
  // A block that promises more bytes than it brings, then hangs up.
  {
    Console console;
    ASSERT_TRUE(progress_.WaitUntil([&] { return console.Connect(port_); }));
    std::vector<uint8_t> shortBlock(good.begin(), good.end() - 6);
    ASSERT_EQ(console.Send(shortBlock), 0);
    console.Close();
  }
  EXPECT_EQ(logon_.calls.load(), 0);
  Console next;
  Open(next);
  ExpectFormat(next);
}

TEST_F(SessionManagerTest, WrongPasswordIsRefusedAndNeverLogged) {
  StartManager();
  Console console;
  Open(console, u"alice", u"hunter2-wrong");
  Message log;
  ASSERT_TRUE(console.ReadsLogThenClose(log));
  EXPECT_TRUE(HoldsText(log.payload, u"Error authenticating 'alice'. Errorcode 1326."));
  EXPECT_FALSE(HoldsText(log.payload, u"hunter2"));
  EXPECT_TRUE(HoldsText(log.payload, u"The failed logon came from 127.0.0.1. Errorcode 1326."));
  EXPECT_EQ(screen_.screenStarts.load(), 0);
}

TEST_F(SessionManagerTest, ControlCharactersOfAUserNameReachTheLogEscaped) {
  StartManager();
  Console console;
  Open(console,
       u"\x1b]0;owned\x07"
       u"eve\r\n",
       u"wrong");
  Message log;
  ASSERT_TRUE(console.ReadsLogThenClose(log));
  EXPECT_TRUE(HoldsText(log.payload, u"Error authenticating '\\x1B]0;owned\\x07eve\\r\\n'. Errorcode 1326."));
  EXPECT_FALSE(HoldsText(log.payload, u"\x1b"));
}

TEST_F(SessionManagerTest, OneSessionAtATime) {
  StartManager();
  Console first;
  Open(first);
  ExpectFormat(first);
  Console second;
  Open(second);
  // The first session keeps cycling while the second console waits in the backlog.
  const int cycles = screen_.cycles.load();
  ASSERT_TRUE(progress_.WaitUntil([&] { return screen_.cycles.load() >= cycles + 5; }));
  EXPECT_EQ(logon_.calls.load(), 1);
  first.Close();
  ExpectFormat(second);
  EXPECT_EQ(logon_.calls.load(), 2);
}

TEST_F(SessionManagerTest, ConsentRefusedOrWithdrawn) {
  tray_.allowed = false;
  StartManager();
  {
    Console console;
    Open(console);
    Message log;
    ASSERT_TRUE(console.ReadsLogThenClose(log));
    EXPECT_TRUE(HoldsText(log.payload, u"The user has denied the request to remotely view the desktop. Errorcode 5."));
  }
  tray_.allowed = true;
  Console console;
  Open(console);
  ExpectFormat(console);
  const int writes = fileSink_.writes.load();
  tray_.allowed = false;
  Message log;
  ASSERT_TRUE(console.ReadsLogThenClose(log));
  EXPECT_TRUE(HoldsText(log.payload, u"The remote user has denied remote access to his desktop. Errorcode 0."));
  // A withdrawal is no failure: nothing goes to the agent's log file.
  ASSERT_TRUE(progress_.WaitUntil([&] { return screen_.screenStops.load() == 2 || screen_.screenStops.load() == 1; }));
  EXPECT_EQ(fileSink_.writes.load(), writes);
}

TEST_F(SessionManagerTest, GoesOnWithoutInputWhenTheInputHandlerFails) {
  input_.startResult = 10048;
  StartManager();
  Console console;
  Open(console);
  ExpectFormat(console);
  EXPECT_GE(fileSink_.writes.load(), 1);  // the input failure was written to the file
}

TEST_F(SessionManagerTest, DisabledUpdateModeDoesNotListen) {
  cOrkLog log;
  ASSERT_EQ(Manager(1).Start(log), 0);
  ASSERT_EQ(manager_->Stop(log), 0);  // the thread ended at once
  Console console;
  EXPECT_FALSE(console.Connect(port_));
  manager_.reset();
}

TEST_F(SessionManagerTest, SilentConsoleDoesNotBlockStop) {
  StartManager();
  Console console;
  ASSERT_TRUE(progress_.WaitUntil([&] { return console.Connect(port_); }));
  ASSERT_TRUE(progress_.WaitUntil([&] { return manager_->PendingConnections() == 1; }));
  // The stop must not wait out the 30 s the console has for its block.
  auto stopped = std::async(std::launch::async, [this] {
    cOrkLog log;
    return manager_->Stop(log);
  });
  ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(stopped.get(), 0);
  manager_.reset();
}

TEST_F(SessionManagerTest, ConsoleThatStopsReadingDoesNotBlockStop) {
  screen_.updateBytes = 8 << 20;
  StartManager();
  Console console;
  Open(console);
  ExpectFormat(console);
  screen_.updating = true;
  // An 8 MiB message cannot be sent to a console that reads nothing: the
  // session blocks in its send.
  ASSERT_TRUE(progress_.WaitUntil([&] { return screen_.sendsStarted.load() >= 1; }));
  cOrkLog log;
  EXPECT_EQ(manager_->Stop(log), 0);
  manager_.reset();
}

TEST_F(SessionManagerTest, SilentConsoleLosesItsTurnAfterTheAuthenticationTimeout) {
  Manager().SetAuthenticationTimeout(300ms);
  cOrkLog log;
  ASSERT_EQ(manager_->Start(log), 0);
  Console silent;
  ASSERT_TRUE(progress_.WaitUntil([&] { return silent.Connect(port_); }));
  // The console that sends its block is served first; the silent one is
  // refused once its time is over.
  Console next;
  Open(next);
  ExpectFormat(next);
  next.Close();
  Message m;
  ASSERT_TRUE(silent.ReadsLogThenClose(m));
  EXPECT_TRUE(HoldsText(m.payload, u"Error receiving authentication buffer length. Errorcode 10060."));
}

TEST_F(SessionManagerTest, TwentyIdleConnectionsDoNotKeepAConsoleOut) {
  StartManager();
  // Twenty clients from another address connect and send nothing.
  std::vector<std::unique_ptr<IdleClient>> idle;
  for (int i = 0; i < 20; ++i) {
    idle.push_back(std::make_unique<IdleClient>(kLoopback2));
    ASSERT_TRUE(progress_.WaitUntil([&] { return idle.back()->Connect(port_); }));
  }
  // That address holds only its share of the slots (its first clients);
  // the others are closed at once.
  for (size_t i = kMaxPendingPerAddress; i < idle.size(); ++i) EXPECT_TRUE(idle[i]->ClosedByAgent()) << i;
  EXPECT_EQ(manager_->PendingConnections(), kMaxPendingPerAddress);
  // A real console is served at once: it would give up after two seconds.
  Console console;
  ASSERT_TRUE(progress_.WaitUntil([&] { return console.Connect(port_); }));
  console.SetReceiveTimeout(2000);
  ASSERT_EQ(console.Send(BuildAuthBlock(u"alice", u"", u"secret")), 0);
  ExpectFormat(console);
}

TEST_F(SessionManagerTest, UnserialisableFormatSendsNothingAndEndsWithTheLog) {
  screen_.makeInfo = [] { return MakeUnwritableObject(); };
  StartManager();
  Console console;
  Open(console);
  Message log;
  ASSERT_TRUE(console.ReadsLogThenClose(log));  // no object message came first
  EXPECT_TRUE(HoldsText(log.payload, u"Error sending info to the client."));
}

}  // namespace
}  // namespace vk

// The two channels of a viewer against a stand-in agent on loopback: the
// authentication bytes, the agent's messages reaching the screen copy and
// the window, the agent ending the session, the operator closing it, a
// refused connection, and the input records as datagrams.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "common/archive/register_archive.h"
#include "common/archive/tests/test_bytes.h"
#include "common/mfclog/mfc_log.h"
#include "common/screen/register_screen.h"
#include "common/socket/socket.h"
#include "common/viewer/tests/agent_wire.h"
#include "console/core/sockets_thread.h"
#include "console/core/update_socket.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

using namespace std::chrono_literals;
using vktest::AgentWire;
using vktest::Hex;

// The window's side: every posted message, in order.
class Mailbox : public iVkViewerWindow {
 public:
  void PostViewerMessage(uint32_t message, uint32_t wParam) override {
    std::lock_guard guard(mutex_);
    messages_.push_back({message, wParam});
    changed_.notify_all();
  }
  bool WaitFor(uint32_t message, uint32_t wParam = ~0u, std::chrono::seconds limit = 10s) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return Seen(message, wParam); });
  }
  int Count(uint32_t message) {
    std::lock_guard guard(mutex_);
    int n = 0;
    for (const auto& m : messages_) n += m.first == message;
    return n;
  }
  std::vector<uint32_t> States() {
    std::lock_guard guard(mutex_);
    std::vector<uint32_t> states;
    for (const auto& m : messages_)
      if (m.first == UM_TREE_STATE) states.push_back(m.second);
    return states;
  }

 private:
  bool Seen(uint32_t message, uint32_t wParam) {
    for (const auto& m : messages_)
      if (m.first == message && (wParam == ~0u || m.second == wParam)) return true;
    return false;
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<uint32_t, uint32_t>> messages_;
};

std::u16string AllText(cOrkLog& log) {
  std::u16string all;
  for (const cOrkLogMessage& m : log.GetMessages()) all += m.text + u"\n";
  return all;
}

class Channels : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterScreenClasses();
    VkRegisterMfcLogClasses();
    ASSERT_EQ(listener_.Create(log_, vk::net::kStream), 0);
    ASSERT_EQ(listener_.Bind(log_, 0), 0);
    ASSERT_EQ(listener_.Listen(log_), 0);
    record_.computerName = u"agent-pc";
    record_.address = 0x0100007F;
    record_.updatePort = listener_.LocalPort();
    record_.userName = u"ab";
    record_.password = u"pw";
  }
  void TearDown() override {
    agent_.Close(log_);
    listener_.Close(log_);
  }
  // Accepts the console and reads its authentication block.
  std::vector<uint8_t> AcceptAndReadAuth() {
    bool readable = false;
    for (int i = 0; i < 4 && !readable; ++i) listener_.IsReadable(&readable);
    EXPECT_TRUE(readable);
    EXPECT_EQ(listener_.Accept(log_, agent_), 0);
    std::vector<uint8_t> block(4);
    EXPECT_EQ(agent_.ReceiveAll(block.data(), 4), 0);
    const uint32_t total = vk::ReadLe32(block.data());
    if (total < 4 || total > 5004) return block;
    block.resize(total);
    EXPECT_EQ(agent_.ReceiveAll(block.data() + 4, total - 4), 0);
    return block;
  }
  void Send(const AgentWire& wire) { ASSERT_EQ(agent_.SendAll(wire.bytes.data(), wire.bytes.size()), 0); }

  cOrkLog log_;
  cVkSocket listener_{1};
  cVkSocket agent_{1};
  cVkConnectionInfo record_;
  std::shared_ptr<cVkScreenBuffer> screen_ = std::make_shared<cVkScreenBuffer>();
  Mailbox mailbox_;
  std::shared_ptr<cVkViewerPort> port_ = std::make_shared<cVkViewerPort>(&mailbox_);
};

TEST_F(Channels, AuthenticatesThenAppliesTheAgentsMessagesUntilItCloses) {
  cVkUpdateSocket updates(screen_, port_);
  cOrkLog log;
  ASSERT_EQ(updates.StartConnection(log, record_, nullptr), 0);
  EXPECT_EQ(AcceptAndReadAuth(), Hex("1C000000 06000000 61006200 0000 00000000 06000000 70007700 0000"));
  ASSERT_TRUE(mailbox_.WaitFor(UM_TREE_STATE, kStateWaiting));
  EXPECT_TRUE(updates.IsRunning());

  AgentWire wire;
  wire.Format(32, 16);
  wire.Update({{1, 1, 3, 2}}, 0x00405060);
  wire.Cursor(16);
  Send(wire);
  ASSERT_TRUE(mailbox_.WaitFor(UM_CURSOR, 16));
  EXPECT_EQ(mailbox_.Count(UM_SCREEN_FORMAT), 1);
  EXPECT_GE(mailbox_.Count(UM_SCREEN_DATA), 1);
  screen_->ReadFrame([](std::span<const uint8_t> frame, const VkScreenGeometry& g, const cVkScreenInfo&) {
    ASSERT_EQ(g.width, 32);
    EXPECT_EQ(vk::ReadLe32(frame.data() + (1 * 32 + 2) * 4), 0x00405060u);
    EXPECT_EQ(vk::ReadLe32(frame.data() + (1 * 32 + 3) * 4), 0u);
  });

  AgentWire closing;
  closing.ClosingLog(u"The remote user has denied remote access to his desktop. Errorcode 0.", 0);
  Send(closing);
  ASSERT_TRUE(mailbox_.WaitFor(UM_CONNECTION_FAILED));
  cOrkLog handed;
  handed.SetMemLogMask(LOG_ALL);
  int32_t code = 0;
  EXPECT_EQ(updates.FinishAfterError(handed, &code), 0);
  EXPECT_EQ(code, -19);
  const std::u16string text = AllText(handed);
  EXPECT_NE(text.find(u"The remote user has denied remote access"), std::u16string::npos);
  EXPECT_NE(text.find(u"The connection was closed by the remote machine."), std::u16string::npos);
  EXPECT_EQ(mailbox_.Count(UM_CONNECTION_FAILED), 1);
  EXPECT_FALSE(updates.IsRunning());
}

TEST_F(Channels, ClosedByTheOperatorReportsNoFailure) {
  cVkUpdateSocket updates(screen_, port_);
  cOrkLog log;
  ASSERT_EQ(updates.StartConnection(log, record_, nullptr), 0);
  AcceptAndReadAuth();
  ASSERT_TRUE(mailbox_.WaitFor(UM_TREE_STATE, kStateWaiting));
  EXPECT_EQ(updates.CloseConnection(log), 0);  // the thread sat in a receive
  EXPECT_FALSE(updates.IsRunning());
  EXPECT_EQ(mailbox_.Count(UM_CONNECTION_FAILED), 0);
  const std::vector<uint32_t> states = mailbox_.States();
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states[states.size() - 2], kStateConnecting);
  EXPECT_EQ(states.back(), kStateClosed);
}

TEST_F(Channels, ARefusedConnectionEndsWithTheAddressInTheLog) {
  record_.updatePort = listener_.LocalPort();
  listener_.Close(log_);  // nobody listens there now
  cVkUpdateSocket updates(screen_, port_);
  cOrkLog log;
  ASSERT_EQ(updates.StartConnection(log, record_, nullptr), 0);
  ASSERT_TRUE(mailbox_.WaitFor(UM_CONNECTION_FAILED));
  cOrkLog handed;
  handed.SetMemLogMask(LOG_ALL);
  int32_t code = 0;
  updates.FinishAfterError(handed, &code);
  EXPECT_EQ(code, 10061);
  EXPECT_NE(AllText(handed).find(u"Error connecting to agent-pc on port"), std::u16string::npos);
}

TEST_F(Channels, InputRecordsTravelAsTwelveByteDatagramsInOrder) {
  cVkSocket receiver(1);
  ASSERT_EQ(receiver.Create(log_, vk::net::kDatagram), 0);
  ASSERT_EQ(receiver.Bind(log_, 0), 0);
  record_.inputPort = receiver.LocalPort();
  cVkSocketsThread input;
  cOrkLog log;
  ASSERT_EQ(input.SetupInputSocket(log, record_, nullptr), 0);
  ASSERT_EQ(input.Start(), 0);
  input.PostInput({WM_KEYDOWN, 'A', 0x001E0001});
  input.PostInput({WM_LBUTTONDOWN, MK_LBUTTON, vk::MakePointParam(300, 200)});
  uint8_t bytes[12];
  uint32_t sender = 0;
  ASSERT_EQ(receiver.ReceiveFrom(bytes, 12, &sender), 0);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 12), Hex("00010000 41000000 01001E00"));
  ASSERT_EQ(receiver.ReceiveFrom(bytes, 12, &sender), 0);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 12), Hex("01020000 01000000 2C01C800"));
  EXPECT_EQ(sender, 0x0100007Fu);
  EXPECT_EQ(input.Stop(log), 0);
  EXPECT_EQ(input.LastError(), 0);
  receiver.Close(log_);
}

}  // namespace

#include "common/mfclog/mfc_log.h"

#include <gtest/gtest.h>

#include "common/archive/archive.h"
#include "common/archive/collection.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/archive/tests/test_bytes.h"
#include "log/orklog.h"
#include "platform/core/testing/allocation_meter.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

namespace {

struct Entry {
  int32_t time;
  uint32_t type;
  int32_t code;
  std::u16string text;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> EntriesOf(cOrkLog& log) {
  std::vector<Entry> out;
  char16_t buffer[4096];
  uint32_t index = 0;
  Entry e{};
  while (log.GetMemMessageEx(&index, 0xFFFF, &e.time, &e.type, &e.code, buffer, 4096) == 0) {
    e.text = buffer;
    out.push_back(e);
  }
  return out;
}

class MfcLog : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterMfcLogClasses();
    VkRegisterClasses<cVkStringData>();
    agent.SetMemLogMask(0xFFFF);
  }
  cOrkLog agent;
};

TEST_F(MfcLog, RecordOfTwoEntries) {
  agent.AddMessage(0x11223344, LOG_ERROR, 5, u"ab");
  agent.AddMessage(7, LOG_WARNING, 0, u"");
  VkRpcBuffer pair;
  ASSERT_EQ(LogToRpcBuffer(agent, pair), 0);
  auto expected =
      Cat({Hex("FFFF 0200 0A00"), Ascii("cOrkMfcLog"), Hex("0200"), Hex("FFFF 0200 0F00"), Ascii("cOrkMfcLogEntry"),
           Hex("01000000 44332211 05000000 FFFEFF 02 6100 6200"), Hex("0380 02000000 07000000 00000000 FFFEFF 00")});
  EXPECT_EQ(std::vector<uint8_t>(pair.bytes, pair.bytes + pair.length), expected);

  cOrkLog console;
  console.SetMemLogMask(0xFFFF);
  ASSERT_EQ(RpcBufferToLog(pair, console), 0);
  EXPECT_EQ(EntriesOf(console), (std::vector<Entry>{{0x11223344, LOG_ERROR, 5, u"ab"}, {7, LOG_WARNING, 0, u""}}));
  VkFreeRpcBuffer(pair);
}

TEST_F(MfcLog, MessagesArriveInOrderWithTheirTimesThroughTheCallersMasks) {
  agent.AddMessage(100, LOG_ERROR, 2, u"first");
  agent.AddMessage(101, LOG_DETAIL, 0, u"detail");
  agent.AddMessage(102, LOG_ERROR, -1, u"outer");
  VkRpcBuffer pair;
  ASSERT_EQ(LogToRpcBuffer(agent, pair), 0);

  cOrkLog console;  // memory mask of a new log: errors only
  console.AddMessage(50, LOG_ERROR, 1, u"own");
  ASSERT_EQ(RpcBufferToLog(pair, console), 0);
  EXPECT_EQ(
      EntriesOf(console),
      (std::vector<Entry>{{50, LOG_ERROR, 1, u"own"}, {100, LOG_ERROR, 2, u"first"}, {102, LOG_ERROR, -1, u"outer"}}));
  VkFreeRpcBuffer(pair);
}

TEST_F(MfcLog, LongTextsAreCutAndEmptyLogsAddNothing) {
  VkRpcBuffer pair;
  ASSERT_EQ(LogToRpcBuffer(agent, pair), 0);
  EXPECT_EQ(std::vector<uint8_t>(pair.bytes, pair.bytes + pair.length),
            Cat({Hex("FFFF 0200 0A00"), Ascii("cOrkMfcLog"), Hex("0000")}));
  cOrkLog console;
  console.SetMemLogMask(0xFFFF);
  ASSERT_EQ(RpcBufferToLog(pair, console), 0);
  EXPECT_TRUE(EntriesOf(console).empty());
  VkFreeRpcBuffer(pair);

  agent.AddMessage(1, LOG_ERROR, 3, std::u16string(2000, u'x'));
  cOrkMfcLog messages(agent);
  ASSERT_EQ(messages.GetSize(), 1u);
  EXPECT_EQ(messages.GetAt(0)->text, std::u16string(1022, u'x'));

  EXPECT_EQ(RpcBufferToLog(VkRpcBuffer{}, console), 0);
  EXPECT_TRUE(EntriesOf(console).empty());
}

TEST_F(MfcLog, OtherSchemaNumbersAreAcceptedAndForeignOrDamagedBuffersRefused) {
  auto record = Cat({Hex("FFFF 0500 0A00"), Ascii("cOrkMfcLog"), Hex("0100"), Hex("FFFF 0100 0F00"),
                     Ascii("cOrkMfcLogEntry"), Hex("04000000 09000000 00000000 03 616263")});
  cOrkLog console;
  console.SetMemLogMask(0xFFFF);
  VkRpcBuffer pair{static_cast<uint32_t>(record.size()), record.data()};
  ASSERT_EQ(RpcBufferToLog(pair, console), 0);
  EXPECT_EQ(EntriesOf(console), (std::vector<Entry>{{9, LOG_INFORMATION, 0, u"abc"}}));

  record.pop_back();
  pair.length = static_cast<uint32_t>(record.size());
  EXPECT_EQ(RpcBufferToLog(pair, console), VK_AR_END_OF_FILE);
  EXPECT_EQ(EntriesOf(console).size(), 1u);

  // A log whose element is not an entry, and a buffer holding another class.
  auto foreign = Cat({Hex("FFFF 0200 0A00"), Ascii("cOrkMfcLog"), Hex("0100 FFFF 0100 0D00"), Ascii("cVkStringData"),
                      Hex("01000000 FFFEFF 00")});
  pair = VkRpcBuffer{static_cast<uint32_t>(foreign.size()), foreign.data()};
  EXPECT_EQ(RpcBufferToLog(pair, console), VK_AR_BAD_CLASS);
  cVkStringData text(u"x");
  VkRpcBuffer other;
  ASSERT_EQ(ObjectToRpcBuffer(&text, other), 0);
  EXPECT_EQ(RpcBufferToLog(other, console), VK_AR_BAD_CLASS);
  VkFreeRpcBuffer(other);
  EXPECT_EQ(EntriesOf(console).size(), 1u);
}

// A log text of 256K characters and 256K references to its entry: about
// 1 MiB of record that would copy to 128 GiB of entries.
TEST_F(MfcLog, RepeatedEntriesAreRefusedWithLittleMemory) {
  cOrkMfcLog messages;
  auto* entry = new cOrkMfcLogEntry(1, LOG_ERROR, 2, std::u16string(256 * 1024, u'z'));
  for (int i = 0; i < 256 * 1024; ++i) messages.Add(entry);  // destroyed once
  VkRpcBuffer pair;
  ASSERT_EQ(ObjectToRpcBuffer(&messages, pair), 0);
  EXPECT_LT(pair.length, 1024u * 1024u + 64u);

  cOrkLog console;
  console.SetMemLogMask(0xFFFF);
  int32_t rc = -1;
  vktest::AllocationCounts counts;
  {
    vktest::AllocationMeter meter(64u * 1024u * 1024u);
    EXPECT_NO_THROW(rc = RpcBufferToLog(pair, console));
    counts = meter.Counts();
  }
  EXPECT_EQ(rc, VK_AR_END_OF_FILE);
  EXPECT_LT(counts.peakBytes, 64u * 1024u * 1024u);
  EXPECT_TRUE(EntriesOf(console).empty());
  VkFreeRpcBuffer(pair);
}

// A buffer of another class is refused by its class part, before its body
// (here a collection of nested references) is built.
TEST_F(MfcLog, ForeignRecordsAreRefusedBeforeTheyAreBuilt) {
  VkRegisterArchiveClasses();
  cVkCollection outer;
  auto* inner = new cVkCollection;
  for (int i = 0; i < 1000; ++i) inner->Add(new cVkStringData(u"abc"));
  outer.Add(inner);
  VkRpcBuffer pair;
  ASSERT_EQ(ObjectToRpcBuffer(&outer, pair), 0);
  cOrkLog console;
  int32_t rc = -1;
  vktest::AllocationCounts counts;
  {
    vktest::AllocationMeter meter;
    rc = RpcBufferToLog(pair, console);
    counts = meter.Counts();
  }
  EXPECT_EQ(rc, VK_AR_BAD_CLASS);
  EXPECT_LT(counts.calls, 10u) << "nothing of the collection is built";
  VkFreeRpcBuffer(pair);
}

}  // namespace

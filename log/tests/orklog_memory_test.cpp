// The memory list of cOrkLog: masks, storage, reading back, composing,
// copying and replaying.
#include <gtest/gtest.h>

#include <string>

#include "log/orklog.h"
#include "log/tests/orklog_test_support.h"

namespace {

using orklog_test::Composed;
using orklog_test::Messages;

TEST(OrkLogMemory, NewLogKeepsOnlyErrorsUntilTheMaskAdmitsMore) {
  cOrkLog log;
  log.LogMsg(LOG_WARNING, u"Operation timed out.");
  log.LogMsg(LOG_INFORMATION, 7, u"Started.");
  EXPECT_EQ(log.CountMessages(LOG_ALL), 0u);
  log.LogMsg(LOG_ERROR, 5, u"Error opening %s. Errorcode %ld.", u"Settings.dat", 5);
  ASSERT_EQ(log.CountMessages(LOG_ALL), 1u);

  log.SetMemLogMask(LOG_ERROR | LOG_WARNING);
  log.LogMsg(LOG_WARNING, u"Default locations will be used.");
  log.LogMsg(LOG_DETAIL, u"step");
  const auto all = Messages(log);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].text, u"Error opening Settings.dat. Errorcode 5.");
  EXPECT_EQ(all[0].code, 5);
  EXPECT_EQ(all[0].type, LOG_ERROR);
  EXPECT_EQ(all[1].text, u"Default locations will be used.");
  EXPECT_EQ(all[1].code, 0);
  EXPECT_EQ(all[1].type, LOG_WARNING);
  EXPECT_EQ(log.CountMessages(LOG_WARNING), 1u);
  EXPECT_EQ(log.CountMessages(LOG_INFORMATION), 0u);
}

TEST(OrkLogMemory, LineBreaksAreRemovedFromLoggedTextsButNotFromAddedOnes) {
  cOrkLog log;
  log.LogMsg(LOG_ERROR, u"first\r\nsecond\nthird\r%s", u"\r\nfourth");
  log.AddMessage(100, LOG_ERROR, 0, u"kept\r\nas given");
  const auto all = Messages(log);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].text, u"firstsecondthirdfourth");
  EXPECT_EQ(all[1].text, u"kept\r\nas given");
  EXPECT_EQ(all[1].time, 100);
}

TEST(OrkLogMemory, MessagesCarryTheCurrentTime) {
  cOrkLog log;
  const int32_t before = static_cast<int32_t>(std::time(nullptr));
  log.LogMsg(LOG_ERROR, u"now");
  const int32_t after = static_cast<int32_t>(std::time(nullptr));
  const auto all = Messages(log);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_GE(all[0].time, before);
  EXPECT_LE(all[0].time, after);
}

TEST(OrkLogMemory, CapacityGrowsInStepsOfFourAndClearKeepsIt) {
  cOrkLog log;
  EXPECT_EQ(log.Capacity(), 4u);
  for (int k = 1; k <= 4; ++k) log.LogMsg(LOG_ERROR, k, u"message %d", k);
  EXPECT_EQ(log.Capacity(), 4u);
  log.LogMsg(LOG_ERROR, 5, u"message %d", 5);
  EXPECT_EQ(log.Capacity(), 8u);
  for (int k = 6; k <= 9; ++k) log.LogMsg(LOG_ERROR, k, u"message %d", k);
  EXPECT_EQ(log.Capacity(), 12u);
  const auto all = Messages(log);
  ASSERT_EQ(all.size(), 9u);
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(all[k].code, k + 1);
    EXPECT_EQ(all[k].text, u"message " + std::u16string(1, u'1' + k));
  }
  log.Clear();
  EXPECT_EQ(log.CountMessages(LOG_ALL), 0u);
  EXPECT_EQ(log.Capacity(), 12u);
  log.LogMsg(LOG_ERROR, u"after clear");
  EXPECT_EQ(Messages(log).size(), 1u);
}

TEST(OrkLogMemory, GetMemMessageIteratesMatchingEntriesAndStopsAtTheEnd) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.LogMsg(LOG_ERROR, 1, u"e1");
  log.LogMsg(LOG_WARNING, 2, u"w2");
  log.LogMsg(LOG_ERROR, 3, u"e3");

  uint32_t index = 0;
  int32_t time = -7;
  uint32_t type = 99;
  char16_t buffer[16];
  ASSERT_EQ(log.GetMemMessage(&index, LOG_WARNING, &time, &type, buffer, 16), 0);
  EXPECT_EQ(std::u16string(buffer), u"w2");
  EXPECT_EQ(type, LOG_WARNING);
  EXPECT_EQ(index, 2u);
  time = -7;
  type = 99;
  buffer[0] = u'x';
  EXPECT_EQ(log.GetMemMessage(&index, LOG_WARNING, &time, &type, buffer, 16), -1);
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(time, -7);  // untouched past the end
  EXPECT_EQ(type, 99u);
  EXPECT_EQ(buffer[0], u'x');
}

TEST(OrkLogMemory, GetMemMessageCutsToTheBufferAndCopiesNothingIntoAnEmptyOne) {
  cOrkLog log;
  log.LogMsg(LOG_ERROR, 9, u"abcdef");
  uint32_t index = 0;
  int32_t time, code;
  uint32_t type;
  char16_t buffer[4] = {u'q', u'q', u'q', u'q'};
  ASSERT_EQ(log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, buffer, 4), 0);
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(code, 9);

  // Length 0: the entry is returned, the buffer is not written at all.
  index = 0;
  char16_t guard[2] = {u'g', u'g'};
  ASSERT_EQ(log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, guard, 0), 0);
  EXPECT_EQ(guard[0], u'g');
  EXPECT_EQ(guard[1], u'g');
  EXPECT_EQ(index, 1u);
  index = 0;
  EXPECT_EQ(log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, nullptr, 0), 0);
}

TEST(OrkLogMemory, GetMessagesHandsOutWhatGetMemMessageExReadsOneByOne) {
  cOrkLog log;
  log.AddMessage(10, LOG_ERROR, 5, u"first");
  log.AddMessage(11, LOG_WARNING, -1, u"second");
  log.AddMessage(12, LOG_ERROR, 7, std::u16string(3000, u'x'));
  for (uint32_t mask : {LOG_ALL, LOG_ERROR, LOG_WARNING, LOG_DETAIL}) {
    std::vector<cOrkLogMessage> expected;
    uint32_t index = 0;
    int32_t time, code;
    uint32_t type;
    std::vector<char16_t> buffer(4096);
    while (log.GetMemMessageEx(&index, mask, &time, &type, &code, buffer.data(), 4096) == 0)
      expected.push_back({time, type, code, buffer.data()});
    EXPECT_EQ(log.GetMessages(mask), expected) << mask;
  }
  EXPECT_EQ(log.GetMessages(LOG_ERROR).size(), 2u);
  EXPECT_EQ(log.GetMessages(LOG_ERROR)[1].text.size(), 3000u);
}

TEST(OrkLogMemory, ComposedTextShowsNumbersStoredTimesSignsAndHex) {
  cOrkLog log;
  log.AddMessage(3723, LOG_ERROR, 5, u"five");            // 01:02:03 UTC
  log.AddMessage(86399, LOG_WARNING, -5, u"minus five");  // 23:59:59
  log.AddMessage(0, LOG_ERROR, INT32_MIN, u"smallest");   // 00:00:00
  log.AddMessage(60, LOG_WARNING, 0, u"none");
  log.AddMessage(61, LOG_ERROR, INT32_MAX, u"largest");

  int32_t lines = 0;
  EXPECT_EQ(Composed(log, LOG_ALL, &lines),
            u"1. Time: 01:02:03, Code: 5 (+0x00000005)\r\nfive\r\n"
            u"2. Time: 23:59:59, Code: -5 (-0x00000005)\r\nminus five\r\n"
            u"3. Time: 00:00:00, Code: -2147483648 (-0x80000000)\r\nsmallest\r\n"
            u"4. Time: 00:01:00, Code: 0 (+0x00000000)\r\nnone\r\n"
            u"5. Time: 00:01:01, Code: 2147483647 (+0x7FFFFFFF)\r\nlargest\r\n");
  EXPECT_EQ(lines, 5);

  // Numbers count every entry, matching or not.
  EXPECT_EQ(Composed(log, LOG_WARNING, &lines),
            u"2. Time: 23:59:59, Code: -5 (-0x00000005)\r\nminus five\r\n"
            u"4. Time: 00:01:00, Code: 0 (+0x00000000)\r\nnone\r\n");
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(Composed(log, LOG_DETAIL, &lines), u"");
  EXPECT_EQ(lines, 0);
}

TEST(OrkLogMemory, ComposingAnEmptyLogLeavesTheOutPointerAlone) {
  cOrkLog log;
  char16_t marker = u'm';
  char16_t* out = &marker;
  EXPECT_EQ(log.ComposeSingleMemoryMessage(&out, LOG_ALL), 0);
  EXPECT_EQ(out, &marker);
  log.ReleaseMemoryMessage(nullptr);  // accepted
}

TEST(OrkLogMemory, ComposedTextKeepsTextsOfFullLength) {
  cOrkLog log;
  const std::u16string longText(4095, u'L');
  log.AddMessage(0, LOG_ERROR, 1, longText);
  log.AddMessage(0, LOG_ERROR, 2, u"short");
  const std::u16string composed = Composed(log, LOG_ALL);
  EXPECT_EQ(composed, u"1. Time: 00:00:00, Code: 1 (+0x00000001)\r\n" + longText +
                          u"\r\n2. Time: 00:00:00, Code: 2 (+0x00000002)\r\nshort\r\n");
}

TEST(OrkLogMemory, AddLogReplaysThroughTheTargetsMasksKeepingTimesAndCodes) {
  cOrkLog source;
  source.SetMemLogMask(LOG_ALL);
  source.AddMessage(10, LOG_ERROR, 1, u"err\r\nor");
  source.AddMessage(20, LOG_WARNING, 2, u"warning");
  source.AddMessage(30, LOG_INFORMATION, 3, u"info");

  cOrkLog target;  // errors only
  target.LogMsg(LOG_ERROR, 99, u"own");
  EXPECT_EQ(target.AddLog(source), 0);
  auto all = Messages(target);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].text, u"error");  // routed, so line breaks go
  EXPECT_EQ(all[1].time, 10);
  EXPECT_EQ(all[1].code, 1);

  target.SetMemLogMask(LOG_WARNING | LOG_INFORMATION);
  target.AddLog(source);
  all = Messages(target);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[2].text, u"warning");
  EXPECT_EQ(all[2].time, 20);
  EXPECT_EQ(all[3].code, 3);
  EXPECT_EQ(source.CountMessages(LOG_ALL), 3u);
  EXPECT_EQ(Messages(source)[0].text, u"err\r\nor");  // the source is not edited

  // Replaying a log into itself doubles it once.
  source.AddLog(source);
  EXPECT_EQ(source.CountMessages(LOG_ALL), 6u);
}

TEST(OrkLogMemory, CopyLogTakesEntriesMasksAndCapacity) {
  cOrkLog source;
  source.SetMemLogMask(LOG_ERROR | LOG_WARNING);
  for (int k = 0; k < 6; ++k) source.LogMsg(k % 2 ? LOG_WARNING : LOG_ERROR, k, u"m%d", k);
  cOrkLog copy;
  copy.LogMsg(LOG_ERROR, u"discarded");
  EXPECT_EQ(copy.CopyLog(source), 0);
  EXPECT_EQ(copy.Capacity(), 8u);
  const auto all = Messages(copy);
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[5].text, u"m5");
  EXPECT_EQ(all[5].type, LOG_WARNING);
  copy.LogMsg(LOG_WARNING, u"the copied mask admits warnings");
  EXPECT_EQ(copy.CountMessages(LOG_WARNING), 4u);
  source.Clear();
  EXPECT_EQ(copy.CountMessages(LOG_ALL), 7u);  // deep copy
  EXPECT_EQ(copy.CopyLog(copy), 0);
  EXPECT_EQ(copy.CountMessages(LOG_ALL), 7u);
}

}  // namespace

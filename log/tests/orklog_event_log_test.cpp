// Routing to the event log, seen through a recording sink, and the
// message-box operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/orklog.h"
#include "log/tests/orklog_test_support.h"
#include "platform/eventlog/event_log.h"

namespace {

struct Report {
  std::u16string source;
  vk::EventType type;
  uint32_t id;
  std::u16string text;
  bool operator==(const Report&) const = default;
};

class RecordingSink final : public vk::EventLogSink {
 public:
  RecordingSink() : previous_(vk::SetEventLogSink(this)) {}
  ~RecordingSink() override { vk::SetEventLogSink(previous_); }
  bool Report(std::u16string_view source, vk::EventType type, uint32_t id, std::u16string_view text) override {
    reports.push_back({std::u16string(source), type, id, std::u16string(text)});
    return false;  // a failed report is ignored by the log
  }
  std::vector<::Report> reports;

 private:
  vk::EventLogSink* previous_;
};

TEST(OrkLogEventLog, EachTypeGoesWithItsIdAndIdZeroWritesNothing) {
  RecordingSink sink;
  cOrkLog log;
  const uint32_t ids[4] = {101, 102, 0, 104};
  log.SetupEventLogging(u"ViewKeeper", ids);
  log.LogMsg(LOG_ERROR, 5, u"not selected yet");
  EXPECT_TRUE(sink.reports.empty());

  log.SetAppLogMask(LOG_ALL);
  log.LogMsg(LOG_ERROR | LOG_WARNING, 5, u"error\r\n text");
  log.LogMsg(LOG_WARNING, u"warning");
  log.LogMsg(LOG_INFORMATION, u"information, id 0");
  log.LogMsg(LOG_DETAIL, u"detail");
  log.LogMsg(0x100, u"other");
  const std::vector<Report> expected = {
      {u"ViewKeeper", vk::EventType::Error, 101, u"error text"},
      {u"ViewKeeper", vk::EventType::Information, 102, u"warning"},
      {u"ViewKeeper", vk::EventType::Information, 104, u"detail"},
      {u"ViewKeeper", vk::EventType::Information, 104, u"other"},
  };
  EXPECT_EQ(sink.reports, expected);

  // The memory list is independent of the event log.
  EXPECT_EQ(log.CountMessages(LOG_ALL), 2u);
}

TEST(OrkLogEventLog, NoSourceNameReportsNothingAndCopyKeepsThatState) {
  RecordingSink sink;
  cOrkLog source;
  const uint32_t ids[4] = {1, 2, 3, 4};
  source.SetupEventLogging(u"Source", ids);
  source.SetAppLogMask(LOG_ALL);

  cOrkLog fresh;  // no source name: after copying it still has none
  fresh.CopyLog(source);
  fresh.LogMsg(LOG_ERROR, u"nowhere");
  EXPECT_TRUE(sink.reports.empty());

  cOrkLog named;
  const uint32_t none[4] = {0, 0, 0, 0};
  named.SetupEventLogging(u"Old", none);
  named.CopyLog(source);  // takes the source's name and ids
  named.LogMsg(LOG_INFORMATION, u"info");
  ASSERT_EQ(sink.reports.size(), 1u);
  EXPECT_EQ(sink.reports[0], (Report{u"Source", vk::EventType::Information, 3, u"info"}));

  // AddLog routes the replayed entries to this log's event log.
  cOrkLog replayed;
  replayed.SetupEventLogging(u"Replay", ids);
  replayed.SetAppLogMask(LOG_ERROR);
  cOrkLog entries;
  entries.AddMessage(1, LOG_ERROR, 9, u"replayed error");
  entries.AddMessage(2, LOG_WARNING, 9, u"filtered");
  replayed.AddLog(entries);
  ASSERT_EQ(sink.reports.size(), 2u);
  EXPECT_EQ(sink.reports[1], (Report{u"Replay", vk::EventType::Error, 1, u"replayed error"}));
}

struct Shown {
  void* owner;
  std::u16string caption;
  std::u16string text;
  bool taskModal;
};
std::vector<Shown> shown;

void RecordBox(void* owner, std::u16string_view caption, std::u16string_view text, bool taskModal) {
  shown.push_back({owner, std::u16string(caption), std::u16string(text), taskModal});
}

TEST(OrkLogMessageBox, CaptionsFollowTheMaskAndEmptyLogsShowNothing) {
  shown.clear();
  OrkSetMessageBoxHandler(RecordBox);
  int window = 0;
  cOrkLog log;
  log.ShowMemMessages(&window, LOG_ERROR);
  log.ShowThreadSafeMemMessages(&window, LOG_ERROR);
  EXPECT_TRUE(shown.empty());

  log.AddMessage(0, LOG_ERROR, 5, u"failed");
  log.ShowMemMessages(&window, LOG_WARNING);  // no matching line: nothing
  EXPECT_TRUE(shown.empty());
  log.ShowMemMessages(&window, LOG_ERROR);
  log.ShowMemMessages(&window, LOG_ALL);
  log.ShowThreadSafeMemMessages(nullptr, LOG_ALL);
  ASSERT_EQ(shown.size(), 3u);
  const std::u16string text = u"1. Time: 00:00:00, Code: 5 (+0x00000005)\r\nfailed\r\n";
  EXPECT_EQ(shown[0].caption, u"Error message(s)");
  EXPECT_EQ(shown[0].text, text);
  EXPECT_EQ(shown[0].owner, &window);
  EXPECT_FALSE(shown[0].taskModal);
  EXPECT_EQ(shown[1].caption, u"Information message(s)");
  EXPECT_EQ(shown[2].caption, u"Error message(s)");
  EXPECT_TRUE(shown[2].taskModal);
  OrkSetMessageBoxHandler(nullptr);
}

TEST(OrkLogMessageBox, WithoutAHandlerCaptionAndTextGoToStandardError) {
  OrkSetMessageBoxHandler(nullptr);
  cOrkLog log;
  log.AddMessage(0, LOG_ERROR, -1, u"gone \u00E4");
  testing::internal::CaptureStderr();
  log.ShowMemMessages(nullptr, LOG_ERROR);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error message(s)\n1. Time: 00:00:00, Code: -1 (-0x00000001)\r\ngone \xC3\xA4\r\n\n");
}

}  // namespace

// Several threads logging into one log while another reads it.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "log/orklog.h"
#include "log/tests/orklog_test_support.h"

namespace {

using orklog_test::Messages;
using orklog_test::ReadBytes;
using orklog_test::TempDir;
using orklog_test::U16;

TEST(OrkLogThreads, ConcurrentLoggingLosesAndMixesNothing) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 300;
  TempDir dir;
  const auto path = dir.File("threads.log");
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  log.SetFileLogMask(LOG_ERROR);
  ASSERT_EQ(log.InitializeLogFile(U16(path), 1), 0);

  std::atomic<int> writersDone{0};
  std::thread reader([&] {
    // Composes while the writers run; every composed line must be whole.
    while (writersDone.load() < kThreads) {
      char16_t* text = nullptr;
      const int32_t lines = log.ComposeSingleMemoryMessage(&text, LOG_ALL);
      if (text) {
        const std::u16string composed = text;
        size_t breaks = 0;
        for (size_t p = composed.find(u"\r\n"); p != std::u16string::npos; p = composed.find(u"\r\n", p + 2)) ++breaks;
        EXPECT_EQ(breaks, 2u * static_cast<size_t>(lines));
      }
      log.ReleaseMemoryMessage(text);
      log.CountMessages(LOG_ERROR);
    }
  });
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int k = 0; k < kPerThread; ++k) {
        if (k % 2)
          log.LogNetMsg(LOG_ERROR, 5, u"thread %d message %d.", t, k);
        else
          log.LogMsg(LOG_WARNING, k, u"thread %d message %d.", t, k);
      }
      ++writersDone;
    });
  }
  for (auto& w : writers) w.join();
  reader.join();
  log.CloseLogFile();

  const auto all = Messages(log);
  ASSERT_EQ(all.size(), static_cast<size_t>(kThreads * kPerThread));
  std::set<std::u16string> texts;
  for (const auto& m : all) texts.insert(m.text);
  EXPECT_EQ(texts.size(), all.size());
  EXPECT_EQ(texts.count(u"thread 3 message 299. Access is denied."), 1u);
  EXPECT_EQ(texts.count(u"thread 0 message 0."), 1u);

  // The file holds one whole line per error.
  const std::string bytes = ReadBytes(path);
  size_t lines = 0;
  for (size_t p = bytes.find(". Access is denied. (5)\r\n"); p != std::string::npos;
       p = bytes.find(". Access is denied. (5)\r\n", p + 1))
    ++lines;
  EXPECT_EQ(lines, static_cast<size_t>(kThreads * kPerThread / 2));
}

TEST(OrkLogThreads, TwoLogsAppendToOneFileAtOnce) {
  constexpr int kLines = 500;
  TempDir dir;
  const auto path = dir.File("two.log");
  cOrkLog parent;
  parent.SetFileLogMask(LOG_ALL);
  parent.SetMemLogMask(0);
  ASSERT_EQ(parent.InitializeLogFile(U16(path), 1), 0);
  cOrkLog child;
  child.CopyLog(parent);  // its own stream on the same file
  auto write = [](cOrkLog& log, const char16_t* who) {
    for (int k = 0; k < kLines; ++k) log.LogMsg(LOG_ERROR, k + 1, u"%s line %d", who, k);
  };
  std::thread a(write, std::ref(parent), u"parent");
  std::thread b(write, std::ref(child), u"child");
  a.join();
  b.join();
  child.CloseLogFile();
  parent.CloseLogFile();

  const std::string bytes = ReadBytes(path);
  for (const char* who : {"parent", "child"}) {
    for (int k = 0; k < kLines; ++k) {
      const std::string line =
          std::string(" ") + who + " line " + std::to_string(k) + " (" + std::to_string(k + 1) + ")\r\n";
      ASSERT_NE(bytes.find(line), std::string::npos) << line;
    }
  }
  // Every line is whole: 2 start lines, 2 end lines (each with two empty lines) and the messages.
  size_t breaks = 0;
  for (size_t p = bytes.find("\r\n"); p != std::string::npos; p = bytes.find("\r\n", p + 2)) ++breaks;
  EXPECT_EQ(breaks, 2u + 2u * 3u + 2u * kLines);
}

}  // namespace

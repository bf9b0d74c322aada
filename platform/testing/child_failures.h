// Test support for a test that forks: the child never ends its test
// normally, so its failures are written to standard error, where the
// parent's report shows them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

namespace vk::testing {

inline void ReportChildFailures() {
  const ::testing::TestResult* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
  for (int i = 0; i < result->total_part_count(); ++i) {
    const ::testing::TestPartResult& part = result->GetTestPartResult(i);
    if (part.failed())
      fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?", part.line_number(), part.summary());
  }
}

}  // namespace vk::testing

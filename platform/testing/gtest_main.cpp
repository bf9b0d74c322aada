// The main of every test program: as GoogleTest's own, except that a run in
// which a test was skipped and none failed ends with the skip status, so
// CTest shows the program as skipped instead of passed (vk_test sets 77 as
// SKIP_RETURN_CODE).
#include <gtest/gtest.h>

namespace {
constexpr int kSkipExitStatus = 77;
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (result != 0) return result;
  return testing::UnitTest::GetInstance()->skipped_test_count() > 0 ? kSkipExitStatus : 0;
}

#include "common/json/json_string.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonString, EscapesQuotesBackslashesAndControlCharactersOnly) {
  EXPECT_EQ(VkJsonString(""), "\"\"");
  EXPECT_EQ(VkJsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
  EXPECT_EQ(VkJsonString("\t\r\x1f"), "\"\\t\\r\\u001f\"");
  // DEL, the slash and multi-byte UTF-8 stay as they are.
  EXPECT_EQ(VkJsonString("/\x7f\xc3\xa4\xe2\x82\xac"), "\"/\x7f\xc3\xa4\xe2\x82\xac\"");
  EXPECT_EQ(VkJsonString(std::string_view("a\0b", 3)), "\"a\\u0000b\"");
}

}  // namespace

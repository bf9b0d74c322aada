// Formatting of messages: narrow and wide formats, the buffer rule, and the
// texts LogNetMsg and LogAdsiMsg append.
#include <gtest/gtest.h>

#include <string>

#include "log/format_prep.h"
#include "log/orklog.h"
#include "log/text_escape.h"
#include "log/tests/orklog_test_support.h"

namespace {

using orklog_test::Messages;

std::u16string Only(cOrkLog& log) {
  const auto all = Messages(log);
  EXPECT_EQ(all.size(), 1u);
  return all.empty() ? u"" : all.back().text;
}

TEST(OrkLogFormat, ReplaceFormatCharResumesTwoCharactersFurther) {
  std::u16string text = u"%S %s %SS%%S";
  vk::ReplaceFormatChar(text, u"%S", u'T');
  EXPECT_EQ(text, u"%T %s %TS%%T");
  EXPECT_EQ(vk::ProcessFormatString(std::string_view("%s and %S and %T")), u"%S and %s and %s");
  EXPECT_EQ(vk::ProcessFormatString(std::u16string_view(u"%s and %S and %T")), u"%s and %S and %s");
}

TEST(OrkLogFormat, NarrowAndWideStringConversions) {
  const std::u16string wide = u"wide \u00E4\u03A9";
  const std::string narrow = "narrow \xC3\xA4";
  cOrkLog log;
  log.LogMsg(LOG_ERROR, "%s|%S|%T", narrow, wide, wide);
  EXPECT_EQ(Only(log), u"narrow \u00E4|wide \u00E4\u03A9|wide \u00E4\u03A9");
  log.Clear();
  log.LogMsg(LOG_ERROR, u"%s|%S|%T", wide, narrow, wide);
  EXPECT_EQ(Only(log), u"wide \u00E4\u03A9|narrow \u00E4|wide \u00E4\u03A9");
  log.Clear();
  log.LogMsg(LOG_ERROR, 7, "narrow %s %ld", "text", 7);
  EXPECT_EQ(Messages(log)[0].code, 7);
  EXPECT_EQ(Only(log), u"narrow text 7");
  log.Clear();
  // Width and flags keep the wide meaning in a narrow format.
  log.LogMsg(LOG_ERROR, "[%-6s]", u"ab");
  EXPECT_EQ(Only(log), u"[ab    ]");
}

TEST(OrkLogFormat, BufferKeepsAtMost4095Characters) {
  cOrkLog log;
  const std::u16string fits(4095, u'x');
  log.LogMsg(LOG_ERROR, u"%s", fits);
  EXPECT_EQ(Only(log), fits);
  log.Clear();
  log.LogMsg(LOG_ERROR, 12, u"%s", fits + u"y");
  const auto all = Messages(log);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].text, u"-- Invalid error string. --");
  EXPECT_EQ(all[0].code, 12);
}

TEST(OrkLogFormat, MismatchedRuntimeFormatOrEmptyResultIsInvalid) {
  cOrkLog log;
  log.LogMsg(LOG_ERROR, 3, vk::RuntimeFormat(u"number %ld"), u"not a number");
  EXPECT_EQ(Only(log), u"-- Invalid error string. --");
  log.Clear();
  log.LogMsg(LOG_ERROR, vk::RuntimeFormat(u"missing %s"));
  EXPECT_EQ(Only(log), u"-- Invalid error string. --");
  log.Clear();
  log.LogMsg(LOG_ERROR, vk::RuntimeFormat("narrow %s"), u"wide where narrow is due");
  EXPECT_EQ(Only(log), u"-- Invalid error string. --");
  log.Clear();
  log.LogMsg(LOG_ERROR, u"");
  EXPECT_EQ(Only(log), u"-- Invalid error string. --");
  log.Clear();
  log.LogMsg(LOG_ERROR, u"%s", u"");
  EXPECT_EQ(Only(log), u"-- Invalid error string. --");
  log.Clear();
  log.LogMsg(LOG_ERROR, vk::RuntimeFormat(u"fine %ld%%"), 100);
  EXPECT_EQ(Only(log), u"fine 100%");
}

TEST(OrkLogNetMsg, AppendsNetworkSystemOrUnknownText) {
  cOrkLog log;
  log.LogNetMsg(LOG_ERROR, 2102, u"Net. Errorcode %ld.", 2102);
  EXPECT_EQ(Only(log), u"Net. Errorcode 2102. The workstation driver is not installed.");
  log.Clear();
  log.LogNetMsg(LOG_ERROR, 5, u"Open. Errorcode %ld.", 5);
  EXPECT_EQ(Only(log), u"Open. Errorcode 5. Access is denied.");
  EXPECT_EQ(Messages(log)[0].code, 5);
  log.Clear();
  log.LogNetMsg(LOG_ERROR, 123456, u"Odd. Errorcode %ld.", 123456);
  EXPECT_EQ(Only(log), u"Odd. Errorcode 123456. Unknown message.");
  log.Clear();
  log.LogNetMsg(LOG_ERROR, 10061, "narrow %s", "form");
  EXPECT_EQ(Only(log), u"narrow form No connection could be made because the target machine actively refused it.");
}

TEST(OrkLogNetMsg, AppendedTextStaysWithinTheBuffer) {
  cOrkLog log;
  // L = 4091: one blank and at most 4093 - L - 1 = 1 character of the text.
  log.LogNetMsg(LOG_ERROR, 5, u"%s", std::u16string(4091, u'a'));
  EXPECT_TRUE(Only(log) == std::u16string(4091, u'a') + u" A");
  log.Clear();
  // L = 4092: nothing appended.
  log.LogNetMsg(LOG_ERROR, 5, u"%s", std::u16string(4092, u'a'));
  EXPECT_TRUE(Only(log) == std::u16string(4092, u'a'));
  log.Clear();
  // No text: "Unknown message." cut to the 4095 characters the buffer keeps.
  log.LogNetMsg(LOG_ERROR, 99999, u"%s", std::u16string(4085, u'a'));
  EXPECT_TRUE(Only(log) == std::u16string(4085, u'a') + u" Unknown m");
  log.Clear();
  log.LogAdsiMsg(LOG_ERROR, 0x80005000, u"%s", std::u16string(4089, u'a'));
  EXPECT_TRUE(Only(log) == std::u16string(4089, u'a') + u" An ");  // 3 characters of room
}

TEST(OrkLogAdsiMsg, AppendsTheDirectoryText) {
  cOrkLog log;
  log.LogAdsiMsg(LOG_ERROR, static_cast<int32_t>(0x8000500D), u"Get. Errorcode %ld.", -2147463155);
  EXPECT_EQ(Only(log), u"Get. Errorcode -2147463155. The Active Directory property cannot be found in the cache.");
  log.Clear();
  log.LogAdsiMsg(LOG_ERROR, static_cast<int32_t>(0x80070005), u"Bind.");
  EXPECT_EQ(Only(log), u"Bind. Access is denied.");
  log.Clear();
  log.LogAdsiMsg(LOG_ERROR, static_cast<int32_t>(0x8007FFFF), u"No text.");
  EXPECT_EQ(Only(log), u"No text. ");  // nothing behind the blank, never "Unknown message."
}

TEST(OrkLogAdsiMsg, WholeTable) {
  char16_t buffer[256];
  auto text = [&](uint32_t code) {
    EXPECT_EQ(cOrkLog::GetAdsiErrorText(static_cast<int32_t>(code), buffer, 256), 0u);
    return std::u16string(buffer);
  };
  EXPECT_EQ(text(0x5011), u"One or more errors occurred.");
  EXPECT_EQ(text(0x5012), u"No more rows to be obatained by the search result.");
  EXPECT_EQ(text(0x5013), u"No more columns to be obatained for the current row.");
  EXPECT_EQ(text(0), u"ADSI success code 0.");
  EXPECT_EQ(text(0x5014), u"ADSI success code 20500.");
  EXPECT_EQ(text(0x80005000), u"An invalid Active Directory pathname was passed.");
  EXPECT_EQ(text(0x80005001), u"An unknown Active Directory domain object was requested.");
  EXPECT_EQ(text(0x80005002), u"An unknown Active Directory user object was requested.");
  EXPECT_EQ(text(0x80005003), u"An unknown Active Directory computer object was requested.");
  EXPECT_EQ(text(0x80005004), u"An unknown Active Directory object was requested.");
  EXPECT_EQ(text(0x80005005), u"The specified Active Directory property was not set.");
  EXPECT_EQ(text(0x80005006), u"The specified Active Directory property is not supported.");
  EXPECT_EQ(text(0x80005007), u"The specified Active Directory property is invalid.");
  EXPECT_EQ(text(0x80005008), u"One or more input parameters are invalid.");
  EXPECT_EQ(text(0x80005009), u"The specified Active Directory object is not bound to a remote resource.");
  EXPECT_EQ(text(0x8000500A), u"The specified Active Directory object has not been modified.");
  EXPECT_EQ(text(0x8000500B), u"The specified Active Directory object has been modified.");
  EXPECT_EQ(text(0x8000500C), u"The Active Directory datatype cannot be converted to/from a native DS datatype.");
  EXPECT_EQ(text(0x8000500D), u"The Active Directory property cannot be found in the cache.");
  EXPECT_EQ(text(0x8000500E), u"The Active Directory object exists.");
  EXPECT_EQ(text(0x8000500F), u"The attempted action violates the DS schema rules.");
  EXPECT_EQ(text(0x80005010), u"The specified column in the Active Directory was not set.");
  EXPECT_EQ(text(0x80070002), u"The system cannot find the file specified.");
  EXPECT_EQ(text(0x80005011), u"Failed to process ADSI error code 2147504145 (0x80005011).");
  EXPECT_EQ(text(0xFFFFFFFF), u"Failed to process ADSI error code 4294967295 (0xffffffff).");
}

TEST(OrkLogNetMsg, GetNetErrorTextLooksUpNetworkCodesFirstAndCuts) {
  char16_t buffer[8];
  EXPECT_EQ(cOrkLog::GetNetErrorText(5, buffer, 8), 7u);
  EXPECT_EQ(std::u16string(buffer), u"Access ");
  EXPECT_EQ(cOrkLog::GetNetErrorText(5, buffer, 0), 0u);
  char16_t big[128];
  EXPECT_EQ(cOrkLog::GetNetErrorText(2221, big, 128), 33u);
  EXPECT_EQ(std::u16string(big), u"The user name could not be found.");
  EXPECT_EQ(cOrkLog::GetNetErrorText(3, big, 128), 42u);  // 3 is no network code: system table
  EXPECT_EQ(cOrkLog::GetNetErrorText(2999, big, 128), 0u);
  EXPECT_EQ(big[0], 0);
}

}  // namespace

TEST(OrkLogTextEscape, ControlCharactersAndBackslashesAreEscapedAndNothingElse) {
  EXPECT_EQ(VkEscapeControls(u"alice"), u"alice");
  EXPECT_EQ(VkEscapeControls(u"J\u00fcrgen \u20ac"), u"J\u00fcrgen \u20ac");
  EXPECT_EQ(VkEscapeControls(u"\x1b[2J\x1b]0;owned\x07"), u"\\x1B[2J\\x1B]0;owned\\x07");
  EXPECT_EQ(VkEscapeControls(u"a\nb\rc\td"), u"a\\nb\\rc\\td");
  EXPECT_EQ(VkEscapeControls(u"DOM\\user"), u"DOM\\\\user");
  EXPECT_EQ(VkEscapeControls(std::u16string(u"x\0y\x7f\x9b", 5)), u"x\\x00y\\x7F\\x9B");
  EXPECT_EQ(VkEscapeControls(u""), u"");
}

// vkctl's command line and settings names.
#include <gtest/gtest.h>

#include "common/settings/service_settings.h"
#include "tools/vkctl/options.h"
#include "tools/vkctl/settings_fields.h"

namespace {

ParseOutcome Parse(std::vector<std::string> args, VkctlOptions& o, std::string& error) {
  return ParseVkctlOptions(args, o, error);
}

TEST(VkctlOptions, CommandsHostsAndOptions) {
  VkctlOptions o;
  std::string error;
  ASSERT_EQ(Parse({"--json", "install", "--parallel", "3", "pc1", "--directory=/srv/vk", "pc2"}, o, error),
            ParseOutcome::Run)
      << error;
  EXPECT_EQ(o.command, "install");
  EXPECT_EQ(o.hosts, (std::vector<std::string>{"pc1", "pc2"}));
  EXPECT_EQ(o.parallel, 3);
  EXPECT_EQ(o.directory, "/srv/vk");
  EXPECT_TRUE(o.json);

  VkctlOptions s;
  ASSERT_EQ(Parse({"security", "set", "pc1", "--administrators", "root,alice"}, s, error), ParseOutcome::Run) << error;
  EXPECT_EQ(s.action, "set");
  EXPECT_EQ(*s.administrators, "root,alice");
  EXPECT_FALSE(s.users.has_value());

  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{{},
                                                                            {"status"},
                                                                            {"settings", "set", "pc1"},
                                                                            {"security", "set", "pc1"},
                                                                            {"status", "--parallel", "0", "h"},
                                                                            {"status", "--port"},
                                                                            {"--bogus", "status", "h"},
                                                                            {"settings", "get", "h", "a=b"}}) {
    VkctlOptions b;
    EXPECT_EQ(Parse(bad, b, error), ParseOutcome::Usage) << ::testing::PrintToString(bad);
  }
  VkctlOptions h;
  EXPECT_EQ(Parse({"status", "--help"}, h, error), ParseOutcome::Help);
}

TEST(VkctlSettings, NamedValuesRoundTripAndRangesAreChecked) {
  cVkServiceSettings settings;
  std::string error;
  ASSERT_TRUE(VkApplySettings(settings, {"screen.compressionLevel=9", "connection.updatePort=5000"}, error)) << error;
  EXPECT_EQ(settings.GetScreen()->compressionLevel, 9);
  EXPECT_EQ(settings.GetConnection()->updatePort, 5000);
  VkNamedValues values = VkSettingsValues(settings);
  EXPECT_NE(
      std::find(values.begin(), values.end(), std::pair<std::string, std::string>{"screen.compressionLevel", "9"}),
      values.end());
  EXPECT_FALSE(VkApplySettings(settings, {"screen.compressionLevel=10"}, error));
  EXPECT_FALSE(VkApplySettings(settings, {"connection.updatePort=0x10"}, error));
  EXPECT_FALSE(VkApplySettings(settings, {"screen.nothing=1"}, error));
  EXPECT_NE(error.find("unknown setting 'screen.nothing'"), std::string::npos);
  EXPECT_EQ(settings.GetScreen()->compressionLevel, 9);
}

}  // namespace

#include "tools/vksnap/options.h"

#include <gtest/gtest.h>

#include <map>

namespace vk {
namespace {

struct Sources {
  std::map<std::string, std::string> env;
  std::optional<std::string> line;
  std::optional<cVkSnapOptions> Parse(std::vector<std::string> args, std::string& error) {
    return ParseSnapOptions(
        args,
        [this](const char* n) -> const char* {
          auto it = env.find(n);
          return it == env.end() ? nullptr : it->second.c_str();
        },
        [this] { return line; }, error);
  }
};

TEST(SnapOptions, PasswordComesFromEnvironmentOrStdinNeverArgv) {
  Sources s;
  s.env["VKSNAP_PASSWORD"] = "env-secret";
  s.env["OTHER"] = "other-secret";
  s.line = "stdin-secret\r";
  std::string error;
  auto o = s.Parse({"--user", "alice", "--host", "10.0.0.2", "--port", "5000", "--output", "x.png"}, error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->password, u"env-secret");
  EXPECT_EQ(o->user, u"alice");
  EXPECT_EQ(o->host, "10.0.0.2");
  EXPECT_EQ(o->port, 5000);
  EXPECT_EQ(o->output, "x.png");
  o = s.Parse({"--user", "a", "--password-env", "OTHER"}, error);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->password, u"other-secret");
  o = s.Parse({"--user", "a", "--password-stdin"}, error);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->password, u"stdin-secret");
  EXPECT_FALSE(s.Parse({"--user", "a", "--password", "x"}, error));
  s.line.reset();
  EXPECT_FALSE(s.Parse({"--user", "a", "--password-stdin"}, error));
}

TEST(SnapOptions, RefusesBadValues) {
  Sources s;
  std::string error;
  EXPECT_FALSE(s.Parse({}, error));  // no user
  EXPECT_FALSE(s.Parse({"--user", "a", "--port", "0"}, error));
  EXPECT_FALSE(s.Parse({"--user", "a", "--port", "65536"}, error));
  EXPECT_FALSE(s.Parse({"--user", "a", "--port", "12x"}, error));
  EXPECT_FALSE(s.Parse({"--user", "a", "--seconds", "0"}, error));
  EXPECT_FALSE(s.Parse({"--user", "a", "--updates"}, error));
  auto o = s.Parse({"--user", "a", "--updates", "3", "--seconds", "9", "--domain", "W"}, error);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->updates, 3u);
  EXPECT_EQ(o->seconds, 9u);
  EXPECT_EQ(o->domain, u"W");
  EXPECT_TRUE(o->password.empty());
  EXPECT_FALSE(o->stats);
  o = s.Parse({"--stats", "--user", "a"}, error);
  ASSERT_TRUE(o) << error;
  EXPECT_TRUE(o->stats);
}

}  // namespace
}  // namespace vk

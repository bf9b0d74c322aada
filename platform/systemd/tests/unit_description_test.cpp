// The display name as a drop-in of the unit, and the reload of systemd
// over D-Bus against a stand-in manager on a private bus.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/core/error_codes.h"
#include "platform/systemd/tests/private_bus.h"
#include "platform/systemd/unit_description.h"
#include "platform/testing/child_process.h"

namespace {

using namespace vk::systemd;
using vk::testing::ReadFileText;

class UnitDescription : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/vk-unit-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string folder_;
};

TEST_F(UnitDescription, DropInHoldsTheNameAndIsReplacedWhole) {
  std::string dropIn = folder_ + "/viewkeeper.service.d";
  ASSERT_EQ(WriteUnitDescription(dropIn, u"ViewKeeper Service ((44185,1114))"), 0);
  std::string path = dropIn + "/" + kDropInName;
  EXPECT_EQ(ReadFileText(path), "[Unit]\nDescription=ViewKeeper Service ((44185,1114))\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  ASSERT_EQ(WriteUnitDescription(dropIn, u"ViewKeeper Service ((-1,1114))"), 0);
  EXPECT_EQ(ReadFileText(path), "[Unit]\nDescription=ViewKeeper Service ((-1,1114))\n");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dropIn)) ++files;
  EXPECT_EQ(files, 1u);  // no temporary file left behind

  // Unit-file specifiers are escaped, line breaks cannot start a new setting.
  EXPECT_EQ(DropInText(u"50% done\nExecStart=/bin/x"), "[Unit]\nDescription=50%% doneExecStart=/bin/x\n");
  // A folder that cannot be created.
  EXPECT_EQ(WriteUnitDescription(folder_ + "/missing/deeper", u"x"), ERROR_FILE_NOT_FOUND);
}

TEST_F(UnitDescription, FolderOnlyWhenNamedOrRunBySystemd) {
  unsetenv("VIEWKEEPER_UNIT_DIR");
  setenv("INVOCATION_ID", "0123456789abcdef", 1);
  EXPECT_EQ(DropInFolder(), "");  // inherited by a test, not the service's own process
  unsetenv("INVOCATION_ID");
  EXPECT_EQ(DropInFolder(), "");
  setenv("VIEWKEEPER_UNIT_DIR", folder_.c_str(), 1);
  EXPECT_EQ(DropInFolder(), folder_);
  unsetenv("VIEWKEEPER_UNIT_DIR");
  EXPECT_TRUE(ReloadWanted());
  setenv("VIEWKEEPER_SYSTEMD_RELOAD", "no", 1);
  EXPECT_FALSE(ReloadWanted());
  unsetenv("VIEWKEEPER_SYSTEMD_RELOAD");
}

TEST_F(UnitDescription, ReloadAsksTheManagerOnTheBusAndReportsARefusal) {
  {
    vk::testing::PrivateSystemd systemd(folder_, false);
    ASSERT_TRUE(systemd.Ready());
    EXPECT_EQ(ReloadSystemd(), 0);
    EXPECT_EQ(ReloadSystemd(), 0);
    EXPECT_EQ(systemd.Reloads(), 2u);
  }
  {
    std::string refusing = folder_ + "/refusing";
    ASSERT_EQ(mkdir(refusing.c_str(), 0700), 0);
    vk::testing::PrivateSystemd systemd(refusing, true);
    ASSERT_TRUE(systemd.Ready());
    EXPECT_EQ(ReloadSystemd(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(systemd.Reloads(), 0u);
  }
  setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + folder_ + "/no-bus").c_str(), 1);
  EXPECT_EQ(ReloadSystemd(), ERROR_FILE_NOT_FOUND);
  unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace

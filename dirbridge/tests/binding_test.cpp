// The callers' binding: DirBridge loaded by its full path and read through,
// against the directory server of the test program.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/network/directory_records.h"
#include "common/network/w2k_records.h"
#include "dirbridge/binding/dirbridge_binding.h"
#include "dirbridge/tests/test_support.h"
#include "platform/core/text.h"

namespace {

using vk::testing::Logged;

class DirBridgeBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vk::testing::DirectoryServer().Running());
    log.SetMemLogMask(LOG_ALL);
    char pattern[] = "/tmp/vk-binding-XXXXXX";
    folder = mkdtemp(pattern);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::u16string Folder() const { return vk::FromUtf8(folder + "/"); }

  cOrkLog log;
  std::string folder;
};

TEST_F(DirBridgeBinding, LoadsFromTheProgramFolderAndReadsResults) {
  cVkDirBridge binding;
  ASSERT_EQ(binding.LoadDirBridge(log), 0) << vk::ToUtf8(vk::testing::LogText(log));
  EXPECT_TRUE(binding.IsLoaded());
  EXPECT_EQ(binding.Path(), vk::ProgramFolder() + u"libdirbridge.so");

  cVkCollection domains;
  ASSERT_EQ(binding.CollectW2KDomains(log, domains), 0);
  ASSERT_EQ(domains.GetSize(), 1u);
  EXPECT_EQ(dynamic_cast<cVkW2KDomain*>(domains.GetAt(0))->name, u"corp.test");

  cVkCollection computers;
  ASSERT_EQ(binding.CollectW2KComputers(log, u"cn=Computers,dc=corp,dc=test", computers), 0);
  EXPECT_EQ(computers.GetSize(), 2u);

  cVkCollection below;
  uint32_t port = static_cast<uint32_t>(vk::testing::DirectoryServer().Port());
  ASSERT_EQ(binding.SearchDirectory(log, u"127.0.0.1", u"ou=Odd,dc=corp,dc=test", below, port), 0);
  ASSERT_EQ(below.GetSize(), 1u);
  auto* pc8 = dynamic_cast<cVkLDAPData*>(below.GetAt(0));
  ASSERT_NE(pc8, nullptr);
  EXPECT_EQ(pc8->kind, VK_LDAP_COMPUTER);
  EXPECT_EQ(pc8->distinguishedName, u"cn=PC8,ou=Odd,dc=corp,dc=test");

  // A failed search (nothing listens there) adds nothing and says so.
  cVkCollection none;
  EXPECT_NE(binding.SearchDirectory(log, u"127.0.0.1", u"dc=corp,dc=test", none, 1), 0);
  EXPECT_EQ(none.GetSize(), 0u);
  EXPECT_TRUE(Logged(log, u"An error occured while performing a LDAP search query. Errorcode -1."));

  EXPECT_EQ(binding.UnloadDirBridge(log), 0);
  EXPECT_FALSE(binding.IsLoaded());
  EXPECT_EQ(binding.SearchDirectory(log, u"127.0.0.1", u"", none, port), VK_DIRBRIDGE_MISSING);
}

TEST_F(DirBridgeBinding, MissingLibraryOrEntryPointsAnswerMinusFour) {
  cVkDirBridge binding;
  // Never found through the library search path: only the named folder counts.
  EXPECT_EQ(binding.LoadDirBridge(log, Folder()), 126);
  EXPECT_TRUE(Logged(log, u"Unable to load '" + Folder() + u"libdirbridge.so'. Errorcode 126."));
  cVkCollection domains;
  EXPECT_EQ(binding.CollectW2KDomains(log, domains), VK_DIRBRIDGE_MISSING);
  EXPECT_EQ(binding.CollectW2KComputers(log, u"corp.test", domains), VK_DIRBRIDGE_MISSING);

  // A library of that name without the entry points.
  std::filesystem::copy_file(vk::ToUtf8(vk::ProgramFolder()) + "liborklog.so", folder + "/libdirbridge.so");
  EXPECT_EQ(binding.LoadDirBridge(log, Folder()), 127);
  EXPECT_TRUE(Logged(
      log, u"Unable to find the function: 'CollectDomains' in '" + Folder() + u"libdirbridge.so'. Errorcode 127."));
  EXPECT_FALSE(binding.IsLoaded());
  EXPECT_EQ(binding.CollectW2KDomains(log, domains), VK_DIRBRIDGE_MISSING);

  // A relative name is refused rather than searched for.
  EXPECT_EQ(binding.LoadDirBridge(log, u"lib/"), 126);
}

}  // namespace

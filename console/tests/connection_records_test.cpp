// Connection records: the archived body of both layouts, the password never
// archived, and how the manager finds, reuses and adds records.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/archive/archive.h"
#include "common/archive/tests/test_bytes.h"
#include "console/core/connection_manager.h"

namespace {

using vktest::Hex;

std::vector<uint8_t> Body(cVkObject& object) {
  std::vector<uint8_t> bytes;
  cVkArchive archive(&bytes);
  object.Serialize(archive);
  return bytes;
}

void Load(cVkObject& object, const std::vector<uint8_t>& bytes) {
  cVkArchive archive{std::span<const uint8_t>(bytes)};
  object.Serialize(archive);
}

cVkConnectionInfo Sample() {
  cVkConnectionInfo r;
  r.computerName = u"PC";
  r.address = 0x0100007F;  // 127.0.0.1
  r.updatePort = 48384;
  r.inputPort = 48386;
  r.userName = u"al";
  r.domain = u"";
  r.password = u"secret";
  r.placement = VkWindowPlacement{44, 2, 3, -1, -1, 5, 6, 10, 20, 810, 620};
  r.scaleMode = 4;
  return r;
}

const char* kVersion2Body =
    "02000000 FFFEFF02 50004300 7F000001 00BD0000 02BD0000 FFFEFF02 61006C00 FFFEFF00"
    "02000000 05000000 06000000 FFFFFFFF FFFFFFFF 6C020000 0A000000 2A030000 14000000 03000000"
    "04000000";

TEST(ConnectionInfo, Version2BodyHoldsEverythingButThePassword) {
  cVkConnectionInfo record = Sample();
  const std::vector<uint8_t> body = Body(record);
  EXPECT_EQ(body, Hex(kVersion2Body));
  EXPECT_EQ(std::search(body.begin(), body.end(), std::begin("s\0e\0c"), std::end("s\0e\0c") - 1), body.end());

  cVkConnectionInfo back;
  Load(back, body);
  EXPECT_EQ(back.computerName, u"PC");
  EXPECT_EQ(back.address, 0x0100007Fu);
  EXPECT_EQ(back.userName, u"al");
  EXPECT_TRUE(back.password.empty());
  EXPECT_EQ(back.placement, record.placement);
  EXPECT_EQ(back.scaleMode, 4);
}

TEST(ConnectionInfo, Version1BodyHasNoScaleModeAndOtherVersionsStopAtTheNumber) {
  std::vector<uint8_t> v1 = Hex(kVersion2Body);
  v1[0] = 1;
  v1.resize(v1.size() - 4);
  cVkConnectionInfo old;
  old.scaleMode = 0;
  Load(old, v1);
  EXPECT_EQ(old.computerName, u"PC");
  EXPECT_EQ(old.scaleMode, 0);
  EXPECT_EQ(old.placement.length, 44u);
  EXPECT_EQ(old.placement.right, 810);

  std::vector<uint8_t> v3 = Hex(kVersion2Body);
  v3[0] = 3;
  cVkConnectionInfo other;
  Load(other, v3);
  EXPECT_TRUE(other.computerName.empty());
  EXPECT_EQ(other.placement.length, 0u);
  EXPECT_EQ(other.address, kVkAddressUnresolved);
}

// Logon and viewer of a test: OK or Cancel, and what was opened.
struct Opener : iVkViewerOpener {
  bool answer = true;
  int logons = 0;
  std::vector<cVkConnectionInfo> opened;
  bool RunLogon(cVkConnectionInfo& record) override {
    ++logons;
    if (answer) record.address = 0x0200007F;
    return answer;
  }
  void OpenViewer(const cVkConnectionInfo& record) override {
    opened.emplace_back();
    opened.back().CopyFrom(record);
  }
};

TEST(ConnectionManager, OpenReusesARecordAndACancelledLogonAddsNothing) {
  cVkConnectionManager manager;
  Opener opener;
  opener.answer = false;
  EXPECT_FALSE(manager.Open(opener, u"alpha"));
  EXPECT_EQ(manager.GetSize(), 0u);
  EXPECT_TRUE(opener.opened.empty());

  opener.answer = true;
  EXPECT_TRUE(manager.Open(opener, u"alpha", u"bob", u"pw", u"DOM"));
  ASSERT_EQ(manager.GetSize(), 1u);
  cVkConnectionInfo* record = manager.Find(u"ALPHA");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->userName, u"bob");
  EXPECT_EQ(record->domain, u"DOM");
  record->updatePort = 5000;

  EXPECT_TRUE(manager.Open(opener, u"Alpha", u"eve", u""));  // no password: credentials stay
  EXPECT_EQ(manager.GetSize(), 1u);
  ASSERT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(opener.opened[1].updatePort, 5000u);
  EXPECT_EQ(opener.opened[1].userName, u"bob");

  manager.UpdatePlacement(u"aLPHA", VkWindowPlacement{44, 0, 1, 0, 0, 0, 0, 1, 2, 3, 4}, 3);
  EXPECT_EQ(manager.Find(u"alpha")->scaleMode, 3);
  EXPECT_EQ(manager.Find(u"alpha")->placement.bottom, 4);
}

TEST(ConnectionManager, FileKeepsTheRecordsAndRefusesForeignObjects) {
  VkRegisterConsoleClasses();
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vk-connections-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir);
  const std::u16string path = (dir / "Connections.dat").u16string();
  {
    cVkConnectionManager manager;
    Opener opener;
    manager.Open(opener, u"one", u"u", u"p");
    manager.Open(opener, u"two");
    EXPECT_EQ(manager.Save(path), 0);
  }
  cVkConnectionManager loaded;
  EXPECT_EQ(loaded.Load(path), 0);
  ASSERT_EQ(loaded.GetSize(), 2u);
  EXPECT_EQ(loaded.Find(u"one")->userName, u"u");
  EXPECT_TRUE(loaded.Find(u"one")->password.empty());
  EXPECT_EQ(loaded.Find(u"two")->address, 0x0200007Fu);

  cVkCollection foreign;
  foreign.Add(new cVkCollection);
  ASSERT_EQ(foreign.SaveToFile(path), 0);
  EXPECT_NE(loaded.Load(path), 0);
  EXPECT_EQ(loaded.GetSize(), 0u);
  EXPECT_EQ(loaded.Load((dir / "missing.dat").u16string()), 2);
  fs::remove_all(dir);
}

}  // namespace

#include "common/locations/locations.h"

#include <gtest/gtest.h>

#include "common/archive/archive.h"
#include "common/archive/object_buffer.h"
#include "common/archive/tests/test_bytes.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

TEST(Locations, DerivedNamesAndArchivedBody) {
  VkRegisterClasses<cVkLocations>();
  cVkLocations locations;
  EXPECT_EQ(locations.GetSettingsFile(), u"Settings.dat");
  locations.SetPaths(u"/var/lib/vk/", u"/opt/vk/");
  EXPECT_EQ(locations.GetSettingsFile(), u"/var/lib/vk/Settings.dat");
  EXPECT_EQ(locations.GetLogFile(), u"/var/lib/vk/DeskAgent.log");
  EXPECT_EQ(locations.GetEventMessageFile(), u"/opt/vk/DeskMsg.dll");

  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&locations, bytes), 0);
  auto body = Cat({Hex("01000000 FFFEFF 0C"), Hex("2F00 7600 6100 7200 2F00 6C00 6900 6200 2F00 7600 6B00 2F00"),
                   Hex("FFFEFF 08 2F00 6F00 7000 7400 2F00 7600 6B00 2F00")});
  EXPECT_EQ(bytes, Cat({Hex("FFFF 0100 0C00"), Ascii("cVkLocations"), body}));
  EXPECT_FALSE(locations.IsKindOf(&cVkObject::classInfo)) << "registered under the platform root";

  std::unique_ptr<cVkLocations> back;
  ASSERT_EQ(ObjectFromBufferAs(bytes.data(), bytes.size(), back), 0);
  EXPECT_EQ(back->GetServicePath(), u"/opt/vk/");
  cVkLocations copy;
  copy.CopyFrom(*back);
  EXPECT_EQ(copy.GetSettingsPath(), u"/var/lib/vk/");

  auto other = Hex("02000000 FFFEFF 01 7800");
  cVkArchive ar{std::span<const uint8_t>(other)};
  copy.Serialize(ar);
  EXPECT_EQ(copy.GetSettingsPath(), u"/var/lib/vk/");
}

// This program registers cVkLocations only: a record of a class it does not
// contain is refused, as in a program that does not contain the class.
TEST(Locations, ClassesOfOtherProgramsAreNotKnownHere) {
  VkRegisterClasses<cVkLocations>();
  auto record = Cat({Hex("FFFF 0100 0D00"), Ascii("cVkStringData"), Hex("01000000 FFFEFF 00")});
  std::unique_ptr<cVkObject> out;
  EXPECT_EQ(ObjectFromBuffer(record.data(), record.size(), out), VK_AR_BAD_CLASS);
  EXPECT_EQ(VkFindClass("cVkStringData"), nullptr);
  EXPECT_NE(VkFindClass("cVkLocations"), nullptr);
  EXPECT_EQ(VkFindClass("cvklocations"), nullptr) << "names are case-sensitive";
}

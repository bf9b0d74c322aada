// SaveToFile and LoadFromFile: body-only files, replaced whole.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "common/archive/archive.h"
#include "common/archive/collection.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/archive/tests/test_bytes.h"
#include "platform/core/text.h"
#include "platform/files/whole_file.h"

using vktest::Hex;

namespace {

class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vkarchiveXXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::u16string File(const char* name) const { return vk::FromUtf8(path_ + "/" + name); }

 private:
  std::string path_;
};

std::vector<uint8_t> Contents(const std::u16string& path) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(vk::files::ReadWholeFile(path, bytes), 0);
  return bytes;
}

// Writes part of its body and then fails, as a body that meets a bad value.
class cVkTestFailing : public cVkObject {
  VK_DECLARE_SERIAL(cVkTestFailing)
 public:
  void Serialize(cVkArchive& ar) override {
    ar.WriteDword(1);
    ar.Fail(VK_AR_GENERIC);
  }
};
VK_IMPLEMENT_SERIAL(cVkTestFailing, &cVkObject::classInfo, 1)

class ArchiveFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterClasses<cVkStringData>();
  }
  TempFolder dir;
};

TEST_F(ArchiveFiles, FileHoldsTheBodyOnly) {
  auto path = dir.File("text.dat");
  cVkStringData abc(u"abc");
  ASSERT_EQ(abc.SaveToFile(path), 0);
  EXPECT_EQ(Contents(path), Hex("01 00 00 00 FF FE FF 03 61 00 62 00 63 00"));

  cVkStringData loaded;
  ASSERT_EQ(loaded.LoadFromFile(path), 0);
  EXPECT_EQ(loaded.GetText(), u"abc");
}

TEST_F(ArchiveFiles, CollectionFileRoundTrip) {
  auto path = dir.File("list.dat");
  cVkCollection list;
  list.Add(new cVkStringData(u"first"));
  list.Add(new cVkStringData(u"second"));
  ASSERT_EQ(list.SaveToFile(path), 0);
  cVkCollection loaded;
  ASSERT_EQ(loaded.LoadFromFile(path), 0);
  ASSERT_EQ(loaded.GetSize(), 2u);
  EXPECT_EQ(static_cast<cVkStringData*>(loaded.GetAt(1))->GetText(), u"second");
}

TEST_F(ArchiveFiles, MissingDamagedAndFailedFiles) {
  cVkStringData text(u"unchanged");
  EXPECT_EQ(text.LoadFromFile(dir.File("missing.dat")), VK_FILE_NOT_FOUND);
  EXPECT_EQ(text.GetText(), u"unchanged");

  auto path = dir.File("cut.dat");
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, Hex("01 00 00 00 FF FE FF 05 61 00")), 0);
  EXPECT_EQ(text.LoadFromFile(path), VK_AR_END_OF_FILE);
  EXPECT_EQ(text.GetText(), u"unchanged");

  // A save whose body fails leaves the previous file as it was.
  auto old = Hex("01 00 00 00 FF FE FF 00");
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, old), 0);
  cVkTestFailing failing;
  EXPECT_EQ(failing.SaveToFile(path), VK_AR_GENERIC);
  EXPECT_EQ(Contents(path), old);

  EXPECT_EQ(text.SaveToFile(dir.File("no/such/folder/x.dat")), VK_FILE_BAD_PATH);
}

TEST_F(ArchiveFiles, LoadKeepsFieldsReadBeforeAFailure) {
  auto path = dir.File("partial.dat");
  // A collection of two strings, cut inside the second one.
  cVkCollection list;
  list.Add(new cVkStringData(u"kept"));
  list.Add(new cVkStringData(u"lost"));
  ASSERT_EQ(list.SaveToFile(path), 0);
  auto bytes = Contents(path);
  bytes.resize(bytes.size() - 3);
  ASSERT_EQ(vk::files::WriteWholeFileAtomic(path, bytes), 0);
  cVkCollection loaded;
  EXPECT_EQ(loaded.LoadFromFile(path), VK_AR_END_OF_FILE);
  ASSERT_EQ(loaded.GetSize(), 1u);
  EXPECT_EQ(static_cast<cVkStringData*>(loaded.GetAt(0))->GetText(), u"kept");
}

}  // namespace

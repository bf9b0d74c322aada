#include "common/security_lists/service_security.h"

#include <gtest/gtest.h>

#include "common/archive/archive.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/archive/tests/test_bytes.h"

using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

namespace {

// How the agent extends the class: more state, same wire name and body.
class cVkExtendedSecurity : public cVkServiceSecurity {
  VK_DECLARE_SERIAL(cVkExtendedSecurity)
 public:
  int descriptorBuilds = 0;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  size_t CountNames() const {
    std::lock_guard guard(lock_);
    return administrators_.size() + operators_.size() + users_.size();
  }
};
VK_IMPLEMENT_SERIAL_NAMED(cVkExtendedSecurity, "cVkServiceSecurity", &cVkServiceSecurity::classInfo, 1)

const std::vector<uint8_t> kBody =
    Hex("01000000"
        "0100 FFFEFF 03 41 00 5C 00 42 00"
        "0300 FFFEFF 01 61 00 FFFEFF 00 FFFEFF 01 62 00"
        "0000");

class ServiceSecurity : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterClasses<cVkServiceSecurity>();
  }
  void TearDown() override { VkRegisterClasses<cVkServiceSecurity>(); }
};

TEST_F(ServiceSecurity, BodyHoldsTheThreeListsInOrder) {
  cVkServiceSecurity security({u"A\\B"}, {u"a", u"", u"b"}, {});
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ObjectToBuffer(&security, bytes), 0);
  EXPECT_EQ(bytes, Cat({Hex("FFFF 0100 1200"), Ascii("cVkServiceSecurity"), kBody}));

  std::unique_ptr<cVkServiceSecurity> back;
  ASSERT_EQ(ObjectFromBufferAs(bytes.data(), bytes.size(), back), 0);
  EXPECT_EQ(back->GetAdministrators(), VkAccountList{u"A\\B"});
  EXPECT_EQ(back->GetOperators(), (VkAccountList{u"a", u"", u"b"}));
  EXPECT_TRUE(back->GetUsers().empty());

  std::unique_ptr<cVkObject> clone(back->Clone());
  cVkServiceSecurity copy;
  copy.CopyFrom(*clone);
  EXPECT_EQ(copy.GetOperators(), back->GetOperators());
}

TEST_F(ServiceSecurity, DamagedBodiesKeepTheListsReadWhole) {
  cVkServiceSecurity security({u"old"}, {u"old"}, {u"old"});
  auto cut = std::vector<uint8_t>(kBody.begin(), kBody.end() - 4);
  cVkArchive ar{std::span<const uint8_t>(cut)};
  security.Serialize(ar);
  EXPECT_EQ(ar.Failure(), VK_AR_END_OF_FILE);
  EXPECT_EQ(security.GetAdministrators(), VkAccountList{u"A\\B"});
  EXPECT_EQ(security.GetOperators(), VkAccountList{u"old"});

  // A count of four billion names with nothing behind it.
  auto huge = Hex("01000000 FFFF FFFFFFFE 00");
  cVkArchive ar2{std::span<const uint8_t>(huge)};
  security.Serialize(ar2);
  EXPECT_EQ(ar2.Failure(), VK_AR_END_OF_FILE);

  auto other = Hex("02000000 0100 FFFEFF 00");
  cVkArchive ar3{std::span<const uint8_t>(other)};
  security.Serialize(ar3);
  EXPECT_EQ(ar3.Failure(), 0);
  EXPECT_EQ(security.GetAdministrators(), VkAccountList{u"A\\B"});
}

TEST_F(ServiceSecurity, StoredListsSplitAndJoinExactly) {
  EXPECT_EQ(VkSplitAccountList(u"a,,b"), (VkAccountList{u"a", u"", u"b"}));
  EXPECT_EQ(VkSplitAccountList(u"Administrators"), VkAccountList{u"Administrators"});
  EXPECT_EQ(VkSplitAccountList(u""), VkAccountList{u""});
  EXPECT_EQ(VkSplitAccountList(u",x,"), (VkAccountList{u"", u"x", u""}));
  EXPECT_EQ(VkJoinAccountList({u"a", u"", u"b"}), u"a,,b");
  EXPECT_EQ(VkJoinAccountList({}), u"");
}

TEST_F(ServiceSecurity, AnExtendedFormRegisteredUnderTheWireName) {
  VkRegisterClasses<cVkExtendedSecurity>();
  auto bytes = Cat({Hex("FFFF 0100 1200"), Ascii("cVkServiceSecurity"), kBody});
  std::unique_ptr<cVkServiceSecurity> read;
  ASSERT_EQ(ObjectFromBufferAs(bytes.data(), bytes.size(), read), 0);
  auto* extended = dynamic_cast<cVkExtendedSecurity*>(read.get());
  ASSERT_NE(extended, nullptr);
  EXPECT_EQ(extended->CountNames(), 4u);
  std::vector<uint8_t> again;
  ASSERT_EQ(ObjectToBuffer(extended, again), 0);
  EXPECT_EQ(again, bytes);
}

}  // namespace

// The picker's node records byte for byte as Browse.dat holds them (the
// bodies stay readable by every build that wrote them), read back into the
// same nodes, and the names they give when picked.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/archive/class_info.h"
#include "common/archive/object_buffer.h"
#include "netpicker/nodes.h"

namespace {

using namespace vk::picker;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string hex;
  char digits[3];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    hex += digits;
  }
  return hex;
}

struct Golden {
  const char* what;
  std::unique_ptr<cVkNetWorkTreeNode> node;
  const char* hex;
};

std::vector<Golden> Nodes() {
  std::vector<Golden> nodes;
  nodes.push_back({"root", std::make_unique<cVkNetWorkTreeNodeRoot>(),
                   "ffff0100160063566b4e6574576f726b547265654e6f6465526f6f740100000001000000"});
  nodes.push_back({"nt4 domains", std::make_unique<cVkNetWorkTreeNodeNT4Domains>(),
                   "ffff01001c0063566b4e6574576f726b547265654e6f64654e5434446f6d61696e730100000001000000"});
  nodes.push_back({"w2k domains", std::make_unique<cVkNetWorkTreeNodeW2KDomains>(),
                   "ffff01001c0063566b4e6574576f726b547265654e6f646557324b446f6d61696e730100000001000000"});
  nodes.push_back(
      {"master", std::make_unique<cVkNetWorkTreeNodeNT4Master>(u"CORP"),
       "ffff01001b0063566b4e6574576f726b547265654e6f64654e54344d61737465720100000001000000fffeff0443004f0052005000"});
  nodes.push_back({"computers", std::make_unique<cVkNetWorkTreeNodeNT4Computers>(u"CORP"),
                   "ffff01001e0063566b4e6574576f726b547265654e6f64654e5434436f6d7075746572730100000001000000fffeff04430"
                   "04f0052005000"});
  nodes.push_back({"all users", std::make_unique<cVkNetWorkTreeNodeNT4AllUsers>(u"CORP"),
                   "ffff01001d0063566b4e6574576f726b547265654e6f64654e5434416c6c55736572730100000001000000fffeff0443004"
                   "f0052005000"});
  nodes.push_back({"all groups", std::make_unique<cVkNetWorkTreeNodeNT4AllGroups>(u"CORP"),
                   "ffff01001e0063566b4e6574576f726b547265654e6f64654e5434416c6c47726f7570730100000001000000fffeff04430"
                   "04f0052005000"});
  nodes.push_back({"global group", std::make_unique<cVkNetWorkTreeNodeNT4Users>(u"CORP", u"Staff"),
                   "ffff01001a0063566b4e6574576f726b547265654e6f64654e543455736572730100000001000000fffeff0443004f00520"
                   "05000fffeff0553007400610066006600"});
  nodes.push_back({"computer", std::make_unique<cVkNetWorkTreeNodeNT4LocalGroups>(u"PC1"),
                   "ffff0100200063566b4e6574576f726b547265654e6f64654e54344c6f63616c47726f7570730100000001000000fffeff0"
                   "3500043003100"});
  nodes.push_back({"local group", std::make_unique<cVkNetWorkTreeNodeNT4LocalUsers>(u"PC1", u"Admins"),
                   "ffff01001f0063566b4e6574576f726b547265654e6f64654e54344c6f63616c55736572730100000001000000fffeff035"
                   "00043003100fffeff06410064006d0069006e007300"});
  nodes.push_back(
      {"domain user", std::make_unique<cVkNetWorkTreeNodeDomainUser>(u"CORP"),
       "ffff01001c0063566b4e6574576f726b547265654e6f6465446f6d61696e557365720100000001000000fffeff0443004f0052005000"});
  nodes.push_back(
      {"local user", std::make_unique<cVkNetWorkTreeNodeLocalUser>(u"PC1"),
       "ffff01001b0063566b4e6574576f726b547265654e6f64654c6f63616c557365720100000001000000fffeff03500043003100"});
  nodes.push_back(
      {"directory", std::make_unique<cVkNetWorkTreeNodeW2KDC>(u"corp.test", u"ou=S,dc=corp", u"CORP", 9),
       "ffff0100170063566b4e6574576f726b547265654e6f646557324b44430100000001000000fffeff0963006f00720070002e00740065007"
       "3007400fffeff0c6f0075003d0053002c00640063003d0063006f0072007000fffeff0443004f005200500009000000"});
  return nodes;
}

TEST(PickerNodes, RecordsAreTheSavedBytesAndReadBackIntoTheSameNodes) {
  // The test's own class registry (the library keeps its own to itself).
  std::vector<Golden> nodes = Nodes();
  for (Golden& golden : nodes) VkRegisterClass(golden.node->GetRuntimeClass());
  for (Golden& golden : nodes) {
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ObjectToBuffer(golden.node.get(), bytes), 0) << golden.what;
    EXPECT_EQ(Hex(bytes), golden.hex) << golden.what;

    std::unique_ptr<cVkObject> read;
    ASSERT_EQ(ObjectFromBuffer(bytes.data(), bytes.size(), read), 0) << golden.what;
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetRuntimeClass(), golden.node->GetRuntimeClass()) << golden.what;
    std::vector<uint8_t> again;
    ASSERT_EQ(ObjectToBuffer(read.get(), again), 0);
    EXPECT_EQ(again, bytes) << golden.what;
    std::unique_ptr<cVkObject> clone(read->Clone());
    std::vector<uint8_t> cloned;
    ASSERT_EQ(ObjectToBuffer(clone.get(), cloned), 0);
    EXPECT_EQ(cloned, bytes) << golden.what;
  }
}

}  // namespace

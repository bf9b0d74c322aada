// GetServiceData and SetServiceData through the whole chain: a client that
// connected as some uid, the kernel's answer, the token from NSS
// (nss_wrapper: root and alice administer, bob is in operators and viewers,
// carol in viewers), the access check, the objects and the call's log.
#include "agent/rpc/tests/rpc_test_support.h"
#include "common/archive/string_data.h"
#include "platform/core/error_codes.h"

namespace {

using vk::testing::CallAs;
using vk::testing::LogHas;
using vk::testing::LogTexts;
using vk::testing::RemoteCall;
using namespace vk::rpc;

constexpr uint32_t kBob = 1001;
constexpr uint32_t kCarol = 1002;
constexpr uint32_t kUnknownUid = 4242;

const std::string kSetDenied =
    "An error has occurred while setting the SMS configuration. Failed to impersonate logged on user. Errorcode 5.";
const std::string kAccessDenied = "Access to the service has been denied. Errorcode 5.";

// Settings whose update port differs from the defaults.
std::vector<uint8_t> SettingsWithUpdatePort(uint16_t port) {
  cVkServiceSettings defaults;
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ObjectToBuffer(&defaults, bytes), 0);
  const uint8_t defaultPort[] = {0x00, 0xBD};  // 48384, the first of the connection part's ports
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(defaultPort), std::end(defaultPort));
  EXPECT_NE(at, bytes.end());
  if (at == bytes.end()) return bytes;
  at[0] = static_cast<uint8_t>(port);
  at[1] = static_cast<uint8_t>(port >> 8);
  return bytes;
}

std::vector<uint8_t> SecurityBytes(VkAccountList administrators, VkAccountList operators, VkAccountList users) {
  cVkServiceSecurity lists(std::move(administrators), std::move(operators), std::move(users));
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ObjectToBuffer(&lists, bytes), 0);
  return bytes;
}

class RpcAccess : public vk::testing::RpcListenerFixture {
 protected:
  void SetUp() override {
    RpcListenerFixture::SetUp();
    ASSERT_TRUE(StartListener());
  }
  uint16_t UpdatePort() { return settings_.GetConnection()->GetUpdatePort(); }
};

TEST_F(RpcAccess, AnAdministratorReadsAndChangesSettingsSavedAtOnce) {
  auto stream = Connect();
  cVkRpcClient client(*stream);
  ASSERT_EQ(client.Bind(), 0);

  cVkRpcCallResult result;
  ASSERT_EQ(client.GetServiceData(kTypeGetSettings, &result), 0);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.returnValue, 0);
  std::unique_ptr<cVkServiceSettings> settings;
  ASSERT_EQ(ObjectFromBufferAs(result.outData.data(), result.outData.size(), settings), 0);
  EXPECT_EQ(settings->GetConnection()->GetUpdatePort(), 48384);
  EXPECT_TRUE(LogTexts(result.outLog).empty());

  ASSERT_EQ(client.SetServiceData(kTypeSetSettings, SettingsWithUpdatePort(50123), &result), 0);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(UpdatePort(), 50123);
  EXPECT_EQ(saves_, 1);

  ASSERT_EQ(client.GetServiceData(kTypeGetSecurity, &result), 0);
  std::unique_ptr<cVkServiceSecurity> lists;
  ASSERT_EQ(ObjectFromBufferAs(result.outData.data(), result.outData.size(), lists), 0);
  EXPECT_EQ(lists->GetOperators(), VkAccountList{u"operators"});
  EXPECT_EQ(lists->GetUsers(), VkAccountList{u"viewers"});
}

TEST_F(RpcAccess, AUserOnTheUsersListReadsButIsRefusedASet) {
  RemoteCall get = CallAs(kCarol, Port(), kOpGetServiceData, kTypeGetSettings);
  ASSERT_EQ(get.code, 0);
  EXPECT_EQ(get.result.status, 0);
  std::unique_ptr<cVkServiceSettings> settings;
  EXPECT_EQ(ObjectFromBufferAs(get.result.outData.data(), get.result.outData.size(), settings), 0);

  RemoteCall set = CallAs(kCarol, Port(), kOpSetServiceData, kTypeSetSettings, SettingsWithUpdatePort(50124));
  ASSERT_EQ(set.code, 0);
  EXPECT_EQ(set.result.status, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(set.result.outData.empty());
  EXPECT_TRUE(LogHas(set.result.outLog, kAccessDenied));
  EXPECT_TRUE(LogHas(set.result.outLog, kSetDenied));
  EXPECT_EQ(UpdatePort(), 48384);
  EXPECT_EQ(saves_, 0);
}

TEST_F(RpcAccess, AnOperatorChangesSettingsButNotAccessRights) {
  RemoteCall set = CallAs(kBob, Port(), kOpSetServiceData, kTypeSetSettings, SettingsWithUpdatePort(50125));
  ASSERT_EQ(set.code, 0);
  EXPECT_EQ(set.result.status, 0);
  EXPECT_EQ(UpdatePort(), 50125);

  set = CallAs(kBob, Port(), kOpSetServiceData, kTypeSetSecurity, SecurityBytes({u"bob"}, {}, {}));
  ASSERT_EQ(set.code, 0);
  EXPECT_EQ(set.result.status, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(LogHas(set.result.outLog,
                     "An error has occurred while setting the service security settings. Failed to impersonate "
                     "logged on user. Errorcode 5."));
  EXPECT_EQ(security_.GetAdministrators(), VkAccountList{u"Administrators"});
  EXPECT_EQ(securityChanges_, 0);
}

TEST_F(RpcAccess, ALockOutThroughSetSecurityIsRefusedAndAValidOneTaken) {
  auto stream = Connect();
  cVkRpcClient client(*stream);
  ASSERT_EQ(client.Bind(), 0);
  cVkRpcCallResult result;
  // Administrators would no longer include the caller (root).
  ASSERT_EQ(client.SetServiceData(kTypeSetSecurity, SecurityBytes({u"carol"}, {u"carol"}, {u"carol"}), &result), 0);
  EXPECT_EQ(result.status, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(LogHas(result.outLog,
                     "An error has occured while changing the service access rights. Resulting settings do not give "
                     "administrative privileges to the client user. Operation refused. Errorcode 5."));
  EXPECT_EQ(security_.GetAdministrators(), VkAccountList{u"Administrators"});
  EXPECT_EQ(securityChanges_, 0);

  ASSERT_EQ(client.SetServiceData(kTypeSetSecurity,
                                  SecurityBytes({u"Administrators", u"alice"}, {u"operators"}, {u"viewers", u"carol"}),
                                  &result),
            0);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(security_.GetAdministrators(), (VkAccountList{u"Administrators", u"alice"}));
  EXPECT_EQ(securityChanges_, 1);
  EXPECT_NE(ReadText(folder_ + "/HKLM.reg").find("\"Administrators\"=\"Administrators,alice\""), std::string::npos);
}

TEST_F(RpcAccess, ACallerWithoutIdentityHasNoAccess) {
  RemoteCall get = CallAs(kUnknownUid, Port(), kOpGetServiceData, kTypeGetSettings);
  ASSERT_EQ(get.code, 0);
  EXPECT_EQ(get.result.status, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(get.result.outData.empty());
  auto texts = LogTexts(get.result.outLog);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0].rfind("Error impersonating client. Errorcode 5.", 0), 0u);
  EXPECT_EQ(texts.back(),
            "An error has occurred while retrieving data from the service. Failed to impersonate logged on user. "
            "Errorcode 5.");
}

TEST_F(RpcAccess, OnlyWholeObjectsOfTheRightClassAreTakenAndEverySaveCounts) {
  auto stream = Connect();
  cVkRpcClient client(*stream);
  ASSERT_EQ(client.Bind(), 0);
  cVkRpcCallResult result;
  auto createFailed = [&](int32_t cause) {
    for (const std::string& text : LogTexts(result.outLog))
      if (text.rfind("Error creating object from RPC buffer. Errorcode " + std::to_string(cause), 0) == 0) return true;
    return false;
  };

  // No object at all.
  ASSERT_EQ(client.SetServiceData(kTypeSetSettings, {}, &result), 0);
  EXPECT_EQ(result.status, VK_AR_BAD_CLASS);
  EXPECT_TRUE(createFailed(VK_AR_BAD_CLASS));
  // An object of another class.
  cVkStringData text(u"not settings");
  std::vector<uint8_t> other;
  ASSERT_EQ(ObjectToBuffer(&text, other), 0);
  ASSERT_EQ(client.SetServiceData(kTypeSetSettings, other, &result), 0);
  EXPECT_EQ(result.status, VK_AR_BAD_CLASS);
  ASSERT_EQ(client.SetServiceData(kTypeSetSecurity, other, &result), 0);
  EXPECT_EQ(result.status, VK_AR_BAD_CLASS);
  // A truncated one.
  std::vector<uint8_t> cut = SettingsWithUpdatePort(50126);
  cut.resize(cut.size() - 3);
  ASSERT_EQ(client.SetServiceData(kTypeSetSettings, cut, &result), 0);
  EXPECT_EQ(result.status, VK_AR_END_OF_FILE);
  EXPECT_TRUE(createFailed(VK_AR_END_OF_FILE));
  EXPECT_EQ(UpdatePort(), 48384);
  EXPECT_EQ(saves_, 0);

  // A get of a set type, and an unknown type, succeed with nothing.
  ASSERT_EQ(client.GetServiceData(kTypeSetSettings, &result), 0);
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.outData.empty());
  EXPECT_TRUE(LogTexts(result.outLog).empty());
  ASSERT_EQ(client.SetServiceData(9, other, &result), 0);
  EXPECT_EQ(result.status, 0);

  // Settings that cannot be saved are reported, not hidden.
  saveResult_ = ERROR_DISK_FULL;
  ASSERT_EQ(client.SetServiceData(kTypeSetSettings, SettingsWithUpdatePort(50127), &result), 0);
  EXPECT_EQ(result.status, ERROR_DISK_FULL);
  EXPECT_TRUE(LogHas(result.outLog, "An error has occurred while saving the service settings. Errorcode 112."));
  EXPECT_EQ(saves_, 1);
}

}  // namespace

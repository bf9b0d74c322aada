// The picker's "Microsoft Windows Network" branch from what the local
// network announces: a real avahi-daemon of the test's own (private
// namespaces), other hosts announced by avahi-publish, the dialog driven
// under Qt offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "netpicker/browse_dialog.h"
#include "netpicker/collect_job.h"
#include "netpicker/netpicker.h"
#include "netpicker/picker_tree.h"
#include "netpicker/tests/picker_test_items.h"
#include "platform/accounts/host_info.h"
#include "platform/dnssd/testing/test_avahi.h"

namespace {

using namespace vk::picker;
using namespace picker_test;
using vk::dnssd::testing::TestAvahi;

class PickerNetwork : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The namespaces first: Qt's threads would stay outside them.
    TestAvahi::Shared();
    static int argc = 1;
    static char name[] = "picker_network_test";
    static char* argv[] = {name, nullptr};
    application_ = new QApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete application_;
    application_ = nullptr;
  }
  void SetUp() override {
    if (!avahi_.Running()) GTEST_SKIP() << avahi_.Failure();
    char pattern[] = "/tmp/vk-picker-net-XXXXXX";
    folder_ = mkdtemp(pattern);
    treeFile_ = (folder_ / "Browse.dat").u16string();
  }
  void TearDown() override {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }

  static QApplication* application_;
  TestAvahi& avahi_ = TestAvahi::Shared();
  std::filesystem::path folder_;
  std::u16string treeFile_;
};

QApplication* PickerNetwork::application_ = nullptr;

TEST_F(PickerNetwork, BrowseDomainsBesideTheWorkgroupAndTheirAnnouncingHostsAsComputers) {
  ASSERT_TRUE(avahi_.AnnounceBrowseDomain("branch.example"));
  ASSERT_TRUE(avahi_.Publish({{"desk7", "_workstation._tcp", 9, "desk7", {}},
                              {"desk7 ssh", "_ssh._tcp", 22, "desk7", {}},
                              {"managed", "_viewkeeper._tcp", 48384, "managed9", {"build=1114"}},
                              {"Printer", "_ipp._tcp", 631, "printer3", {}}}));
  cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile_);
  dialog.show();
  cVkMultipleSelectSaveTree& tree = *dialog.Tree();
  QTreeWidgetItem* network = Expand(Child(Expand(tree.topLevelItem(0)), "Microsoft Windows Network"));
  ASSERT_NE(network, nullptr);
  const QString workgroup = QString::fromStdU16String(vk::ReadWorkgroup());
  QStringList domains = Labels(network);
  domains.sort();
  QStringList expected{workgroup, "branch.example", "local"};
  expected.sort();
  EXPECT_EQ(domains, expected);

  // A browse domain has the three folders of every domain; its computers
  // are the hosts that announce a workstation, SSH or an agent, once each.
  QTreeWidgetItem* local = Expand(Child(network, "local"));
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(Labels(local), (QStringList{"Computers", "All Users", "All Groups"}));
  QTreeWidgetItem* computers = Expand(Child(local, "Computers"));
  QStringList found = Labels(computers);
  EXPECT_EQ(found.count("desk7"), 1) << found.join(',').toStdString();
  EXPECT_EQ(found.count("managed9"), 1) << found.join(',').toStdString();
  EXPECT_FALSE(found.contains("printer3"));
  ASSERT_NE(Child(computers, "desk7"), nullptr);
  EXPECT_EQ(tree.ImageOf(Child(computers, "desk7")), static_cast<uint32_t>(kImageComputer));

  tree.clearSelection();
  Child(computers, "managed9")->setSelected(true);
  dialog.OkButton()->click();
  ASSERT_EQ(dialog.Picked().size(), 1u);
  EXPECT_EQ(dialog.Picked()[0].kind, VK_PICKED_COMPUTER);
  EXPECT_EQ(dialog.Picked()[0].name, u"managed9");
}

TEST_F(PickerNetwork, RefreshShowsWhatTheNetworkAnnouncesNow) {
  ASSERT_TRUE(avahi_.Publish({{"lab4", "_ssh._tcp", 22, "lab4", {}}}));
  cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile_);
  dialog.show();
  cVkMultipleSelectSaveTree& tree = *dialog.Tree();
  QTreeWidgetItem* network = Expand(Child(Expand(tree.topLevelItem(0)), "Microsoft Windows Network"));
  QTreeWidgetItem* computers = Expand(Child(Expand(Child(network, "local")), "Computers"));
  ASSERT_TRUE(Labels(computers).contains("lab4")) << Labels(computers).join(',').toStdString();

  // The daemon forgets a withdrawn host a moment later: Refresh until then.
  avahi_.Withdraw("lab4");
  tree.clearSelection();
  computers->setSelected(true);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  do {
    tree.RefreshSelected();
  } while (Labels(computers).contains("lab4") && std::chrono::steady_clock::now() < deadline);
  EXPECT_FALSE(Labels(computers).contains("lab4")) << Labels(computers).join(',').toStdString();
  EXPECT_EQ(cVkCollectJob::Running(), 0);
  dialog.CancelButton()->click();
}

}  // namespace

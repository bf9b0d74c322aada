// The "Browse network" dialog driven with QTest under Qt offscreen: the
// directory through DirBridge against a slapd of the test's own (the one
// ldap.conf names), this computer's users and groups through nss_wrapper,
// the tree file kept between runs, and the exports' results.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/network/tree_item.h"
#include "dirbridge/tests/slapd_server.h"
#include "netpicker/browse_dialog.h"
#include "netpicker/collect_job.h"
#include "netpicker/error_dialogs.h"
#include "netpicker/netpicker.h"
#include "netpicker/picker_tree.h"
#include "netpicker/progress_dialog.h"
#include "netpicker/tests/picker_test_items.h"
#include "platform/accounts/host_info.h"
#include "platform/core/text.h"

namespace {

using namespace vk::picker;
using namespace picker_test;

std::string Directory() {
  return "dn: dc=corp,dc=test\nobjectClass: domainDNS\ndc: corp\n\n"
         "dn: ou=Staff,dc=corp,dc=test\nobjectClass: organizationalUnit\nou: Staff\n\n"
         "dn: cn=Users,dc=corp,dc=test\nobjectClass: container\ncn: Users\n\n"
         "dn: cn=Admins,dc=corp,dc=test\nobjectClass: group\ncn: Admins\nsAMAccountName: Admins\n\n"
         "dn: cn=erin,ou=Staff,dc=corp,dc=test\nobjectClass: user\ncn: erin\nsn: erin\nsAMAccountName: erin\n\n"
         "dn: cn=PC1,ou=Staff,dc=corp,dc=test\nobjectClass: computer\ncn: PC1\nsn: PC1\nsAMAccountName: PC1$\n\n"
         "dn: cn=svc,ou=Staff,dc=corp,dc=test\nobjectClass: user\ncn: svc\nsn: svc\nsAMAccountName: svc$\n\n";
}

vk::testing::SlapdServer* directory = nullptr;

class PickerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    directory = new vk::testing::SlapdServer("dc=corp,dc=test", Directory(), SCHEMA_FILE);
    std::ofstream(std::getenv("LDAPCONF")) << "URI " << directory->Uri() << "\nBASE dc=corp,dc=test\nTIMEOUT 5\n";
  }
  void TearDown() override { delete directory; }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new PickerEnvironment);

std::string LogText(cOrkLog& log) {
  std::string text;
  for (const cOrkLogMessage& message : log.GetMessages()) text += vk::ToUtf8(message.text) + "\n";
  return text;
}

QString Text(QTreeWidgetItem* item) { return item->text(0); }

void Pick(cVkMultipleSelectSaveTree& tree, const std::vector<QTreeWidgetItem*>& items) {
  tree.clearSelection();
  for (QTreeWidgetItem* item : items) {
    ASSERT_NE(item, nullptr);
    tree.scrollToItem(item);
    QRect place = tree.visualItemRect(item);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, Qt::ControlModifier, place.center());
  }
}

class Picker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(directory->Running()) << directory->Diagnostics();
    char pattern[] = "/tmp/vk-picker-XXXXXX";
    folder = mkdtemp(pattern);
    treeFile = (folder / "Browse.dat").u16string();
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::filesystem::path folder;
  std::u16string treeFile;
};

TEST_F(Picker, DirectoryUserGroupAndComputerInTheirForms) {
  cVkBrowseNetworkDialog dialog(nullptr, VK_PICKER_ICON_COMPUTERS, treeFile);
  dialog.show();
  cVkMultipleSelectSaveTree& tree = *dialog.Tree();
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  EXPECT_EQ(Text(tree.topLevelItem(0)), QStringLiteral("Network"));
  QTreeWidgetItem* root = Expand(tree.topLevelItem(0));
  EXPECT_EQ(Labels(root), (QStringList{"Directory", "Microsoft Windows Network"}));

  QTreeWidgetItem* domain = Open(tree, {"Directory", "corp.test"});
  ASSERT_NE(domain, nullptr);
  // Objects without an account name are shown by their own name.
  EXPECT_EQ(Labels(domain), (QStringList{"Admins", "Staff", "Users"}));
  QTreeWidgetItem* staff = Expand(Child(domain, "Staff"));
  EXPECT_EQ(Labels(staff), (QStringList{"erin", "PC1"}));  // svc$ is left out

  Pick(tree, {Child(staff, "erin"), Child(domain, "Admins"), Child(staff, "PC1"), staff});
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const auto& picked = dialog.Picked();
  ASSERT_EQ(picked.size(), 3u);  // the organisational unit is not returned
  EXPECT_EQ(picked[0].kind, VK_PICKED_GROUP);
  EXPECT_EQ(picked[0].name, u"CORP\\Admins");
  EXPECT_EQ(picked[1].kind, VK_PICKED_USER);
  EXPECT_EQ(picked[1].name, u"CORP\\erin");
  EXPECT_EQ(picked[2].kind, VK_PICKED_COMPUTER);
  EXPECT_EQ(picked[2].name, u"PC1");
}

TEST_F(Picker, LocalUsersAndGroupsThroughNss) {
  const QString workgroup = QString::fromStdU16String(vk::ReadWorkgroup());
  cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile);
  dialog.show();
  cVkMultipleSelectSaveTree& tree = *dialog.Tree();
  QTreeWidgetItem* domain = Open(tree, {"Microsoft Windows Network", workgroup});
  ASSERT_NE(domain, nullptr);
  EXPECT_EQ(Labels(domain), (QStringList{"Computers", "All Users", "All Groups"}));

  // People only: neither root nor the system's accounts.
  QTreeWidgetItem* users = Expand(Child(domain, "All Users"));
  EXPECT_EQ(Labels(users), (QStringList{"alice", "bob", "carol", "CORP\\dave"}));
  QTreeWidgetItem* viewers = Expand(Child(Expand(Child(domain, "All Groups")), "viewers"));
  ASSERT_NE(viewers, nullptr);
  EXPECT_EQ(Labels(viewers), (QStringList{"bob", "carol"}));

  QTreeWidgetItem* computer = Expand(Child(Expand(Child(domain, "Computers")), "TESTPC"));
  ASSERT_NE(computer, nullptr);
  EXPECT_TRUE(Labels(computer).contains("Administrators"));
  EXPECT_TRUE(Labels(computer).contains("operators"));
  QTreeWidgetItem* administrators = Expand(Child(computer, "Administrators"));
  EXPECT_EQ(Labels(administrators), (QStringList{"alice", "root"}));

  Pick(tree, {Child(users, "bob"), Child(viewers, "carol"), computer, administrators, Child(administrators, "alice"),
              Child(domain, "All Groups")});
  dialog.OkButton()->click();
  const auto& picked = dialog.Picked();
  ASSERT_EQ(picked.size(), 5u);
  // In tree order: the computer's branch comes first.
  const std::u16string group = workgroup.toStdU16String();
  EXPECT_EQ(picked[0].name, u"TESTPC");
  EXPECT_EQ(picked[0].kind, VK_PICKED_COMPUTER);
  EXPECT_EQ(picked[1].name, u"\\\\TESTPC\\Administrators");
  EXPECT_EQ(picked[1].kind, VK_PICKED_GROUP);
  EXPECT_EQ(picked[2].name, u"TESTPC\\alice");
  EXPECT_EQ(picked[2].kind, VK_PICKED_USER);
  EXPECT_EQ(picked[3].name, group + u"\\bob");
  EXPECT_EQ(picked[3].kind, VK_PICKED_USER);
  EXPECT_EQ(picked[4].name, group + u"\\carol");
}

TEST_F(Picker, TreeFileRoundTripAndDamagedFile) {
  {
    cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile);
    Open(*dialog.Tree(), {"Directory", "corp.test", "Staff"});
    dialog.CancelButton()->click();  // Cancel saves the tree too
  }
  {
    cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile);
    cVkMultipleSelectSaveTree& tree = *dialog.Tree();
    QTreeWidgetItem* root = tree.topLevelItem(0);
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    ASSERT_EQ(dialog.StartLog().CountMessages(LOG_ALL), 0u) << LogText(dialog.StartLog());
    // Restored as it was, without asking the directory again.
    QTreeWidgetItem* staff = Child(Child(Child(root, "Directory"), "corp.test"), "Staff");
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(Labels(staff), (QStringList{"erin", "PC1"}));
    QTreeWidgetItem* erin = Child(staff, "erin");
    EXPECT_EQ(tree.ImageOf(erin), static_cast<uint32_t>(kImageUser));
    ASSERT_NE(tree.NodeOf(erin), nullptr);
    EXPECT_EQ(tree.NodeOf(erin)->GetResultName(tree, erin), u"CORP\\erin");
    EXPECT_EQ(dialog.StartLog().CountMessages(LOG_ALL), 0u);
  }
  std::vector<char> bytes(std::filesystem::file_size(folder / "Browse.dat"));
  std::ifstream(folder / "Browse.dat", std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(bytes.size() / 2);  // cut off in the middle
  std::ofstream(folder / "Browse.dat", std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile);
  ASSERT_EQ(dialog.Tree()->topLevelItemCount(), 1);
  EXPECT_EQ(dialog.Tree()->topLevelItem(0)->childCount(), 0);
  EXPECT_EQ(Text(dialog.Tree()->topLevelItem(0)), QStringLiteral("Network"));
  EXPECT_EQ(dialog.StartLog().CountMessages(LOG_WARNING), 1u);
}

// Closes the error dialog when it comes and keeps what it said.
struct ErrorWatcher {
  QString text;
  QString details;
  int32_t code = 0;
  QTimer timer;
  ErrorWatcher() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* error = qobject_cast<cVkPickerErrorDialog*>(QApplication::activeModalWidget());
      if (error == nullptr) return;
      text = error->MessageText();
      code = error->Code();
      cVkPickerLogDialog log(nullptr, error->Log());
      for (int i = 0; i < log.List()->topLevelItemCount(); ++i) details += log.List()->topLevelItem(i)->text(2) + "\n";
      error->accept();
    });
    timer.start(10);
  }
};

TEST_F(Picker, FailedDirectorySearchShowsTheErrorAndInsertsNothing) {
  // A saved directory node of a server that does not answer.
  cVkTreeItem saved(u"Network", 0, kImageNetwork, kImageNetwork, std::make_unique<cVkNetWorkTreeNodeRoot>());
  saved.AddChild(std::make_unique<cVkTreeItem>(u"gone", 0, kImageDomain, kImageDomain,
                                               std::make_unique<cVkNetWorkTreeNodeW2KDC>(u"127.0.0.1", u"", u"", 1)));
  ASSERT_EQ(saved.SaveToFile(treeFile), 0);
  cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile);
  QTreeWidgetItem* gone = Child(dialog.Tree()->topLevelItem(0), "gone");
  ASSERT_NE(gone, nullptr);
  ErrorWatcher watcher;
  gone->setExpanded(true);
  EXPECT_TRUE(watcher.text.startsWith(
      "An error has occurred while retrieving the information for the selected tree item.\n To get extensive"));
  EXPECT_EQ(watcher.code, -1);
  EXPECT_TRUE(watcher.details.contains("An error occured while performing a LDAP search query. Errorcode -1."));
  EXPECT_EQ(gone->childCount(), 0);
  EXPECT_EQ(gone->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
}

// Lets the frozen directory server go on. The fixture stops its server
// only once it runs again; it is found by the address it listens on.
void Thaw(const std::string& uri) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream file(entry.path() / "cmdline", std::ios::binary);
    std::string command((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (command.find("slapd") == std::string::npos || command.find(uri) == std::string::npos) continue;
    kill(static_cast<pid_t>(std::stoi(entry.path().filename().string())), SIGCONT);
  }
}

// Answers the "Please Wait..." dialog with Cancel once it shows the elapsed
// time, and keeps what it showed.
struct WaitCanceller {
  QString title;
  QString text;
  QTimer timer;
  WaitCanceller() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* wait = qobject_cast<cVkPickerProgressDialog*>(QApplication::activeModalWidget());
      if (wait == nullptr || !title.isEmpty()) return;
      title = wait->windowTitle();
      text = wait->Text();
      for (QPushButton* button : wait->findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("Cancel")) button->click();
    });
    timer.start(10);
  }
};

TEST_F(Picker, SlowCollectionShowsPleaseWaitAndCancelLeavesTheItemChildlessAndTheDialogWorking) {
  cVkBrowseNetworkDialog dialog(nullptr, 0, treeFile);
  dialog.show();
  cVkMultipleSelectSaveTree& tree = *dialog.Tree();
  QTreeWidgetItem* corp = Child(Open(tree, {"Directory"}), "corp.test");
  ASSERT_NE(corp, nullptr);
  ASSERT_TRUE(directory->Freeze());
  {
    WaitCanceller canceller;
    corp->setExpanded(true);
    EXPECT_EQ(canceller.title, QStringLiteral("Please Wait..."));
    EXPECT_TRUE(canceller.text.startsWith(
        QStringLiteral("Please wait... Collecting information for corp.test. Elapsed time: ")))
        << canceller.text.toStdString();
  }
  EXPECT_EQ(corp->childCount(), 0);
  EXPECT_EQ(corp->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
  // The abandoned job goes on alone until the server answers.
  EXPECT_EQ(cVkCollectJob::Running(), 1);
  Thaw(directory->Uri());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (cVkCollectJob::Running() != 0 && std::chrono::steady_clock::now() < deadline) QTest::qWait(20);
  EXPECT_EQ(cVkCollectJob::Running(), 0);
  EXPECT_EQ(corp->childCount(), 0);  // its late result is dropped

  // The dialog goes on: the item collects again, and a pick comes back.
  tree.clearSelection();
  corp->setSelected(true);
  tree.RefreshSelected();
  EXPECT_EQ(Labels(corp), (QStringList{"Admins", "Staff", "Users"}));
  Pick(tree, {Child(corp, "Admins")});
  dialog.OkButton()->click();
  ASSERT_EQ(dialog.Picked().size(), 1u);
  EXPECT_EQ(dialog.Picked()[0].name, u"CORP\\Admins");
}

TEST_F(Picker, ExportsReturnPicksAndAlwaysWriteTheirOutputs) {
  uint32_t count = 77;
  VkNetworkObject* entries = reinterpret_cast<VkNetworkObject*>(&count);
  // Cancel: 2, nothing picked, and the tree is saved.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<cVkBrowseNetworkDialog*>(QApplication::activeModalWidget());
    if (dialog != nullptr) dialog->CancelButton()->click();
  });
  EXPECT_EQ(VkSelectNetworkObjects(VK_PICKER_ICON_COMPUTERS, treeFile.c_str(), &count, &entries), 2);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(entries, nullptr);
  EXPECT_TRUE(std::filesystem::exists(folder / "Browse.dat"));
  FreeData(entries, count);

  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<cVkBrowseNetworkDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    QTreeWidgetItem* staff = Open(*dialog->Tree(), {"Directory", "corp.test", "Staff"});
    if (staff == nullptr) return dialog->reject();
    Pick(*dialog->Tree(), {Child(staff, "PC1"), Child(staff, "erin")});
    dialog->OkButton()->click();
  });
  ASSERT_EQ(VkSelectNetworkObjects(VK_PICKER_ICON_COMPUTERS, treeFile.c_str(), &count, &entries), 1);
  ASSERT_EQ(count, 2u);
  ASSERT_NE(entries, nullptr);
  EXPECT_EQ(entries[0].kind, VK_PICKED_USER);
  EXPECT_EQ(std::u16string(entries[0].name), u"CORP\\erin");
  EXPECT_EQ(entries[1].kind, VK_PICKED_COMPUTER);
  EXPECT_EQ(std::u16string(entries[1].name), u"PC1");
  FreeData(entries, count);
  FreeData(nullptr, 3);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

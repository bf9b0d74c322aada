// "Computername required" and its "..." button: the computers picked in the
// network object picker join the typed names (Qt offscreen; the picker
// lists this computer in its workgroup through NSS).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "console/ui/computer_name_dialog.h"
#include "console/ui/config/deployment_wizard.h"
#include "console/ui/config/security_dialog.h"
#include "console/ui/config/service_setup_dialog.h"
#include "netpicker/browse_dialog.h"
#include "netpicker/netpicker.h"
#include "netpicker/picker_tree.h"
#include "platform/accounts/computer_name.h"
#include "platform/accounts/host_info.h"

namespace {

QTreeWidgetItem* ExpandChild(QTreeWidgetItem* parent, const QString& label) {
  for (int i = 0; parent != nullptr && i < parent->childCount(); ++i) {
    if (parent->child(i)->text(0) != label) continue;
    parent->child(i)->setExpanded(true);
    return parent->child(i);
  }
  return nullptr;
}

TEST(ComputerNamePick, PickedComputersJoinTheTypedNames) {
  char16_t pc1[] = u"PC1";
  char16_t web1[] = u"web1";
  char16_t group[] = u"CORP\\Admins";
  VkNetworkObject picked[] = {
      {VK_PICKED_COMPUTER, pc1}, {VK_PICKED_COMPUTER, web1}, {VK_PICKED_GROUP, group}, {VK_PICKED_COMPUTER, nullptr}};
  EXPECT_EQ(MergePickedComputers({"WEB1", "db"}, picked, 4), QStringLiteral("WEB1,db,PC1"));
  EXPECT_EQ(MergePickedComputers({}, picked, 0), QString());
}

// Once the picker opens: this computer selected in its workgroup and OK.
void PickThisComputerWhenThePickerOpens(bool& picked) {
  picked = false;
  QTimer::singleShot(0, [&picked] {
    auto* dialog = qobject_cast<vk::picker::cVkBrowseNetworkDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    const QString local = QString::fromStdU16String(vk::LocalComputerName());
    const QString workgroup = QString::fromStdU16String(vk::ReadWorkgroup());
    vk::picker::cVkMultipleSelectSaveTree& tree = *dialog->Tree();
    tree.topLevelItem(0)->setExpanded(true);
    QTreeWidgetItem* computers = ExpandChild(
        ExpandChild(ExpandChild(tree.topLevelItem(0), "Microsoft Windows Network"), workgroup), "Computers");
    QTreeWidgetItem* computer = ExpandChild(computers, local);
    if (computer != nullptr) {
      tree.clearSelection();
      computer->setSelected(true);
      picked = true;
    }
    dialog->OkButton()->click();
  });
}

TEST(ComputerNamePick, TheButtonRunsThePicker) {
  const QString local = QString::fromStdU16String(vk::LocalComputerName());
  cVkComputerNameDialog names(nullptr);
  names.NamesField()->setText(QStringLiteral("web1"));
  bool picked = false;
  PickThisComputerWhenThePickerOpens(picked);
  names.PickComputers();
  ASSERT_TRUE(picked);
  EXPECT_EQ(names.NamesField()->text(), QStringLiteral("web1,") + local);
  // The picker's tree is kept in the console's data folder.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  EXPECT_TRUE(std::filesystem::exists((data + "/ViewKeeper/Browse.dat").toStdString()));
}

// The dialogs' "..." and "Browse..." buttons: the wizard's one computer
// replaces its field, the service setup's computers join the list, and the
// security lists keep their names exactly as typed.
TEST(ComputerNamePick, TheDialogsButtonsFillTheirFieldsFromThePicker) {
  const QString local = QString::fromStdU16String(vk::LocalComputerName());
  bool picked = false;

  cVkDeploymentWizard wizard(nullptr, QStringLiteral("old-name"), {});
  PickThisComputerWhenThePickerOpens(picked);
  wizard.Welcome()->BrowseButton()->click();
  ASSERT_TRUE(picked);
  EXPECT_EQ(wizard.Welcome()->ComputerField()->text(), local);

  cVkServiceSetupDialog setup(nullptr, {QStringLiteral("pc1")}, QStringLiteral("/opt/viewkeeper/"), {});
  PickThisComputerWhenThePickerOpens(picked);
  setup.BrowseButton()->click();
  ASSERT_TRUE(picked);
  EXPECT_EQ(setup.ComputersField()->text(), QStringLiteral("pc1,") + local);

  cVkSecurityDialog security(nullptr);
  security.Field(1)->setText(QStringLiteral(" Alice Smith ,,bob"));
  PickThisComputerWhenThePickerOpens(picked);
  security.BrowseButton(1)->click();
  ASSERT_TRUE(picked);
  EXPECT_EQ(security.Field(1)->text(), QStringLiteral(" Alice Smith ,,bob,") + local);
  EXPECT_TRUE(security.Field(0)->text().isEmpty());

  // Cancel leaves the field alone.
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
  });
  security.BrowseButton(0)->click();
  EXPECT_TRUE(security.Field(0)->text().isEmpty());
}

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/vk-console-pick-XXXXXX";
  const std::string home = mkdtemp(pattern);
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  std::filesystem::create_directories(home + "/ViewKeeper");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  std::filesystem::remove_all(home);
  return rc;
}

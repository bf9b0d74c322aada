// The Directory branch of the browse tree against a real slapd that refuses
// anonymous binds, through the real directory library, offscreen: the
// operator is asked for an account once per refused collection; Cancel and
// a wrong password end in the error dialog with the branch empty; the right
// account fills the branch and is kept for the rest of the run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "common/archive/register_archive.h"
#include "console/browse/browse_sources.h"
#include "console/browse/collect_job.h"
#include "console/browse/multiple_select_save_tree.h"
#include "console/tests/operator_answers.h"
#include "dirbridge/tests/slapd_server.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

std::string StrictDirectory() {
  return "dn: dc=strict,dc=test\nobjectClass: domainDNS\ndc: strict\n\n"
         "dn: cn=carol,dc=strict,dc=test\nobjectClass: user\ncn: carol\nsn: carol\nsAMAccountName: carol\n"
         "userPassword: carol-secret\n\n"
         "dn: cn=GUARDED1,dc=strict,dc=test\nobjectClass: computer\ncn: GUARDED1\nsn: GUARDED1\n"
         "sAMAccountName: GUARDED1$\n\n";
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& label) {
  for (int i = 0; i < parent->childCount(); ++i) {
    if (parent->child(i)->text(0) == label) return parent->child(i);
  }
  return nullptr;
}

class DirectoryLogon : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "directory_logon_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
    VkRegisterArchiveClasses();
    VkRegisterBrowseClasses();
    slapd = new vk::testing::SlapdServer("dc=strict,dc=test", StrictDirectory(), SCHEMA_FILE, "disallow bind_anon\n");
    std::ofstream(std::getenv("LDAPCONF")) << "URI " << slapd->Uri() << "\nTIMEOUT 5\nNETWORK_TIMEOUT 5\n";
  }
  static void TearDownTestSuite() {
    delete slapd;
    slapd = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(slapd->Running()) << slapd->Diagnostics();
    log.SetMemLogMask(LOG_ALL);
    directory = std::make_shared<cVkDirBridge>();
    ASSERT_EQ(directory->LoadDirBridge(log, vk::FromUtf8(DIRBRIDGE_FOLDER)), 0);
    VkSetBrowseSources({directory, nullptr});
    char pattern[] = "/tmp/vk-logon-XXXXXX";
    folder = mkdtemp(pattern);
    tree = std::make_unique<cVkMultipleSelectSaveTree>(nullptr);
    tree->resize(320, 600);
    tree->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    tree->LoadTree(vk::FromUtf8(folder + "/UMBTS.dat"), log);
    tree->topLevelItem(0)->setExpanded(true);
    branch = Child(tree->topLevelItem(0), QStringLiteral("Directory"));
    ASSERT_NE(branch, nullptr);
  }
  void TearDown() override {
    tree.reset();
    directory->SetCredentials(u"", u"");
    VkSetBrowseSources({});
    std::filesystem::remove_all(folder);
  }
  // Collects the Directory branch again, as Refresh does.
  void Refresh(QTreeWidgetItem* item) {
    tree->ClearSelectedBits();
    item->setSelected(true);
    tree->RefreshSelected();
  }

  static inline vk::testing::SlapdServer* slapd = nullptr;
  cOrkLog log;
  std::string folder;
  std::shared_ptr<cVkDirBridge> directory;
  std::unique_ptr<cVkMultipleSelectSaveTree> tree;
  QTreeWidgetItem* branch = nullptr;
  cVkOperatorAnswers answers;
};

const QString kRetrievalFailed =
    QStringLiteral("An error has occured while retrieving the information for the selected tree item.");

TEST_F(DirectoryLogon, CancelAndWrongPasswordEndInTheErrorDialogWithTheBranchEmpty) {
  branch->setExpanded(true);
  EXPECT_EQ(answers.directoryLogons, 1);
  ASSERT_EQ(answers.errors.size(), 1);
  EXPECT_TRUE(answers.errors[0].startsWith(kRetrievalFailed)) << answers.errors[0].toStdString();
  EXPECT_EQ(branch->childCount(), 0);
  EXPECT_FALSE(directory->HasCredentials());

  // A wrong password: asked once, collected once more, then the error dialog.
  answers.directoryUser = QStringLiteral("cn=carol,dc=strict,dc=test");
  answers.directoryPassword = QStringLiteral("not-carols");
  Refresh(branch);
  EXPECT_EQ(answers.directoryLogons, 2);
  ASSERT_EQ(answers.errors.size(), 2);
  EXPECT_TRUE(answers.errors[1].startsWith(kRetrievalFailed));
  EXPECT_EQ(branch->childCount(), 0);
}

TEST_F(DirectoryLogon, TheRightAccountFillsTheBranchAndIsKeptForTheRun) {
  answers.directoryUser = QStringLiteral("cn=carol,dc=strict,dc=test");
  answers.directoryPassword = QStringLiteral("carol-secret");
  branch->setExpanded(true);
  EXPECT_EQ(answers.directoryLogons, 1);
  EXPECT_TRUE(answers.errors.isEmpty()) << answers.errors.join('\n').toStdString();
  QTreeWidgetItem* domain = Child(branch, QStringLiteral("strict.test"));
  ASSERT_NE(domain, nullptr);

  // The domain's computers come without asking again, on a fresh tree too.
  domain->setExpanded(true);
  EXPECT_NE(Child(domain, QStringLiteral("GUARDED1")), nullptr);
  Refresh(branch);
  EXPECT_NE(Child(branch, QStringLiteral("strict.test")), nullptr);
  EXPECT_EQ(answers.directoryLogons, 1);
  EXPECT_TRUE(answers.errors.isEmpty());
}

}  // namespace

// The browse tree window offscreen, driven with QTest: the fresh tree and
// its branches (the directory from a real slapd through the real directory
// library), selection with Ctrl and Shift, New/Rename/Delete/Refresh and
// Recent, the drag-copy rules, tooltips, the context menu's enabling, a
// cancelled collection, UMBTS.dat, and the main window taking the tree's
// selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>

#include "common/archive/register_archive.h"
#include "console/admin/credential_connector.h"
#include "console/browse/browse_sources.h"
#include "console/browse/collect_job.h"
#include "console/browse/collect_progress_dialog.h"
#include "console/browse/item_name_dialog.h"
#include "console/browse/multiple_select_save_tree.h"
#include "console/ui/console_questions.h"
#include "console/ui/error_dialog.h"
#include "console/ui/main_frame.h"
#include "console/ui/qt_text.h"
#include "dirbridge/tests/slapd_server.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool Until(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Watchers of modal dialogs still waiting; a test's end stops them.
std::vector<QPointer<QTimer>> watchers;

void StopWatchers() {
  for (QPointer<QTimer>& timer : watchers) delete timer.data();
  watchers.clear();
}

// Runs `act` on the next modal dialog of class T once it shows (from inside
// its event loop); `seen` tells whether one showed.
template <class T>
void OnModal(std::function<void(T*)> act, bool* seen = nullptr) {
  auto* timer = new QTimer;
  watchers.emplace_back(timer);
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  QObject::connect(timer, &QTimer::timeout, [timer, act, seen, deadline] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr && std::chrono::steady_clock::now() < deadline) return;
    timer->stop();
    timer->deleteLater();
    if (dialog == nullptr) return;
    if (seen != nullptr) *seen = true;
    act(dialog);
  });
  timer->start(10);
}

std::string Messages(cOrkLog& log) {
  std::string text;
  for (const cOrkLogMessage& m : log.GetMessages()) text += vk::ToUtf8(m.text) + "\n";
  return text;
}

// A local network that lists what the test gives it; "slow" waits for the test.
class TestNetwork : public iVkNetworkBrowser {
 public:
  int32_t EnumerateDomains(cOrkLog&, cVkCollection& domains, const std::atomic<bool>&) override {
    domains.Add(new cVkNT4Domain(u"WORKGROUP", 0, 0, 0, u"NAS"));
    return 0;
  }
  int32_t EnumerateComputers(cOrkLog& log, std::u16string_view domain, cVkCollection& computers,
                             const std::atomic<bool>& cancel) override {
    {
      std::lock_guard guard(lock);
      asked.emplace_back(domain);
    }
    if (domain == u"slow") {
      std::unique_lock guard(lock);
      released.wait(guard, [&] { return open || cancel.load(); });
    }
    if (domain == u"broken") {
      log.LogMsg(LOG_ERROR, 53, u"The network path was not found. Errorcode %ld.", 53);
      return 53;
    }
    if (domain == u"noservice") return 1060;
    computers.Add(new cVkNT4Computer(u"HOST-B", 5, 1, 3, u""));
    computers.Add(new cVkNT4Computer(u"HOST-A", 5, 1, 3, u""));
    return 0;
  }
  void Release() {
    std::lock_guard guard(lock);
    open = true;
    released.notify_all();
  }
  std::mutex lock;
  std::condition_variable released;
  bool open = false;
  std::vector<std::u16string> asked;
};

std::string Directory() {
  return "dn: dc=corp,dc=test\nobjectClass: domainDNS\ndc: corp\n\n"
         "dn: cn=Computers,dc=corp,dc=test\nobjectClass: container\ncn: Computers\n\n"
         "dn: cn=WS2,cn=Computers,dc=corp,dc=test\nobjectClass: computer\ncn: WS2\nsn: WS2\nsAMAccountName: WS2$\n"
         "dNSHostName: ws2.corp.test\noperatingSystem: Debian\noperatingSystemVersion: 12\n\n"
         "dn: cn=WS1,cn=Computers,dc=corp,dc=test\nobjectClass: computer\ncn: WS1\nsn: WS1\nsAMAccountName: WS1$\n\n";
}

vk::testing::SlapdServer* slapd = nullptr;

class BrowseTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "browse_tree_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
    VkRegisterArchiveClasses();
    VkRegisterBrowseClasses();
    slapd = new vk::testing::SlapdServer("dc=corp,dc=test", Directory(), SCHEMA_FILE);
    std::ofstream(std::getenv("LDAPCONF")) << "URI " << slapd->Uri() << "\nBASE dc=corp,dc=test\nTIMEOUT 5\n"
                                           << "NETWORK_TIMEOUT 5\n";
  }
  static void TearDownTestSuite() {
    delete slapd;
    slapd = nullptr;
  }
  void SetUp() override {
    char pattern[] = "/tmp/vk-browse-XXXXXX";
    folder = mkdtemp(pattern);
    network = std::make_shared<TestNetwork>();
    VkSetBrowseSources({nullptr, network});
    log.SetMemLogMask(LOG_ALL);
    tree = std::make_unique<cVkMultipleSelectSaveTree>(nullptr);
    tree->resize(320, 600);
    tree->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    tree->LoadTree(File("UMBTS.dat"), log);
  }
  void TearDown() override {
    StopWatchers();
    tree.reset();
    network->Release();
    EXPECT_TRUE(Until([] { return cVkCollectJob::Pending() == 0; }));
    VkSetBrowseSources({});
    fs::remove_all(folder);
  }
  std::u16string File(const char* name) const { return vk::FromUtf8(folder + "/" + name); }

  QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& label) const {
    for (int i = 0; i < parent->childCount(); ++i) {
      if (parent->child(i)->text(0) == label) return parent->child(i);
    }
    return nullptr;
  }
  QStringList Labels(QTreeWidgetItem* parent) const {
    QStringList labels;
    for (int i = 0; i < parent->childCount(); ++i) labels.append(parent->child(i)->text(0));
    return labels;
  }
  QPoint At(QTreeWidgetItem* item) const {
    tree->scrollToItem(item);
    return tree->visualItemRect(item).center();
  }
  void Click(QTreeWidgetItem* item, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, At(item));
  }
  QTreeWidgetItem* Network() const { return tree->topLevelItem(0); }
  // Runs a New command and enters `name` in the name dialog.
  QTreeWidgetItem* NewItem(uint32_t command, const QString& name, QTreeWidgetItem* parent) {
    OnModal<cVkItemNameDialog>([name](cVkItemNameDialog* dialog) {
      EXPECT_FALSE(dialog->OkButton()->isEnabled());  // opens empty
      dialog->NameField()->setText(name);
      dialog->OkButton()->click();
    });
    tree->RunCommand(command);
    return Child(parent != nullptr ? parent : tree->invisibleRootItem(), name);
  }
  void ExpandNetwork() {
    Network()->setExpanded(true);
    ASSERT_TRUE(Until([&] { return Network()->childCount() > 0; }));
  }

  std::string folder;
  std::shared_ptr<TestNetwork> network;
  cOrkLog log;
  std::unique_ptr<cVkMultipleSelectSaveTree> tree;
};

TEST_F(BrowseTree, FreshTreeAndItsBranchesWithAndWithoutTheDirectory) {
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(Network()->text(0), QStringLiteral("Network"));
  EXPECT_EQ(tree->ToolTipAt(At(Network())), QStringLiteral("Browse the entire network"));
  ExpandNetwork();
  EXPECT_EQ(Labels(Network()), (QStringList{"Microsoft Windows Network", "Recent"}));

  // With the directory library bound, "Directory" comes first.
  ASSERT_TRUE(slapd->Running()) << slapd->Diagnostics();
  auto directory = std::make_shared<cVkDirBridge>();
  ASSERT_EQ(directory->LoadDirBridge(log, vk::FromUtf8(DIRBRIDGE_FOLDER)), 0) << Messages(log);
  VkSetBrowseSources({directory, network});
  tree->clear();
  tree->LoadTree(File("none.dat"), log);
  ExpandNetwork();
  EXPECT_EQ(Labels(Network()), (QStringList{"Directory", "Microsoft Windows Network", "Recent"}));

  // The directory's domains, then a domain's computers, from slapd.
  QTreeWidgetItem* branch = Child(Network(), "Directory");
  branch->setExpanded(true);
  ASSERT_TRUE(Until([&] { return branch->childCount() > 0; })) << Messages(log);
  QTreeWidgetItem* domain = Child(branch, "corp.test");
  ASSERT_NE(domain, nullptr);
  EXPECT_EQ(cVkMultipleSelectSaveTree::ImageOf(domain), kVkImageDomain);
  domain->setExpanded(true);
  ASSERT_TRUE(Until([&] { return domain->childCount() > 0; }));
  EXPECT_EQ(Labels(domain), (QStringList{"WS1", "WS2"}));  // sorted
  QTreeWidgetItem* ws2 = Child(domain, "WS2");
  auto* node = dynamic_cast<cVkNetWorkTreeNodeService*>(cVkMultipleSelectSaveTree::NodeOf(ws2));
  ASSERT_NE(node, nullptr);
  EXPECT_FALSE(node->isNT4);
  EXPECT_EQ(node->w2kComputer.dnsHostName, u"ws2.corp.test");
  EXPECT_EQ(tree->ToolTipAt(At(ws2)), ToQString(node->w2kComputer.GetDescription()).left(79));

  // Unbound again, a saved directory domain answers -4 through the error dialog.
  directory->UnloadDirBridge(log);
  QString shown;
  int32_t code = 0;
  OnModal<cVkErrorDialog>([&](cVkErrorDialog* dialog) {
    shown = dialog->MessageText();
    code = dialog->windowTitle().isEmpty() ? 0 : -4;
    dialog->reject();
  });
  tree->ClearSelectedBits();
  domain->setSelected(true);
  tree->RefreshSelected();
  EXPECT_TRUE(shown.startsWith(
      QStringLiteral("An error has occured while retrieving the information for the selected tree item.")))
      << shown.toStdString();
  EXPECT_EQ(code, -4);
  EXPECT_EQ(domain->childCount(), 0);
}

TEST_F(BrowseTree, LocalNetworkDomainsComputersAndAFailingDomain) {
  ExpandNetwork();
  QTreeWidgetItem* windows = Child(Network(), "Microsoft Windows Network");
  windows->setExpanded(true);
  ASSERT_TRUE(Until([&] { return windows->childCount() > 0; }));
  QTreeWidgetItem* workgroup = Child(windows, "WORKGROUP");
  ASSERT_NE(workgroup, nullptr);
  EXPECT_EQ(tree->ToolTipAt(At(workgroup)), QStringLiteral("Domain: WORKGROUP, PDC: NAS"));
  workgroup->setExpanded(true);
  ASSERT_TRUE(Until([&] { return workgroup->childCount() == 2; }));
  EXPECT_EQ(Labels(workgroup), (QStringList{"HOST-A", "HOST-B"}));

  // A hand-made domain whose enumeration fails: the error dialog, then no
  // children and no expand button.
  tree->ClearSelectedBits();
  // A result of 1060 asks whether to install; Yes asks the main window.
  QTreeWidgetItem* noService = NewItem(kVkTreeNewDomain, "noservice", nullptr);
  int installs = 0;
  QObject::connect(tree.get(), &cVkMultipleSelectSaveTree::installServiceRequested, [&] { ++installs; });
  QString question;
  OnModal<QMessageBox>([&](QMessageBox* box) {
    question = box->text();
    box->button(QMessageBox::Yes)->click();
  });
  noService->setExpanded(true);
  EXPECT_EQ(question, QStringLiteral("To perform the selected action, a service needs to be installed on the target "
                                     "computer.  Do you want to install a service?"));
  EXPECT_TRUE(Until([&] { return installs == 1; }));
  tree->ClearSelectedBits();
  QTreeWidgetItem* broken = NewItem(kVkTreeNewDomain, "broken", nullptr);
  ASSERT_NE(broken, nullptr);
  bool seen = false;
  OnModal<cVkErrorDialog>([](cVkErrorDialog* dialog) { dialog->reject(); }, &seen);
  broken->setExpanded(true);
  EXPECT_TRUE(seen);
  EXPECT_EQ(broken->childCount(), 0);
  EXPECT_FALSE(broken->isExpanded());
  EXPECT_EQ(broken->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);

  // Renamed, it still enumerates the name it was made with.
  OnModal<cVkItemNameDialog>([](cVkItemNameDialog* dialog) {
    EXPECT_EQ(dialog->NameField()->text(), QStringLiteral("broken"));
    dialog->NameField()->setText(QStringLiteral("Renamed"));
    dialog->OkButton()->click();
  });
  Click(broken);
  tree->RunCommand(kVkTreeRename);
  EXPECT_EQ(broken->text(0), QStringLiteral("Renamed"));
  OnModal<cVkErrorDialog>([](cVkErrorDialog* dialog) { dialog->reject(); });
  tree->RunCommand(kVkTreeRefresh);
  EXPECT_EQ(network->asked.back(), u"broken");
}

TEST_F(BrowseTree, SelectionWithCtrlShiftAndKeys) {
  tree->ClearSelectedBits();
  QTreeWidgetItem* folder = NewItem(kVkTreeNewFolder, "Lab", nullptr);
  Click(folder);
  QTreeWidgetItem* c = NewItem(kVkTreeNewComputer, "pc-c", folder);
  Click(folder);
  QTreeWidgetItem* a = NewItem(kVkTreeNewComputer, "pc-a", folder);
  Click(folder);
  QTreeWidgetItem* b = NewItem(kVkTreeNewComputer, "pc-b", folder);
  ASSERT_TRUE(a && b && c);
  folder->setExpanded(true);
  EXPECT_EQ(Labels(folder), (QStringList{"pc-a", "pc-b", "pc-c"}));

  Click(a);
  Click(c, Qt::ControlModifier);
  EXPECT_TRUE(tree->HasSelectedComputer());
  QStringList names;
  tree->GetSelectedComputers(names);
  EXPECT_EQ(names, (QStringList{"pc-a", "pc-c"}));
  EXPECT_EQ(tree->Anchor(), c);

  // Shift from the anchor: exactly the range, the rest loses its bit.
  Click(a, Qt::ShiftModifier);
  names.clear();
  tree->GetSelectedComputers(names);
  EXPECT_EQ(names, (QStringList{"pc-a", "pc-b", "pc-c"}));
  Click(b, Qt::ShiftModifier);
  names.clear();
  tree->GetSelectedComputers(names);
  EXPECT_EQ(names, (QStringList{"pc-b", "pc-c"}));
  // The folder is selected by a plain click, and is no computer.
  Click(folder);
  EXPECT_FALSE(tree->HasSelectedComputer());

  // Shift+Down from the caret selects what it leaves behind.
  Click(a);
  QTest::keyClick(tree.get(), Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(tree.get(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(tree->currentItem(), c);
  EXPECT_TRUE(a->isSelected() && b->isSelected());
  // A character key clears the selection; clicking empty space too.
  QTest::keyClick(tree.get(), Qt::Key_X);
  EXPECT_TRUE(tree->SelectedInTreeOrder().isEmpty());
  Click(b);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 590));
  EXPECT_TRUE(tree->SelectedInTreeOrder().isEmpty());
  EXPECT_EQ(tree->Anchor(), nullptr);

  // Rename with nothing selected opens nothing.
  bool asked = false;
  OnModal<cVkItemNameDialog>([](cVkItemNameDialog* dialog) { dialog->reject(); }, &asked);
  tree->RenameSelected();  // a dialog would have run (and been closed) before this returns
  EXPECT_FALSE(asked);
}

TEST_F(BrowseTree, DeleteAndRefreshOverNestedSelections) {
  tree->ClearSelectedBits();
  QTreeWidgetItem* outer = NewItem(kVkTreeNewFolder, "outer", nullptr);
  Click(outer);
  QTreeWidgetItem* inner = NewItem(kVkTreeNewFolder, "inner", outer);
  Click(inner);
  QTreeWidgetItem* domain = NewItem(kVkTreeNewDomain, "WORKGROUP", inner);
  outer->setExpanded(true);
  inner->setExpanded(true);
  // Refreshing the domain and the folder above it collects the domain once.
  Click(domain);
  Click(inner, Qt::ControlModifier);
  network->asked.clear();
  tree->RefreshSelected();
  EXPECT_EQ(network->asked, std::vector<std::u16string>{u"WORKGROUP"});  // folders are skipped
  ASSERT_EQ(domain->childCount(), 2);

  // Deleting a folder with its selected descendants deletes each once.
  Click(outer);
  Click(inner, Qt::ControlModifier);
  Click(domain, Qt::ControlModifier);
  QTest::keyClick(tree.get(), Qt::Key_Delete);
  EXPECT_EQ(tree->topLevelItemCount(), 1);
  // "Network" is not deletable.
  Click(Network());
  tree->DeleteSelected();
  EXPECT_EQ(tree->topLevelItemCount(), 1);
}

TEST_F(BrowseTree, DragCopiesIntoContainersOnly) {
  tree->ClearSelectedBits();
  QTreeWidgetItem* source = NewItem(kVkTreeNewFolder, "source", nullptr);
  Click(source);
  QTreeWidgetItem* inside = NewItem(kVkTreeNewFolder, "inside", source);
  Click(source);
  QTreeWidgetItem* pc = NewItem(kVkTreeNewComputer, "pc", source);
  tree->ClearSelectedBits();
  QTreeWidgetItem* target = NewItem(kVkTreeNewFolder, "target", nullptr);
  source->setExpanded(true);

  auto drag = [&](QTreeWidgetItem* from, QPoint to) {
    QTest::mousePress(tree->viewport(), Qt::LeftButton, Qt::NoModifier, At(from));
    QTest::mouseMove(tree->viewport(), At(from) + QPoint(0, 20));
    EXPECT_TRUE(tree->Dragging());
    QTest::mouseMove(tree->viewport(), to);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_FALSE(tree->Dragging());
  };
  // Onto its own descendant: nothing of it is copied.
  drag(source, At(inside));
  EXPECT_EQ(inside->childCount(), 0);
  // Onto a computer: nothing, and the selection is cleared.
  drag(source, At(pc));
  EXPECT_EQ(pc->childCount(), 0);
  EXPECT_TRUE(tree->SelectedInTreeOrder().isEmpty());
  // Onto a folder: a copy of the whole subtree, renamable and deletable.
  drag(source, At(target));
  ASSERT_EQ(target->childCount(), 1);
  QTreeWidgetItem* copy = target->child(0);
  EXPECT_EQ(Labels(copy), (QStringList{"inside", "pc"}));
  EXPECT_TRUE(target->isExpanded());
  EXPECT_TRUE(tree->SelectedInTreeOrder().isEmpty());
  // The branch nodes are copied renamable and deletable. The first drag
  // after an expansion is ignored.
  ExpandNetwork();
  EXPECT_FALSE(tree->BeginDrag(At(Network())));
  QTreeWidgetItem* recent = Child(Network(), "Recent");
  drag(recent, At(target));
  QTreeWidgetItem* recentCopy = Child(target, "Recent");
  ASSERT_NE(recentCopy, nullptr);
  EXPECT_TRUE(cVkMultipleSelectSaveTree::NodeOf(recentCopy)->deletable);
  EXPECT_FALSE(cVkMultipleSelectSaveTree::NodeOf(recent)->deletable);
  // Dropped on empty space: a top-level copy.
  drag(pc, QPoint(100, 590));
  EXPECT_EQ(tree->topLevelItemCount(), 4);
}

TEST_F(BrowseTree, RecentTenNamesClearAndTheContextMenu) {
  ExpandNetwork();
  QStringList names;
  for (int i = 0; i < 11; ++i) names.append(QStringLiteral("pc%1").arg(i, 2, 10, QChar('0')));
  tree->AddRecentComputers(names);
  tree->AddRecentComputer(u"PC05");
  QTreeWidgetItem* recent = Child(Network(), "Recent");
  auto* node = static_cast<cVkNetWorkTreeNodeRecent*>(cVkMultipleSelectSaveTree::NodeOf(recent));
  ASSERT_EQ(node->names.size(), 10u);
  EXPECT_EQ(node->names.front(), u"pc01");
  EXPECT_EQ(recent->childCount(), 11);  // pc00's item stays until "Clear"

  // The context menu over Recent says "Clear", over a computer offers the
  // service commands, and "Remote Computer" only with an open viewer.
  recent->setExpanded(true);
  QMenu* menu = tree->PrepareContextMenu(At(recent));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(tree->MenuAction(kVkTreeRefresh)->text(), QStringLiteral("Clear"));
  EXPECT_FALSE(tree->MenuAction(kVkTreeDelete)->isEnabled());
  EXPECT_FALSE(tree->MenuAction(kVkTreeStart)->isEnabled());
  QTreeWidgetItem* pc03 = Child(recent, "pc03");
  tree->SetViewerOpenQuery([](const QString& computer) { return computer == QStringLiteral("pc03"); });
  tree->PrepareContextMenu(At(pc03));
  EXPECT_TRUE(pc03->isSelected());
  EXPECT_EQ(tree->MenuAction(kVkTreeRefresh)->text(), QStringLiteral("Refresh"));
  EXPECT_TRUE(tree->MenuAction(kVkTreeStart)->isEnabled());
  EXPECT_TRUE(tree->MenuAction(kVkTreeLogOff)->parentWidget()->isEnabled());
  tree->PrepareContextMenu(At(Child(recent, "pc04")));
  EXPECT_FALSE(pc03->isSelected());
  EXPECT_FALSE(tree->MenuAction(kVkTreeLogOff)->parentWidget()->isEnabled());
  // A forwarded command goes to the main window.
  uint32_t forwarded = 0;
  QObject::connect(tree.get(), &cVkMultipleSelectSaveTree::commandRequested,
                   [&](uint32_t command) { forwarded = command; });
  tree->MenuAction(kVkTreeConfiguration)->trigger();
  EXPECT_EQ(forwarded, kVkTreeConfiguration);
  tree->PrepareContextMenu(QPoint(100, 590));
  EXPECT_FALSE(tree->MenuAction(kVkTreeRename)->isEnabled());
  EXPECT_TRUE(tree->MenuAction(kVkTreeNewFolder)->isEnabled());

  // A recent computer shows its remote desktop when double-clicked.
  int shows = 0;
  QObject::connect(tree.get(), &cVkMultipleSelectSaveTree::showRemoteDesktopRequested, [&] { ++shows; });
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, At(pc03));
  EXPECT_TRUE(Until([&] { return shows == 1; }));

  // "Clear" empties the list and the branch.
  Click(recent);
  tree->MenuAction(kVkTreeRefresh)->trigger();
  EXPECT_EQ(recent->childCount(), 0);
  EXPECT_TRUE(node->names.empty());
}

TEST_F(BrowseTree, TooltipsAreCutAndComputerImagesFollowViewers) {
  ExpandNetwork();
  tree->ClearSelectedBits();
  QTreeWidgetItem* domain = NewItem(kVkTreeNewDomain, QString(100, QChar('d')), nullptr);
  ASSERT_NE(domain, nullptr);
  const QString tip = tree->ToolTipAt(At(domain));
  EXPECT_EQ(tip.size(), 79);
  EXPECT_TRUE(tip.startsWith(QStringLiteral("Domain: ddd")));
  EXPECT_TRUE(tree->ToolTipAt(QPoint(100, 590)).isEmpty());

  tree->AddRecentComputer(u"viewed");
  QTreeWidgetItem* recent = Child(Network(), "Recent");
  recent->setExpanded(true);
  QTreeWidgetItem* viewed = Child(recent, "viewed");
  tree->SetComputerImage(u"VIEWED", 6, 6);
  EXPECT_EQ(cVkMultipleSelectSaveTree::ImageOf(viewed), 6u);
  EXPECT_TRUE(cVkMultipleSelectSaveTree::IsComputer(viewed));
  // Items out of view keep their image.
  recent->setExpanded(false);
  tree->SetComputerImage(u"viewed", 8, 8);
  EXPECT_EQ(cVkMultipleSelectSaveTree::ImageOf(viewed), 6u);
}

TEST_F(BrowseTree, CancelledCollectionLeavesTheJobToItsWorker) {
  tree->ClearSelectedBits();
  QTreeWidgetItem* slow = NewItem(kVkTreeNewDomain, "slow", nullptr);
  QString text;
  OnModal<cVkCollectProgressDialog>([&](cVkCollectProgressDialog* dialog) {
    text = dialog->Text();
    dialog->CancelButton()->click();
  });
  slow->setExpanded(true);
  EXPECT_TRUE(text.startsWith(QStringLiteral("Please wait... Collecting information for slow. Elapsed time: ")));
  EXPECT_TRUE(text.endsWith(QStringLiteral(" sec.")));
  EXPECT_EQ(slow->childCount(), 0);
  EXPECT_EQ(cVkCollectJob::Pending(), 1);
  network->Release();
  EXPECT_TRUE(Until([] { return cVkCollectJob::Pending() == 0; }));
  EXPECT_EQ(slow->childCount(), 0);  // the abandoned result is dropped
}

TEST_F(BrowseTree, SavedTreeComesBackAndADamagedOneGivesTheFreshTree) {
  ExpandNetwork();
  tree->AddRecentComputers({"alpha", "beta"});
  QTreeWidgetItem* recent = Child(Network(), "Recent");
  recent->setExpanded(true);
  // "Network" takes no new items: they go to the top level, which is not kept.
  Click(Network());
  ASSERT_NE(NewItem(kVkTreeNewFolder, "top-level", nullptr), nullptr);
  Click(Child(recent, "beta"));
  tree->SaveTree(File("UMBTS.dat"));
  // The items stay, without their nodes.
  EXPECT_EQ(cVkMultipleSelectSaveTree::NodeOf(recent), nullptr);
  EXPECT_TRUE(tree->ToolTipAt(At(recent)).isEmpty());

  auto again = std::make_unique<cVkMultipleSelectSaveTree>(nullptr);
  again->resize(320, 600);
  again->show();
  again->LoadTree(File("UMBTS.dat"), log);
  ASSERT_EQ(again->topLevelItemCount(), 1);
  QTreeWidgetItem* network = again->topLevelItem(0);
  EXPECT_EQ(Labels(network), (QStringList{"Microsoft Windows Network", "Recent"}));
  QTreeWidgetItem* restored = Child(network, "Recent");
  EXPECT_TRUE(restored->isExpanded());
  EXPECT_EQ(Labels(restored), (QStringList{"alpha", "beta"}));
  EXPECT_TRUE(Child(restored, "beta")->isSelected());
  auto* node = dynamic_cast<cVkNetWorkTreeNodeRecent*>(cVkMultipleSelectSaveTree::NodeOf(restored));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->names, (std::vector<std::u16string>{u"alpha", u"beta"}));
  EXPECT_NE(dynamic_cast<cVkNetWorkTreeNodeService*>(cVkMultipleSelectSaveTree::NodeOf(Child(restored, "alpha"))),
            nullptr);
  again.reset();

  // A damaged file: the fresh tree, and the start-up log says why.
  std::string bytes;
  {
    std::ifstream in(folder + "/UMBTS.dat", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(folder + "/UMBTS.dat", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  tree->clear();
  tree->LoadTree(File("UMBTS.dat"), log);
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(Network()->text(0), QStringLiteral("Network"));
  EXPECT_EQ(Network()->childCount(), 0);
  EXPECT_NE(Messages(log).find("An error has occurred while reading the browse tree"), std::string::npos);
}

// Agent states that wait for the test, counting how many are asked at once.
class GatedStates : public iVkAgentStateSource {
 public:
  cVkAgentState QueryState(cOrkLog&, std::u16string_view computer, const vk::ManualResetEvent&) override {
    std::unique_lock guard(lock);
    asked.emplace_back(computer);
    most = std::max(most, ++running);
    released.wait(guard, [&] { return open; });
    --running;
    cVkAgentState state;
    if (computer == u"pc0") state.kind = cVkAgentState::Kind::NotInstalled;
    if (computer == u"pc1") state = {cVkAgentState::Kind::Running, 1113, 0};
    if (computer == u"pc2") state = {cVkAgentState::Kind::Stopped, 1114, 0};
    if (computer == u"pc3") state = {cVkAgentState::Kind::Unreachable, 0, 10061};
    return state;
  }
  void Release() {
    std::lock_guard guard(lock);
    open = true;
    released.notify_all();
  }
  size_t Asked(std::u16string_view computer) {
    std::lock_guard guard(lock);
    return static_cast<size_t>(std::count(asked.begin(), asked.end(), computer));
  }
  std::mutex lock;
  std::condition_variable released;
  std::vector<std::u16string> asked;
  bool open = false;
  int running = 0, most = 0;
};

TEST_F(BrowseTree, AgentStatesComeInTheBackgroundForTheComputersInView) {
  auto states = std::make_shared<GatedStates>();
  tree->SetAgentStateSource(states, 2, 1114);
  ExpandNetwork();
  tree->AddRecentComputers({"PC0", "pc1", "pc2", "pc3", "pc4"});
  QTreeWidgetItem* recent = Child(Network(), "Recent");
  recent->setExpanded(true);
  // While the answers wait, the window goes on working.
  ASSERT_TRUE(Until([&] {
    std::lock_guard guard(states->lock);
    return states->running == 2;
  }));
  Click(Child(recent, "pc4"));
  EXPECT_TRUE(Child(recent, "pc4")->isSelected());
  EXPECT_TRUE(Child(recent, "pc1")->text(cVkMultipleSelectSaveTree::kStateColumn).isEmpty());
  states->Release();
  ASSERT_TRUE(Until([&] {
    for (const char* name : {"PC0", "pc1", "pc2", "pc3"}) {
      if (Child(recent, name)->text(1).isEmpty()) return false;
    }
    return true;
  }));
  EXPECT_LE(states->most, 2);
  EXPECT_EQ(Child(recent, "PC0")->text(1), QStringLiteral("not installed"));
  EXPECT_EQ(Child(recent, "pc1")->text(1), QStringLiteral("running, older build 1113"));
  EXPECT_EQ(Child(recent, "pc2")->text(1), QStringLiteral("stopped, build 1114"));
  EXPECT_EQ(Child(recent, "pc3")->text(1), QStringLiteral("unreachable (10061)"));
  EXPECT_EQ(states->Asked(u"pc2"), 1u);

  // Refresh asks again for the refreshed item.
  Click(Child(recent, "pc2"));
  EXPECT_EQ(tree->SelectedInTreeOrder().size(), 1);
  tree->RefreshSelected();
  EXPECT_TRUE(Until([&] { return states->Asked(u"pc2") >= 2; }));
}

TEST_F(BrowseTree, MainWindowTakesTheTreeSelectionFirst) {
  // The window's commands reach computers through these, as in the console.
  cVkConsoleQuestions questions;
  cVkCredentialConnector connector(vk::ssh::SshTarget{}, &questions);
  cVkConsoleState state;
  state.questions = &questions;
  state.connector = &connector;
  state.dataFolder = vk::FromUtf8(folder + "/");
  CMainFrame frame(state);
  cVkMultipleSelectSaveTree* browse = frame.BrowseTree();
  ASSERT_NE(browse, nullptr);
  browse->topLevelItem(0)->setExpanded(true);
  browse->AddRecentComputers({"first", "second"});
  QTreeWidgetItem* recent = browse->topLevelItem(0)->child(1);
  recent->child(0)->setSelected(true);
  recent->child(1)->setSelected(true);
  EXPECT_EQ(frame.SelectComputers(), (QStringList{"first", "second"}));
  // Closing the window keeps the tree.
  frame.close();
  EXPECT_TRUE(fs::exists(folder + "/UMBTS.dat"));
}

}  // namespace

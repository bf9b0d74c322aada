// The browse tree's nodes without windows: their bodies byte for byte and
// through saved trees, what they insert, Recent's ten names, the collection
// job's hand-over between the window's thread and the worker, the local
// network's enumerations and the directory library's binding.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <thread>

#include "common/archive/archive.h"
#include "common/archive/object_buffer.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/archive/tests/test_bytes.h"
#include "common/network/tree_item.h"
#include "console/browse/browse_sources.h"
#include "console/browse/collect_job.h"
#include "console/browse/tree_nodes.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

using namespace std::chrono_literals;
using vktest::Ascii;
using vktest::Cat;
using vktest::Hex;

// What a node inserts, one line per item.
struct Inserted {
  std::u16string label;
  uint32_t image;
  std::unique_ptr<cVkNetWorkTreeNode> node;
  VkTreeItemRef parent;
  bool sort;
};

class RecordingTree : public iVkBrowseTree {
 public:
  VkTreeItemRef InsertItem(std::u16string_view label, uint32_t image, uint32_t, uint32_t,
                           std::unique_ptr<cVkNetWorkTreeNode> node, VkTreeItemRef parent, bool sort) override {
    items.push_back({std::u16string(label), image, std::move(node), parent, sort});
    return &items.back();
  }
  void PostShowRemoteDesktop() override { ++shows; }
  bool DirectoryAvailable() const override { return directory; }

  std::deque<Inserted> items;
  int shows = 0;
  bool directory = false;
};

std::string Messages(cOrkLog& log) {
  std::string text;
  for (const cOrkLogMessage& m : log.GetMessages())
    for (char16_t c : m.text + u"\n") text += c < 0x80 ? static_cast<char>(c) : '?';
  return text;
}

template <class T>
std::unique_ptr<T> RoundTrip(const T& node) {
  std::vector<uint8_t> record;
  EXPECT_EQ(ObjectToBuffer(&node, record), 0);
  std::unique_ptr<T> back;
  EXPECT_EQ(ObjectFromBufferAs(record.data(), record.size(), back), 0);
  return back;
}

std::vector<uint8_t> Body(cVkObject& object) {
  std::vector<uint8_t> body;
  cVkArchive archive(&body);
  object.Serialize(archive);
  return body;
}

class BrowseNodes : public ::testing::Test {
 protected:
  void SetUp() override {
    VkRegisterArchiveClasses();
    VkRegisterBrowseClasses();
    VkSetBrowseSources({});
    log.SetMemLogMask(LOG_ALL);
  }
  void TearDown() override { VkSetBrowseSources({}); }
  cOrkLog log;
  RecordingTree tree;
};

const std::vector<uint8_t> kFlagsTrueFalseTrue = Hex("01000000 01000000 00000000 01000000");

TEST_F(BrowseNodes, BodiesByteForByte) {
  cVkNetWorkTreeNode folder(true, false, true);
  EXPECT_EQ(Body(folder), kFlagsTrueFalseTrue);

  cVkNetWorkTreeNodeRoot root;
  EXPECT_EQ(Body(root), Hex("01000000 00000000 00000000 00000000 01000000"));

  cVkNetWorkTreeNodeRecent recent;
  recent.renamable = recent.container = true;
  recent.deletable = false;
  recent.names = {u"A", u"bc"};
  EXPECT_EQ(Body(recent), Cat({kFlagsTrueFalseTrue, Hex("01000000 0200 FFFEFF 01 4100 FFFEFF 02 6200 6300")}));

  cVkNetWorkTreeNodeService service(cVkNT4Computer(u"PC", 5, 1, 3, u""));
  EXPECT_EQ(Body(service), Hex("01000000 00000000 00000000 00000000 01000000 01000000"
                               "01000000 FFFEFF 02 5000 4300 05000000 01000000 03000000 FFFEFF 00"
                               "01000000 FFFEFF 00 FFFEFF 00 FFFEFF 00 FFFEFF 00 FFFEFF 00"));

  cVkNetWorkTreeNodeNT4Computers domain(cVkNT4Domain(u"D", 0, 0, 0, u"P"));
  EXPECT_EQ(Body(domain), Hex("01000000 00000000 00000000 00000000 01000000"
                              "01000000 FFFEFF 01 4400 00000000 00000000 00000000 FFFEFF 01 5000"));

  // As records: the node classes under their own names, schema 1.
  std::vector<uint8_t> record;
  ASSERT_EQ(ObjectToBuffer(&root, record), 0);
  EXPECT_EQ(record, Cat({Hex("FFFF 0100 1600"), Ascii("cVkNetWorkTreeNodeRoot"), Body(root)}));
}

TEST_F(BrowseNodes, ReadingStopsWhereTheBodySaysSo) {
  // Any non-zero flag reads as true.
  cVkNetWorkTreeNode node;
  std::vector<uint8_t> bytes = Hex("01000000 07000000 00000000 FFFFFFFF");
  cVkArchive in(bytes);
  node.Serialize(in);
  EXPECT_TRUE(node.renamable);
  EXPECT_FALSE(node.deletable);
  EXPECT_TRUE(node.container);

  // A domain body behind a marker other than 1 is not read: the record ends there.
  cVkNetWorkTreeNodeNT4Computers domain(cVkNT4Domain(u"KEEP", 0, 0, 0, u""));
  bytes = Hex("01000000 01000000 01000000 00000000 02000000");
  cVkArchive marker(bytes);
  domain.Serialize(marker);
  EXPECT_FALSE(marker.Failed());
  EXPECT_EQ(domain.domain.name, u"KEEP");
  EXPECT_TRUE(domain.deletable);

  // An unknown layout version reads nothing further.
  cVkNetWorkTreeNodeService service;
  bytes = Hex("02000000 01000000");
  cVkArchive version(bytes);
  service.Serialize(version);
  EXPECT_EQ(version.Remaining(), 4u);
  EXPECT_FALSE(service.renamable);

  // A name count the data cannot hold allocates nothing and fails.
  cVkNetWorkTreeNodeRecent recent;
  recent.names = {u"old"};
  bytes = Hex("01000000 00000000 00000000 00000000 01000000 FFFF FFFFFFFF");
  cVkArchive count(bytes);
  recent.Serialize(count);
  EXPECT_TRUE(count.Failed());
  EXPECT_EQ(recent.names, std::vector<std::u16string>{u"old"});
}

TEST_F(BrowseNodes, EveryNodeSurvivesASavedTree) {
  auto root = std::make_unique<cVkTreeItem>(u"Network", 0x20, 0, 0, std::make_unique<cVkNetWorkTreeNodeRoot>());
  auto* recentItem = root->AddChild(std::make_unique<cVkTreeItem>(u"Recent", 0, 17, 17, nullptr));
  auto recent = std::make_unique<cVkNetWorkTreeNodeRecent>();
  recent->names = {u"one", u"two"};
  recentItem->node = std::move(recent);
  cVkW2KDomain w2k(u"corp.test", u"dc=corp,dc=test", u"", 0);
  root->AddChild(
      std::make_unique<cVkTreeItem>(u"corp.test", 0, 1, 1, std::make_unique<cVkNetWorkTreeNodeW2KComputers>(w2k)));
  root->AddChild(std::make_unique<cVkTreeItem>(
      u"PC1", 0, 6, 6,
      std::make_unique<cVkNetWorkTreeNodeService>(cVkW2KComputer(u"PC1", u"Debian", u"pc1.corp.test", u"", u"12"))));

  auto back = RoundTrip(*root);
  ASSERT_EQ(back->children.size(), 3u);
  auto* names = dynamic_cast<cVkNetWorkTreeNodeRecent*>(back->children[0]->node.get());
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(names->names, (std::vector<std::u16string>{u"one", u"two"}));
  auto* domain = dynamic_cast<cVkNetWorkTreeNodeW2KComputers*>(back->children[1]->node.get());
  ASSERT_NE(domain, nullptr);
  EXPECT_EQ(domain->domain.namingContext, u"dc=corp,dc=test");
  auto* pc = dynamic_cast<cVkNetWorkTreeNodeService*>(back->children[2]->node.get());
  ASSERT_NE(pc, nullptr);
  EXPECT_FALSE(pc->isNT4);
  EXPECT_EQ(pc->ComputerName(), u"PC1");
  EXPECT_EQ(pc->GetToolTip(), pc->w2kComputer.GetDescription());
  EXPECT_EQ(back->children[2]->image, 6u);
}

TEST_F(BrowseNodes, RecentKeepsTenNamesAndTheirItems) {
  cVkNetWorkTreeNodeRecent recent;
  int parent = 0;
  for (int i = 0; i < 10; ++i) recent.AddRecent(u"pc" + std::u16string(1, u'0' + i), tree, &parent);
  recent.AddRecent(u"PC3", tree, &parent);  // already there, ignoring case
  recent.AddRecent(u"   ", tree, &parent);
  recent.AddRecent(u"", tree, &parent);
  ASSERT_EQ(recent.names.size(), 10u);
  ASSERT_EQ(tree.items.size(), 10u);

  recent.AddRecent(u"eleventh", tree, &parent);
  ASSERT_EQ(recent.names.size(), 10u);
  EXPECT_EQ(recent.names.front(), u"pc1");  // the oldest went
  EXPECT_EQ(recent.names.back(), u"eleventh");
  ASSERT_EQ(tree.items.size(), 11u);  // its item stays
  const Inserted& item = tree.items.back();
  EXPECT_EQ(item.label, u"eleventh");
  EXPECT_EQ(item.image, kVkImageComputer);
  EXPECT_EQ(item.parent, &parent);
  EXPECT_TRUE(item.sort);
  auto* service = dynamic_cast<cVkNetWorkTreeNodeService*>(item.node.get());
  ASSERT_NE(service, nullptr);
  EXPECT_TRUE(service->isNT4);
  EXPECT_EQ(service->ComputerName(), u"eleventh");
  EXPECT_FALSE(service->renamable || service->deletable || service->container);

  // Clearing empties the list.
  cVkCollection nothing;
  recent.Populate(nothing, tree, &parent);
  EXPECT_TRUE(recent.names.empty());
}

TEST_F(BrowseNodes, RootAndBrowsedNodesInsertTheirChildren) {
  cVkNetWorkTreeNodeRoot root;
  cVkCollection none;
  root.Populate(none, tree, nullptr);
  ASSERT_EQ(tree.items.size(), 2u);
  EXPECT_EQ(tree.items[0].label, u"Microsoft Windows Network");
  EXPECT_EQ(tree.items[1].label, u"Recent");
  tree.items.clear();
  tree.directory = true;
  root.Populate(none, tree, nullptr);
  ASSERT_EQ(tree.items.size(), 3u);
  EXPECT_EQ(tree.items[0].label, u"Directory");
  EXPECT_EQ(tree.items[0].image, kVkImageDirectory);
  EXPECT_NE(dynamic_cast<cVkNetWorkTreeNodeW2KDomains*>(tree.items[0].node.get()), nullptr);
  EXPECT_EQ(root.GetToolTip(), u"Browse the entire network");

  tree.items.clear();
  cVkCollection domains;
  domains.Add(new cVkNT4Domain(u"WORKGROUP", 0, 0, 0, u"SRV"));
  domains.Add(new cVkStringData(u"not a domain"));
  cVkNetWorkTreeNodeNT4Domains browse;
  browse.Populate(domains, tree, nullptr);
  ASSERT_EQ(tree.items.size(), 1u);
  auto* computers = dynamic_cast<cVkNetWorkTreeNodeNT4Computers*>(tree.items[0].node.get());
  ASSERT_NE(computers, nullptr);
  EXPECT_EQ(computers->domain.comment, u"SRV");
  EXPECT_EQ(computers->GetToolTip(), u"Domain: WORKGROUP, PDC: SRV");

  // A computer's node asks for its remote desktop.
  cVkNetWorkTreeNodeService service(cVkNT4Computer(u"PC", 0, 0, 0, u""));
  service.Populate(none, tree, nullptr);
  EXPECT_EQ(tree.shows, 1);
}

// A browser that answers what it was given, and remembers the domain asked for.
class ListedNetwork : public iVkNetworkBrowser {
 public:
  int32_t EnumerateDomains(cOrkLog&, cVkCollection& domains, const std::atomic<bool>&) override {
    domains.Add(new cVkNT4Domain(u"local", 0, 0, 0, u""));
    domains.Add(new cVkNT4Computer(u"stray", 0, 0, 0, u""));  // not a domain: dropped
    return 0;
  }
  int32_t EnumerateComputers(cOrkLog& log, std::u16string_view domain, cVkCollection& computers,
                             const std::atomic<bool>&) override {
    asked = domain;
    if (domain == u"broken") {
      log.LogMsg(LOG_ERROR, 53, u"The network path was not found. Errorcode %ld.", 53);
      return 53;
    }
    computers.Add(new cVkNT4Computer(u"host1", 5, 1, 0x1003, u""));
    return 0;
  }
  std::u16string asked;
};

TEST_F(BrowseNodes, LocalNetworkEnumerations) {
  // Without a browser: "not available", reported as the enumeration's failure.
  cVkCollection found;
  cVkNetWorkTreeNodeNT4Domains domains;
  EXPECT_EQ(domains.Collect(log, found), 50);
  EXPECT_EQ(found.GetSize(), 0u);
  EXPECT_NE(Messages(log).find("not available"), std::string::npos);
  EXPECT_NE(Messages(log).find("Error enumerating NT4 domains. Errorcode 50."), std::string::npos);

  auto network = std::make_shared<ListedNetwork>();
  VkSetBrowseSources({nullptr, network});
  ASSERT_EQ(domains.Collect(log, found), 0);
  ASSERT_EQ(found.GetSize(), 1u);
  EXPECT_EQ(static_cast<cVkNT4Domain*>(found.GetAt(0))->name, u"local");

  // A hand-made domain renamed in the tree still enumerates its own name.
  cVkNetWorkTreeNodeNT4Computers handMade(cVkNT4Domain(u"broken", 0, 0, 0, u""));
  cVkCollection computers;
  EXPECT_EQ(handMade.Collect(log, computers), 53);
  EXPECT_EQ(network->asked, u"broken");
  EXPECT_NE(Messages(log).find("Error enumerating computers in domain 'broken'. Errorcode 53."), std::string::npos);
  handMade.domain.name = u"office";
  ASSERT_EQ(handMade.Collect(log, computers), 0);
  ASSERT_EQ(computers.GetSize(), 1u);

  // Without the directory library the directory's nodes answer -4.
  cVkNetWorkTreeNodeW2KDomains directory;
  EXPECT_EQ(directory.Collect(log, found), -4);
  cVkNetWorkTreeNodeW2KComputers w2k(cVkW2KDomain(u"corp.test", u"", u"", 0));
  auto unloaded = std::make_shared<cVkDirBridge>();
  VkSetBrowseSources({unloaded, network});
  EXPECT_EQ(w2k.Collect(log, found), -4);
}

// A node whose collection waits until the test lets it go.
struct Gate {
  std::mutex lock;
  std::condition_variable changed;
  bool open = false;
  int collected = 0;
  void Open() {
    std::lock_guard guard(lock);
    open = true;
    changed.notify_all();
  }
};
Gate* gate = nullptr;

class GatedNode : public cVkNetWorkTreeNode {
 public:
  cVkObject* Clone() const override { return new GatedNode; }
  int32_t Collect(cOrkLog& log, cVkCollection& collection) override {
    std::unique_lock guard(gate->lock);
    gate->changed.wait(guard, [] { return gate->open; });
    ++gate->collected;
    collection.Add(new cVkStringData(u"child"));
    log.LogMsg(LOG_WARNING, 7, u"collected with %ld", 7);
    return 1060;
  }
};

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST_F(BrowseNodes, CollectionJobHandOver) {
  Gate g;
  gate = &g;
  GatedNode node;
  int32_t rc = -1;

  // Done before the window's thread looks: it takes the result and the job.
  g.Open();
  cVkCollectJob* job = cVkCollectJob::Start(node, &rc);
  ASSERT_NE(job, nullptr);
  ASSERT_TRUE(job->WaitDone(10s));
  cVkCollectJob::Result result = cVkCollectJob::Finish(job);
  EXPECT_EQ(result.code, 1060);
  ASSERT_EQ(result.collection->GetSize(), 1u);
  EXPECT_EQ(static_cast<cVkStringData*>(result.collection->GetAt(0))->GetText(), u"child");
  EXPECT_NE(Messages(*result.log).find("collected with 7"), std::string::npos);
  EXPECT_TRUE(WaitUntil([] { return cVkCollectJob::Pending() == 0; }));

  // Abandoned while it runs: the worker finishes later and destroys the job.
  g.open = false;
  job = cVkCollectJob::Start(node, &rc);
  ASSERT_NE(job, nullptr);
  EXPECT_FALSE(job->WaitDone(50ms));
  cVkCollectJob::Abandon(job);
  EXPECT_EQ(cVkCollectJob::Pending(), 1);
  g.Open();
  EXPECT_TRUE(WaitUntil([] { return cVkCollectJob::Pending() == 0; }));
  EXPECT_EQ(g.collected, 2);

  // Abandoned after it finished (the dialog was cancelled at the last moment).
  job = cVkCollectJob::Start(node, &rc);
  ASSERT_TRUE(job->WaitDone(10s));
  cVkCollectJob::Abandon(job);
  EXPECT_TRUE(WaitUntil([] { return cVkCollectJob::Pending() == 0; }));
  gate = nullptr;
}

TEST_F(BrowseNodes, DirectoryLibraryIsLoadedOnlyFromTheProgramFolder) {
  cVkDirBridge binding;
  EXPECT_EQ(binding.LoadDirBridge(log, u"/nonexistent/"), 126);
  EXPECT_NE(Messages(log).find("Unable to load '/nonexistent/libdirbridge.so'. Errorcode 126."), std::string::npos);
  EXPECT_FALSE(binding.IsLoaded());
  cVkCollection found;
  EXPECT_EQ(binding.CollectW2KDomains(log, found), -4);
  // A library without every entry point is reported and not used.
  log.Clear();
  EXPECT_EQ(binding.LoadDirBridge(log, vk::FromUtf8(PARTIAL_DIRBRIDGE_FOLDER)), 127);
  EXPECT_FALSE(binding.IsLoaded());
  EXPECT_NE(Messages(log).find("Unable to find the function: 'CollectComputersInDomain' in '" PARTIAL_DIRBRIDGE_FOLDER
                               "libdirbridge.so'. Errorcode 127."),
            std::string::npos);
  EXPECT_EQ(binding.CollectW2KDomains(log, found), -4);
  EXPECT_EQ(binding.CollectW2KComputers(log, u"x", found), -4);
  EXPECT_EQ(binding.UnloadDirBridge(log), 0);
  EXPECT_FALSE(binding.IsLoaded());

  EXPECT_EQ(binding.LoadDirBridge(log, vk::FromUtf8(DIRBRIDGE_FOLDER)), 0);
  EXPECT_TRUE(binding.IsLoaded());
}

}  // namespace

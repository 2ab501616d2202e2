#include "core/linklist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

// Runs a test body with the current folder moved into a fresh folder.
class InFolder {
 public:
  explicit InFolder(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
  ~InFolder() { fs::current_path(old_); }

 private:
  fs::path old_;
};

void Touch(const fs::path& p) {
  fs::create_directories(p.parent_path());
  std::ofstream(p.string()) << "x";
}

std::vector<std::string> Names(const Linklist<CStr>& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.count; ++i) out.push_back(list.Get(i));
  return out;
}

TEST(LinklistTest, GetReturnsEnumeratedNamesAndNullOutOfRange) {
  fs::path dir = vantrel::test::MakeTempDir("get");
  Touch(dir / "b.txt");
  Touch(dir / "A.txt");
  Touch(dir / "c.txt");
  InFolder in(dir);
  Linklist<CStr> list("*.txt");
  EXPECT_EQ(list.count, 3);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"A.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(list.Get(3), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_TRUE(list.Reset());
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(list.next, nullptr);
  EXPECT_EQ(list.FillFromDirectory("*.txt", false, "p/"), 3);
  EXPECT_STREQ(list.Get(0), "p/A.txt");
}

TEST(LinklistTest, RecursiveFillListsSubfolderNamesFirst) {
  fs::path dir = vantrel::test::MakeTempDir("rec");
  Touch(dir / "Boards/y.bdz");
  Touch(dir / "Boards/Sub/x.bdz");
  Touch(dir / "Boards/Sub/Deeper/z.bdz");
  Touch(dir / "Boards/Sub/ignored.txt");
  Touch(dir / "Boards/a.bdz");
  InFolder in(dir);
  Linklist<CStr> list;
  EXPECT_EQ(list.FillFromDirectory("Boards\\*.bdz", true, ""), 4);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Sub\\Deeper\\z.bdz", "Sub\\x.bdz", "a.bdz", "y.bdz"}));
  EXPECT_EQ(list.count, 4);
  // Refill starts over; the prefix is carried in front of every name.
  EXPECT_EQ(list.Refill("Boards/*.bdz", true, "Boards\\"), 4);
  EXPECT_EQ(list.count, 4);
  EXPECT_STREQ(list.Get(0), "Boards\\Sub\\Deeper\\z.bdz");
  // Without a separator the whole pattern is the mask of the current folder.
  Touch(dir / "top.bdz");
  EXPECT_EQ(list.Refill("*.bdz", true, nullptr), 5);
  EXPECT_STREQ(list.Get(4), "top.bdz");
}

TEST(LinklistTest, RecursiveFillDoesNotFollowFolderLinks) {
  fs::path dir = vantrel::test::MakeTempDir("links");
  Touch(dir / "Boards/Sub/x.bdz");
  fs::create_directory_symlink(dir / "Boards", dir / "Boards/Sub/Loop");
  fs::create_directory_symlink(dir / "Boards", dir / "Boards/Back");
  InFolder in(dir);
  Linklist<CStr> list;
  EXPECT_EQ(list.FillFromDirectory("Boards/*.bdz", true, ""), 1);
  EXPECT_STREQ(list.Get(0), "Sub\\x.bdz");
}

TEST(LinklistTest, NonRecursiveStarDotStarListsFoldersAndDotlessNamesButNotDots) {
  fs::path dir = vantrel::test::MakeTempDir("flat");
  Touch(dir / "README");
  Touch(dir / "file.TXT");
  fs::create_directories(dir / "Folder");
  InFolder in(dir);
  Linklist<CStr> list("*.*");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"file.TXT", "Folder", "README"}));
  Linklist<CStr> txt("*.txt");  // patterns ignore case
  EXPECT_EQ(Names(txt), (std::vector<std::string>{"file.TXT"}));
  Linklist<CStr> none("nothing*.zzz");
  EXPECT_EQ(none.count, 0);
  Linklist<CStr> missing("NoSuchFolder/*.*");
  EXPECT_EQ(missing.count, 0);
  Linklist<CStr> nul(nullptr);
  EXPECT_EQ(nul.FillFromDirectory(nullptr, true, nullptr), 0);
}

TEST(LinklistTest, AppendLinksBehindTheLastNodeWithoutCounting) {
  Linklist<CStr> list;
  Linklist<CStr>* a = list.Append(new CStr("a"));
  Linklist<CStr>* b = list.Append(new CStr("b"));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(list.next, a);
  EXPECT_EQ(a->prev, &list);
  EXPECT_EQ(a->next, b);
  EXPECT_EQ(b->prev, a);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.Get(0), nullptr);  // not counted
  list.count = 2;
  EXPECT_STREQ(list.Get(1), "b");
  list.count = 3;
  EXPECT_EQ(list.Get(2), nullptr);  // the chain ends early
  CStr* noBuffer = new CStr();
  std::free(noBuffer->data);
  noBuffer->data = nullptr;
  list.Append(noBuffer);
  EXPECT_STREQ(list.Get(2), "");
  list.Clear();
  EXPECT_EQ(list.next, nullptr);
  EXPECT_EQ(list.count, 0);
}

// An element type like the game's objects, counting destructions.
struct Node : LinklistBase<Node> {
  explicit Node(int* deaths) : deaths(deaths) {}
  ~Node() override { ++*deaths; }
  int* deaths;
};

TEST(LinklistTest, DeletingAnyLinkedNodeDeletesTheWholeChain) {
  for (int victim = 0; victim < 5; ++victim) {
    int deaths = 0;
    std::vector<Node*> nodes;
    for (int i = 0; i < 5; ++i) nodes.push_back(new Node(&deaths));
    for (int i = 0; i + 1 < 5; ++i) {
      nodes[size_t(i)]->next = nodes[size_t(i) + 1];
      nodes[size_t(i) + 1]->prev = nodes[size_t(i)];
    }
    delete nodes[size_t(victim)];
    EXPECT_EQ(deaths, 5) << victim;
  }
}

TEST(LinklistTest, CopiedElementsStartUnlinked) {
  int deaths = 0;
  Node a(&deaths), b(&deaths);
  a.next = &b;
  b.prev = &a;
  Node copy(b);
  EXPECT_EQ(copy.prev, nullptr);
  EXPECT_EQ(copy.next, nullptr);
  Node target(&deaths);
  target = b;
  EXPECT_EQ(target.prev, nullptr);
  a.next = nullptr;  // unlink the stack objects before they go
  b.prev = nullptr;
}

TEST(LinklistTest, LongChainsAreDeletedWithoutDeepRecursion) {
  int deaths = 0;
  Node* head = new Node(&deaths);
  Node* last = head;
  for (int i = 0; i < 200000; ++i) {
    Node* n = new Node(&deaths);
    last->next = n;
    n->prev = last;
    last = n;
  }
  delete head;
  EXPECT_EQ(deaths, 200001);

  Linklist<CStr> list;
  for (int i = 0; i < 100000; ++i) list.Append(new CStr("n"));
  list.count = 100000;
  list.DeleteNodes();
  EXPECT_EQ(list.next, nullptr);
}

TEST(LinklistTest, DeleteNodesAlsoEmptiesThePrevSide) {
  Linklist<CStr> list;
  list.Append(new CStr("after"));
  // A node linked on the head's prev side (not normal use, but handled).
  Linklist<CStr>* before = new Linklist<CStr>();
  before->item = new CStr("before");
  before->next = &list;
  list.prev = before;
  list.DeleteNodes();
  EXPECT_EQ(list.prev, nullptr);
  EXPECT_EQ(list.next, nullptr);
}

}  // namespace

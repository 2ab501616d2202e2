// Hostile files in the folders the game reads, one table row each. A row
// plants its files in the game's own folder, the player's content folder and
// an installed Workshop item, beside ordinary board sets and charm sets that
// sort after them. Then the real game starts over them (the charm loader),
// the data-file walk lists each folder, the board-set list opens, and the
// player's ordinary set is played. Nothing may hang, nothing but the row's
// own hostile files may go missing, and nothing outside the folders may be
// opened.
//
// A new row: give it a name, a plant function (HostileFiles has the three
// folders, an outside folder and helpers for the odd kinds of file) and what
// it adds to or must keep out of the list and the charms; check runs last,
// for anything else the row wants to see.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "community/app_id.h"
#include "core/data_files.h"
#include "core/hash.h"
#include "game/play/charms.h"
#include "game/scenes/board_set_select.h"
#include "game/support/front_end_support.h"
#include "graphics/bitmap.h"
#include "graphics/imageset_writer.h"
#include "platform/files.h"
#include "platform/steam/fake.h"
#include "support/odd_files.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;
using vantrel::test::PipeGuard;
using vantrel::test::SetSpec;
using vantrel::test::WriteSet;

namespace {

// The play button of the board-set list.
constexpr int32_t kPlayX = 1100, kPlayY = 650;
constexpr uint64_t kItemId = 77;

// The folders of one row and the helpers that plant odd files in them.
class HostileFiles {
 public:
  fs::path game;     // the game's own folder (the current folder)
  fs::path player;   // the player's content folder
  fs::path item;     // the folder of an installed Workshop item
  fs::path outside;  // a folder in the home that no data folder holds

  ~HostileFiles() {
    plat::SetListFolderFailure(nullptr);
    for (int fd : sockets_) ::close(fd);
    boost::system::error_code ec;
    for (const fs::path& folder : locked_) fs::permissions(folder, fs::perms::owner_all, ec);
  }

  // The three data folders of the row.
  std::vector<fs::path> DataFolders() const { return {game, player, item}; }

  // The writers read a '\' in a path as a separator, so each file is
  // written under a plain name and then renamed to its own.
  void Set(const fs::path& path, const std::string& title) {
    SetSpec spec;
    spec.title = title;
    WriteSet(Plain(path), spec);
    Rename(path);
  }
  void Charms(const fs::path& path, const std::vector<std::string>& names) {
    fs::create_directories(path.parent_path());
    std::vector<Bitmap> pictures(names.size());
    std::vector<ImageSetWriterEntry> entries;
    for (size_t i = 0; i < names.size(); ++i) {
      ASSERT_TRUE(pictures[i].Create(12, 12, 32));
      entries.push_back({names[i], &pictures[i]});
    }
    ASSERT_TRUE(WriteImageSet(Plain(path), entries));
    Rename(path);
  }
  // A named pipe at path, opened by nobody but a reader that would wait.
  void Pipe(const fs::path& path) {
    pipes_.push_back(std::make_unique<PipeGuard>(path));
    ASSERT_TRUE(pipes_.back()->Made()) << path;
  }
  // A listening Unix socket bound at path.
  void Socket(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.string().size() >= sizeof address.sun_path) GTEST_SKIP() << "socket path too long: " << path;
    std::strcpy(address.sun_path, path.c_str());
    fs::create_directories(path.parent_path());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockets_.push_back(fd);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    ASSERT_EQ(::listen(fd, 1), 0);
  }
  // A link at path to target (a device, say).
  void Link(const fs::path& path, const fs::path& target) {
    fs::create_directories(path.parent_path());
    fs::create_symlink(target, path);
  }
  // The folder made unreadable: its mode 000, back to 0700 when the row ends.
  void Unreadable(const fs::path& folder) {
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::no_perms);
    locked_.push_back(folder);
  }
  // Every folder named name fails to list, as an unreadable one does.
  void FailListing(const std::string& name) {
    plat::SetListFolderFailure([name](const fs::path& folder) { return folder.filename() == name; });
  }
  // The name, '\' between its parts, that reaches target from folder when
  // a '\' is taken as a separator.
  static std::string BackslashName(const fs::path& folder, const fs::path& target) {
    std::string name = target.lexically_relative(folder).string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
  }

  const std::vector<std::unique_ptr<PipeGuard>>& Pipes() const { return pipes_; }

 private:
  static fs::path Plain(const fs::path& path) { return path.parent_path() / "written.tmp"; }
  static void Rename(const fs::path& path) { fs::rename(Plain(path), path); }

  std::vector<std::unique_ptr<PipeGuard>> pipes_;
  std::vector<int> sockets_;
  std::vector<fs::path> locked_;
};

struct HostileCase {
  const char* name;
  std::function<void(HostileFiles&)> plant;
  // Set titles the list holds besides the ordinary ones; titles it never holds.
  std::vector<std::string> listed = {}, neverListed = {};
  // Charm names loaded besides the ordinary ones; names never loaded.
  std::vector<std::string> charms = {}, neverCharms = {};
  // Further checks, with the list open (may be empty).
  std::function<void(HostileFiles&)> check = {};
  // The row means nothing to a user who may read every folder (root).
  bool needsNonRoot = false;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

// The ordinary files of every row: one board set and one charm set per data
// folder, in a subfolder that sorts after every hostile name.
void PlantOrdinary(HostileFiles& f) {
  f.Set(f.game / "Boards" / "zz" / "GameAfter.bdz", "Game after");
  f.Set(f.player / "zz" / "PlayerAfter.bdz", "Player after");
  f.Set(f.item / "zz" / "ItemAfter.bdz", "Item after");
  f.Charms(f.game / "zz" / "GameAfter.charms", {"AfterGame_1"});
  f.Charms(f.player / "zz" / "PlayerAfter.charms", {"AfterPlayer_2"});
  f.Charms(f.item / "zz" / "ItemAfter.charms", {"AfterItem_3"});
}
const std::vector<std::string> kOrdinaryTitles = {"Castle", "Game after", "Player after", "Item after"};
const std::vector<std::string> kOrdinaryCharms = {"charm0", "charm1",    "charm2",      "charm3",   "charm4",
                                                  "charm5", "AfterGame", "AfterPlayer", "AfterItem"};

// A set and a charm set in a folder named "Locked" in each data folder.
void PlantLocked(HostileFiles& f, const std::string& kind) {
  for (const fs::path& folder : {f.game / "Boards", f.player, f.item}) {
    f.Set(folder / "Locked" / (kind + ".bdz"), "Locked set");
    f.Charms(folder / "Locked" / (kind + folder.filename().string() + ".charms"), {"LockedCharm"});
  }
}

// bytes at path, followed by `zeros` zero bytes that are a hole in the file.
void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes, uintmax_t zeros) {
  fs::create_directories(path.parent_path());
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  ASSERT_EQ(std::fclose(out), 0) << path;
  fs::resize_file(path, bytes.size() + zeros);
}

// The head of a version-2 image set claiming `count` images.
std::vector<uint8_t> ImageSetHeader(uint32_t count) {
  std::vector<uint8_t> b = {'I', 'M', 'S', 'T', 2, 0, 0, 0};
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(count >> (8 * i)));
  return b;
}

const std::vector<HostileCase> kCases = {
    {.name = "Pipe",
     .plant =
         [](HostileFiles& f) {
           for (const fs::path& folder : {f.game / "Boards", f.player, f.item}) {
             f.Pipe(folder / "Pipe.bdz");
             f.Pipe(folder / ("Pipe" + folder.filename().string() + ".charms"));
           }
         },
     .check =
         [](HostileFiles& f) {
           for (const auto& pipe : f.Pipes())
             EXPECT_EQ(pipe->Opens(), 0) << "opened, which waits for a writer: " << pipe->Path();
         }},
    {.name = "Socket",
     .plant =
         [](HostileFiles& f) {
           f.Socket(f.player / "Sock.bdz");
           f.Socket(f.player / "Sock.charms");
         }},
    {.name = "Device",
     .plant =
         [](HostileFiles& f) {
           f.Link(f.player / "Zero.bdz", "/dev/zero");
           f.Link(f.item / "Zero.charms", "/dev/zero");
           f.Link(f.player / "Null.charms", "/dev/null");
         }},
    {.name = "UnreadableFolder",
     .plant =
         [](HostileFiles& f) {
           PlantLocked(f, "Hidden");
           f.FailListing("Locked");
         },
     .neverListed = {"Locked set"},
     .neverCharms = {"LockedCharm"}},
    {.name = "UnreadableFolderByMode",
     .plant =
         [](HostileFiles& f) {
           PlantLocked(f, "Hidden");
           for (const fs::path& folder : {f.game / "Boards", f.player, f.item}) f.Unreadable(folder / "Locked");
         },
     .neverListed = {"Locked set"},
     .neverCharms = {"LockedCharm"},
     .needsNonRoot = true},
    {.name = "BackslashName",
     .plant =
         [](HostileFiles& f) {
           // Outside: the sets the names would reach with '\' read as a separator.
           f.Set(f.outside / "Secret.bdz", "Secret");
           f.Charms(f.outside / "Secret.charms", {"SecretCharm"});
           // Inside: files that really bear those names.
           f.Set(f.player / HostileFiles::BackslashName(f.player, f.outside / "Secret.bdz"), "Inside player");
           f.Set(f.item / HostileFiles::BackslashName(f.item, f.outside / "Secret.bdz"), "Inside item");
           f.Charms(f.item / HostileFiles::BackslashName(f.item, f.outside / "Secret.charms"), {"InsideCharm"});
         },
     .listed = {"Inside player", "Inside item"},
     .neverListed = {"Secret"},
     .charms = {"InsideCharm"},
     .neverCharms = {"SecretCharm"},
     .check =
         [](HostileFiles& f) {
           // The Workshop row is the item's own file.
           const std::string name = HostileFiles::BackslashName(f.item, f.outside / "Secret.bdz");
           EXPECT_NE(name.find("..\\"), std::string::npos) << name;
           auto& entries = boardSetSelect.boardSetEntries;
           auto it = std::find_if(entries.begin(), entries.end(),
                                  [](const BoardSetEntry& e) { return e.title == "Inside item"; });
           ASSERT_NE(it, entries.end());
           EXPECT_EQ(it->path, f.item / name);
           EXPECT_EQ(it->source, 2);
         }},
    {.name = "HugeClaimedCounts",
     .plant =
         [](HostileFiles& f) {
           // A million empty images claimed, the file's 20 MB of zeros
           // paying for them as empty records (a hole in the file); a
           // million claimed by a header alone; a set claiming a million
           // boards with one stored, its checksum right.
           for (const fs::path& folder : {f.game, f.player, f.item}) {
             const std::string stem = "Million" + folder.filename().string();
             WriteBytes(folder / (stem + ".charms"), ImageSetHeader(1000000), 20 * 1000000);
             WriteBytes(folder / (stem + "Header.charms"), ImageSetHeader(1000000), 0);
           }
           std::vector<uint8_t> set = vantrel::test::PlainBoardSetBytes(7, "Million boards", 1);
           set.resize(set.size() - 4);
           set[8] = 0x40;  // the board count: 0x000F4240, a million
           set[9] = 0x42;
           set[10] = 0x0F;
           set[11] = 0;
           const uint32_t checksum = HashBytes(set.data(), static_cast<int32_t>(set.size()));
           for (int i = 0; i < 4; ++i) set.push_back(static_cast<uint8_t>(checksum >> (8 * i)));
           WriteBytes(f.player / "MillionBoards.bdz", set, 0);
         },
     .neverListed = {"Million boards"}},
    {.name = "OversizeSet",
     .plant =
         [](HostileFiles& f) {
           // Sets that pass every check but their size (their padding a hole
           // in the file), beside one far longer than any editor writes that
           // is still a set.
           vantrel::test::WritePaddedSet(f.player / "Oversize.bdz", "Oversize", (int64_t{16} << 20) + 64);
           vantrel::test::WritePaddedSet(f.item / "Oversize.bdz", "Oversize item", int64_t{32} << 20);
           vantrel::test::WritePaddedSet(f.player / "Long.bdz", "Long", int64_t{1} << 20);
           // 4 GiB and 4096 bytes, whose first 4096 bytes are a whole set:
           // its size's low 32 bits alone would read as that set.
           vantrel::test::WritePaddedSet(f.game / "Boards" / "Wrapped.bdz", "Wrapped", 4096);
           fs::resize_file(f.game / "Boards" / "Wrapped.bdz", (uintmax_t{1} << 32) + 4096);
         },
     .listed = {"Long"},
     .neverListed = {"Oversize", "Oversize item", "Wrapped"}},
};

class HostileFilesTest : public vantrel::test::FrontEndTest, public ::testing::WithParamInterface<HostileCase> {
 protected:
  void TearDown() override {
    FrontEndTest::TearDown();
    files_.reset();  // releases the pipes and the folders' modes
    boost::system::error_code ec;
    fs::remove_all(itemRoot_, ec);
    fs::remove_all(outside_, ec);
  }

  // Every listed path that opens is a file inside the data folders: none of
  // the outside files.
  void ExpectNothingOutsideOpens(const std::vector<fs::path>& listed) {
    std::set<std::pair<dev_t, ino_t>> outside;
    boost::system::error_code ec;
    for (fs::recursive_directory_iterator it(outside_, ec), end; !ec && it != end; it.increment(ec)) {
      struct stat st;
      if (::stat(it->path().c_str(), &st) == 0) outside.insert({st.st_dev, st.st_ino});
    }
    DataFiles files;
    for (const fs::path& path : listed) {
      FILE* f = files.Open(path);
      if (!f) continue;
      struct stat st;
      ASSERT_EQ(::fstat(fileno(f), &st), 0);
      EXPECT_TRUE(S_ISREG(st.st_mode)) << path;
      EXPECT_EQ(outside.count({st.st_dev, st.st_ino}), 0u) << "opened a file outside: " << path;
    }
  }

  fs::path itemRoot_, outside_;
  std::unique_ptr<HostileFiles> files_;
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_P(HostileFilesTest, GameWalksListsLoadsAndPlaysOverThem) {
  const HostileCase& row = GetParam();
  if (row.needsNonRoot && ::geteuid() == 0) GTEST_SKIP() << "root reads every folder";

  Prepare();
  const fs::path home = vantrel::test::TempHome();
  itemRoot_ = home / ".local/share/vantrel-community/workshop" / std::to_string(kItemId);
  outside_ = home / "private";
  files_ = std::make_unique<HostileFiles>();
  HostileFiles& f = *files_;
  f.game = d.Folder();
  f.player = plat::GetKnownFolder(plat::KnownFolder::Documents, false) / "Quillmark" / "Vantrel - Orvesse";
  f.item = itemRoot_ / "content";
  f.outside = outside_;
  PlantOrdinary(f);
  row.plant(f);
  if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;

  plat::steam::fake::ItemRecord item;
  item.id = kItemId;
  item.appId = kVantrelAppId;
  item.owner = 7;
  item.title = "Hostile item";
  item.installFolder = f.item.string();
  plat::steam::fake::SeedItem(item);
  plat::steam::fake::Subscribe(kItemId);

  // The charm loader runs while the game starts.
  ASSERT_EQ(d.StartUp(), std::nullopt);
  d.Frame();
  Settle();
  std::vector<std::string> names;
  for (const CharmInfo& c : charms) names.push_back(c.name);
  EXPECT_EQ(Sorted(names), Sorted(Joined(kOrdinaryCharms, row.charms)));
  for (const std::string& never : row.neverCharms) EXPECT_EQ(std::count(names.begin(), names.end(), never), 0) << never;

  // The data-file walk of each folder finds the ordinary files after the
  // hostile ones, and opens nothing outside.
  DataFiles walker;
  for (const fs::path& folder : f.DataFolders()) {
    std::vector<fs::path> listed = walker.ListDir(folder, ".bdz", true);
    const std::vector<fs::path> charmFiles = walker.ListDir(folder, ".charms", true);
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const fs::path& p) {
      return p.parent_path().filename() == "zz";
    })) << folder;
    EXPECT_TRUE(std::any_of(charmFiles.begin(), charmFiles.end(), [](const fs::path& p) {
      return p.parent_path().filename() == "zz";
    })) << folder;
    listed.insert(listed.end(), charmFiles.begin(), charmFiles.end());
    ExpectNothingOutsideOpens(listed);
  }

  // The board-set list.
  Enter(kSceneBoardSetSelect);
  std::vector<std::string> titles;
  for (const BoardSetEntry& e : boardSetSelect.boardSetEntries) titles.push_back(e.title);
  EXPECT_EQ(Sorted(titles), Sorted(Joined(kOrdinaryTitles, row.listed)));
  for (const std::string& never : row.neverListed)
    EXPECT_EQ(std::count(titles.begin(), titles.end(), never), 0) << never;
  if (row.check) row.check(f);

  // And the player's own set plays.
  auto& entries = boardSetSelect.boardSetEntries;
  auto mine = std::find_if(entries.begin(), entries.end(),
                           [](const BoardSetEntry& e) { return e.title == "Player after"; });
  ASSERT_NE(mine, entries.end());
  boardSetSelect.boardSelectIndex = static_cast<int32_t>(mine - entries.begin());
  d.Frame();
  ClickAndFrame(kPlayX, kPlayY);
  EXPECT_EQ(program.sceneNumber, kScenePlay);
  EXPECT_EQ(boardSet.title, "Player after");
  EXPECT_TRUE(boardSetSelect.boardSetLoadError.empty()) << boardSetSelect.boardSetLoadError;
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileFilesTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace

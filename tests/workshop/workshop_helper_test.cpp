// The Workshop upload helper's dialog, driven through the in-memory dialogs,
// file requester and message boxes over the scripted community service.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "community/community_manager_steam.h"
#include "community/workshop_id.h"
#include "core/registry_settings.h"
#include "platform/headless/headless_dialog.h"
#include "platform/headless/headless_file_dialog.h"
#include "platform/headless/headless_window.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "support/steam_calls.h"
#include "support/test_support.h"
#include "workshop/workshop_helper.h"

namespace fs = boost::filesystem;
namespace steam = plat::steam;
using namespace workshop;

namespace {

constexpr uint64_t kBigId = (uint64_t{1} << 32) + 17;  // does not fit 32 bits
constexpr steam::UserId kAuthor = 76500000000001234ull;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The log's lines (the log ends every line with CR LF).
std::vector<std::string> Lines(const std::string& log) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(log.substr(start, end - start));
  }
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

using vantrel::test::CountCalls;

class WorkshopHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
    steam::fake::SetCurrentUser(kAuthor);
  }
  void TearDown() override {
    helper.reset();
    manager.reset();
    steam::fake::Reset();
  }

  // The manager, the helper and its dialog, as the program makes them.
  void Open() {
    manager = std::make_unique<CommunityManagerSteam>(kVantrelAppId);
    helper = std::make_unique<WorkshopHelper>(manager.get());
    manager->SetMessageCallback([this](const char* text) { helper->LogAppend(text); });
    dialog = static_cast<plat::headless::HeadlessDialog*>(dialogs.CreateModeless(helper->DialogDescription(), nullptr));
    ASSERT_NE(dialog, nullptr);
    dialogs.DispatchAll();
  }

  // One tick of the dialog's one-second timer, and what it posts.
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) {
      dialogs.AdvanceTime(kTimerPeriodMs);
      dialogs.DispatchAll();
    }
  }

  void ChooseFolder(const fs::path& folder) {
    files.QueueChoose(folder);
    ASSERT_TRUE(dialog->Click(kIdSelectFolder));
    dialogs.DispatchAll();
  }

  void ClickUpload() {
    ASSERT_TRUE(dialog->Click(kIdUpload));
    dialogs.DispatchAll();
  }

  // An item folder with content and a preview picture.
  static fs::path ItemFolder(const std::string& name) {
    const fs::path dir = vantrel::test::MakeTempDir(name);
    std::ofstream((dir / "garden.bdz").string()) << "boards";
    std::ofstream((dir / "preview.png").string()) << "png";
    return dir;
  }

  // An item of the current user on the service, and its id in the folder.
  static void SeedOwnItem(uint64_t id, const fs::path& folder, const std::string& title,
                          const std::string& description) {
    steam::fake::ItemRecord record;
    record.id = id;
    record.appId = kVantrelAppId;
    record.owner = kAuthor;
    record.title = title;
    record.description = description;
    steam::fake::SeedItem(record);
    ASSERT_TRUE(WriteWorkshopIdFile(folder, id));
  }

  std::string Text(int32_t id) const { return dialog->GetText(id); }
  bool Enabled(int32_t id) const { return dialog->IsEnabled(id); }
  std::vector<std::string> Log() const { return Lines(helper->LogText()); }

  plat::headless::HeadlessWindowSystem windows;
  plat::headless::HeadlessDialogSystem dialogs;
  plat::headless::HeadlessFileDialogs files;
  plat::RecordingShell shell;
  std::unique_ptr<CommunityManagerSteam> manager;
  std::unique_ptr<WorkshopHelper> helper;
  plat::headless::HeadlessDialog* dialog = nullptr;
};

TEST_F(WorkshopHelperTest, StartsIdleWithTheTimerRunning) {
  Open();
  steam::fake::ClearCallLog();
  EXPECT_EQ(dialog->Title(), "Vantrel - Steam Workshop Helper");
  EXPECT_TRUE(dialog->HasTimer(kTimerId));
  EXPECT_EQ(Text(kIdUpload), "Upload");
  EXPECT_FALSE(Enabled(kIdUpload));  // no folder yet
  EXPECT_FALSE(Enabled(kIdItemPage));
  EXPECT_TRUE(Enabled(kIdSelectFolder));
  EXPECT_TRUE(Enabled(kIdSelectPreview));
  EXPECT_EQ(Text(kIdItemId), "0");
  // The timer runs the service's callbacks.
  steam::fake::PostUserStatsReceived(kVantrelAppId, steam::kResultOk);
  Tick();
  EXPECT_TRUE(manager->IsStoreTimerRunning());
}

TEST_F(WorkshopHelperTest, FolderWithoutIdFileTakesItsNameAndPreview) {
  Open();
  const fs::path folder = vantrel::test::MakeTempDir("Brick Garden");
  dialog->Type(kIdDescription, "left from before");
  ChooseFolder(folder);

  ASSERT_EQ(files.Requests().size(), 1u);
  EXPECT_EQ(files.Requests()[0].kind, plat::FileDialogKind::kPickFolder);
  EXPECT_EQ(files.Requests()[0].title, "Select Workshop Item Folder");
  EXPECT_EQ(Text(kIdFolder), folder.string());
  EXPECT_EQ(Text(kIdTitle), "Brick Garden");
  EXPECT_EQ(Text(kIdDescription), "");
  // The preview is named whether or not the file is there.
  EXPECT_EQ(Text(kIdPreview), (folder / "preview.png").string());
  EXPECT_EQ(Text(kIdItemId), "0");
  EXPECT_TRUE(Enabled(kIdUpload));
  EXPECT_FALSE(Enabled(kIdItemPage));
  EXPECT_TRUE(helper->LogText().empty());

  // Cancelling the requester changes nothing.
  files.QueueCancel();
  ASSERT_TRUE(dialog->Click(kIdSelectFolder));
  dialogs.DispatchAll();
  EXPECT_EQ(Text(kIdFolder), folder.string());
}

TEST_F(WorkshopHelperTest, FolderWithIdFileShowsTheItemOnceItsDetailsArrive) {
  const fs::path folder = ItemFolder("known");
  SeedOwnItem(kBigId, folder, "Served title", "Served description");
  Open();
  ChooseFolder(folder);

  EXPECT_TRUE(Contains(Log(), "'steamid.txt' found. Downloading details for item 4294967313 ..."));
  // The whole 64-bit id, not its low 32 bits.
  EXPECT_EQ(Text(kIdItemId), "4294967313");
  EXPECT_TRUE(Enabled(kIdItemPage));
  EXPECT_EQ(Text(kIdTitle), "");  // until the details come
  // The preview is the folder's own from the start, as for a new item, and
  // the details leave it.
  EXPECT_EQ(Text(kIdPreview), (folder / "preview.png").string());

  Tick();
  EXPECT_EQ(Text(kIdTitle), "Served title");
  EXPECT_EQ(Text(kIdDescription), "Served description");
  EXPECT_EQ(Text(kIdPreview), (folder / "preview.png").string());
  EXPECT_TRUE(Contains(Log(), "Workshop item details downloaded successfully."));

  ASSERT_TRUE(dialog->Click(kIdItemPage));
  ASSERT_EQ(shell.urls.size(), 1u);
  EXPECT_EQ(shell.urls[0], FormatItemPageUrl(kBigId));
  EXPECT_NE(shell.urls[0].find("/sharedfiles/filedetails/?id=4294967313"), std::string::npos);
  EXPECT_EQ(shell.urls[0].rfind("https://", 0), 0u);
}

TEST_F(WorkshopHelperTest, DetailsOfAFolderNoLongerChosenAreIgnored) {
  const fs::path known = ItemFolder("known");
  SeedOwnItem(kBigId, known, "Served title", "Served description");
  const fs::path fresh = vantrel::test::MakeTempDir("Fresh Set");
  Open();
  ChooseFolder(known);
  ChooseFolder(fresh);
  Tick();
  EXPECT_EQ(Text(kIdTitle), "Fresh Set");
  EXPECT_EQ(Text(kIdDescription), "");
  EXPECT_FALSE(Contains(Log(), "Workshop item details downloaded successfully."));
}

TEST_F(WorkshopHelperTest, DamagedIdFileIsReportedAndTreatedAsNoItem) {
  const fs::path folder = vantrel::test::MakeTempDir("Damaged");
  std::ofstream((folder / "steamid.txt").string()) << "0\r\nDo not modify or delete this file.";
  Open();
  ChooseFolder(folder);
  EXPECT_TRUE(Contains(Log(), "Error loading workshop id. 'steamid.txt' file is corrupted."));
  EXPECT_EQ(Text(kIdItemId), "0");
  EXPECT_EQ(Text(kIdTitle), "Damaged");
}

TEST_F(WorkshopHelperTest, UploadOfANewFolderCreatesTheItemSavesItsIdAndSubmits) {
  const fs::path folder = ItemFolder("garden");
  steam::fake::SetNextItemId(kBigId);
  Open();
  ChooseFolder(folder);
  ASSERT_TRUE(dialog->Type(kIdTitle, "Brick Garden"));
  ASSERT_TRUE(dialog->Type(kIdDescription, "Twelve boards\r\nof flowers."));
  ClickUpload();

  EXPECT_TRUE(helper->IsUploading());
  EXPECT_EQ(Text(kIdUpload), "Cancel");
  EXPECT_FALSE(Enabled(kIdSelectFolder));
  EXPECT_FALSE(Enabled(kIdSelectPreview));
  EXPECT_TRUE(Contains(Log(), "Defining new mod..."));

  Tick();  // created; the content goes up
  EXPECT_TRUE(Contains(Log(), "New mod created: #4294967313"));
  EXPECT_EQ(ReadFile(folder / "steamid.txt"), std::string("4294967313\r\nDo not modify or delete this file."));
  EXPECT_EQ(Text(kIdItemId), "4294967313");
  EXPECT_TRUE(helper->IsUploading());
  EXPECT_EQ(Log().back(), "1");

  Tick();  // submitted
  EXPECT_TRUE(Contains(Log(), "Workshop upload succeeded!"));
  Tick();  // nothing pending any more: the upload ends
  EXPECT_FALSE(helper->IsUploading());
  EXPECT_EQ(Text(kIdUpload), "Upload");
  EXPECT_TRUE(Enabled(kIdSelectFolder));
  EXPECT_TRUE(Enabled(kIdSelectPreview));
  // The typed texts survive every refresh of the upload.
  EXPECT_EQ(Text(kIdTitle), "Brick Garden");

  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(kBigId, &stored));
  EXPECT_EQ(stored.title, "Brick Garden");
  EXPECT_EQ(stored.description, "Twelve boards\r\nof flowers.");
  EXPECT_EQ(CountCalls("CreateItem"), 1);
  EXPECT_EQ(CountCalls("SubmitItemUpdate"), 1);
}

TEST_F(WorkshopHelperTest, UploadOfAFolderWithAnIdUpdatesThatItem) {
  const fs::path folder = ItemFolder("known");
  SeedOwnItem(kBigId, folder, "Old title", "Old description");
  Open();
  ChooseFolder(folder);
  Tick();
  ASSERT_TRUE(dialog->Type(kIdTitle, "New title"));
  ClickUpload();
  Tick();
  EXPECT_TRUE(Contains(Log(), "Workshop upload succeeded!"));
  EXPECT_FALSE(helper->IsUploading());  // the submit handler ends it
  EXPECT_EQ(Text(kIdUpload), "Upload");
  EXPECT_EQ(CountCalls("CreateItem"), 0);
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(kBigId, &stored));
  EXPECT_EQ(stored.title, "New title");
  EXPECT_EQ(stored.description, "Old description");
  // The item takes the folder's picture instead of keeping its old one.
  EXPECT_EQ(stored.previewFile, (folder / "preview.png").string());
}

TEST_F(WorkshopHelperTest, UploadBeforeTheDetailsArriveKeepsTheItemsTexts) {
  const fs::path first = ItemFolder("Other Set");  // with a preview picture of its own
  const fs::path known = ItemFolder("known");
  SeedOwnItem(kBigId, known, "Served title", "Served description");
  steam::fake::HoldResults(true);
  Open();
  ChooseFolder(first);
  ChooseFolder(known);
  ClickUpload();
  steam::fake::HoldResults(false);
  Tick(2);
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(kBigId, &stored));
  EXPECT_EQ(stored.title, "Served title");  // not "Other Set"
  EXPECT_EQ(stored.description, "Served description");
  // The preview sent is the chosen folder's own, not the other folder's.
  EXPECT_EQ(Text(kIdPreview), (known / "preview.png").string());
  EXPECT_EQ(stored.previewFile, (known / "preview.png").string());
}

TEST_F(WorkshopHelperTest, UploadOfAFolderDeletedMeanwhileSaysPathNotFound) {
  const fs::path folder = ItemFolder("gone");
  Open();
  ChooseFolder(folder);
  fs::remove_all(folder);
  steam::fake::ClearCallLog();
  ClickUpload();
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows.MessageBoxes()[0].text, "Workshop path not found.");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "Error");
  EXPECT_FALSE(helper->IsUploading());
  EXPECT_EQ(Text(kIdUpload), "Upload");
  EXPECT_TRUE(steam::fake::CallLog().empty());
}

TEST_F(WorkshopHelperTest, EveryTickWithACallPendingCountsAndCancelForgetsIt) {
  const fs::path folder = ItemFolder("slow");
  steam::fake::HoldResults(true);
  Open();
  ChooseFolder(folder);
  ClickUpload();
  Tick(3);
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(helper->ProgressCount(), 3);

  ClickUpload();  // Cancel
  EXPECT_FALSE(helper->IsUploading());
  EXPECT_EQ(helper->ProgressCount(), 0);
  EXPECT_EQ(Text(kIdUpload), "Upload");
  EXPECT_TRUE(Enabled(kIdSelectFolder));
  EXPECT_TRUE(Enabled(kIdSelectPreview));
  // The forgotten creation is reported: the service may still make it.
  EXPECT_TRUE(Contains(Log(), "Cancelled: the Workshop may still create the item, but its id will not be saved."));

  steam::fake::HoldResults(false);
  Tick(2);
  for (const std::string& line : Log()) EXPECT_EQ(line.rfind("New mod created", 0), std::string::npos);
  EXPECT_FALSE(fs::exists(folder / "steamid.txt"));
  EXPECT_FALSE(helper->IsUploading());
}

TEST_F(WorkshopHelperTest, CancelDuringTheSubmitReportsIt) {
  const fs::path folder = ItemFolder("known");
  SeedOwnItem(kBigId, folder, "Title", "Description");
  Open();
  ChooseFolder(folder);
  Tick();
  steam::fake::HoldResults(true);
  ClickUpload();
  Tick();
  ClickUpload();
  EXPECT_TRUE(Contains(Log(), "Cancelled: the Workshop may still complete the upload."));
  steam::fake::HoldResults(false);
  Tick();
  EXPECT_FALSE(Contains(Log(), "Workshop upload succeeded!"));
  EXPECT_TRUE(Enabled(kIdSelectFolder));
}

TEST_F(WorkshopHelperTest, FailedCreationEndsTheUploadWithoutAnIdFile) {
  const fs::path folder = ItemFolder("refused");
  steam::CreateItemResult refused;
  refused.result = steam::kResultTimeout;
  steam::fake::QueueResult(refused);
  Open();
  ChooseFolder(folder);
  ClickUpload();
  Tick();
  EXPECT_TRUE(Contains(Log(), "Error creating new mod: Timeout. Please try again."));
  EXPECT_FALSE(helper->IsUploading());
  EXPECT_EQ(Text(kIdUpload), "Upload");
  EXPECT_TRUE(Enabled(kIdSelectFolder));
  EXPECT_FALSE(fs::exists(folder / "steamid.txt"));
  EXPECT_EQ(CountCalls("SubmitItemUpdate"), 0);
}

TEST_F(WorkshopHelperTest, LegalAgreementWarningStillKeepsTheNewId) {
  const fs::path folder = ItemFolder("legal");
  steam::CreateItemResult created;
  created.result = steam::kResultOk;
  created.publishedFileId = kBigId;
  created.userNeedsToAcceptLegalAgreement = true;
  steam::fake::QueueResult(created);
  Open();
  ChooseFolder(folder);
  ClickUpload();
  Tick();
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows.MessageBoxes()[0].text,
            "You need to accept the Legal Agreement on the workshop page to make this mode "
            "public.");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "Warning");
  uint64_t saved = 0;
  EXPECT_EQ(ReadWorkshopIdFile(folder, saved), WorkshopIdFileRead::kOk);
  EXPECT_EQ(saved, kBigId);
}

// A message box whose own message loop lets the dialog's timer fire, as a
// real one does.
class TickingMessageBoxes : public plat::MessageBoxHandler {
 public:
  explicit TickingMessageBoxes(std::function<void()> whileShown)
      : whileShown(std::move(whileShown)), previous(plat::GetMessageBoxHandler()) {
    plat::SetMessageBoxHandler(this);
  }
  ~TickingMessageBoxes() override { plat::SetMessageBoxHandler(previous); }
  int32_t ShowMessageBox(plat::Window*, const std::string& text, const std::string&, uint32_t) override {
    texts.push_back(text);
    whileShown();
    return plat::kIdOk;
  }
  std::vector<std::string> texts;

 private:
  std::function<void()> whileShown;
  plat::MessageBoxHandler* previous;
};

TEST_F(WorkshopHelperTest, TicksWhileTheWarningIsShownDoNotEndTheUpload) {
  const fs::path folder = ItemFolder("legal");
  steam::CreateItemResult created;
  created.result = steam::kResultOk;
  created.publishedFileId = kBigId;
  created.userNeedsToAcceptLegalAgreement = true;
  steam::fake::QueueResult(created);
  steam::fake::ItemRecord record;  // the item the scripted creation names
  record.id = kBigId;
  record.appId = kVantrelAppId;
  record.owner = kAuthor;
  steam::fake::SeedItem(record);
  Open();
  ChooseFolder(folder);
  ClickUpload();
  bool uploadingDuringBox = false;
  TickingMessageBoxes boxes([&] {
    Tick(2);
    uploadingDuringBox = helper->IsUploading();
  });
  Tick();
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_TRUE(uploadingDuringBox);
  // The content goes up after the box; the upload is still on meanwhile.
  EXPECT_TRUE(helper->IsUploading());
  EXPECT_EQ(Text(kIdUpload), "Cancel");
  EXPECT_FALSE(Enabled(kIdSelectFolder));
  EXPECT_TRUE(manager->IsSubmittingItem());
  Tick(2);
  EXPECT_TRUE(Contains(Log(), "Workshop upload succeeded!"));
  EXPECT_FALSE(helper->IsUploading());
  EXPECT_EQ(CountCalls("SubmitItemUpdate"), 1);
}

TEST_F(WorkshopHelperTest, TitleAndDescriptionGoUpToTheServiceLimits) {
  const fs::path folder = ItemFolder("long");
  const std::string longTitle(steam::kMaxTitleLength, 'T');
  std::string longDescription;
  while (longDescription.size() < steam::kMaxDescriptionLength) longDescription += "Board 7. ";
  longDescription.resize(steam::kMaxDescriptionLength);
  SeedOwnItem(kBigId, folder, longTitle, longDescription);
  Open();
  ChooseFolder(folder);
  Tick();
  EXPECT_EQ(Text(kIdTitle), longTitle);
  EXPECT_EQ(Text(kIdDescription), longDescription);
  // Typing stops at the limits.
  EXPECT_FALSE(dialog->Type(kIdTitle, longTitle + "X"));
  EXPECT_FALSE(dialog->Type(kIdDescription, longDescription + "X"));

  const std::string newDescription = longDescription.substr(1) + "!";
  ASSERT_TRUE(dialog->Type(kIdDescription, newDescription));
  ClickUpload();
  Tick();
  EXPECT_TRUE(Contains(Log(), "Workshop upload succeeded!"));
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(kBigId, &stored));
  EXPECT_EQ(stored.title, longTitle);
  EXPECT_EQ(stored.description, newDescription);
}

TEST_F(WorkshopHelperTest, ChosenPreviewIsUploadedAndTypedTextsStay) {
  const fs::path folder = ItemFolder("garden");
  const fs::path picture = vantrel::test::MakeTempDir("pictures") / "cover.jpg";
  std::ofstream(picture.string()) << "jpeg";
  steam::fake::SetNextItemId(kBigId);
  Open();
  ChooseFolder(folder);
  ASSERT_TRUE(dialog->Type(kIdTitle, "Typed title"));
  ASSERT_TRUE(dialog->Type(kIdDescription, "Typed description"));
  files.QueueChoose(picture);
  ASSERT_TRUE(dialog->Click(kIdSelectPreview));
  dialogs.DispatchAll();

  const plat::FileDialogRequest& asked = files.Requests().back();
  EXPECT_EQ(asked.kind, plat::FileDialogKind::kOpen);
  EXPECT_EQ(asked.title, "Select Preview Image");
  ASSERT_FALSE(asked.filters.empty());
  // The pictures' filter is the one preselected.
  ASSERT_EQ(asked.filterIndex, static_cast<int32_t>(asked.filters.size()));
  EXPECT_EQ(asked.filters.back().name, "Images");
  EXPECT_EQ(asked.filters.back().pattern, "*.bmp;*.jpg;*.png");
  EXPECT_EQ(Text(kIdPreview), picture.string());
  EXPECT_EQ(Text(kIdTitle), "Typed title");
  EXPECT_EQ(Text(kIdDescription), "Typed description");

  ClickUpload();
  Tick(2);
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(kBigId, &stored));
  EXPECT_EQ(ReadFile(stored.previewFile), "jpeg");
  EXPECT_EQ(stored.title, "Typed title");
}

TEST_F(WorkshopHelperTest, OfflineUploadIsReportedAndEndsAtTheNextTick) {
  steam::fake::SetInitFails(true);
  const fs::path folder = ItemFolder("offline");
  Open();
  ChooseFolder(folder);
  ClickUpload();
  EXPECT_TRUE(Contains(Log(),
                       "Action impossible: Steam not running. To do this, you must log into "
                       "Steam and re-launch the game."));
  EXPECT_TRUE(helper->IsUploading());
  Tick();
  EXPECT_FALSE(helper->IsUploading());
  EXPECT_EQ(Text(kIdUpload), "Upload");
}

TEST_F(WorkshopHelperTest, LogShowsEveryLineAndItsEnd) {
  Open();
  helper->LogAppend("first");
  helper->LogAppend("second");
  EXPECT_EQ(Text(kIdLog), "first\r\nsecond\r\n");
  EXPECT_EQ(dialog->Control(kIdLog)->scrolledToEnd, 2);
}

TEST_F(WorkshopHelperTest, RunEndsOnCloseAndTheDialogComesBackWhereItWas) {
  manager = std::make_unique<CommunityManagerSteam>(kVantrelAppId);
  helper = std::make_unique<WorkshopHelper>(manager.get());
  dialogs.AddStep([this] {
    plat::headless::HeadlessDialog* d = dialogs.ActiveModal();
    d->MoveOuter(300, 200, 0, 0, false);
    d->UserClose();
  });
  EXPECT_EQ(helper->Run(), 1);
  ASSERT_TRUE(dialogs.Last()->Ended());
  EXPECT_EQ(dialogs.Last()->Result(), 0);
  EXPECT_EQ(helper->DialogWindow(), nullptr);

  RegistrySettings settings("Quillmark", "Vantrel Workshop Helper", 0);
  int32_t x = 0, y = 0;
  ASSERT_TRUE(settings.ReadInt("MainDlgWndX", &x));
  ASSERT_TRUE(settings.ReadInt("MainDlgWndY", &y));
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 200);

  plat::WindowRect restored;
  dialogs.AddStep([&] {
    restored = dialogs.ActiveModal()->OuterRect();
    dialogs.ActiveModal()->UserClose();
  });
  EXPECT_EQ(helper->Run(), 1);
  EXPECT_EQ(restored.left, 300);
  EXPECT_EQ(restored.top, 200);
}

TEST_F(WorkshopHelperTest, ServiceWithoutAUserIsShownAndNoDialogRuns) {
  steam::fake::SetInterfaceAvailable(steam::Interface::User, false);
  EXPECT_EQ(WorkshopHelperMain(), kWorkshopHelperStartFailed);
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows.MessageBoxes()[0].text, "Error: program attempts to connect to Steam when Steam not initialized.");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "Error");
  EXPECT_EQ(dialogs.Last(), nullptr);
  EXPECT_FALSE(steam::IsInitialized());
}

TEST(WorkshopHelperText, FormatsAndPathConversion) {
  EXPECT_EQ(FormatProgressCount(7), "7");
  // The whole unsigned id, on a host that no public site answers for: the
  // ids are the local service's own.
  EXPECT_EQ(FormatItemPageUrl(UINT64_MAX),
            "https://community.vantrel.invalid/sharedfiles/filedetails/?id=18446744073709551615");
  EXPECT_EQ(FormatItemPageUrl(1), "https://community.vantrel.invalid/sharedfiles/filedetails/?id=1");
  // A path in the program's Windows-1252 text.
  EXPECT_EQ(WideToNarrow(fs::path("/home/author/Caf\xC3\xA9")), "/home/author/Caf\xE9");
}

}  // namespace

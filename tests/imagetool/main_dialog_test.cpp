// Sheetwright's main dialog driven through the in-memory back ends.
#include "imagetool_fixture.h"

#include "core/registry_settings.h"

using namespace imagetool_test;

class MainDialog : public ToolFixture {};

class FontModeDialog : public ToolFixture {
 protected:
  FontModeDialog() : ToolFixture(true) {}
};

TEST_F(MainDialog, AddAppendsNamedEntriesAndMakesTheLastCurrent) {
  AddPictures(2);
  EXPECT_EQ(tool.current, 1u);
  AddPictures(3, 5, 7);
  EXPECT_EQ(tool.current, 4u);
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p0", "1 p1", "2 p2", "3 p3", "4 p4"}));
  EXPECT_EQ(dlg->Control(kIdEntryList)->selection, 4);
  EXPECT_EQ(dlg->GetText(kIdName), "p4");
  EXPECT_EQ(dlg->GetText(kIdSize), "5 x 7");
  const auto& request = files.Requests().back();
  EXPECT_EQ(request.title, "Add an Image");
  EXPECT_EQ(request.filters.back().pattern, "*.bmp;*.jpg;*.png");
  EXPECT_EQ(tool.entries[4]->DisplayFrame().GetPixel(0, 0), 0xFF102032u);
}

TEST_F(MainDialog, AddThatIsCancelledLeavesNoEntrySelected) {
  AddPictures(1);
  files.QueueCancel();
  dlg->Click(kIdAdd);
  Pump();
  EXPECT_EQ(tool.current, 0u);
  tool.entries.clear();
  files.QueueCancel();
  dlg->Click(kIdAdd);
  Pump();
  EXPECT_FALSE(tool.Selected());
  EXPECT_EQ(dlg->GetText(kIdName), "");
  EXPECT_EQ(dlg->GetText(kIdSize), "");
}

TEST_F(MainDialog, AnUnreadablePictureStillBecomesAnEmptyEntry) {
  fs::path bad = dir / "broken.png";
  WriteBytes(bad, {1, 2, 3});
  Add({bad});
  ASSERT_EQ(tool.entries.size(), 1u);
  EXPECT_TRUE(tool.entries[0]->Empty());
  EXPECT_EQ(dlg->GetText(kIdSize), "0 x 0");
}

TEST_F(MainDialog, UpDownAndRemoveMoveTheCurrentEntry) {
  // Nothing happens with an empty list.
  for (int32_t id : {kIdUp, kIdDown, kIdRemove, kIdReplace, kIdSave}) {
    dlg->Click(id);
    Pump();
  }
  EXPECT_TRUE(tool.entries.empty());
  EXPECT_TRUE(files.Requests().empty());

  AddPictures(3);
  dlg->Select(kIdEntryList, 0);
  Pump();
  EXPECT_EQ(dlg->GetText(kIdName), "p0");
  dlg->Click(kIdUp);
  Pump();
  EXPECT_EQ(tool.current, 0u);
  dlg->Click(kIdDown);
  Pump();
  EXPECT_EQ(tool.current, 1u);
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p1", "1 p0", "2 p2"}));
  dlg->DoubleClick(kIdEntryList, 2);
  Pump();
  dlg->Click(kIdDown);
  Pump();
  EXPECT_EQ(tool.current, 2u);
  dlg->Click(kIdUp);
  Pump();
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p1", "1 p2", "2 p0"}));
  EXPECT_EQ(dlg->Control(kIdEntryList)->selection, 1);

  dlg->Click(kIdRemove);  // the next entry moves into the current place
  Pump();
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p1", "1 p0"}));
  EXPECT_EQ(dlg->GetText(kIdName), "p0");
  dlg->Click(kIdRemove);  // the last one: nothing is selected then
  Pump();
  EXPECT_FALSE(tool.Selected());
  EXPECT_EQ(dlg->Control(kIdEntryList)->selection, -1);
  EXPECT_EQ(dlg->GetText(kIdName), "");
}

TEST_F(MainDialog, TypingANameRenamesTheEntryAndLeavingUpdatesItsLine) {
  AddPictures(2);
  ASSERT_TRUE(dlg->Type(kIdName, "ball"));
  EXPECT_STREQ(tool.entries[1]->name.Text(), "ball");
  EXPECT_EQ(ListLines()[1], "1 p1");
  ASSERT_TRUE(dlg->Leave(kIdName));
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p0", "1 ball"}));
  EXPECT_EQ(dlg->Control(kIdEntryList)->selection, 1);
  // A text set from outside the typing limit is still cut to 255 bytes.
  dlg->SetText(kIdName, std::string(300, 'z'));
  EXPECT_EQ(std::string(tool.entries[1]->name.Text()), std::string(255, 'z'));
}

TEST_F(MainDialog, ReplaceKeepsTheNameAndTakesTheNewPicture) {
  AddPictures(1);
  fs::path other = dir / "other.png";
  MakePng(other, 4, 1, 0xFFABCDEFu);
  files.QueueChoose(other);
  dlg->Click(kIdReplace);
  Pump();
  EXPECT_EQ(files.Requests().back().title, "Replace an Image");
  EXPECT_STREQ(tool.entries[0]->name.Text(), "p0");
  EXPECT_EQ(dlg->GetText(kIdSize), "4 x 1");
  EXPECT_EQ(tool.entries[0]->surface.Width(), 4);
}

TEST_F(MainDialog, SaveSuggestsTheNameAsksBeforeOverwritingAndWritesThePng) {
  AddPictures(1, 3, 2);
  fs::path target = dir / "out.png";
  MakePng(target, 1, 1, 0xFF000000u);
  files.QueueChoose(target, 0, false);  // "no" to the overwrite question
  files.QueueCancel();
  dlg->Click(kIdSave);
  Pump();
  ASSERT_EQ(files.OverwriteQuestions().size(), 1u);
  EXPECT_EQ(files.Requests()[1].initialName, fs::path("p0.png"));
  EXPECT_EQ(files.Requests()[1].title, "Save Image");
  Bitmap back;
  back.LoadWithGdiplus(target);
  EXPECT_EQ(back.width, 1);

  files.QueueChoose(target, 0, true);
  dlg->Click(kIdSave);
  Pump();
  back.LoadWithGdiplus(target);
  ASSERT_EQ(back.width, 3);
  EXPECT_EQ(back.GetPixel(0, 0), 0xFF102030u);
  EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(MainDialog, SaveReportsAPngThatCouldNotBeWritten) {
  AddPictures(1);
  fs::path blocked = dir / "blocked.png";
  fs::create_directory(blocked);
  files.QueueChoose(blocked, 0, true);
  dlg->Click(kIdSave);
  Pump();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Couldn't save image!"});
}

TEST_F(MainDialog, SuggestedNamesFallBackToTheIndex) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"ball", "ball.png"},   {"shot.bmp", "shot.png"}, {"", "image0.png"},    {"bad:name", "image0.png"},
      {" lead", "image0.png"}, {"dot.", "image0.png"},  {"a/b", "image0.png"}, {"..", "image0.png"},
      {"caf\xE9", "caf\xC3\xA9.png"},
  };
  tool.entries.push_back(std::make_unique<ImageEntry>());
  for (const auto& [name, want] : cases) {
    tool.entries[0]->name.Assign(name.c_str());
    EXPECT_EQ(tool.SuggestedName(0), want) << name;
  }
}

TEST_F(MainDialog, SaveAllWritesEveryEntryIntoTheFolderOverwriting) {
  AddPictures(6, 1, 1);
  tool.entries[3]->name.Assign("");
  tool.entries[5]->name.Assign("bad:name");
  fs::path out = vantrel::test::MakeTempDir("all");
  MakePng(out / "p0.png", 2, 2, 0xFF000000u);
  files.QueueChoose(out);
  dlg->Click(kIdSaveAll);
  Pump();
  EXPECT_EQ(files.Requests().back().kind, plat::FileDialogKind::kPickFolder);
  for (const char* name : {"p0.png", "p1.png", "p2.png", "image3.png", "p4.png", "image5.png"})
    EXPECT_TRUE(fs::exists(out / name)) << name;
  Bitmap back;
  back.LoadWithGdiplus(out / "p0.png");
  EXPECT_EQ(back.width, 1);
  EXPECT_TRUE(windows.MessageBoxes().empty());
}

TEST_F(MainDialog, SaveAllReportsTheEntriesItCouldNotWrite) {
  AddPictures(2, 1, 1);
  fs::path bad = dir / "empty.png";
  WriteBytes(bad, {0});
  Add({bad});
  fs::path out = vantrel::test::MakeTempDir("all");
  files.QueueChoose(out);
  dlg->Click(kIdSaveAll);
  Pump();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Couldn't save 1 of 3 images!"});
  EXPECT_TRUE(fs::exists(out / "p1.png"));
}

TEST_F(MainDialog, PngExportOfAFrameWithoutAlphaIsOpaqueWhileTheSetKeepsItsBytes) {
  Bytes f;
  f.Str("IMST").Int(1).Int(1).Int(1).Byte(9).Byte(8).Byte(7).Byte(0);
  f.Name("v1").Int(2).Int(1).Int(0).Int(0).Int(0).Byte(0).Byte(0);
  fs::path in = dir / "v1.img";
  WriteBytes(in, f.b);
  ASSERT_TRUE(tool.LoadImageSetEntries(in, false));
  fs::path png = dir / "v1.png";
  ASSERT_TRUE(tool.ExportPng(0, png));
  Bitmap back;
  back.LoadWithGdiplus(png);
  ASSERT_EQ(back.width, 2);
  EXPECT_EQ(back.GetPixel(1, 0), 0xFF090807u);
  fs::path out = dir / "v2.img";
  ASSERT_TRUE(tool.SaveImageSetEntries(out));
  std::vector<uint8_t> bytes = ReadBytes(out);
  ASSERT_EQ(bytes.size(), 12u + 4 + 3 + 16 + 8);
  EXPECT_EQ(bytes[bytes.size() - 1], 0);  // alpha 0 kept
  EXPECT_EQ(bytes[bytes.size() - 2], 9);
}

TEST_F(MainDialog, LoadAndAppendSetGoThroughTheRequester) {
  AddPictures(1);
  fs::path p = dir / "set.img";
  ASSERT_TRUE(tool.SaveImageSetEntries(p));
  files.QueueChoose(p);
  dlg->Click(kIdAppendSet);
  Pump();
  EXPECT_EQ(files.Requests().back().title, "Append ImageSet");
  EXPECT_EQ(files.Requests().back().defaultExtension, "img");
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p0", "1 p0"}));
  files.QueueChoose(p);
  dlg->Click(kIdLoadSet);
  Pump();
  EXPECT_EQ(files.Requests().back().title, "Load ImageSet");
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p0"}));

  fs::path bad = dir / "bad.img";
  WriteBytes(bad, {'I', 'M', 'S', 'T', 9, 0, 0, 0});
  files.QueueChoose(bad);
  dlg->Click(kIdLoadSet);
  Pump();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Wrong version!", "Can't open file."}));
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"0 p0"}));
}

TEST_F(MainDialog, SaveSetAddsTheExtensionAndRefusesAnEmptyList) {
  AddPictures(2);
  files.QueueChoose(dir / "sheet");
  dlg->Click(kIdSaveSet);
  Pump();
  EXPECT_EQ(files.Requests().back().title, "Save ImageSet");
  EXPECT_TRUE(files.Requests().back().overwritePrompt);
  ASSERT_TRUE(fs::exists(dir / "sheet.img"));
  ImageSetContents c;
  std::vector<uint8_t> bytes = ReadBytes(dir / "sheet.img");
  std::string error;
  ASSERT_TRUE(ParseImageSetEntries(bytes.data(), bytes.size(), &c, &error));
  EXPECT_EQ(c.entries.size(), 2u);

  // A set of no images can never be opened again: nothing is written.
  tool.entries.clear();
  files.QueueChoose(dir / "sheet.img", 0, true);
  dlg->Click(kIdSaveSet);
  Pump();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Can't open file."});
  EXPECT_EQ(ReadBytes(dir / "sheet.img"), bytes);
}

TEST_F(MainDialog, ClearSetAsksFirst) {
  AddPictures(2);
  windows.ScriptAnswer(plat::kIdCancel);
  dlg->Click(kIdClearSet);
  Pump();
  EXPECT_EQ(tool.entries.size(), 2u);
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows.MessageBoxes()[0].text, "Really clear all images?");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "Confirm");
  EXPECT_EQ(windows.MessageBoxes()[0].flags & plat::kMbOkCancel, plat::kMbOkCancel);
  windows.ScriptAnswer(plat::kIdOk);
  dlg->Click(kIdClearSet);
  Pump();
  EXPECT_TRUE(tool.entries.empty());
  EXPECT_EQ(tool.current, 0u);
  EXPECT_TRUE(ListLines().empty());
}

TEST_F(FontModeDialog, GlyphNamesComeFromTheCharacterCodes) {
  fs::path a = dir / "65.png", b = dir / "0x61.bmp", c = dir / "0101.png", d = dir / "x.png";
  MakePng(a, 1, 1, 0xFF000000u);
  MakePng(b, 1, 1, 0xFF000000u);
  MakePng(c, 1, 1, 0xFF000000u);
  MakePng(d, 1, 1, 0xFF000000u);
  Add({a, b, c, d});
  ASSERT_EQ(tool.entries.size(), 3u);
  EXPECT_STREQ(tool.entries[0]->name.Text(), "A");
  EXPECT_STREQ(tool.entries[1]->name.Text(), "a");
  EXPECT_STREQ(tool.entries[2]->name.Text(), "A");
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Not a character code: x.png"});
  EXPECT_EQ(tool.SuggestedName(0), "0X0041.png");
  tool.entries[0]->name.Assign("");
  EXPECT_EQ(tool.SuggestedName(0), "image0.png");
}

TEST(GlyphCode, ReadsBasePrefixesModulo256) {
  const std::vector<std::pair<std::string, int>> ok = {{"65", 65}, {"0x41", 65}, {"0101", 65}, {"321", 65}, {"-1", 255}};
  for (const auto& [stem, code] : ok) {
    int got = -1;
    EXPECT_TRUE(GlyphCodeFromStem(stem, &got)) << stem;
    EXPECT_EQ(got, code) << stem;
  }
  int got = 0;
  for (const char* bad : {"", "A", "65a", "99999999999999999999999"}) EXPECT_FALSE(GlyphCodeFromStem(bad, &got)) << bad;
}

TEST(CommandLine, FontSwitchAndTrimmedSetPath) {
  ImageTool tool;
  tool.ParseCommandLine({"first.img", "-font", " \"/a b/set.img\" "});
  EXPECT_TRUE(tool.fontMode);
  EXPECT_EQ(tool.setPath, fs::path("/a b/set.img"));
  ImageTool plain;
  plain.ParseCommandLine({"-Font"});
  EXPECT_FALSE(plain.fontMode);
  EXPECT_EQ(plain.setPath, fs::path("-Font"));
}

TEST(Run, OpensTheSetFromTheCommandLineInFontModeAndSavesPlacementsOnClose) {
  plat::headless::HeadlessWindowSystem windows;
  plat::headless::HeadlessDialogSystem dialogs;
  fs::path dir = vantrel::test::MakeTempDir("run");
  Bytes f;
  f.Str("IMST").Int(2).Int(1).Name("A").Int(1).Int(1).Int(0).Int(0).Int(-1);
  WriteBytes(dir / "font.img", f.b);
  ImageTool tool;
  tool.ParseCommandLine({"-font", (dir / "font.img").string()});
  plat::headless::HeadlessDialog* seen = nullptr;
  std::string title;
  std::vector<std::string> lines;
  plat::headless::HeadlessWindow* previewWindow = nullptr;
  bool previewShown = false;
  dialogs.AddStep([&] {
    previewWindow = static_cast<plat::headless::HeadlessWindow*>(tool.preview);
    previewShown = previewWindow && previewWindow->Shown();
    seen = dialogs.ActiveModal();
    title = seen->Title();
    lines = seen->Control(kIdEntryList)->items;
    seen->MoveOuter(300, 200, 400, 300, false);
    seen->UserClose();
  });
  EXPECT_EQ(tool.Run(), 0);
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(title, "Sheetwright 2.0f (Font Mode)");
  EXPECT_EQ(lines, std::vector<std::string>{"0 A"});
  EXPECT_TRUE(seen->Ended());
  EXPECT_EQ(tool.preview, nullptr);
  ASSERT_NE(previewWindow, nullptr);
  EXPECT_TRUE(previewShown);
  EXPECT_EQ(previewWindow->Title(), "Sheetwright (Font) ");
  EXPECT_FALSE(previewWindow->IsAlive());
  RegistrySettings settings("Quillmark", "Sheetwright", 0);
  int32_t x = 0, y = 0;
  EXPECT_TRUE(settings.ReadInt("MainDlgWndX", &x));
  EXPECT_TRUE(settings.ReadInt("MainDlgWndY", &y));
  EXPECT_EQ(x, 300);
  EXPECT_EQ(y, 200);
  EXPECT_TRUE(settings.ReadInt("PreviewWndX", &x));
}

TEST(Run, ASetOnTheCommandLineThatFailsShowsOnlyTheReadersMessage) {
  plat::headless::HeadlessWindowSystem windows;
  plat::headless::HeadlessDialogSystem dialogs;
  fs::path dir = vantrel::test::MakeTempDir("run");
  WriteBytes(dir / "bad.img", {'N', 'O', 'P', 'E'});
  ImageTool tool;
  tool.ParseCommandLine({(dir / "bad.img").string()});
  size_t lines = 99;
  dialogs.AddStep([&] {
    lines = dialogs.ActiveModal()->Control(kIdEntryList)->items.size();
    dialogs.ActiveModal()->UserClose();
  });
  EXPECT_EQ(tool.Run(), 0);
  EXPECT_EQ(lines, 0u);
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows.MessageBoxes()[0].text, "Not an Image Set!");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "Error");
}

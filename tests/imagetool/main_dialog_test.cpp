// Sheetwright's main dialog driven through the in-memory back ends.
#include "imagetool_fixture.h"

#include "core/registry_settings.h"
#include "platform/files.h"

#include <cerrno>
#include <random>

using namespace imagetool_test;

class MainDialog : public ToolFixture {
 protected:
  // Save Set, answering the requester with `path`; false when the requester
  // was never shown (the unused answer is taken back).
  bool SaveSetTo(const fs::path& path) {
    files.QueueChoose(path, 0, true);
    dlg->Click(kIdSaveSet);
    Pump();
    if (files.AnswersLeft() == 0) return true;
    DropUnusedAnswers();
    return false;
  }
  // Takes back scripted answers no requester asked for.
  void DropUnusedAnswers() {
    while (files.AnswersLeft() > 0) files.Run(plat::FileDialogRequest{});
  }
};

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
  // The user is told at once which file and why, in the dialog's error box.
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows.MessageBoxes()[0].text,
            "Could not read picture " + bad.string() + ": not a PNG, JPEG or BMP picture");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "Error");
}

// A set with "life" among its images, written by the tool itself.
class UnreadablePicture : public MainDialog {
 protected:
  void SetUp() override {
    MainDialog::SetUp();
    ASSERT_NO_FATAL_FAILURE(AddPictures(3, 4, 4));
    tool.entries[1]->name.Assign("life");
    set = dir / "PowerUps.img";
    ASSERT_TRUE(tool.SaveImageSetEntries(set));
    original = ReadBytes(set);
    files.QueueChoose(set);
    dlg->Click(kIdLoadSet);
    Pump();
    ASSERT_TRUE(dlg->Select(kIdEntryList, 1));
    Pump();
    ASSERT_EQ(dlg->GetText(kIdName), "life");
    // A text file named like a picture, and a PNG cut in half.
    fake = dir / "fake.png";
    WriteBytes(fake, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    MakePng(dir / "whole.png", 16, 16, 0xFF336699u);
    std::vector<uint8_t> whole = ReadBytes(dir / "whole.png");
    half = dir / "half.png";
    WriteBytes(half, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2)));
  }
  // Save Set onto the loaded set's own file; true when a file was asked for.
  bool SaveSetOverTheFile() { return SaveSetTo(set); }
  fs::path set, fake, half;
  std::vector<uint8_t> original;
};

TEST_F(UnreadablePicture, ReplaceReportsTheFileAndSaveSetRefusesNamingTheEntry) {
  for (const fs::path& bad : {fake, half}) {
    SCOPED_TRACE(bad.string());
    const size_t shown = BoxTexts().size();
    files.QueueChoose(bad);
    dlg->Click(kIdReplace);
    Pump();
    EXPECT_EQ(dlg->GetText(kIdSize), "0 x 0");
    EXPECT_STREQ(tool.entries[1]->name.Text(), "life");
    ASSERT_EQ(BoxTexts().size(), shown + 1);
    const std::string said = BoxTexts()[shown];
    const std::string lead = "Could not read picture " + bad.string() + ": ";
    EXPECT_EQ(said.rfind(lead, 0), 0u) << said;
    EXPECT_GT(said.size(), lead.size()) << "the decoder's reason follows";

    EXPECT_FALSE(SaveSetOverTheFile()) << "no file is asked for";
    ASSERT_EQ(BoxTexts().size(), shown + 2);
    EXPECT_EQ(BoxTexts()[shown + 1],
              "These images have no picture, so the set could not be opened again:\n1 life\n"
              "Replace or remove them, then save the set.");
    EXPECT_EQ(ReadBytes(set), original);
    EXPECT_FALSE(tool.SaveImageSetEntries(set));
    EXPECT_EQ(ReadBytes(set), original);
  }
  // A readable picture mends the entry and the set saves and opens again.
  files.QueueChoose(dir / "whole.png");
  dlg->Click(kIdReplace);
  Pump();
  EXPECT_TRUE(SaveSetOverTheFile());
  ImageSet game;
  ASSERT_TRUE(game.Load(set.string().c_str()));
  EXPECT_EQ(game.count, 3);
  EXPECT_EQ(game.GetImage(1)->width, 16);
}

TEST_F(UnreadablePicture, AddReportsEveryBadFileAndSaveSetNamesEveryEmptyEntry) {
  fs::path good = dir / "good.png";
  MakePng(good, 2, 2, 0xFF000000u);
  Add({fake, good, half});
  ASSERT_EQ(ListLines(), (std::vector<std::string>{"0 p0", "1 life", "2 p2", "3 fake", "4 good", "5 half"}));
  ASSERT_EQ(BoxTexts().size(), 2u);
  EXPECT_EQ(BoxTexts()[0].rfind("Could not read picture " + fake.string(), 0), 0u);
  EXPECT_EQ(BoxTexts()[1].rfind("Could not read picture " + half.string(), 0), 0u);
  EXPECT_FALSE(SaveSetOverTheFile());
  ASSERT_EQ(BoxTexts().size(), 3u);
  EXPECT_EQ(BoxTexts()[2],
            "These images have no picture, so the set could not be opened again:\n3 fake\n5 half\n"
            "Replace or remove them, then save the set.");
  EXPECT_EQ(ReadBytes(set), original);
  // Removing them is the other way out.
  ASSERT_TRUE(dlg->Select(kIdEntryList, 5));
  dlg->Click(kIdRemove);
  ASSERT_TRUE(dlg->Select(kIdEntryList, 3));
  dlg->Click(kIdRemove);
  Pump();
  EXPECT_TRUE(SaveSetOverTheFile());
  EXPECT_EQ(BoxTexts().size(), 3u);
  ImageSet game;
  ASSERT_TRUE(game.Load(set.string().c_str()));
  EXPECT_EQ(game.count, 4);
}

// Whatever a user does with Add, Replace, Remove and the arrows, Save Set
// either writes a set both readers open with every entry, or nothing.
TEST_F(MainDialog, EverySavedSetOpensInBothReaders) {
  fs::path good[3] = {dir / "a.png", dir / "b.png", dir / "c.png"};
  MakePng(good[0], 1, 1, 0xFF010203u);
  MakePng(good[1], 7, 3, 0x80FFFFFFu);
  MakePng(good[2], 2, 9, 0xFF000000u);
  fs::path bad[2] = {dir / "text.png", dir / "cut.png"};
  WriteBytes(bad[0], {'h', 'i'});
  std::vector<uint8_t> cut = ReadBytes(good[1]);
  cut.resize(cut.size() / 2);
  WriteBytes(bad[1], cut);
  const fs::path target = dir / "random.img";

  std::mt19937 rng(20240611u);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto anyPicture = [&]() { return pick(8) == 0 ? bad[pick(2)] : good[pick(3)]; };
  int saved = 0, refused = 0;
  for (int round = 0; round < 80; ++round) {
    if (pick(3) == 0) {
      windows.ScriptAnswer(plat::kIdOk);
      dlg->Click(kIdClearSet);
      Pump();
    }
    for (int step = 0; step < 5; ++step) {
      switch (pick(8)) {
        case 0: Add({anyPicture()}); break;
        case 1: Add({anyPicture(), anyPicture()}); break;
        case 2:
        case 3:
          files.QueueChoose(anyPicture());
          dlg->Click(kIdReplace);
          break;
        case 4:
        case 5: dlg->Click(kIdRemove); break;
        default: dlg->Click(pick(2) ? kIdUp : kIdDown); break;
      }
      Pump();
      DropUnusedAnswers();  // Replace with nothing selected asks for nothing
      if (!tool.entries.empty()) dlg->Select(kIdEntryList, pick(static_cast<int>(tool.entries.size())));
      Pump();
    }
    const std::vector<uint8_t> before = ReadBytes(target);
    const bool asked = SaveSetTo(target);
    const std::vector<uint8_t> after = ReadBytes(target);
    SCOPED_TRACE("round " + std::to_string(round));
    if (!asked || tool.entries.empty()) {
      ++refused;
      EXPECT_EQ(after, before) << "a refused save leaves the file as it was";
      EXPECT_TRUE(tool.entries.empty() || !tool.EntriesWithoutPicture().empty());
      continue;
    }
    ++saved;
    ImageSetContents contents;
    std::string error;
    ASSERT_TRUE(ParseImageSetEntries(after.data(), after.size(), &contents, &error)) << error;
    ASSERT_EQ(contents.entries.size(), tool.entries.size());
    ImageSet game;
    ASSERT_TRUE(game.Load(target.string().c_str()));
    ASSERT_EQ(game.count, static_cast<int32_t>(tool.entries.size()));
    for (size_t i = 0; i < tool.entries.size(); ++i) {
      EXPECT_EQ(contents.entries[i]->image.width, tool.entries[i]->image.width);
      EXPECT_EQ(game.GetImage(static_cast<int32_t>(i))->height, tool.entries[i]->image.height);
    }
  }
  // Both outcomes happened along the way.
  EXPECT_GT(saved, 10) << refused;
  EXPECT_GT(refused, 10) << saved;
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
      {"ball", "ball.png"},       {"shot.bmp", "shot.png"}, {"", "image0.png"},
      {"bad:name", "image0.png"}, {" lead", "image0.png"},  {"dot.", "image0.png"},
      {"a/b", "image0.png"},      {"..", "image0.png"},     {"caf\xE9", "caf\xC3\xA9.png"},
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
  ASSERT_EQ(BoxTexts().size(), 2u);
  EXPECT_EQ(BoxTexts()[1], "Couldn't save 1 of 3 images!");
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

TEST_F(MainDialog, SaveSetThatCannotBeWrittenSaysSoAndKeepsTheOldSet) {
  AddPictures(2);
  ASSERT_TRUE(SaveSetTo(dir / "sheet.img"));
  const std::vector<uint8_t> before = ReadBytes(dir / "sheet.img");
  AddPictures(1);
  // The file is made, but the disk fills while it is written.
  plat::FailNextAtomicWrites(1, ENOSPC);
  ASSERT_TRUE(SaveSetTo(dir / "sheet.img"));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Couldn't save image set: No space left on device!"});
  EXPECT_EQ(ReadBytes(dir / "sheet.img"), before);
  // A file that cannot be made at all (no right to write in its folder)
  // is "Can't open file.".
  plat::FailNextAtomicWrites(1, EACCES, true);
  ASSERT_TRUE(SaveSetTo(dir / "sheet.img"));
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{"Couldn't save image set: No space left on device!", "Can't open file."}));
  ASSERT_TRUE(SaveSetTo(dir / "sheet.img"));
  EXPECT_EQ(BoxTexts().size(), 2u);
  EXPECT_NE(ReadBytes(dir / "sheet.img"), before);
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
  const std::vector<std::pair<std::string, int>> ok = {
      {"65", 65}, {"0x41", 65}, {"0101", 65}, {"321", 65}, {"-1", 255}};
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

#pragma once
// What the Sheetwright tests share: the in-memory back ends, the tool with
// its preview window and a modeless main dialog, and small file makers.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imagetool/imagetool.h"
#include "platform/headless/headless_dialog.h"
#include "platform/headless/headless_file_dialog.h"
#include "platform/headless/headless_window.h"
#include "support/test_support.h"

namespace imagetool_test {

namespace fs = boost::filesystem;

inline std::vector<uint8_t> ReadBytes(const fs::path& p) {
  std::ifstream in(p.string(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p.string(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A little-endian byte builder for hand-made set files.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& Str(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& Int(int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  Bytes& Byte(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  // A name field: length with the NUL, the text, the NUL.
  Bytes& Name(const std::string& s) {
    Int(static_cast<int32_t>(s.size() + 1));
    Str(s);
    return Byte(0);
  }
};

// A 32-bit PNG of w x h filled with one 0xAARRGGBB value.
inline void MakePng(const fs::path& p, int32_t w, int32_t h, uint32_t argb) {
  Bitmap bmp;
  ASSERT_TRUE(bmp.Create(w, h, 32));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) bmp.SetPixel(x, y, argb);
  ASSERT_TRUE(bmp.SavePng(p));
}

class ToolFixture : public ::testing::Test {
 protected:
  explicit ToolFixture(bool fontMode = false) : tool(fontMode) {}

  void SetUp() override {
    dir = vantrel::test::MakeTempDir("work");
    tool.title = "Sheetwright";
    ASSERT_NE(tool.CreatePreviewWindow(), nullptr);
    dlg = static_cast<plat::headless::HeadlessDialog*>(dialogs.CreateModeless(tool.MainDialogDesc(), nullptr));
    ASSERT_NE(dlg, nullptr);
    Pump();
  }

  // Delivers every posted message of the dialog and the windows.
  void Pump() {
    for (int guard = 0; guard < 100; ++guard) {
      if (dialogs.DispatchAll() + windows.DispatchAll() == 0) return;
    }
    FAIL() << "messages never stop";
  }

  plat::headless::HeadlessWindow* Preview() { return static_cast<plat::headless::HeadlessWindow*>(tool.preview); }

  // Adds pictures through the Add button.
  void Add(const std::vector<fs::path>& paths) {
    files.QueueChooseMany(paths);
    ASSERT_TRUE(dlg->Click(kIdAdd));
    Pump();
  }
  // Adds `n` plain pictures named p0.png, p1.png, ...
  void AddPictures(int n, int32_t w = 2, int32_t h = 3) {
    std::vector<fs::path> paths;
    for (int i = 0; i < n; ++i) {
      fs::path p = dir / ("p" + std::to_string(picturesMade++) + ".png");
      MakePng(p, w, h, 0xFF102030u + static_cast<uint32_t>(i));
      paths.push_back(p);
    }
    Add(paths);
  }
  std::vector<std::string> ListLines() const { return dlg->Control(kIdEntryList)->items; }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> out;
    for (const auto& box : windows.MessageBoxes()) out.push_back(box.text);
    return out;
  }

  plat::headless::HeadlessWindowSystem windows;
  plat::headless::HeadlessDialogSystem dialogs;
  plat::headless::HeadlessFileDialogs files;
  ImageTool tool;
  plat::headless::HeadlessDialog* dlg = nullptr;
  fs::path dir;
  int picturesMade = 0;
};

}  // namespace imagetool_test

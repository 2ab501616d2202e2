// vantrel-datagen: writes the default data pack into one folder.
//   vantrel-datagen --out <folder> [--only graphics|pictures|fonts|sounds|music|boards]
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "tools/datagen/datagen.h"
#include "tools/datagen/pack_contract.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: vantrel-datagen --out <folder> [--only "
               "graphics|pictures|fonts|sounds|music|boards]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, only;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--out") && i + 1 < argc)
      out = argv[++i];
    else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
      only = argv[++i];
    else
      return Usage();
  }
  if (out.empty()) return Usage();

  // Offscreen: the generator never opens a window, also on machines without a display.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qargc = 1;
  char name[] = "vantrel-datagen";
  char* qargv[] = {name, nullptr};
  QGuiApplication app(qargc, qargv);

  using namespace vantrel::datagen;
  try {
    Pack pack(out);
    auto want = [&](const char* part) { return only.empty() || only == part; };
    if (want("graphics")) GenerateGraphics(pack);
    if (want("pictures")) GeneratePictures(pack);
    if (want("fonts")) {
      GenerateFonts(pack);
      WriteLicences(pack);
    }
    if (want("sounds")) GenerateSounds(pack);
    if (want("music")) GenerateMusic(pack);
    if (want("boards")) GenerateBoards(pack);
    std::printf("vantrel-datagen: %zu files in %s\n", pack.Written().size(), out.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantrel-datagen: %s\n", e.what());
    return 1;
  }
  return 0;
}

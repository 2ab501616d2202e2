// Writes the module fuzz targets' seeds into the folder named on the command
// line: the generated MOD, XM and S3M variants and the damaged files, so
// the fuzzers start from songs of every shape rather than from nothing.
#include <cstdio>
#include <string>

#include "tests/seal/module_variants.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: seal_module_seeds <folder>\n");
    return 2;
  }
  auto all = vantrel::test::ModuleVariants();
  for (auto& v : vantrel::test::CraftedModules()) all.push_back(std::move(v));
  for (const auto& v : all) {
    const std::string path = std::string(argv[1]) + "/" + v.name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(v.bytes.data(), 1, v.bytes.size(), f) != v.bytes.size() || std::fclose(f) != 0) {
      std::fprintf(stderr, "seal_module_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}

// Writes the document readers' seeds as starting corpora: fuzz_document_seeds <dir> makes
// <dir>/<document>/seedN for every document.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "tests/fuzz/DocumentTargets.h"
#include "tests/fuzz/FuzzTargets.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_document_seeds <dir>\n");
    return 2;
  }
  fuzz_targets::SilenceLog();
  for (fuzz_targets::Document d : fuzz_targets::kDocuments) {
    const std::string dir = std::string(argv[1]) + "/" + fuzz_targets::DocumentName(d);
    mkdir(dir.c_str(), 0755);
    const auto seeds = fuzz_targets::DocumentSeeds(d);
    if (seeds.empty()) return 1;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
      FILE* f = std::fopen((dir + "/seed" + std::to_string(i)).c_str(), "wb");
      if (!f || std::fwrite(seeds[i].data(), 1, seeds[i].size(), f) != seeds[i].size()) return 1;
      std::fclose(f);
    }
  }
  return 0;
}

// Writes one large synthetic character, for trying a big character by hand (in the terminal front
// end or the batch mode) or for keeping a fixed set of files for the benchmark's --folder.
//
// Usage: make_large_character FOLDER ENTRIES [b|all|0]
#include <cstdio>
#include <exception>
#include <string>

#include "large/large_character.h"

int main(int argc, char** argv) {
  using namespace kelmo::bench;
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: make_large_character FOLDER ENTRIES [b|all|0]\n");
    return 2;
  }
  try {
    TLargeCharacterOptions options;
    options.EntriesPerDictionary = std::stoi(argv[2]);
    if (argc == 4 && !ShapeNamed(argv[3], options.Shape)) {
      std::fprintf(stderr, "make_large_character: no shape %s\n", argv[3]);
      return 2;
    }
    WriteLargeCharacter(argv[1], options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_large_character: %s\n", error.what());
    return 1;
  }
  return 0;
}

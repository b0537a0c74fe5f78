// brenvik-fixture SITE.json OUTDIR: writes the Paradox tables that SITE.json describes.
#include <iostream>

#include "support/Errors.h"
#include "fixtures/TableWriter.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "Użycie: brenvik-fixture SITE.json OUTDIR\n";
    return 2;
  }
  try {
    brenvik::BuildFixtureFromFile(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

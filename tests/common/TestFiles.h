#pragma once
// Test helpers: each test gets a folder of its own, removed afterwards.
#include <string>

namespace brenvik::testing {

class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  // The folder, with a trailing "/".
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return FPath + name; }

private:
  std::string FPath;
};

void WriteFile(const std::string& path, const std::string& bytes);  // creates parents
std::string ReadFile(const std::string& path);                      // throws when missing
void MakeDirs(const std::string& path);

std::string SourceDir();  // the checkout
std::string BinaryDir();  // the build folder
// The data the tests read, all kept with the sources.
std::string Fa3SchemaDir();   // $BRENVIK_FA3_SCHEMA_DIR, else third_party/fa3-schema
std::string Fa3SamplesDir();  // tests/data/fa3-samples: the Ministry's example invoices
std::string
ParadoxSamplesDir();  // tests/data/paradox-samples: tables written by the database engine

}  // namespace brenvik::testing

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
// The shared folder beside the checkout ($BRENVIK_SHARED_DIR overrides); empty when absent.
std::string SharedDir();
std::string Fa3SchemaDir();   // $BRENVIK_FA3_SCHEMA_DIR, SharedDir()/fa3-schema, else third_party/fa3-schema
std::string Fa3SamplesDir();  // SharedDir()/fa3-samples; empty when absent
std::string ParadoxSamplesDir();  // SharedDir()/paradox-samples; empty when absent

}  // namespace brenvik::testing

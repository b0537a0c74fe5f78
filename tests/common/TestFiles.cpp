#include "common/TestFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace brenvik::testing {

TTempDir::TTempDir() {
  std::string pattern = (fs::temp_directory_path() / "brenvik-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  FPath = pattern + "/";
}

TTempDir::~TTempDir() {
  std::error_code ec;
  fs::remove_all(FPath, ec);
}

void MakeDirs(const std::string& path) { fs::create_directories(path); }

void WriteFile(const std::string& path, const std::string& bytes) {
  const fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string SourceDir() { return BRENVIK_SOURCE_DIR; }
std::string BinaryDir() { return BRENVIK_BINARY_DIR; }

namespace {

// A folder of test data; a checkout without it is broken, so the tests that
// need it fail with the path rather than pass without looking.
std::string DataFolder(const fs::path& path) {
  if (!fs::is_directory(path)) throw std::runtime_error("brak danych testowych: " + path.string());
  return path.string();
}

}  // namespace

std::string Fa3SchemaDir() {
  if (const char* d = std::getenv("BRENVIK_FA3_SCHEMA_DIR"); d && *d) return DataFolder(d);
  return DataFolder(fs::path(SourceDir()) / "third_party" / "fa3-schema");
}
std::string Fa3SamplesDir() {
  return DataFolder(fs::path(SourceDir()) / "tests" / "data" / "fa3-samples");
}
std::string ParadoxSamplesDir() {
  return DataFolder(fs::path(SourceDir()) / "tests" / "data" / "paradox-samples");
}

}  // namespace brenvik::testing

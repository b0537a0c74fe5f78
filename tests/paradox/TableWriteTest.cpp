// Writes into tables: exactly the field's bytes change, every refusal leaves
// the files as they were, a copy is kept before the first write.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "common/TestFiles.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "fixtures/TableWriter.h"
#include "paradox/Table.h"

using namespace brenvik;
using brenvik::testing::ParadoxSamplesDir;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;
namespace fs = std::filesystem;

namespace {

const char* RegJson = R"({"codepage": 1250, "tables": {
 "DATA/2026REG": {"primary": 4,
   "fields": [["Class","S"],["Year","S"],["MagId","S"],["Number","I"],["KSeF","A36"],["Value","$"],["Note","M8"],["Code","A6"]],
   "records": [[2,2026,1,1,"",10,"pierwsza notatka","K1"],[2,2026,1,2,"-",20,"druga notatka, też długa","K2"],
               [2,2026,1,3,"",30,null,"K3"]]},
 "DATA/KEYED": {"primary": 1, "fields": [["Code","A6"],["Text","A10"]], "records": [["A","x"]]}}})";

const char* KsefNumber = "5260250274-20260410-0A1B2C3D4E5F-16";

// The bytes of every file in a folder tree.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) out[e.path().string()] = ReadFile(e.path().string());
  return out;
}

// Offsets where two byte strings differ; their lengths must be equal.
std::vector<size_t> Differences(const std::string& a, const std::string& b) {
  EXPECT_EQ(a.size(), b.size());
  std::vector<size_t> out;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i]) out.push_back(i);
  return out;
}

class PxWriteTest : public ::testing::Test {
protected:
  void SetUp() override {
    BuildFixtureFromText(RegJson, (Dir / "site/"));
    fs::create_directories(Dir / "Tmp");
    Session.SetPrivateDir(Dir / "Tmp");
    Session.SetActive(true);
  }
  std::string Reg() { return Dir / "site/DATA/2026REG"; }
  TTempDir Dir;
  TPxSession Session;
};

}  // namespace

TEST_F(PxWriteTest, PostChangesExactlyTheFieldsBytes) {
  const std::string before = ReadFile(Reg() + ".db");
  const std::string memoBefore = ReadFile(Dir / "site/DATA/2026REG.mb");
  TLogger::Configure(Dir / "log", "test", 0);
  {
    TPxTable t(&Session);
    t.SetTableName(Reg());
    t.Open();
    ASSERT_TRUE(t.FindKey({2, 2026, 1, 2}));
    t.Edit();
    t.FieldByName("KSeF").SetAsString(KsefNumber);
    t.Post();
    EXPECT_EQ(t.FieldByName("KSeF").AsString(), KsefNumber);
    EXPECT_TRUE(t.SaveChanges());
  }
  const std::string after = ReadFile(Reg() + ".db");
  const std::vector<size_t> diff = Differences(before, after);
  ASSERT_FALSE(diff.empty());
  // All changes inside the 36 bytes of the field of the second record.
  const size_t recordSize = 2 + 2 + 2 + 4 + 36 + 8 + 18 + 6;
  const size_t fieldStart = 0x800 + 6 + recordSize + 10;
  EXPECT_GE(diff.front(), fieldStart);
  EXPECT_LT(diff.back(), fieldStart + 36);
  EXPECT_EQ(after.substr(fieldStart, 36), std::string(KsefNumber) + std::string(1, '\0'));
  EXPECT_EQ(ReadFile(Dir / "site/DATA/2026REG.mb"), memoBefore);

  // Read back by a fresh table, memo links intact.
  TPxTable again;
  again.SetTableName(Reg());
  again.Open();
  ASSERT_TRUE(again.FindKey({2, 2026, 1, 2}));
  EXPECT_EQ(again.FieldByName("KSeF").AsString(), KsefNumber);
  EXPECT_EQ(again.FieldByName("Note").AsString(), "druga notatka, też długa");

  // A copy of the file as it was, and a log line with old and new value.
  std::vector<std::string> copies;
  for (const auto& e : fs::directory_iterator(Dir / "Tmp")) copies.push_back(e.path().string());
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(ReadFile(copies[0]), before);
  const std::string log = ReadFile(TLogger::CurrentFileName());
  EXPECT_NE(log.find("[DEBUG]"), std::string::npos);
  EXPECT_NE(log.find("2026REG"), std::string::npos);
  EXPECT_NE(log.find("2-2026-1-2"), std::string::npos);
  EXPECT_NE(log.find("\"-\" -> \"" + std::string(KsefNumber) + "\""), std::string::npos);
  TLogger::RestoreDefaults();
}

TEST_F(PxWriteTest, RefusalsWriteNothing) {
  BuildFixtureFromText(
      R"({"codepage": 852, "tables": {"site/DATA/T852": {"fields": [["Name","A4"]], "records": [["a"]]}}})",
      Dir.Path());
  struct TCase {
    const char* What;
    std::string Table, Field, Text, Says = "";
  } cases[] = {
      {"number field", Reg(), "Value", "12"},
      {"memo field", Reg(), "Note", "x"},
      {"primary key field", Dir / "site/DATA/KEYED", "Code", "B"},
      {"too long", Reg(), "Code", "1234567", "nie mieści się w polu Code w tabeli"},
      {"too long, Polish letters", Reg(), "Code", "ąęćżźńó"},
      {"not in the code page", Reg(), "KSeF", "日本"},
      {"not in 852", Dir / "site/DATA/T852", "Name", "€"},
      {"not UTF-8", Reg(), "KSeF", "\xff\xfe"},
      {"NUL inside", Reg(), "KSeF", std::string("a\0b", 3)},
  };
  const auto before = Snapshot(Dir.Path());
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TPxTable t(&Session);
    t.SetTableName(c.Table);
    t.Open();
    t.First();
    t.Edit();
    try {
      t.FieldByName(c.Field).SetAsString(c.Text);
      t.Post();
      FAIL() << "written";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(e.Message().find(c.Field), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(ExtractFileName(c.Table)), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(c.Says), std::string::npos) << e.Message();
    }
    t.Cancel();
  }
  EXPECT_EQ(Snapshot(Dir.Path()), before);
  TPxTable t(&Session);
  t.SetTableName(Reg());
  t.Open();
  t.First();
  EXPECT_THROW(t.FieldByName("KSeF").SetAsString("x"), EDatabaseError);  // not in edit mode
  t.Edit();
  t.FieldByName("Code").SetAsString("ĄĘ1234");  // six characters, six bytes in 1250: fits
  t.Post();
  EXPECT_EQ(t.FieldByName("Code").AsString(), "ĄĘ1234");
}

TEST_F(PxWriteTest, ARecordChangedByAnotherProgramIsNotOverwritten) {
  TPxTable t(&Session);
  t.SetTableName(Reg());
  t.Open();
  ASSERT_TRUE(t.FindKey({2, 2026, 1, 3}));
  // Another program writes the same field meanwhile.
  std::string bytes = ReadFile(Reg() + ".db");
  const size_t recordSize = 78;
  bytes[0x800 + 6 + 2 * recordSize + 10] = 'Z';
  WriteFile(Reg() + ".db", bytes);
  t.Edit();
  t.FieldByName("KSeF").SetAsString(KsefNumber);
  EXPECT_THROW(t.Post(), EDatabaseError);
  EXPECT_EQ(ReadFile(Reg() + ".db"), bytes);
}

TEST_F(PxWriteTest, AWriterHoldingTheLockMakesThePostFail) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    const int fd = ::open((Reg() + ".db").c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fcntl(fd, F_SETLK, &fl);
    (void)!write(ready[1], "x", 1);
    sleep(3);
    _exit(0);
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  const std::string before = ReadFile(Reg() + ".db");
  TPxTable t(&Session);
  t.SetLockTimeoutMs(200);
  t.SetTableName(Reg());
  t.Open();
  t.First();
  t.Edit();
  t.FieldByName("KSeF").SetAsString("-");
  try {
    t.Post();
    ADD_FAILURE() << "written while locked";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("zablokowana"), std::string::npos) << e.Message();
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(ReadFile(Reg() + ".db"), before);
}

// Copies are kept by table and by run (a run may copy a table more than
// once), and a copy broken off by a kill never lies under a copy's name.
TEST_F(PxWriteTest, TheLastTenRunsOfEachTableAreKeptWholeAndNoCopyMeansNoWrite) {
  auto write = [&](const std::string& table, const std::string& field, const std::string& text) {
    TPxTable t(&Session);
    t.SetTableName(table);
    t.Open();
    t.First();
    t.Edit();
    t.FieldByName(field).SetAsString(text);
    t.Post();
  };
  auto copies = [&](const std::string& suffix) {
    std::map<std::string, int> n;
    for (const auto& e : fs::directory_iterator(Dir / "Tmp")) {
      const std::string name = e.path().filename().string();
      if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix)
        ++n[name.substr(0, name.find('_'))];
    }
    return n;
  };
  // A copy broken off: the child may write no file past 1 KB.
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    write(Reg(), "KSeF", "x");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  EXPECT_EQ(copies(".db"), (std::map<std::string, int>{}));

  write(Dir / "site/DATA/KEYED", "Text", "y");
  for (int run = 0; run < 12; ++run) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Session.StartRun();
    write(Reg(), "KSeF", std::to_string(run));
    write(Reg(), "KSeF", std::to_string(run) + "b");  // another table object: a second copy
  }
  EXPECT_EQ(copies(".db"), (std::map<std::string, int>{{"2026REG", 20}, {"KEYED", 1}}));
  EXPECT_EQ(copies(".tmp"), (std::map<std::string, int>{}));
  for (const auto& e : fs::directory_iterator(Dir / "Tmp")) {  // each copy whole
    const std::string name = e.path().filename().string();
    EXPECT_EQ(e.file_size(),
              fs::file_size(Dir / ("site/DATA/" + name.substr(0, name.find('_')) + ".db")))
        << name;
  }

  TPxSession noPrivate;
  TPxTable t(&noPrivate);
  t.SetTableName(Reg());
  t.Open();
  t.First();
  t.Edit();
  t.FieldByName("KSeF").SetAsString("x");
  const std::string before = ReadFile(Reg() + ".db");
  EXPECT_THROW(t.Post(), EDatabaseError);
  EXPECT_EQ(ReadFile(Reg() + ".db"), before);
}

TEST_F(PxWriteTest, RealTableWithMemoAndSecondaryIndex) {
  const std::string samples = ParadoxSamplesDir();
  const std::string dir = Dir / "real/";
  fs::create_directories(dir);
  for (const char* ext : {".DB", ".MB", ".PX", ".X06", ".Y06"}) {
    fs::copy_file(samples + "/paradoxdriver/db/CUSTOMER" + ext, dir + "CUSTOMER" + ext);
    fs::permissions(dir + "CUSTOMER" + ext, fs::perms::owner_read | fs::perms::owner_write);
  }
  const auto before = Snapshot(dir);
  TPxTable t(&Session);
  t.SetTableName(dir + "customer");
  t.SetCodePage(1252);
  t.Open();
  ASSERT_TRUE(t.FindKey({2}));
  const std::string comments = t.FieldByName("Comments").AsString();
  t.Edit();
  EXPECT_THROW(t.FieldByName("City").SetAsString("Kraków"), EDatabaseError);  // secondary index
  EXPECT_THROW(t.FieldByName("CustNo").SetAsString("9"), EDatabaseError);
  t.FieldByName("Street").SetAsString("Grünweg 1");
  t.Post();
  t.Close();
  const auto after = Snapshot(dir);
  for (const auto& [path, bytes] : before) {
    if (path != dir + "CUSTOMER.DB") {
      EXPECT_EQ(after.at(path), bytes) << path;
    }
  }
  const std::vector<size_t> diff =
      Differences(before.at(dir + "CUSTOMER.DB"), after.at(dir + "CUSTOMER.DB"));
  ASSERT_FALSE(diff.empty());
  EXPECT_LE(diff.back() - diff.front(), 30u);  // within the 30 bytes of Street
  t.Open();
  ASSERT_TRUE(t.FindKey({2}));
  EXPECT_EQ(t.FieldByName("Street").AsString(), "Grünweg 1");
  EXPECT_EQ(t.FieldByName("Comments").AsString(), comments);
}

TEST_F(PxWriteTest, Paradox3TablesAreReadButNotWritten) {
  const std::string samples = ParadoxSamplesDir();
  fs::copy_file(samples + "/paradoxdriver/mtdemo/STORE.DB", Dir / "STORE.DB");
  fs::permissions(Dir / "STORE.DB", fs::perms::owner_read | fs::perms::owner_write);
  TPxTable t(&Session);
  t.SetTableName(Dir / "STORE");
  t.SetCodePage(437);
  t.Open();
  t.First();
  EXPECT_FALSE(t.FieldByName("Store Name").AsString().empty());
  t.Edit();
  try {
    t.FieldByName("Store City").SetAsString("X");
    FAIL() << "accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("Paradox 3"), std::string::npos) << e.Message();
  }
}

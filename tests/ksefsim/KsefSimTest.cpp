#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "common/TestFiles.h"
#include "ksef-connector-sim/KsefNumber.h"
#include "ksef-connector-sim/KsefSim.h"

using namespace brenvik;
using namespace brenvik::ksefsim;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;
namespace fs = std::filesystem;

namespace {

struct TSite {
  TTempDir tmp;
  std::string exeDir = tmp / "connector";
  std::string data = tmp / "ksef";
  std::map<std::string, std::string> env;
  std::string err;
  TSite(const std::string& extra = "") {
    fs::create_directories(data + "/Export");
    WriteFile(exeDir + "/.env", "KSEF_NIP=9999999999\nBASE_DIR_PATH=" + data + "\n" + extra);
  }
  int Run() {
    std::ostringstream e;
    int code = RunConnector(
        exeDir,
        [&](const std::string& k) -> std::optional<std::string> {
          auto it = env.find(k);
          if (it == env.end()) return std::nullopt;
          return it->second;
        },
        e);
    err = e.str();
    return code;
  }
  std::vector<std::string> Files(const std::string& sub) {
    std::vector<std::string> r;
    for (auto& f : fs::directory_iterator(data + "/" + sub))
      r.push_back(f.path().filename().string());
    std::sort(r.begin(), r.end());
    return r;
  }
  std::string Log() {
    for (auto& f : fs::directory_iterator(data + "/Logs")) return ReadFile(f.path().string());
    return {};
  }
};

std::string Sample(const std::string& name) {
  return ReadFile(brenvik::testing::Fa3SamplesDir() + "/" + name);
}

}  // namespace

TEST(KsefNumber, CheckOfTheKnownExampleAndShape) {
  EXPECT_EQ(MakeKsefNumber("5265877635", "20250826", "0100001AF629"),
            "5265877635-20250826-0100001AF629-AF");
  std::string n = MakeKsefNumber("1234567890", "20260410", RandomHex12());
  EXPECT_TRUE(IsValidKsefNumber(n)) << n;
  std::string bad = n;
  bad[25] = bad[25] == 'A' ? 'B' : 'A';
  EXPECT_FALSE(IsValidKsefNumber(bad));
  EXPECT_FALSE(IsValidKsefNumber("5265877635-20250826-0100001af629-AF"));
}

TEST(KsefSim, AcceptsValidFilesAndRefusesDuplicatesAndInvalid) {
  TSite site("SIM_SCHEMA_DIR=" + brenvik::testing::Fa3SchemaDir() + "\n");
  WriteFile(site.data + "/Export/0-2026-1-1.xml", Sample("mf-example-01.xml"));
  WriteFile(site.data + "/Export/0-2026-1-2.xml", Sample("mf-example-02.xml"));
  EXPECT_EQ(site.Run(), 0) << site.err;
  EXPECT_TRUE(site.Files("Export").empty());
  auto sent = site.Files("Sent");
  ASSERT_EQ(sent.size(), 4u);
  for (const auto& f : sent) {
    std::string num = f.substr(f.find('_') + 1, 35);
    EXPECT_TRUE(IsValidKsefNumber(num)) << f;
  }
  EXPECT_NE(sent[0].find(".upo.xml"), std::string::npos);
  EXPECT_EQ(ReadFile(site.data + "/Sent/" + sent[1]), Sample("mf-example-01.xml"));
  EXPECT_NE(site.Log().find("Start komunikacji"), std::string::npos);

  // A later run, with Sent emptied: sample 4 has the seller, kind and number of
  // sample 1 (9999999999, VAT, FV2026/02/150), which the state remembers: 440,
  // the file stays. Sample 3 (KOR) shares the number of sample 2 (KOR too).
  for (const auto& f : sent) fs::remove(site.data + "/Sent/" + f);
  WriteFile(site.data + "/Export/0-2026-1-3.xml", Sample("mf-example-04.xml"));
  WriteFile(site.data + "/Export/0-2026-1-5.xml", Sample("mf-example-03.xml"));
  EXPECT_EQ(site.Run(), 440);
  EXPECT_EQ(site.Files("Export"), (std::vector<std::string>{"0-2026-1-3.xml", "0-2026-1-5.xml"}));
  EXPECT_NE(site.Log().find("Odrzucono (duplikat, kod 440): 0-2026-1-3.xml - faktura VAT "
                            "FV2026/02/150 sprzedawcy 9999999999 przyjęta wcześniej jako " +
                            sent[1].substr(sent[1].find('_') + 1, 35)),
            std::string::npos)
      << site.Log();
  // The same number as an accepted invoice but of another kind is no duplicate.
  fs::remove(site.data + "/Export/0-2026-1-5.xml");
  WriteFile(site.data + "/Export/0-2026-1-6.xml", [] {
    std::string s = Sample("mf-example-02.xml");
    return s.replace(s.find("<RodzajFaktury>KOR"), 18, "<RodzajFaktury>KOR_ZAL");
  }());
  // Any other refusal: 1, the reason in the day's log, the files stay. 2222222222
  // -> 2222222223: 2·45 = 90 ≡ 2 (mod 11), so the last digit must be 2.
  std::string badNip = Sample("mf-example-26.xml");
  badNip.replace(badNip.find("2222222222"), 10, "2222222223");
  WriteFile(site.data + "/Export/0-2026-1-4.xml", badNip);
  EXPECT_EQ(site.Run(), 1);
  EXPECT_EQ(site.Files("Export"), (std::vector<std::string>{"0-2026-1-3.xml", "0-2026-1-4.xml"}));
  EXPECT_NE(site.Log().find("Odrzucono (błąd): 0-2026-1-4.xml - /Faktura/Podmiot2/"
                            "DaneIdentyfikacyjne/NIP = „2222222223”: zła cyfra kontrolna NIP "
                            "nabywcy (Podmiot2): ostatnia cyfra to 3, a powinna być 2"),
            std::string::npos)
      << site.Log();
  EXPECT_NE(site.Log().find("Przyjęto: 0-2026-1-6.xml"), std::string::npos);
  EXPECT_NE(site.Log().find("kod zakończenia: 1"), std::string::npos);
}

TEST(KsefSim, InboxIsDeliveredOnce) {
  TSite site("SIM_INBOX=../inbox\n");
  WriteFile(site.tmp / "inbox/a.xml", Sample("mf-example-26.xml"));
  EXPECT_EQ(site.Run(), 0) << site.err;
  auto imp = site.Files("Import");
  ASSERT_EQ(imp.size(), 1u);
  EXPECT_EQ(imp[0].substr(0, 11), "9999999999-");
  EXPECT_TRUE(IsValidKsefNumber(imp[0].substr(0, 35)));
  EXPECT_EQ(site.Run(), 0);
  EXPECT_EQ(site.Files("Import").size(), 1u);
}

TEST(KsefSim, ForcedExitCodeAndSetupErrors) {
  TSite site;
  WriteFile(site.data + "/Export/x.xml", "<bad");
  site.env["SIM_EXIT_CODE"] = "7";
  EXPECT_EQ(site.Run(), 7);
  EXPECT_EQ(site.Files("Export").size(), 1u);
  site.env["SIM_EXIT_CODE"] = "abc";
  EXPECT_EQ(site.Run(), 1);
  EXPECT_FALSE(site.err.empty());
  fs::remove(site.exeDir + "/.env");
  site.env.clear();
  EXPECT_EQ(site.Run(), 1);
  EXPECT_NE(site.err.find(".env"), std::string::npos);
}

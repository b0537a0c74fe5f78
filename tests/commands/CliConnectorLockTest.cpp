// One connector at a time works on a KSeF data folder, also when the send
// that started it was killed and when the next send is another user's.
#include <gtest/gtest.h>

#include <string>

#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "support/DateTime.h"
#include "support/KsefContract.h"
#include "support/Paths.h"

using namespace brenvik;
using namespace brenvik::testing;

TEST(CliSend, AConnectorLeftWorkingByAKilledSendKeepsTheNextSendsOut) {
  TTempDir dir;
  const std::string site = dir / "site";
  TProcessOptions o;
  o.WorkDir = dir.Path();
  o.Env = {{"BRENVIK_LOCK_DIR", dir / "userA"}, {"SIM_DELAY_MS", "3000"}};
  MakeDirs(dir / "userA");
  MakeDirs(dir / "userB");
  MakeDemoSite(site, o);
  const std::string log = site + "/ksef-data/Logs/" + ksef::ConnectorLogName(Today());
  auto logHas = [&](const std::string& text) {
    int n = 0;
    const std::string t = FileExists(log) ? ReadFile(log) : "";
    for (size_t p = t.find(text); p != std::string::npos; p = t.find(text, p + 1)) ++n;
    return n;
  };
  const std::vector<std::string> send = {"/ini=" + site + "/brenvik.ini", "send", "--yes",
                                         "--accept-data-warnings"};
  {
    TRunningProcess first(BRENVIK_CLI_EXE, send, o);
    ASSERT_TRUE(WaitFor([&] { return logHas(ksef::RunStartMarker) == 1; }, 30000));
  }  // killed while its connector works on

  o.Env["BRENVIK_LOCK_DIR"] = dir / "userB";
  const TProcessResult second = RunProcess(BRENVIK_CLI_EXE, send, o);
  EXPECT_EQ(second.ExitCode, 1) << second.Out << second.Err;
  EXPECT_NE(
      (second.Out + second.Err).find("Poprzednie uruchomienie konektora KSeF jeszcze pracuje"),
      std::string::npos)
      << second.Out << second.Err;
  EXPECT_EQ(logHas(ksef::RunStartMarker), 1);

  // Once that connector has ended the folder is free again.
  ASSERT_TRUE(WaitFor([&] { return logHas("Koniec komunikacji") == 1; }, 30000));
  o.Env.erase("SIM_DELAY_MS");
  const TProcessResult third = RunProcess(BRENVIK_CLI_EXE, send, o);
  EXPECT_EQ(third.ExitCode, 0) << third.Out << third.Err;
  EXPECT_EQ((third.Out + third.Err).find("Poprzednie uruchomienie"), std::string::npos);
}

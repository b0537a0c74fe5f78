// Following the connector's day log while a run works: only what this run
// appends, from its start line on, line by line as the lines complete.
#include <gtest/gtest.h>

#include <fstream>

#include "commands/ConnectorLogFollower.h"
#include "common/TestFiles.h"

using namespace brenvik;
using namespace brenvik::testing;

TEST(ConnectorLogFollower, ShowsThisRunsLinesAsTheyComplete) {
  TTempDir dir;
  const std::string log = dir / "log-20261209.txt";
  WriteFile(log, "09:00:00 Start komunikacji\r\nwcześniejszy przebieg\r\n");
  TConnectorLogFollower follower(log);
  const struct {
    std::string Appended;  // "" with Replace: the file written anew
    bool Replace;
    std::vector<std::string> Lines;
  } steps[] = {
      {"", false, {}},
      {"10:00:00 Przygotowanie\r\n", false, {}},  // before this run's start line
      {"10:00:01 Start komunikacji\r\nWysł", false, {"10:00:01 Start komunikacji"}},
      {"ano 1\r", false, {}},  // "\r" may be half of "\r\n"
      {"\nKoniec\n", false, {"Wysłano 1", "Koniec"}},
      {"po północy\r\n", true, {"po północy"}},  // a new file is read from its start
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Appended);
    std::ofstream(
        log, step.Replace ? std::ios::binary | std::ios::trunc : std::ios::binary | std::ios::app)
        << step.Appended;
    EXPECT_EQ(follower.NewLines(), step.Lines);
  }
  EXPECT_TRUE(follower.SawRunStart());

  // Megabytes at once come a megabyte per call; at the end, all of it and
  // the last line without its line break.
  std::string big;
  for (int i = 0; i < 40000; ++i) big += "wiersz numer " + std::to_string(i) + " z danymi\r\n";
  std::ofstream(log, std::ios::binary | std::ios::app) << big << "ostatni";
  const size_t first = follower.NewLines().size();
  EXPECT_GT(first, 0u);
  EXPECT_LT(first, 40000u);
  const std::vector<std::string> rest = follower.RestOfLines();
  ASSERT_EQ(first + rest.size(), 40001u);
  EXPECT_EQ(rest.back(), "ostatni");

  // A log without this run's start line shows nothing while the run works.
  TConnectorLogFollower unmarked(log);
  std::ofstream(log, std::ios::binary | std::ios::app) << "\r\nbez znacznika\r\n";
  EXPECT_TRUE(unmarked.RestOfLines().empty());
  EXPECT_FALSE(unmarked.SawRunStart());
}

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "common/TestFiles.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "support/Platform.h"

using namespace brenvik;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

// Every test gets a logger writing into its own folder with a fixed clock.
class LoggerTest : public ::testing::Test {
protected:
  void SetUp() override {
    TLogger::RestoreDefaults();
    TLogger::Configure(Dir.Path() + "logs", "brenvik", 0);
    TLogger::SetClock([this] { return Clock; });
  }
  void TearDown() override { TLogger::RestoreDefaults(); }
  std::string File(const std::string& day) { return Dir / ("logs/brenvik_" + day + ".log"); }
  TTempDir Dir;
  TDateTime Clock = EncodeDateTime(2025, 3, 14, 10, 15, 2, 123);
};

}  // namespace

TEST(LoggerLine, FormatLevelsAndThreadIds) {
  const TDateTime t = EncodeDateTime(2025, 3, 14, 10, 15, 2, 123);
  EXPECT_EQ(TLogger::FormatLine(t, llInfo, 4321, "-------- Start aplikacji --------"),
            "2025-03-14 10:15:02.123 [INFO] [TID: 4321] -------- Start aplikacji --------");
  EXPECT_EQ(TLogger::FormatLine(t, llError, 123456, "a\r\nb\rc\nd"),
            "2025-03-14 10:15:02.123 [ERROR] [TID:123456] a: b\rc\nd");
  EXPECT_EQ(TLogger::FormatLine(t, llDebug, 7, ""), "2025-03-14 10:15:02.123 [DEBUG] [TID:    7] ");
  EXPECT_EQ(TLogger::LevelName(llWarn), "WARN");
  EXPECT_EQ(TLogger::LevelName(static_cast<TLogLevel>(9)), "INFO");
}

TEST_F(LoggerTest, WritesCrLfUtf8LinesIntoTheDaysFile) {
  TLogger::Info("Zażółć gęślą jaźń");
  TLogger::Log(llWarn, "drugi");
  const std::string text = ReadFile(File("2025-03-14"));
  const std::string tid = TLogger::ThreadIdText(CurrentThreadId());
  EXPECT_EQ(text, "2025-03-14 10:15:02.123 [INFO] [TID:" + tid +
                      "] Zażółć gęślą jaźń\r\n"
                      "2025-03-14 10:15:02.123 [WARN] [TID:" +
                      tid + "] drugi\r\n");
}

TEST_F(LoggerTest, NewDayNewFileOldOneUntouched) {
  Clock = EncodeDateTime(2025, 3, 14, 23, 59, 59, 999);
  TLogger::Info("before");
  const std::string before = ReadFile(File("2025-03-14"));
  Clock = EncodeDateTime(2025, 3, 15, 0, 0, 0, 1);
  TLogger::Info("after");
  EXPECT_EQ(ReadFile(File("2025-03-14")), before);
  EXPECT_NE(ReadFile(File("2025-03-15")).find("after"), std::string::npos);
}

TEST_F(LoggerTest, RotatesWhenTheLimitIsReachedExactly) {
  const std::string line = TLogger::FormatLine(Clock, llInfo, CurrentThreadId(), "x") + "\r\n";
  TLogger::Configure("", "", static_cast<std::int64_t>(line.size()) * 2);
  TLogger::Info("x");
  TLogger::Info("x");  // now exactly at the limit
  TLogger::Info("third");
  const std::string aside = Dir / "logs/brenvik_2025-03-14_20250314_101502.log";
  ASSERT_TRUE(FileExists(aside));
  EXPECT_EQ(ReadFile(aside), line + line);
  EXPECT_NE(ReadFile(File("2025-03-14")).find("third"), std::string::npos);
  EXPECT_EQ(FileSizeOf(File("2025-03-14")) < static_cast<std::int64_t>(line.size()) * 2, true);
}

TEST_F(LoggerTest, ConfigureKeepsValuesForEmptyArguments) {
  TLogger::Configure("", "", 1000);
  TLogger::Configure("", "", 0);
  EXPECT_EQ(TLogger::MaxBytes(), 1000);
  TLogger::Configure("", "other", -5);
  EXPECT_EQ(TLogger::LogName(), "other");
  EXPECT_EQ(TLogger::MaxBytes(), 1000);
  EXPECT_EQ(TLogger::LogDir(), Dir.Path() + "logs");
  EXPECT_THROW(TLogger::Configure("bad\x01name", "", 0), EArgumentException);
}

TEST_F(LoggerTest, DisabledWritesNothing) {
  TLogger::SetEnabled(false);
  TLogger::Error("nic");
  EXPECT_FALSE(FolderExists(Dir / "logs"));
}

TEST_F(LoggerTest, LinesOfManyThreadsNeverInterleave) {
  std::vector<std::thread> threads;
  const std::string payload(200, 'q');
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) TLogger::Info(payload);
    });
  for (auto& t : threads) t.join();
  const std::string text = ReadFile(File("2025-03-14"));
  size_t lines = 0, pos = 0;
  while ((pos = text.find("\r\n", pos)) != std::string::npos) {
    ++lines;
    pos += 2;
  }
  EXPECT_EQ(lines, 800u);
  size_t start = 0;
  for (size_t i = 0; i < lines; ++i) {
    const size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end - start);
    ASSERT_EQ(line.substr(line.size() - payload.size()), payload);
    start = end + 2;
  }
}

TEST_F(LoggerTest, FolderThatCannotBeCreatedGoesToTheLastResort) {
  WriteFile(Dir / "blocker", "a file where the folder should be");
  TLogger::Configure(Dir / "blocker/logs", "", 0);
  std::string seen;
  TLogger::SetLastResort([&](const std::string& text) { seen = text; });
  EXPECT_THROW(TLogger::Info("x"), EInOutError);
  EXPECT_EQ(seen, "Nie można utworzyć folderu:\r\n" + Dir / "blocker/logs" +
                      "\r\nNaciśnij dowolny klawisz...");
}

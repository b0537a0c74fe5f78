#include <gtest/gtest.h>

#include "TestFiles.h"
#include "uLogger.h"

using namespace brenvik;
using brenvik::testing::TTempDir;

TEST(Logger, LineFormat) {
  const TDateTime t = EncodeDateTime(2025, 3, 14, 10, 15, 2, 123);
  EXPECT_EQ(TLogger::FormatLine(t, llInfo, 4321, "-------- Start aplikacji --------"),
            "2025-03-14 10:15:02.123 [INFO] [TID: 4321] -------- Start aplikacji --------");
}

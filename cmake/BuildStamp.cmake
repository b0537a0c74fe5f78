# Fixes the build time into the programs: cmake -DOUT=file -P BuildStamp.cmake
# writes the C++ source of BuildEpochSeconds, the seconds since 1970 (UTC) of
# SOURCE_DATE_EPOCH when that is set, else of this moment. The file is
# rewritten only when its text changes, so a reproducible build stays idle.
if(NOT DEFINED OUT)
  message(FATAL_ERROR "BuildStamp.cmake: OUT is not given")
endif()
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  string(TIMESTAMP epoch "%s" UTC)
elseif(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is no number of seconds: ${epoch}")
endif()
set(text "// Written at build time by cmake/BuildStamp.cmake.
namespace brenvik {
extern const long long BuildEpochSeconds;
const long long BuildEpochSeconds = ${epoch}LL;
}  // namespace brenvik
")
set(old "")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()

#pragma once
// Starting another program and waiting for its end: the one place that knows
// how the operating system does it.
#include <string>

#include "support/Errors.h"

namespace brenvik {

BRENVIK_DECLARE_ERROR(EOSError, Exception)  // the operating system refused a request

// Starts the program named by the command line (its path, in double quotes
// when it holds blanks; no arguments), with this program's environment and
// current folder and without redirecting its output, waits without a limit
// for its end and returns its exit code. Raises EOSError with the system's
// text when it cannot be started or its exit code cannot be read. No open
// file of this program reaches it, except INHERITEDFD when given: the
// program gets that one as its descriptor 3.
int RunProcessAndWait(const std::string& cmdLine, int inheritedFd = -1);

// The program part of a command line; EArgumentException when it holds more
// than the program or nothing at all.
std::string ProgramOfCommandLine(const std::string& cmdLine);

}  // namespace brenvik

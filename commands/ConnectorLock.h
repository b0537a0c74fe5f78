#pragma once
// The mark of a connector run in the KSeF data folder: a lock on one file
// there, taken before a send begins and handed to the connector it starts,
// so that it stays held while that connector works, even when this program
// is gone. Every copy of the program on any machine that sees the folder
// asks for it, whatever its own lock folder.
#include <memory>
#include <string>

#include "support/Errors.h"

namespace brenvik {

BRENVIK_DECLARE_ERROR(EConnectorBusy, Exception)  // an earlier connector run still works

class TConnectorLock {
public:
  ~TConnectorLock();
  TConnectorLock(const TConnectorLock&) = delete;
  TConnectorLock& operator=(const TConnectorLock&) = delete;

  // Takes the lock without waiting. Raises EConnectorBusy with the
  // operator's text when a run holds it, EInOutError when its file cannot
  // be opened.
  static std::shared_ptr<TConnectorLock> Take(const std::string& ksefDataDir);
  // The descriptor the connector inherits; the lock lasts while any copy of
  // it is open.
  int Fd() const { return FFd; }

private:
  explicit TConnectorLock(int fd) : FFd(fd) {}
  int FFd;
};

// The lock's file in the KSeF data folder.
std::string ConnectorLockPath(const std::string& ksefDataDir);

}  // namespace brenvik

#pragma once
// Filing the connector's files: into a month folder beside the files filed
// before, or aside into Errors with the reason why this run could not
// process them. Every target path is built from the file's own name inside
// the given folder.
#include <string>

#include "support/Errors.h"

namespace brenvik {

// A file that cannot be processed (its name, its content, what the register
// holds for it): it goes to Errors with this message as its reason.
BRENVIK_DECLARE_ERROR(EFileRefused, Exception)

// Both files exist and hold the same bytes.
bool SameFileBytes(const std::string& a, const std::string& b);
// Moves the file into the folder and returns its new path. When the folder
// already holds a file of that name, a byte-identical copy is deleted
// (llInfo, returns the filed one), a different one is kept under a numbered
// suffix (llWarn). Raises naming the file when it can do none of it,
// leaving the file where it was.
std::string FileIntoFolder(const std::string& path, const std::string& folder);
// Moves the file into the folder (created when missing) under a name not
// taken there yet (a suffix "_1", "_2" ... before the extension); with
// reasonExt, the name with that extension must be free too. Returns the new path.
std::string MoveAside(const std::string& path, const std::string& folder,
                      const std::string& reasonExt = "");
// Moves the file into the Errors folder and writes the reason beside it in
// a ".txt" of the same bare name. Returns the file's new path.
std::string SetAsideWithReason(const std::string& path, const std::string& errorsFolder,
                               const std::string& reason);

}  // namespace brenvik

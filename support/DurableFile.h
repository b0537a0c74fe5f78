#pragma once
// A file that matters is written beside its place, flushed to the disk and
// renamed over it, and its folder is flushed too: after a power cut it holds
// either the old bytes or the new ones, never a part.
#include <string>

namespace brenvik {

// Writes BYTES as PATH that way; EInOutError (with the path and the system's
// reason) when any step fails, leaving no temporary file behind.
void WriteFileDurably(const std::string& path, const std::string& bytes);
// Flushes a folder's entries (a rename or a new file in it) to the disk.
void SyncFolder(const std::string& folder);

}  // namespace brenvik

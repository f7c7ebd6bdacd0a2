// The archive library's part of a run, done in a process of its own (see
// platform/isolated_process.h): whatever the library does on a hostile file,
// an abort, a fault or a hang, ends that process and not the program.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "map/archive.h"
#include "platform/isolated_process.h"

namespace zarn {

// Reads war3map.j and the start of war3map.w3i out of the map; the reply of
// success carries them as SplitScriptReply takes them apart. Arguments: the
// map path.
extern const IsolatedTask kReadScriptTask;

// Puts a script into a copy of the map: deletes "(attributes)", replaces
// war3map.j, compacts, closes and reads the script back. Arguments: the copy,
// the script file, the map's name for messages, the InsertStep to fail at
// (its number; 0 for none), "1" when the archive header is of the first
// format.
extern const IsolatedTask kWriteScriptTask;

// The reply of kReadScriptTask: the script's bytes, the first bytes of
// war3map.w3i (none when it has none) and one byte giving their count.
std::string JoinScriptReply(std::string script, const std::string& info_header);
// Splits such a reply into the script and war3map.w3i's first bytes; a
// reply that does not end as JoinScriptReply ends one is all script.
std::string SplitScriptReply(std::string reply, std::string& info_header);

// How long the archive work on a file of `size` bytes may take: 20 seconds,
// and one more for each started MiB.
std::chrono::milliseconds ArchiveWorkTimeLimit(std::uint64_t size);

// Runs an archive task and returns the text of its reply of success. Turns
// a reply of failure into the exception the task caught (ESFileOpenFileEx,
// ESFileReadFile, ESFileCloseFile, FileError, EArchiveUpdate, Error), and a
// process that ended without a reply into
// EArchiveRead("the archive library stopped on this file (...)").
std::string RunArchiveTask(const IsolatedTask& task, const std::vector<std::string>& args,
                           std::chrono::milliseconds limit);

}  // namespace zarn

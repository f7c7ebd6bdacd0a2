#include "map/archive_worker.h"

#include <StormLib.h>

#include <cstring>
#include <iostream>

#include "map/archive.h"
#include "map/map_info.h"
#include "map/storm_path.h"
#include "map/write_steps.h"
#include "platform/paths.h"
#include "text/script.h"

namespace zarn {

namespace {

constexpr const char* kScriptName = "war3map.j";
// The game reads a map as an archive of the first format, and so does the
// library when forced to: later formats' fields are never read. Forcing it
// also makes the archive read-only, so the update opens an archive whose
// header is of the first format without it, which reads it the same way.
constexpr DWORD kReadFlags = MPQ_OPEN_FORCE_MPQ_V1 | MPQ_OPEN_READ_ONLY;

// What a reply's code says was caught in the worker.
enum ReplyCode : int {
  kDone = 0,
  kOpenFileFailed = 1,  // text: the archive file's name
  kReadFileFailed = 2,
  kCloseFileFailed = 3,
  kFileFailed = 4,    // text: the FileError's message
  kUpdateFailed = 5,  // text: what failed, after "Error updating archive: "
  kFailed = 6,        // text: the Error's message
};

std::string LibraryReason() { return " (error code " + std::to_string(GetLastError()) + ")"; }

struct OpenArchive {
  HANDLE handle = nullptr;
  OpenArchive(const std::string& path, DWORD flags) {
    if (!SFileOpenArchive(StormPath(path).c_str(), 0, flags, &handle)) handle = nullptr;
  }
  ~OpenArchive() {
    if (handle) SFileCloseArchive(handle);
  }
  OpenArchive(const OpenArchive&) = delete;
  OpenArchive& operator=(const OpenArchive&) = delete;
  bool Close() {
    HANDLE h = handle;
    handle = nullptr;
    return SFileCloseArchive(h);
  }
};

bool IsPseudoName(const char* name) {
  // StormLib names a file whose name it does not know "FileNNNNNNNN.ext".
  if (std::strncmp(name, "File", 4) != 0) return false;
  for (int i = 4; i < 12; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return name[12] == '.';
}

bool AllNamesKnown(HANDLE archive) {
  SFILE_FIND_DATA found;
  HANDLE find = SFileFindFirstFile(archive, "*", &found, nullptr);
  if (!find) return true;
  bool known = true;
  do {
    if (IsPseudoName(found.cFileName)) known = false;
  } while (known && SFileFindNextFile(find, &found));
  SFileFindClose(find);
  return known;
}

// StormLib treats "(attributes)" as its own file: it refuses to remove it and
// writes it anew whenever the archive changes. Invalidating the internal files
// takes its entry out of the tables; forgetting its flags and marking it as
// absent keeps the library from writing it back when the tables are saved.
bool DropAttributes(HANDLE archive) {
  if (!SFileSetAttributes(archive, 0)) return false;
  auto* state = static_cast<TMPQArchive*>(archive);
  if (state->dwFlags & MPQ_FLAG_ATTRIBUTES_NEW) {
    state->dwFlags &= ~MPQ_FLAG_ATTRIBUTES_NEW;
    if (state->dwReservedFiles > 0) state->dwReservedFiles--;
  }
  state->dwFlags |= MPQ_FLAG_ATTRIBUTES_NONE;
  state->dwFileFlags2 = 0;
  return !SFileHasFile(archive, "(attributes)");
}

std::string After(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

// Runs one task's work and turns what it throws into a reply; the work's
// result is the text of a reply of success.
template <class Work>
IsolatedReply Answer(Work&& work) {
  try {
    return {kDone, work()};
  } catch (const ESFileOpenFileEx& e) {
    return {kOpenFileFailed, After(e.what(), "Error opening file: ")};
  } catch (const ESFileReadFile&) { return {kReadFileFailed, ""}; } catch (const ESFileCloseFile&) {
    return {kCloseFileFailed, ""};
  } catch (const FileError& e) { return {kFileFailed, e.what()}; } catch (const EArchiveUpdate& e) {
    return {kUpdateFailed, After(e.what(), "Error updating archive: ")};
  } catch (const std::exception& e) { return {kFailed, e.what()}; }
}

IsolatedReply ReadScript(const std::vector<std::string>& args) {
  return Answer([&] {
    OpenArchive archive(args.at(0), kReadFlags);
    if (!archive.handle) throw ESFileOpenFileEx(kScriptName, NotAMapReason(args.at(0), true, false));
    if (!SFileHasFile(archive.handle, kScriptName))
      throw ESFileOpenFileEx(kScriptName, FileName(args.at(0)) + " holds no war3map.j");
    const std::string script = ReadArchiveFile(archive.handle, kScriptName, 0);
    return JoinScriptReply(script, ReadArchiveFileStart(archive.handle, kMapInfoName, kMapInfoHeaderSize));
  });
}

// A step of the update, failing as the library or the file system would
// when the caller asked so for a test.
class UpdateSteps {
 public:
  explicit UpdateSteps(int fail_at) : fail_at_(fail_at) {}
  void Check(InsertStep step, bool ok, const std::string& what) const {
    if (fail_at_ == static_cast<int>(step)) throw EArchiveUpdate(what + " (injected failure)");
    if (!ok) throw EArchiveUpdate(what);
  }

 private:
  int fail_at_;
};

// Reports the compaction once, as it starts copying the files into its own
// file beside the copy.
void WINAPI ReportCompacting(void* reported, DWORD work, ULONGLONG, ULONGLONG) {
  bool& done = *static_cast<bool*>(reported);
  if (work != CCB_COMPACTING_FILES || done) return;
  done = true;
  ReachedWriteStep(WriteStep::kCompacting);
}

void UpdateCopy(const std::string& copy, const std::string& script_path, const std::string& name, bool first_format,
                const UpdateSteps& steps) {
  // Opening without the list file or "(attributes)" would make the library
  // treat the archive as read-only. A header of a later format is opened as
  // the game reads it, which the library allows only for reading: such a
  // file is refused as damaged below.
  OpenArchive archive(copy, first_format ? 0 : MPQ_OPEN_FORCE_MPQ_V1);
  steps.Check(InsertStep::kOpen, archive.handle, "cannot open " + name + " as an archive" + LibraryReason());
  DWORD flags = 0;
  SFileGetFileInfo(archive.handle, SFileMpqFlags, &flags, sizeof flags, nullptr);
  steps.Check(InsertStep::kOpen, !(flags & MPQ_FLAG_READ_ONLY),
              name + " is damaged or protected and cannot be written");
  ReachedWriteStep(WriteStep::kArchiveOpened);
  steps.Check(InsertStep::kDeleteAttributes, DropAttributes(archive.handle),
              "cannot delete (attributes)" + LibraryReason());
  ReachedWriteStep(WriteStep::kAttributesDeleted);
  // Only a map's script is replaced; an archive without one is no map.
  steps.Check(InsertStep::kAddScript, SFileHasFile(archive.handle, kScriptName),
              "the archive holds no " + std::string(kScriptName));
  steps.Check(
      InsertStep::kAddScript,
      SFileAddFileEx(archive.handle, StormPath(script_path).c_str(), kScriptName,
                     MPQ_FILE_COMPRESS | MPQ_FILE_REPLACEEXISTING, MPQ_COMPRESSION_ZLIB, MPQ_COMPRESSION_NEXT_SAME),
      "cannot add " + std::string(kScriptName) + LibraryReason());
  ReachedWriteStep(WriteStep::kScriptReplaced);
  if (AllNamesKnown(archive.handle)) {
    bool compacting_reported = false;
    SFileSetCompactCallback(archive.handle, &ReportCompacting, &compacting_reported);
    steps.Check(InsertStep::kCompact, SFileCompactArchive(archive.handle, nullptr, false),
                "cannot compact the archive" + LibraryReason());
  } else {
    // Compaction only reclaims space, and the library cannot rewrite files
    // whose names it does not know.
    steps.Check(InsertStep::kCompact, true, "cannot compact the archive");
    std::cerr << "zarn: warning: not every file name in " << name
              << " is known; the archive is updated without compacting\n";
  }
  ReachedWriteStep(WriteStep::kCompacted);
  steps.Check(InsertStep::kClose, archive.Close(), "cannot write the archive's tables" + LibraryReason());
  ReachedWriteStep(WriteStep::kClosed);
}

void VerifyCopy(const std::string& copy, const std::string& script, const UpdateSteps& steps) {
  OpenArchive check(copy, kReadFlags);
  bool same = check.handle != nullptr;
  try {
    same = same && ReadArchiveFile(check.handle, kScriptName, 0) == script;
  } catch (const Error&) { same = false; }
  steps.Check(InsertStep::kVerify, same, "the updated archive does not read back the script as written");
  ReachedWriteStep(WriteStep::kVerified);
}

IsolatedReply WriteScript(const std::vector<std::string>& args) {
  return Answer([&] {
    const std::string& copy = args.at(0);
    const std::string& script_path = args.at(1);
    const UpdateSteps steps(std::stoi(args.at(3)));
    std::string script;
    try {
      script = ReadFileBytes(script_path);
    } catch (const FileError& e) { throw EArchiveUpdate(e.what()); }
    UpdateCopy(copy, script_path, args.at(2), args.at(4) == "1", steps);
    VerifyCopy(copy, script, steps);
    return std::string();
  });
}

}  // namespace

std::string JoinScriptReply(std::string script, const std::string& info_header) {
  script += info_header;
  script += static_cast<char>(info_header.size());
  return script;
}

std::string SplitScriptReply(std::string reply, std::string& info_header) {
  info_header.clear();
  if (reply.empty()) return reply;
  const std::size_t count = static_cast<unsigned char>(reply.back());
  if (count > kMapInfoHeaderSize || count + 1 > reply.size()) return reply;
  reply.pop_back();
  info_header = reply.substr(reply.size() - count);
  reply.resize(reply.size() - count);
  return reply;
}

const IsolatedTask kReadScriptTask{"read-script", &ReadScript};
const IsolatedTaskRegistration kRegisterReadScriptTask(kReadScriptTask);
const IsolatedTask kWriteScriptTask{"write-script", &WriteScript};
const IsolatedTaskRegistration kRegisterWriteScriptTask(kWriteScriptTask);

std::chrono::milliseconds ArchiveWorkTimeLimit(std::uint64_t size) {
  const std::uint64_t mebibytes = (size + (1u << 20) - 1) >> 20;
  return std::chrono::seconds(20 + mebibytes);
}

std::string RunArchiveTask(const IsolatedTask& task, const std::vector<std::string>& args,
                           std::chrono::milliseconds limit) {
  const IsolatedOutcome outcome = RunIsolated(task, args, limit);
  switch (outcome.kind) {
    case IsolatedOutcome::Kind::kReplied: break;
    case IsolatedOutcome::Kind::kNotStarted: throw EArchiveRead(outcome.reason);
    case IsolatedOutcome::Kind::kStopped:
    case IsolatedOutcome::Kind::kTimedOut:
      throw EArchiveRead("the archive library stopped on this file (" + outcome.reason + ")");
  }
  const std::string& text = outcome.reply.text;
  switch (outcome.reply.code) {
    case kDone: return text;
    case kOpenFileFailed: throw ESFileOpenFileEx(text);
    case kReadFileFailed: throw ESFileReadFile();
    case kCloseFileFailed: throw ESFileCloseFile();
    case kFileFailed: throw FileError(text);
    case kUpdateFailed: throw EArchiveUpdate(text);
    default: throw Error(text);
  }
}

}  // namespace zarn

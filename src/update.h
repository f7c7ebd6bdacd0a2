// The self-update: fetch the version text and, when it differs from ours,
// fetch a new executable and swap it in for the running one.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace zarn {

enum class UpdateOutcome {
  kUpToDate,        // "No update is avaible"
  kInstalled,       // "Update has been successfully installed!"
  kDownloadFailed,  // "Download failed!"
  kReplaceFailed,   // "Update failed: the program file could not be replaced"
};

std::string UpdateMessage(UpdateOutcome outcome);

// Told the size of every piece of the response as it arrives.
using PieceObserver = std::function<void(std::size_t piece_size)>;

// Streams `url` to `path` in pieces of at most 1024 bytes. False for a failed
// connection, an HTTP error status, an empty body or a broken transfer; a
// partly written file is removed. Throws FileError when `path` cannot be written.
bool DownloadFile(const std::string& url, const std::string& path, const std::string& user_agent,
                  const PieceObserver& observer = {});

// True when the file starts with this platform's executable signature.
bool LooksLikeExecutable(const std::string& path);

// Moves a file, replacing the target; false when it could not.
using RenameFunction = std::function<bool(const std::string& from, const std::string& to)>;
bool RenameFile(const std::string& from, const std::string& to);

// Puts `new_file` in the place of `executable_path` with the old one's
// permission bits, keeping the previous executable as `old_path` (an earlier
// file of that name is deleted first). When any step fails the previous
// executable is put back and the result is false.
bool SwapInExecutable(const std::string& new_file, const std::string& executable_path,
                      const std::string& old_path, const RenameFunction& rename = RenameFile);

// Runs the update against `base_url` (no trailing slash), with working files in
// `tool_dir`, replacing the executable at `executable_path`. When this user
// cannot replace that file the result is kReplaceFailed and nothing is fetched.
UpdateOutcome RunUpdate(const std::string& base_url, const std::string& tool_dir,
                        const std::string& executable_path);

}  // namespace zarn

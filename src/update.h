// The self-update: fetch the version text and, when it differs from ours,
// fetch a new executable and swap it in for the running one.
#pragma once

#include <string>

namespace zarn {

enum class UpdateOutcome {
  kUpToDate,        // "No update is avaible"
  kInstalled,       // "Update has been successfully installed!"
  kDownloadFailed,  // "Download failed!"
  kReplaceFailed,   // "Update failed: the program file could not be replaced"
};

std::string UpdateMessage(UpdateOutcome outcome);

// Streams `url` to `path` in pieces of at most 1024 bytes. False for a failed
// connection, an HTTP error status, an empty body or a broken transfer; a
// partly written file is removed. Throws FileError when `path` cannot be written.
bool DownloadFile(const std::string& url, const std::string& path, const std::string& user_agent);

// Runs the update against `base_url` (no trailing slash), with working files in
// `tool_dir`, replacing the executable at `executable_path`.
UpdateOutcome RunUpdate(const std::string& base_url, const std::string& tool_dir,
                        const std::string& executable_path);

}  // namespace zarn

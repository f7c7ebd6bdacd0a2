// The self-update: fetch the version text and, when it differs from ours,
// fetch a new executable, check its release signature and swap it in for the
// running one.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zarn {

enum class UpdateOutcome {
  kUpToDate,        // "No update is avaible"
  kInstalled,       // "Update has been successfully installed!"
  kDownloadFailed,  // "Download failed!"
  kReplaceFailed,   // "Update failed: the program file could not be replaced"
  kNoReleaseKey,    // "Update failed: this build has no release key"
  kNotSigned,       // "Update failed: the download is not signed by the release key"
};

std::string UpdateMessage(UpdateOutcome outcome);

// True when the file starts with this platform's executable signature.
bool LooksLikeExecutable(const std::string& path);

// Moves a file, replacing the target; false when it could not. Tests give a
// failing one; the run uses the platform's RenameFile.
using RenameFunction = std::function<bool(const std::string& from, const std::string& to)>;

// Puts `new_file` in the place of `executable_path` with the old one's
// permission bits, keeping the previous executable as `old_path` (an earlier
// file of that name is deleted first). When any step fails the previous
// executable is put back and the result is false.
bool SwapInExecutable(const std::string& new_file, const std::string& executable_path, const std::string& old_path,
                      const RenameFunction& rename = RenameFile);

// Runs the update against `base_url` (no trailing slash), with working files in
// `tool_dir`, replacing the executable at `executable_path`. Only a program
// signed by the key `release_key_hex` (64 hex digits) is installed; without a
// valid key nothing is fetched.
// When this user cannot replace that file the result is kReplaceFailed and
// nothing is fetched.
UpdateOutcome RunUpdate(const std::string& base_url, const std::string& tool_dir, const std::string& executable_path,
                        std::string_view release_key_hex);

}  // namespace zarn

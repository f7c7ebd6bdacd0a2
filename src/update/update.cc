#include "update/update.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/files.h"
#include "platform/http/download.h"
#include "platform/paths.h"
#include "platform/processes.h"
#include "text/script.h"
#include "text/text.h"
#include "update/release_signature.h"

namespace zarn {

std::string UpdateMessage(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::kUpToDate: return "No update is avaible";
    case UpdateOutcome::kInstalled: return "Update has been successfully installed!";
    case UpdateOutcome::kDownloadFailed: return "Download failed!";
    case UpdateOutcome::kReplaceFailed: return "Update failed: the program file could not be replaced";
    case UpdateOutcome::kNoReleaseKey: return "Update failed: this build has no release key";
    case UpdateOutcome::kNotSigned: return "Update failed: the download is not signed by the release key";
  }
  return {};
}

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// Deletes a working file on every way out of the update run.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  ~RemoveOnExit() { RemoveFile(path_); }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::string path_;
};

}  // namespace

bool LooksLikeExecutable(const std::string& path) {
  const std::string_view signature = ExecutableSignature();
  std::unique_ptr<FILE, FileCloser> file(OpenStdioFile(path, "rb"));
  if (!file) return false;
  std::string start(signature.size(), '\0');
  return std::fread(start.data(), 1, start.size(), file.get()) == start.size() && start == signature;
}

bool SwapInExecutable(const std::string& new_file, const std::string& executable_path, const std::string& old_path,
                      const RenameFunction& rename) {
  if (!CopyPermissions(executable_path, new_file)) return false;
  // A leftover that cannot be deleted makes the rename below fail, which is
  // where it is noticed.
  RemoveFile(old_path);
  if (!rename(executable_path, old_path)) return false;
  if (rename(new_file, executable_path)) return true;
  rename(old_path, executable_path);  // put the previous program back
  return false;
}

namespace {

// The version text is a few bytes; a server that sends more is not believed.
constexpr std::size_t kMaxVersionTextBytes = 64 << 10;

// The steps of one update run, sharing its addresses and working files.
class UpdateRun {
 public:
  UpdateRun(const std::string& base_url, const std::string& tool_dir) : base_url_(base_url), tool_dir_(tool_dir) {
    user_agent_ = FileName(ExecutablePath());
    if (user_agent_.empty()) user_agent_ = "ZARN";
  }

  // The trimmed version text; empty when it could not be fetched.
  std::string FetchVersionText() {
    const std::string path = PathJoin(tool_dir_, "last.version");
    RemoveOnExit cleanup(path);
    if (!Download("/update/last.version", path, kMaxVersionTextBytes)) return {};
    return Trim(JoinLines(LoadLines(path)));
  }

  // Fetches the program to `path`; false, with nothing left behind, unless a
  // complete executable of at most the signed-file cap arrived.
  bool FetchProgram(const std::string& path) {
    if (!Download("/update/last.dat", path, kMaxSignedFileSize)) return false;
    if (LooksLikeExecutable(path)) return true;
    RemoveFile(path);
    return false;
  }

  // Fetches the program's signature and checks it against `key`.
  bool IsSigned(const std::string& program_path, const PublicKey& key) {
    const std::string path = PathJoin(tool_dir_, "ZARN.dat.sig");
    RemoveOnExit cleanup(path);
    // One byte more than a signature is enough to know it is not one.
    if (!Download("/update/last.dat.sig", path, kSignatureBytes + 1)) return false;
    return IsSignedBy(program_path, ReadFileBytes(path), key);
  }

 private:
  bool Download(const std::string& server_path, const std::string& path, std::size_t max_bytes) {
    return DownloadFile(base_url_ + server_path, path, user_agent_, {}, max_bytes);
  }

  const std::string& base_url_;
  const std::string& tool_dir_;
  std::string user_agent_;
};

}  // namespace

UpdateOutcome RunUpdate(const std::string& base_url, const std::string& tool_dir, const std::string& executable_path,
                        std::string_view release_key_hex) {
  // A build without a key could install anything: it fetches nothing at all.
  const std::optional<PublicKey> key = ParsePublicKey(release_key_hex);
  if (!key) return UpdateOutcome::kNoReleaseKey;
  // An installed copy that this user cannot replace is left alone, and
  // nothing is downloaded for it.
  if (!CanReplaceFile(executable_path)) return UpdateOutcome::kReplaceFailed;

  UpdateRun run(base_url, tool_dir);
  // Any other text, older, newer or none at all, fetches the program.
  if (run.FetchVersionText() == ZARN_VERSION) return UpdateOutcome::kUpToDate;

  const std::string download_path = PathJoin(tool_dir, "ZARN.dat");
  if (!run.FetchProgram(download_path)) return UpdateOutcome::kDownloadFailed;
  if (!run.IsSigned(download_path, *key)) {
    RemoveFile(download_path);
    return UpdateOutcome::kNotSigned;
  }
  // On failure the signed ZARN.dat stays, complete, for installing by hand.
  if (!SwapInExecutable(download_path, executable_path, PathJoin(tool_dir, "ZARN.old")))
    return UpdateOutcome::kReplaceFailed;
  return UpdateOutcome::kInstalled;
}

}  // namespace zarn

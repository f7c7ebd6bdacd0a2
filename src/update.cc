#include "update.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "errors.h"
#include "platform.h"
#include "script.h"
#include "text.h"

namespace zarn {

namespace fs = std::filesystem;

std::string UpdateMessage(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::kUpToDate:
      return "No update is avaible";
    case UpdateOutcome::kInstalled:
      return "Update has been successfully installed!";
    case UpdateOutcome::kDownloadFailed:
      return "Download failed!";
    case UpdateOutcome::kReplaceFailed:
      return "Update failed: the program file could not be replaced";
  }
  return {};
}

namespace {

constexpr long kPieceSize = 1024;

struct CurlCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

bool HasSuccessStatus(CURL* curl) {
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  return code >= 200 && code < 300;
}

// What the write callback works on. Exceptions must not cross libcurl's C
// frames, so a file failure is recorded here and raised after the transfer.
struct Sink {
  CURL* curl;
  const std::string& path;
  const PieceObserver& observer;
  std::unique_ptr<FILE, FileCloser> file;
  std::size_t written = 0;
  std::string file_error;
};

std::size_t WritePiece(char* data, std::size_t size, std::size_t count, void* user) {
  Sink& sink = *static_cast<Sink*>(user);
  const std::size_t bytes = size * count;
  if (sink.observer) sink.observer(bytes);
  if (!sink.file) {
    // The file is created only when a successful response delivers data, so
    // a refused connection or an error page leaves nothing behind.
    if (!HasSuccessStatus(sink.curl)) return 0;
    sink.file.reset(std::fopen(sink.path.c_str(), "wb"));
    if (!sink.file) {
      sink.file_error = "Cannot write file " + sink.path + ": " + std::strerror(errno);
      return 0;
    }
  }
  if (std::fwrite(data, 1, bytes, sink.file.get()) != bytes) {
    sink.file_error = "Cannot write file " + sink.path + ": " + std::strerror(errno);
    return 0;
  }
  sink.written += bytes;
  return bytes;
}

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

// Deletes a working file on every way out of the update run.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  ~RemoveOnExit() { RemoveQuietly(path_); }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::string path_;
};

}  // namespace

bool DownloadFile(const std::string& url, const std::string& path, const std::string& user_agent,
                  const PieceObserver& observer) {
  std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
  if (!curl) return false;
  Sink sink{curl.get(), path, observer, nullptr, 0, {}};
  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_USERAGENT, user_agent.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  // A server that stops sending must not hang the program for ever.
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kPieceSize);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WritePiece);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);

  const CURLcode result = curl_easy_perform(handle);
  const bool created = sink.file != nullptr;
  if (created && std::fclose(sink.file.release()) != 0 && sink.file_error.empty())
    sink.file_error = "Cannot write file " + path + ": " + std::strerror(errno);
  if (!sink.file_error.empty()) {
    if (created) RemoveQuietly(path);
    throw FileError(sink.file_error);
  }
  const bool complete = result == CURLE_OK && sink.written > 0 && HasSuccessStatus(handle);
  if (!complete && created) RemoveQuietly(path);
  return complete;
}

bool LooksLikeExecutable(const std::string& path) {
#ifdef _WIN32
  static constexpr char kSignature[] = "MZ";
#else
  static constexpr char kSignature[] = "\x7f" "ELF";
#endif
  constexpr std::size_t kLength = sizeof kSignature - 1;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  char start[kLength];
  return std::fread(start, 1, kLength, file.get()) == kLength &&
         std::memcmp(start, kSignature, kLength) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  std::error_code error;
  fs::rename(from, to, error);
  return !error;
}

bool SwapInExecutable(const std::string& new_file, const std::string& executable_path,
                      const std::string& old_path, const RenameFunction& rename) {
  std::error_code error;
  const fs::perms mode = fs::status(executable_path, error).permissions();
  if (error) return false;
  fs::permissions(new_file, mode, fs::perm_options::replace, error);
  if (error) return false;
  // A leftover that cannot be deleted makes the rename below fail, which is
  // where it is noticed.
  RemoveQuietly(old_path);
  if (!rename(executable_path, old_path)) return false;
  if (rename(new_file, executable_path)) return true;
  rename(old_path, executable_path);  // put the previous program back
  return false;
}

UpdateOutcome RunUpdate(const std::string& base_url, const std::string& tool_dir,
                        const std::string& executable_path) {
  // An installed copy that this user cannot replace is left alone, and
  // nothing is downloaded for it.
  if (!CanReplaceFile(executable_path)) return UpdateOutcome::kReplaceFailed;
  std::string user_agent = fs::path(ExecutablePath()).filename().string();
  if (user_agent.empty()) user_agent = "ZARN";

  const std::string version_path = PathJoin(tool_dir, "last.version");
  RemoveOnExit version_cleanup(version_path);
  std::string version_text;
  if (DownloadFile(base_url + "/update/last.version", version_path, user_agent))
    version_text = Trim(JoinLines(LoadLines(version_path)));
  if (version_text == ZARN_VERSION) return UpdateOutcome::kUpToDate;

  // Any other text, older, newer or none at all, fetches the program.
  const std::string download_path = PathJoin(tool_dir, "ZARN.dat");
  if (!DownloadFile(base_url + "/update/last.dat", download_path, user_agent))
    return UpdateOutcome::kDownloadFailed;
  if (!LooksLikeExecutable(download_path)) {
    RemoveQuietly(download_path);
    return UpdateOutcome::kDownloadFailed;
  }
  // On failure ZARN.dat stays, complete, for installing by hand.
  if (!SwapInExecutable(download_path, executable_path, PathJoin(tool_dir, "ZARN.old")))
    return UpdateOutcome::kReplaceFailed;
  return UpdateOutcome::kInstalled;
}

}  // namespace zarn

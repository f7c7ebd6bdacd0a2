#include "platform/http/download.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/http/download_posix.h"

namespace zarn {

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
  std::size_t max_bytes;
  std::unique_ptr<FILE, FileCloser> file;
  std::size_t written = 0;
  std::string file_error;
};

std::size_t WritePiece(char* data, std::size_t size, std::size_t count, void* user) {
  Sink& sink = *static_cast<Sink*>(user);
  const std::size_t bytes = size * count;
  if (sink.observer) sink.observer(bytes);
  if (bytes > sink.max_bytes - sink.written) return 0;  // too long: abort the transfer
  if (!sink.file) {
    // The file is created only when a successful response delivers data, so
    // a refused connection or an error page leaves nothing behind.
    if (!HasSuccessStatus(sink.curl)) return 0;
    sink.file.reset(OpenStdioFile(sink.path, "wb"));
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
  std::filesystem::remove(path, ignored);
}

}  // namespace

void ConfigureTransfer(CURL* handle, const std::string& url, const std::string& user_agent) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_USERAGENT, user_agent.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, RedirectProtocols(url));
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  // A server that stops sending must not hang the program for ever.
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kPieceSize);
}

bool DownloadFile(const std::string& url, const std::string& path, const std::string& user_agent,
                  const PieceObserver& observer, std::size_t max_bytes) {
  std::unique_ptr<CURL, CurlCleanup> curl(curl_easy_init());
  if (!curl) return false;
  Sink sink{curl.get(), path, observer, max_bytes, nullptr, 0, {}};
  CURL* handle = curl.get();
  ConfigureTransfer(handle, url, user_agent);
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

}  // namespace zarn

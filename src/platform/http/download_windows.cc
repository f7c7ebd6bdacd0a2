// The download through WinHTTP. Redirects are followed here rather than by
// WinHTTP, so that the policy of download.cc (never from https to
// http) is the one code that decides on both systems.
#include <windows.h>
#include <winhttp.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/http/download.h"
#include "platform/http/download_windows.h"
#include "platform/wide_text.h"

namespace zarn {

namespace {

constexpr DWORD kPieceSize = 1024;

struct InternetCloser {
  void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

struct Address {
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring path;  // with the query
  bool secure = false;
};

std::optional<Address> SplitUrl(const std::string& url) {
  std::wstring wide = WideFromUtf8(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) return std::nullopt;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return std::nullopt;
  Address address;
  address.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  address.port = parts.nPort;
  address.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  address.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (address.path.empty()) address.path = L"/";
  address.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  return address;
}

// An answered request: its connection and request handles, its status.
struct Exchange {
  InternetHandle connection;
  InternetHandle request;
  DWORD status = 0;
};

std::optional<Exchange> Request(HINTERNET session, const std::string& url) {
  std::optional<Address> address = SplitUrl(url);
  if (!address) return std::nullopt;
  Exchange exchange;
  exchange.connection.reset(WinHttpConnect(session, address->host.c_str(), address->port, 0));
  if (!exchange.connection) return std::nullopt;
  exchange.request.reset(WinHttpOpenRequest(exchange.connection.get(), L"GET", address->path.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            address->secure ? WINHTTP_FLAG_SECURE : 0));
  if (!exchange.request) return std::nullopt;
  DWORD no_redirects = WINHTTP_DISABLE_REDIRECTS;
  WinHttpSetOption(exchange.request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &no_redirects, sizeof no_redirects);
  if (!WinHttpSendRequest(exchange.request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(exchange.request.get(), nullptr))
    return std::nullopt;
  DWORD size = sizeof exchange.status;
  if (!WinHttpQueryHeaders(exchange.request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &exchange.status, &size, WINHTTP_NO_HEADER_INDEX))
    return std::nullopt;
  return exchange;
}

std::string LocationOf(HINTERNET request) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
  std::wstring location(bytes / sizeof(wchar_t), L'\0');
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, location.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX))
    return {};
  location.resize(bytes / sizeof(wchar_t));
  return Utf8FromWide(location);
}

// The announced body length, when there is one; a body that ends short of it
// was cut off.
std::optional<unsigned long long> AnnouncedLength(HINTERNET request) {
  wchar_t text[32];
  DWORD bytes = sizeof text;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &bytes,
                           WINHTTP_NO_HEADER_INDEX))
    return std::nullopt;
  return std::wcstoull(text, nullptr, 10);
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::path(WideFromUtf8(path)), ignored);
}

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
  throw FileError("Cannot write file " + path + ": " + std::strerror(error));
}

// Streams the body of an answered request to `path`; the file is created only
// when data arrives. False, with the file removed, when the body is empty,
// too long, cut off or broken.
bool SaveBody(HINTERNET request, const std::string& path, const PieceObserver& observer, std::size_t max_bytes) {
  std::unique_ptr<FILE, FileCloser> file;
  unsigned long long written = 0;
  bool complete = false;
  char buffer[kPieceSize];
  for (;;) {
    DWORD got = 0;
    if (!WinHttpReadData(request, buffer, kPieceSize, &got)) break;
    if (observer && got > 0) observer(got);
    if (got == 0) {
      complete = written > 0;
      break;
    }
    if (got > max_bytes - written) break;
    if (!file) file.reset(OpenStdioFile(path, "wb"));
    if (!file) ThrowWriteError(path, errno);
    if (std::fwrite(buffer, 1, got, file.get()) != got) {
      const int error = errno;
      file.reset();
      RemoveQuietly(path);
      ThrowWriteError(path, error);
    }
    written += got;
  }
  const std::optional<unsigned long long> announced = AnnouncedLength(request);
  if (announced && *announced != written) complete = false;
  const bool created = file != nullptr;
  if (created && std::fclose(file.release()) != 0) {
    const int error = errno;
    RemoveQuietly(path);
    ThrowWriteError(path, error);
  }
  if (!complete && created) RemoveQuietly(path);
  return complete;
}

}  // namespace

bool DownloadFile(const std::string& url, const std::string& path, const std::string& user_agent,
                  const PieceObserver& observer, std::size_t max_bytes) {
  return DownloadWithPolicyOf(url, url, path, user_agent, observer, max_bytes);
}

bool DownloadWithPolicyOf(const std::string& policy_url, const std::string& url, const std::string& path,
                          const std::string& user_agent, const PieceObserver& observer, std::size_t max_bytes) {
  InternetHandle session(WinHttpOpen(WideFromUtf8(user_agent).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;
  // A server that stops sending must not hang the program for ever.
  WinHttpSetTimeouts(session.get(), 30000, 30000, 30000, 60000);
  std::string current = url;
  for (int redirects = 0;; ++redirects) {
    std::optional<Exchange> exchange = Request(session.get(), current);
    if (!exchange) return false;
    if (IsRedirect(exchange->status)) {
      const std::string next = ResolveLocation(current, LocationOf(exchange->request.get()));
      if (redirects >= kMaxRedirects || next.empty() || !RedirectAllowed(policy_url, next)) return false;
      current = next;
      continue;
    }
    if (exchange->status < 200 || exchange->status >= 300) return false;
    return SaveBody(exchange->request.get(), path, observer, max_bytes);
  }
}

}  // namespace zarn

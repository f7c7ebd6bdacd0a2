// HTTP downloads of the update run, streamed to a file. The transfer is the
// platform's: libcurl on Linux (download_posix.cc), WinHTTP on Windows
// (download_windows.cc); the redirect policy is shared (download.cc).
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>

namespace zarn {

// Told the size of every piece of the response as it arrives.
using PieceObserver = std::function<void(std::size_t piece_size)>;

// Streams `url` to `path` in pieces of at most 1024 bytes. False for a failed
// connection, an HTTP error status, an empty body, a body longer than
// `max_bytes`, a refused redirect or a broken transfer; a partly written file
// is removed. Throws FileError when `path` cannot be written.
bool DownloadFile(const std::string& url, const std::string& path, const std::string& user_agent,
                  const PieceObserver& observer = {}, std::size_t max_bytes = std::numeric_limits<std::size_t>::max());

// Redirects a download follows at most.
inline constexpr int kMaxRedirects = 5;

// The protocols a transfer that starts at `url` may be redirected to: a
// transfer that starts on https stays on https.
const char* RedirectProtocols(const std::string& url);

// True when a transfer that started at `start_url` may follow a redirect to
// `target`: only to http or https, and never from https to http.
bool RedirectAllowed(const std::string& start_url, const std::string& target);

// The address a Location value names, seen from `current_url`: absolute
// addresses as they are, a path from the root on the same scheme and host.
// Empty for anything else (relative paths are not sent by update servers).
std::string ResolveLocation(const std::string& current_url, const std::string& location);

}  // namespace zarn

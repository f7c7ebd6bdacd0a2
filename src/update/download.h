// HTTP downloads of the update run, streamed to a file.
#pragma once

#include <curl/curl.h>

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
                  const PieceObserver& observer = {},
                  std::size_t max_bytes = std::numeric_limits<std::size_t>::max());

// The protocols a transfer that starts at `url` may be redirected to: a
// transfer that starts on https stays on https.
const char* RedirectProtocols(const std::string& url);

// Sets everything but the output on a handle: the address, the protocols it
// and its redirects may use, the user agent and the time limits.
void ConfigureTransfer(CURL* handle, const std::string& url, const std::string& user_agent);

}  // namespace zarn

// The libcurl settings of a download, shared by the download and its tests.
#pragma once

#include <curl/curl.h>

#include <string>

namespace zarn {

// Sets everything but the output on a handle: the address, the protocols it
// and its redirects may use, the user agent and the time limits.
void ConfigureTransfer(CURL* handle, const std::string& url, const std::string& user_agent);

}  // namespace zarn

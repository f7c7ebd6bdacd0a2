#include <cctype>
#include <string_view>

#include "platform/http/download.h"

namespace zarn {

namespace {

bool HasScheme(const std::string& url, std::string_view scheme) {
  if (url.size() < scheme.size()) return false;
  for (std::size_t i = 0; i < scheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
  return true;
}

bool StartsWithHttps(const std::string& url) { return HasScheme(url, "https://"); }

}  // namespace

const char* RedirectProtocols(const std::string& url) { return StartsWithHttps(url) ? "https" : "http,https"; }

bool RedirectAllowed(const std::string& start_url, const std::string& target) {
  if (StartsWithHttps(target)) return true;
  return HasScheme(target, "http://") && !StartsWithHttps(start_url);
}

std::string ResolveLocation(const std::string& current_url, const std::string& location) {
  if (HasScheme(location, "http://") || HasScheme(location, "https://")) return location;
  if (location.empty() || location[0] != '/' || location.starts_with("//")) return {};
  const std::size_t scheme_end = current_url.find("://");
  if (scheme_end == std::string::npos) return {};
  const std::size_t path_start = current_url.find('/', scheme_end + 3);
  return current_url.substr(0, path_start) + location;
}

}  // namespace zarn

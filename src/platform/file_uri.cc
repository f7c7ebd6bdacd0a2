#include "platform/file_uri.h"

#include <cctype>

namespace zarn::uri_detail {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Decode(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out.find('\0') == std::string::npos;
}

bool Unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

}  // namespace

bool SplitFileUri(std::string_view uri, std::string& authority, std::string& path) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i]) return false;
  uri.remove_prefix(kScheme.size());
  const std::size_t end = uri.find_first_of("?#");
  if (end != std::string_view::npos) uri = uri.substr(0, end);
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return false;
  authority = std::string(uri.substr(0, slash));
  if (authority == "localhost") authority.clear();
  return Decode(uri.substr(slash), path);
}

std::string Escape(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    // The colon of a drive letter: "/C:/".
    if (Unreserved(c) || (c == ':' && i == 2 && path[0] == '/')) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace zarn::uri_detail

#include "platform/file_uri.h"

namespace zarn {

std::optional<std::string> FileUriToPath(std::string_view uri) {
  std::string authority, path;
  if (!uri_detail::SplitFileUri(uri, authority, path)) return std::nullopt;
  for (char& c : path)
    if (c == '/') c = '\\';
  if (!authority.empty()) return "\\\\" + authority + path;
  // "\C:\dir" is "C:\dir".
  if (path.size() >= 3 && path[0] == '\\' && path[2] == ':') path.erase(0, 1);
  return path;
}

std::string PathToFileUri(const std::string& path) {
  std::string slashed = path;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  if (slashed.rfind("//", 0) == 0) {
    const std::size_t slash = slashed.find('/', 2);
    const std::string host = slashed.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
    return "file://" + host + uri_detail::Escape(slash == std::string::npos ? "/" : slashed.substr(slash));
  }
  if (!slashed.empty() && slashed[0] != '/') slashed.insert(0, "/");
  return "file://" + uri_detail::Escape(slashed);
}

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return "";
  // "C:\x.j" is in "C:\".
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

}  // namespace zarn

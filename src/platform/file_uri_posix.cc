#include "platform/file_uri.h"

namespace zarn {

std::optional<std::string> FileUriToPath(std::string_view uri) {
  std::string authority, path;
  if (!uri_detail::SplitFileUri(uri, authority, path) || !authority.empty()) return std::nullopt;
  return path;
}

std::string PathToFileUri(const std::string& path) { return "file://" + uri_detail::Escape(path); }

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace zarn

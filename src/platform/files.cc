#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/errors.h"

namespace zarn {

namespace {
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string Reason() { return std::strerror(errno); }
}  // namespace

bool IsExistingFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(NativePath(path), error);
}

std::string FileNameOf(const std::string& path) {
#ifdef _WIN32
  const std::size_t slash = path.find_last_of("/\\");
#else
  const std::size_t slash = path.rfind('/');
#endif
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadFileBytes(const std::string& path) {
  File f(OpenStdioFile(path, "rb"));
  if (!f) throw FileError("Cannot open file " + path + ": " + Reason());
  std::string bytes;
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(f.get())) throw FileError("Cannot read file " + path + ": " + Reason());
  return bytes;
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  FILE* raw = OpenStdioFile(path, "wb");
  if (!raw) throw FileError("Cannot write file " + path + ": " + Reason());
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
  ok = (std::fclose(raw) == 0) && ok;
  if (!ok) throw FileError("Cannot write file " + path + ": " + Reason());
}

}  // namespace zarn

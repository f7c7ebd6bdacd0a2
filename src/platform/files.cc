#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/errors.h"

namespace zarn {

namespace {
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string Reason() { return std::strerror(errno); }
}  // namespace

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

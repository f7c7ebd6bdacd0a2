#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
  // Read straight into the string, sized by the file's length when it has
  // one: a large script is then one allocation and one copy, not a string
  // grown chunk by chunk.
  std::error_code error;
  const std::uintmax_t length = std::filesystem::file_size(NativePath(path), error);
  std::string bytes;
  std::size_t got = 0;
  bytes.resize(error ? std::size_t{1} << 16 : static_cast<std::size_t>(length) + 1);
  for (;;) {
    got += std::fread(bytes.data() + got, 1, bytes.size() - got, f.get());
    if (got < bytes.size()) break;
    bytes.resize(bytes.size() * 2);
  }
  if (std::ferror(f.get())) throw FileError("Cannot read file " + path + ": " + Reason());
  bytes.resize(got);
  return bytes;
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  FILE* raw = OpenStdioFile(path, "wb");
  if (!raw) throw FileError("Cannot write file " + path + ": " + Reason());
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
  ok = (std::fclose(raw) == 0) && ok;
  if (!ok) throw FileError("Cannot write file " + path + ": " + Reason());
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(NativePath(path), error);
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(NativePath(path), error);
  if (error) return path;
  const std::u8string text = absolute.u8string();
  return std::string(text.begin(), text.end());
}

bool RenameFile(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::rename(NativePath(from), NativePath(to), error);
  return !error;
}

bool CopyPermissions(const std::string& from, const std::string& to) {
  std::error_code error;
  const std::filesystem::perms mode = std::filesystem::status(NativePath(from), error).permissions();
  if (error) return false;
  std::filesystem::permissions(NativePath(to), mode, std::filesystem::perm_options::replace, error);
  return !error;
}

bool ReadStandardInput(std::string& bytes) {
  bytes.clear();
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) bytes.append(buffer, got);
  return !std::ferror(stdin);
}

bool WriteStandardOutput(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

}  // namespace zarn

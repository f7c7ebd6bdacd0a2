#include "script.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "errors.h"

namespace zarn {

std::string JoinLines(const Lines& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

Lines SplitText(std::string_view text) {
  Lines lines;
  std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  // Room for every line up front: no moving of lines as the list grows.
  std::size_t breaks = 0;
  for (char c : text) breaks += (c == '\r') | (c == '\n');
  lines.reserve(breaks + 1);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i;  // a plain loop: find_first_of tests each byte with a call
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    lines.emplace_back(text.substr(i, end - i));
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

namespace {
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string Reason() { return std::strerror(errno); }
}  // namespace

std::string ReadFileBytes(const std::string& path) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) throw FileError("Cannot open file " + path + ": " + Reason());
  std::string bytes;
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(f.get())) throw FileError("Cannot read file " + path + ": " + Reason());
  return bytes;
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  FILE* raw = std::fopen(path.c_str(), "wb");
  if (!raw) throw FileError("Cannot write file " + path + ": " + Reason());
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
  ok = (std::fclose(raw) == 0) && ok;
  if (!ok) throw FileError("Cannot write file " + path + ": " + Reason());
}

}  // namespace zarn

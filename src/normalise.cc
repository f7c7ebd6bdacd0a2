#include "normalise.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

#include "rewrite.h"
#include "text.h"

namespace zarn {

namespace {

// Trims in place: no new string for the many lines that need nothing.
void TrimInPlace(std::string& line) {
  std::string_view kept = TrimView(line);
  if (kept.size() == line.size()) return;
  std::size_t begin = static_cast<std::size_t>(kept.data() - line.data());
  line.erase(begin + kept.size());
  line.erase(0, begin);
}

}  // namespace

void NormaliseSpaces(Lines& lines) {
  for (std::string& line : lines) {
    TrimInPlace(line);
    // Without a run of two such bytes, collapsing changes nothing.
    if (HasCollapsibleRun(line)) line = CollapseWhitespace(line);
  }
}

std::string JoinNormalisedLines(const Lines& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    std::string_view kept = TrimView(line);
    if (HasCollapsibleRun(kept)) text += CollapseWhitespace(kept);
    else text += kept;
    text += "\r\n";
  }
  return text;
}

namespace {

// Appends the normalised lines of `input` (no NUL in it) to `out`.
void AppendNormalisedLines(std::string_view input, std::string& out) {
  std::size_t i = 0;
  while (i < input.size()) {
    std::size_t end = FindLineBreak(input, i);
    std::string_view kept = TrimView(input.substr(i, end - i));
    if (HasCollapsibleRun(kept)) out += CollapseWhitespace(kept);
    else out += kept;
    out += "\r\n";
    i = end;
    if (i < input.size() && input[i] == '\r') ++i;
    if (i < input.size() && input[i] == '\n') ++i;
  }
}

}  // namespace

namespace {

// Normalises the lines of `input` (which starts at `s`) within their own
// bytes, from `read` on, for as long as each line with its CR LF fits where
// the line stood; stops at the first line that would overwrite bytes not yet
// read (a lone CR or LF end). Touches no byte at or past the input's end.
void NormaliseInPlace(char* s, std::string_view input, std::size_t& read, std::size_t& write) {
  const std::size_t n = input.size();
  std::string collapsed;
  while (read < n) {
    const std::size_t end = FindLineBreak(input, read);
    std::size_t next = end;
    if (next < n && s[next] == '\r') ++next;
    if (next < n && s[next] == '\n') ++next;
    std::string_view kept = TrimView(input.substr(read, end - read));
    if (HasCollapsibleRun(kept)) kept = collapsed = CollapseWhitespace(kept);
    if (write + kept.size() + 2 > next) return;
    std::memmove(s + write, kept.data(), kept.size());
    write += kept.size();
    s[write++] = '\r';
    s[write++] = '\n';
    read = next;
  }
}

// Normalises `input` (no NUL in it) inside its bytes where it can; returns
// the normalised lines that did not fit, to follow the first `write` bytes.
std::string NormalisePart(char* s, std::string_view input, std::size_t& write) {
  std::size_t read = 0;
  write = 0;
  NormaliseInPlace(s, input, read, write);
  std::string rest;
  if (read < input.size()) {
    std::size_t breaks = 0;
    for (std::size_t i = read; i < input.size(); ++i) breaks += (s[i] == '\r') | (s[i] == '\n');
    rest.reserve(input.size() - read + breaks + 2);
    AppendNormalisedLines(input.substr(read), rest);
  }
  return rest;
}

// From this size on the second half of the lines is normalised on a second
// thread: lines are normalised each on its own, so cutting at a line start
// changes nothing.
constexpr std::size_t kTwoThreadsFrom = 1 << 20;

}  // namespace

void NormaliseBytesIntoText(std::string& bytes) {
  const std::string_view input(bytes.data(), UpToNul(bytes).size());
  std::size_t cut = input.size();
  if (input.size() >= kTwoThreadsFrom) {
    const std::size_t lf = input.find('\n', input.size() / 2);
    if (lf != std::string_view::npos) cut = lf + 1;
  }
  std::string second;
  std::exception_ptr failed;
  std::thread worker;
  if (cut < input.size()) {
    worker = std::thread([&] {
      try {
        second.reserve(input.size() - cut + (input.size() - cut) / 8 + 2);
        AppendNormalisedLines(input.substr(cut), second);
      } catch (...) {
        failed = std::current_exception();
      }
    });
  }
  std::size_t write = 0;
  std::string rest;
  try {
    rest = NormalisePart(bytes.data(), input.substr(0, cut), write);
  } catch (...) {
    if (worker.joinable()) worker.join();
    throw;
  }
  if (worker.joinable()) worker.join();
  if (failed) std::rethrow_exception(failed);
  bytes.resize(write);
  bytes += rest;
  bytes += second;
}

// A "//" ends the comment pattern's first character class at a line break
// only when nothing follows it on its line; such a bare "//" is matched alone
// and deleted where it stands, so it never takes the next line with it.
constexpr char kLineComment[] = "//(?:[^!\\r\\n].*?)?$";
constexpr char kBlockComment[] = "/\\*.*?\\*/";

void RemoveComments(std::string& text) {
  DeleteFirstOccurrenceOfEachMatch(text, kLineComment, MatchMode::kDotAllMultiLine, "//",
                                   [](std::string_view comment) { return comment == "//"; });
  DeleteEveryOccurrenceOfEachSpan(text, kBlockComment, MatchMode::kWholeText, "/*");
}

void RemoveEmptyLines(Lines& lines) {
  for (std::string& line : lines) TrimInPlace(line);
  lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& line) { return line.empty(); }),
              lines.end());
}

void RemoveEmptyLinesFromText(std::string& text) {
  const std::string_view input = UpToNul(text);
  char* s = text.data();
  // In place while every kept line with its CR LF fits where the line stood
  // (always so with CR LF breaks, and once a blank has gone anywhere before):
  // lines that are already trimmed and follow no removed byte stay untouched.
  std::size_t i = 0, write = 0;
  while (i < input.size()) {
    const std::size_t end = FindLineBreak(input, i);
    std::size_t next = end;
    if (next < input.size() && input[next] == '\r') ++next;
    if (next < input.size() && input[next] == '\n') ++next;
    const std::string_view kept = TrimView(input.substr(i, end - i));
    if (!kept.empty()) {
      if (write + kept.size() + 2 > next) break;  // it would overwrite bytes still to be read
      const std::size_t from = static_cast<std::size_t>(kept.data() - s);
      if (from != write) std::memmove(s + write, kept.data(), kept.size());
      write += kept.size();
      s[write++] = '\r';
      s[write++] = '\n';
    }
    i = next;
  }
  if (i >= input.size()) {
    text.resize(write);
    return;
  }
  // The rest grows (a lone CR or LF becomes CR LF): finish in a new text.
  std::string out;
  out.reserve(write + (input.size() - i) + (input.size() - i) / 2 + 2);
  out.append(s, write);
  while (i < input.size()) {
    const std::size_t end = FindLineBreak(input, i);
    const std::string_view kept = TrimView(input.substr(i, end - i));
    if (!kept.empty()) {
      out += kept;
      out += "\r\n";
    }
    i = end;
    if (i < input.size() && input[i] == '\r') ++i;
    if (i < input.size() && input[i] == '\n') ++i;
  }
  text.swap(out);
}

}  // namespace zarn

#include "passes/normalise.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <thread>

#include "text/rewrite.h"
#include "text/text.h"
#include "text/text_search.h"

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
    if (HasCollapsibleRun(kept))
      text += CollapseWhitespace(kept);
    else
      text += kept;
    text += "\r\n";
  }
  return text;
}

namespace {

// Both one-pass conversions below rewrite a text line by line: `form(line,
// scratch)` gives a line's new form (a view into the line or into `scratch`)
// or nothing to drop it, and every kept line is followed by CR LF.
template <class Form>
void AppendConvertedLines(std::string_view input, std::string& out, Form& form) {
  std::string scratch;
  std::size_t i = 0;
  while (i < input.size()) {
    const std::size_t end = FindLineBreak(input, i);
    if (std::optional<std::string_view> kept = form(input.substr(i, end - i), scratch)) {
      out += *kept;
      out += "\r\n";
    }
    i = end;
    if (i < input.size() && input[i] == '\r') ++i;
    if (i < input.size() && input[i] == '\n') ++i;
  }
}

// Converts the lines of `input` (which starts at `s`, no NUL in it) within
// their own bytes for as long as each kept line with its CR LF fits where the
// line stood, then the rest into a new text, which it returns to follow the
// first `write` bytes. A lone CR or LF end is what ends the first part; no
// byte at or past the input's end is touched.
template <class Form>
std::string ConvertLinesInPlace(char* s, std::string_view input, std::size_t& write, Form& form) {
  const std::size_t n = input.size();
  std::string scratch;
  std::size_t read = 0;
  write = 0;
  while (read < n) {
    const std::size_t end = FindLineBreak(input, read);
    std::size_t next = end;
    if (next < n && s[next] == '\r') ++next;
    if (next < n && s[next] == '\n') ++next;
    const std::optional<std::string_view> kept = form(input.substr(read, end - read), scratch);
    if (kept) {
      if (write + kept->size() + 2 > next) break;
      if (kept->data() != s + write) std::memmove(s + write, kept->data(), kept->size());
      write += kept->size();
      s[write++] = '\r';
      s[write++] = '\n';
    }
    read = next;
  }
  std::string rest;
  if (read < n) {
    std::size_t breaks = 0;
    for (std::size_t i = read; i < n; ++i) breaks += (s[i] == '\r') | (s[i] == '\n');
    rest.reserve(n - read + breaks + 2);
    AppendConvertedLines(input.substr(read), rest, form);
  }
  return rest;
}

// A line trimmed and collapsed; an empty line stays.
auto normalised = [](std::string_view line, std::string& scratch) -> std::optional<std::string_view> {
  std::string_view kept = TrimView(line);
  if (!HasCollapsibleRun(kept)) return kept;
  scratch = CollapseWhitespace(kept);
  return std::string_view(scratch);
};

// A line trimmed; dropped when nothing is left.
auto non_empty = [](std::string_view line, std::string&) -> std::optional<std::string_view> {
  std::string_view kept = TrimView(line);
  if (kept.empty()) return std::nullopt;
  return kept;
};

// From this size on the second half of the lines is converted on a second
// thread: each line is converted on its own, so cutting at a line start
// changes nothing.
constexpr std::size_t kTwoThreadsFrom = 1 << 20;

// Converts the lines of `bytes` up to its first NUL by `form`, those from the
// line start nearest its middle on by a worker; each half within its own
// bytes, neither touching the other's.
template <class Form>
void ConvertInHalves(std::string& bytes, Form& form) {
  const std::string_view input(bytes.data(), UpToNul(bytes).size());
  std::size_t cut = input.size();
  if (input.size() >= kTwoThreadsFrom) {
    const std::size_t lf = input.find('\n', input.size() / 2);
    if (lf != std::string_view::npos) cut = lf + 1;
  }
  std::size_t second_write = 0;
  std::string second_rest;
  std::exception_ptr failed;
  std::thread worker;
  if (cut < input.size()) {
    worker = std::thread([&] {
      try {
        second_rest = ConvertLinesInPlace(bytes.data() + cut, input.substr(cut), second_write, form);
      } catch (...) { failed = std::current_exception(); }
    });
  }
  std::size_t write = 0;
  std::string rest;
  try {
    rest = ConvertLinesInPlace(bytes.data(), input.substr(0, cut), write, form);
  } catch (...) {
    if (worker.joinable()) worker.join();
    throw;
  }
  if (worker.joinable()) worker.join();
  if (failed) std::rethrow_exception(failed);
  if (cut == input.size()) {
    bytes.resize(write);
    bytes += rest;
    return;
  }
  // The halves side by side: the second moves down behind the first.
  if (write + rest.size() <= cut) {
    char* s = bytes.data();
    std::memmove(s + write + rest.size(), s + cut, second_write);
    std::memcpy(s + write, rest.data(), rest.size());
    bytes.resize(write + rest.size() + second_write);
  } else {
    const std::string kept_second(bytes, cut, second_write);
    bytes.resize(write);
    bytes += rest;
    bytes += kept_second;
  }
  bytes += second_rest;
}

}  // namespace

void NormaliseBytesIntoText(std::string& bytes) { ConvertInHalves(bytes, normalised); }

constexpr char kBlockComment[] = "/\\*.*?\\*/";

FoundMatches LineComments(std::string_view text) {
  // What a scan of the pattern "//(?:[^!\\r\\n].*?)?$" (dot matching line
  // breaks, "$" at every line end) finds: from a "//" whose next byte is no
  // "!" to the end of its line. A bare "//" at the end of a line is matched
  // alone and deleted where it stands, so it never takes the next line with
  // it. A "//!" matches nowhere, and the scan goes on one byte further.
  FoundMatches found;
  const std::size_t n = text.size();
  for (std::size_t at = FindText(text, "//"); at != std::string_view::npos;) {
    const std::size_t after = at + 2;
    if (after < n && text[after] == '!') {
      at = FindText(text, "//", at + 1);
      continue;
    }
    const std::size_t end =
        after == n || text[after] == '\r' || text[after] == '\n' ? after : FindLineBreak(text, after + 1);
    found.emplace_back(at, end - at);
    at = FindText(text, "//", end);
  }
  return found;
}

void RemoveComments(std::string& text) {
  DeleteFirstOccurrenceOfEachFound(text, LineComments(text), "//",
                                   [](std::string_view comment) { return comment == "//"; });
  DeleteEveryOccurrenceOfEachSpan(text, kBlockComment, MatchMode::kWholeText, "/*");
}

void RemoveEmptyLines(Lines& lines) {
  for (std::string& line : lines) TrimInPlace(line);
  lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& line) { return line.empty(); }),
              lines.end());
}

void RemoveEmptyLinesFromText(std::string& text, LineOrigins* origins) {
  // Lines that are already trimmed and follow no removed byte stay untouched.
  // One thread: the lines move little, and a second would cost more in
  // noting which lines it keeps than it saves.
  std::size_t write = 0;
  std::string rest;
  if (!origins) {
    rest = ConvertLinesInPlace(text.data(), UpToNul(text), write, non_empty);
  } else {
    // The lines come in order: each kept one keeps its origin.
    std::size_t line = 0, kept = 0;
    auto keep = [&](std::string_view l, std::string& scratch) {
      std::optional<std::string_view> form = non_empty(l, scratch);
      if (form && line < origins->size()) (*origins)[kept++] = (*origins)[line];
      ++line;
      return form;
    };
    rest = ConvertLinesInPlace(text.data(), UpToNul(text), write, keep);
    origins->resize(std::min(kept, origins->size()));
  }
  text.resize(write);
  text += rest;
}

}  // namespace zarn

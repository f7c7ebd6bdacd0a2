#include "core/imports.h"

#include <string_view>

#include "passes/import_directive.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/opened_files.h"
#include "platform/paths.h"
#include "platform/real_paths.h"
#include "text/script.h"

namespace zarn {

namespace {

bool IsAnySeparator(char c) { return c == '/' || c == '\\'; }

// The name after the last separator; both separators count, as in PATH.
std::string BaseName(const std::string& path) {
  std::size_t cut = path.size();
  while (cut > 0 && !IsAnySeparator(path[cut - 1])) --cut;
  return path.substr(cut);
}

bool EndsWithIgnoringCase(const std::string& text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  for (std::size_t i = 0; i < ending.size(); ++i) {
    char c = text[text.size() - ending.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ending[i]) return false;
  }
  return true;
}

bool HasScriptEnding(const std::string& name) {
  return EndsWithIgnoringCase(name, ".j") || EndsWithIgnoringCase(name, ".jass");
}

// A PATH written on Windows, "src\util.j", names the same file everywhere.
std::string ForThisSystem(std::string path) {
#ifndef _WIN32
  for (char& c : path)
    if (c == '\\') c = '/';
#endif
  return path;
}

std::string Listed(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += (text.empty() ? "" : ", ") + folder;
  return text;
}

std::size_t BreakLength(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool StartsWithByteOrderMark(std::string_view text) { return text.substr(0, kByteOrderMark.size()) == kByteOrderMark; }

// A file that may be pasted, open, and where it really is.
struct FoundFile {
  OpenedFile file;
  std::string real;
};

// A line of the pasted text as appended: its offset there and its source
// (line from 1).
struct Piece {
  std::size_t offset;
  LineSource source;
};

class Paster {
 public:
  Paster(const ImportOptions& options, PastedFiles* program)
      : options_(options), pasted_(program ? *program : own_pasted_) {
    const std::optional<std::string> first = RealPath(options.folder.empty() ? "." : options.folder);
    roots_.push_back(first ? *first : options.folder);
    for (const std::string& folder : options.more_folders)
      if (const std::optional<std::string> real = RealPath(folder)) roots_.push_back(*real);
    if (!options.script_path.empty())
      if (const std::optional<FileIdentity> id = IdentityOf(options.script_path)) pasted_.Add(*id);
  }

  ImportedScript Run(std::string script) {
    result_.sources.files.push_back(options_.script_name);
    const std::vector<ImportLine> directives = FindImportLines(script);
    if (directives.empty()) {
      result_.text = std::move(script);
      return std::move(result_);
    }
    script.resize(UpToNul(script).size());
    Paste(0, script, directives, roots_[0], 0);
    if (!result_.problems.empty()) {
      // The pasted text is incomplete: what is shown is the script as written.
      result_.text = std::move(script);
      return std::move(result_);
    }
    BuildLineTable();
    return std::move(result_);
  }

 private:
  void Paste(std::uint32_t file, std::string_view text, const std::vector<ImportLine>& directives,
             const std::string& folder, int depth) {
    std::size_t at = 0, line = 0;
    for (const ImportLine& directive : directives) {
      AppendLines(file, text.substr(at, directive.begin - at), line);
      PasteDirective(file, text, directive, folder, depth);
      at = directive.break_end;
      line = directive.line + 1;
    }
    AppendLines(file, text.substr(at), line);
  }

  // Appends whole lines of one file, `line` being the first one's number.
  void AppendLines(std::uint32_t file, std::string_view part, std::size_t line) {
    // The script's byte-order mark before a first-line import starts the
    // pasted file's first line, which keeps its own source.
    if (result_.text.empty() && part == kByteOrderMark) {
      result_.text.append(part);
      return;
    }
    for (std::size_t i = 0; i < part.size(); ++line) {
      pieces_.push_back({result_.text.size() + i, {file, static_cast<std::uint32_t>(line + 1)}});
      const std::size_t end = FindLineBreak(part, i);
      i = end + BreakLength(part, end);
    }
    result_.text.append(part);
  }

  void PasteDirective(std::uint32_t file, std::string_view text, const ImportLine& directive, const std::string& folder,
                      int depth) {
    const std::string what = "cannot import \"" + directive.path + "\": ";
    if (directive.malformed) return Problem(file, directive, "malformed import line: write //!import \"PATH\" alone");
    FoundFile found;
    std::string why;
    if (!Find(directive.path, folder, found, why)) return Problem(file, directive, what + why);
    const std::optional<FileIdentity> identity = found.file.Identity();
    if (!identity) return Problem(file, directive, what + "cannot read " + found.real + ": " + LastSystemReason());
    if (!pasted_.Add(*identity)) return;  // pasted already, or a cycle: dropped
    if (depth >= kMaxImportDepth)
      return Problem(file, directive, what + "imports nest more than " + std::to_string(kMaxImportDepth) + " deep");
    // The size the handle reports is judged before a byte is read, and the
    // read stops at the limit whatever the file grew to.
    const std::size_t room = kMaxImportedSize - pasted_size_;
    const std::string too_large = what + "the imported files come to more than 256 MiB";
    if (identity->size > room) return Problem(file, directive, too_large);
    ReachedJudgedFile(found.file.path());
    std::string bytes, problem;
    if (!ReadJudged(found, room, bytes, problem))
      return Problem(file, directive, problem.empty() ? too_large : what + problem);
    pasted_size_ += bytes.size();
    if (StartsWithByteOrderMark(bytes)) bytes.erase(0, kByteOrderMark.size());
    bytes.resize(UpToNul(bytes).size());
    const std::string real = std::move(found.real);
    const auto index = static_cast<std::uint32_t>(result_.sources.files.size());
    result_.sources.files.push_back(real);
    Paste(index, bytes, FindImportLines(bytes), FolderHolding(real), depth + 1);
    // The import line's own line break ends the file's last line.
    if (!bytes.empty() && bytes.back() != '\r' && bytes.back() != '\n')
      result_.text.append(text.substr(directive.end, directive.break_end - directive.end));
  }

  // The bytes of the judged file `found`, at most `room` of them: an editor's
  // unsaved text of it, or what its open handle reads. False when it holds
  // more, or with the reading error in `problem`.
  bool ReadJudged(FoundFile& found, std::size_t room, std::string& bytes, std::string& problem) const {
    if (std::optional<std::string> unsaved = options_.text_of ? options_.text_of(found.real) : std::nullopt) {
      found.file.Close();
      if (unsaved->size() > room) return false;
      bytes = std::move(*unsaved);
      return true;
    }
    try {
      const bool whole = found.file.ReadUpTo(room, bytes, found.real);
      found.file.Close();
      return whole;
    } catch (const FileError& e) {
      problem = e.what();
      return false;
    }
  }

  // The file `written` names from `folder`, open, or why not.
  bool Find(const std::string& written, const std::string& folder, FoundFile& found, std::string& why) const {
    const std::string path = ForThisSystem(written);
    if (!HasScriptEnding(BaseName(path))) {
      why = "only files whose names end in .j or .jass can be imported";
      return false;
    }
    std::vector<std::string> searched;
    if (IsAbsolutePath(path)) {
      searched.push_back(path);
    } else {
      searched.push_back(folder);
      searched.insert(searched.end(), roots_.begin() + 1, roots_.end());
    }
    bool led_out = false, not_a_file = false;
    std::string refused;  // the system's reason for a file that is there
    for (const std::string& place : searched) {
      const std::string name = IsAbsolutePath(path) ? path : PathJoin(place, path);
      OpenedFile file;
      OpenFailure failure = OpenFailure::kNone;
      std::string reason;
      if (!file.Open(name, LinkRule::kFollow, failure, reason)) {
        if (failure != OpenFailure::kMissing && refused.empty()) refused = "cannot open " + name + ": " + reason;
        continue;
      }
      const std::optional<std::string> real = file.RealPath();
      if (!real || !IsInsideAllowedFolder(*real)) {
        led_out = true;
        continue;
      }
      if (file.kind() != FileKind::kRegular) {
        not_a_file = true;
        continue;
      }
      if (!HasScriptEnding(BaseName(*real))) {
        why = "it leads to " + *real + ", whose name does not end in .j or .jass";
        return false;
      }
      found = {std::move(file), *real};
      return true;
    }
    if (led_out)
      why = "it leads out of the folders imports may come from: " + Listed(roots_) + " (name more with --import-path)";
    else if (not_a_file)
      why = "it is not a file";
    else if (!refused.empty())
      why = refused;
    else
      why = "no such file in " + Listed(IsAbsolutePath(path) ? roots_ : searched);
    return false;
  }

  bool IsInsideAllowedFolder(const std::string& real) const {
    for (const std::string& root : roots_)
      if (IsInsideFolder(real, root)) return true;
    return false;
  }

  void Problem(std::uint32_t file, const ImportLine& directive, std::string message) {
    const auto column = static_cast<std::uint32_t>(directive.directive - directive.begin + 1);
    result_.problems.push_back({{file, static_cast<std::uint32_t>(directive.line + 1)}, column, std::move(message)});
  }

  // One source per line of the text, lines ended as SplitText ends them; a
  // lone CR that meets an LF of the next piece makes one line of the two.
  void BuildLineTable() {
    const std::string_view text = result_.text;
    if (pieces_.empty()) pieces_.push_back({0, {0, 1}});
    std::size_t piece = 0;
    for (std::size_t start = 0; start < text.size();) {
      while (piece + 1 < pieces_.size() && pieces_[piece + 1].offset <= start) ++piece;
      result_.sources.lines.push_back(pieces_[piece].source);
      const std::size_t end = FindLineBreak(text, start);
      start = end + BreakLength(text, end);
    }
  }

  const ImportOptions& options_;
  std::vector<std::string> roots_;  // real paths; the first folder first
  PastedFiles own_pasted_;
  PastedFiles& pasted_;  // the files pasted, this script's own first
  std::size_t pasted_size_ = 0;
  std::vector<Piece> pieces_;
  ImportedScript result_;
};

}  // namespace

ImportedScript PasteImports(std::string script, const ImportOptions& options, PastedFiles* program) {
  return Paster(options, program).Run(std::move(script));
}

ErrorReport ImportProblemsReport(const ImportedScript& imported) {
  ErrorReport report;
  for (const ImportProblem& problem : imported.problems) {
    const SourcePlace place{imported.sources.FileName(problem.at.file), problem.at.line, problem.column};
    // Nothing was processed: the entry has no line of a processed script.
    report.entries.push_back({place, problem.message, std::nullopt});
  }
  report.marker_count = imported.problems.size();
  if (report.marker_count > 0) report.script = imported.text;
  return report;
}

}  // namespace zarn

// Scripts kept in files: every //!import line (passes/import_directive.h)
// replaced by the text of the file it names, before the passes run. Each file
// is opened once and judged by what was opened (platform/opened_files.h):
// only a regular file, whose real path lies inside the folder the script's
// own imports are taken from or the folders the user named, and only names
// ending in ".j" or ".jass"; each file (by its identity, not its path) once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <set>
#include <utility>

#include "core/report.h"
#include "platform/files.h"
#include "text/source_place.h"

namespace zarn {

struct ImportOptions {
  // How entries name the script itself.
  std::string script_name;
  // The script's own file, which an import of it does not paste again; empty
  // when it has none on the disk (a map archive, standard input).
  std::string script_path;
  // The folder the script's relative paths are taken from, and out of which
  // no path may lead unless into one of `more_folders` (--import-path), which
  // are searched after the importing file's own folder.
  std::string folder;
  std::vector<std::string> more_folders;
  // Set: the text to paste for a file, by its real path, in place of the
  // file's bytes (an editor's unsaved text); nullopt reads the file.
  std::function<std::optional<std::string>(const std::string& real_path)> text_of;
};

struct ImportProblem {
  LineSource at;             // the //!import line
  std::uint32_t column = 1;  // one-based, where "//!import" begins
  std::string message;
};

struct ImportedScript {
  // The script with its imports pasted; each file ends at its first NUL.
  std::string text;
  // Where each line of `text` came from, lines ended as SplitText ends them:
  // files[0] is the script as ImportOptions names it, then each pasted file
  // by its real path, in the order first pasted. Without lines (nothing
  // pasted) line i of the text is line i + 1 of the script.
  SourceMap sources;
  std::vector<ImportProblem> problems;

  std::size_t imported_count() const { return sources.files.empty() ? 0 : sources.files.size() - 1; }
};

// Nesting deeper than this is refused at the import line.
inline constexpr int kMaxImportDepth = 200;
// Pasted text beyond this many bytes is refused.
inline constexpr std::size_t kMaxImportedSize = std::size_t{256} << 20;

// The files of one program pasted so far, by identity (device and file
// number): the files of a check share it, so that a file imported by several
// of them, or named itself, is pasted once in all.
class PastedFiles {
 public:
  // False when the file is there already.
  bool Add(const FileIdentity& id) { return ids_.insert({id.device, id.file}).second; }
  bool Contains(const FileIdentity& id) const { return ids_.count({id.device, id.file}) > 0; }

 private:
  std::set<std::pair<unsigned long long, unsigned long long>> ids_;
};

// Pastes the imports of `script`, and theirs in turn; each file once, a
// second import of it (a cycle included) is dropped. Imports inside imported
// files are taken from that file's folder. A file that is missing, leads out
// of the allowed folders, is no regular file, has another ending or cannot be
// read is a problem at its import line; the text is then incomplete and not
// to be used. A UTF-8 byte-order mark does not hide a first line's
// directive, and a pasted file's own is dropped. `program`, when given, holds
// the files pasted before, and gets this script's.
ImportedScript PasteImports(std::string script, const ImportOptions& options, PastedFiles* program = nullptr);

// The problems as entries at their import lines, counted, with the script for
// the errors view.
ErrorReport ImportProblemsReport(const ImportedScript& imported);

}  // namespace zarn

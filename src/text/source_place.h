// Places in the user's own files: where a line of a script came from, and
// where a problem in it is reported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zarn {

// A place in one of the user's files.
struct SourcePlace {
  std::string file;
  std::size_t line = 1;    // from 1
  std::size_t column = 1;  // byte column, from 1
};

// Where one line of an input text came from: a file (an index into
// SourceMap::files) and the line there, from 1. A line keeps its columns.
struct LineSource {
  std::uint32_t file = 0;
  std::uint32_t line = 1;
};

// Where each line of an input text came from. Without `lines`, line i of the
// text (from 0) is line i + 1 of files[0].
struct SourceMap {
  std::vector<std::string> files;
  std::vector<LineSource> lines;  // by line of the input text, from 0

  static SourceMap OneFile(std::string name) {
    SourceMap map;
    map.files.push_back(std::move(name));
    return map;
  }

  // The file and line of line `input_line` (from 0) of the input text; a line
  // past the table's end continues the last file named.
  LineSource Of(std::size_t input_line) const {
    if (lines.empty()) return {0, static_cast<std::uint32_t>(input_line + 1)};
    if (input_line < lines.size()) return lines[input_line];
    const LineSource last = lines.back();
    return {last.file, static_cast<std::uint32_t>(last.line + (input_line - (lines.size() - 1)))};
  }

  const std::string& FileName(std::uint32_t file) const {
    static const std::string kNone;
    return file < files.size() ? files[file] : kNone;
  }
};

}  // namespace zarn

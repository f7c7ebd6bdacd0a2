// zarn-apitable: writes the declaration table of one patch from the game's
// common.j and Blizzard.j: types, natives, functions and globals with their
// types, and a constant's value where it is a literal. No bodies, no
// comments, none of the files' text. The table's rows are read by
// check/jass_builtin_api.h.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "check/jass_builtin_api.h"
#include "check/jass_checker.h"
#include "check/jass_index.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace {

// The text of line `line` (from 1) of `text`, without its end.
std::string_view LineOf(std::string_view text, std::size_t line) {
  std::size_t begin = 0;
  for (std::size_t i = 1; i < line && begin != std::string_view::npos; ++i) {
    begin = text.find('\n', begin);
    if (begin != std::string_view::npos) ++begin;
  }
  if (begin == std::string_view::npos) return {};
  const std::size_t end = text.find_first_of("\r\n", begin);
  return text.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
}

// One declaration's row (see jass_builtin_api.h).
std::string Row(const zarn::JassDeclaration& d, std::string_view source_text) {
  using zarn::JassSymbolKind;
  std::string row;
  switch (d.kind) {
    case JassSymbolKind::kType: return "type\t" + d.name + "\t" + d.type + "\n";
    case JassSymbolKind::kNative:
    case JassSymbolKind::kFunction:
      row = d.constant ? "constant " : "";
      row += (d.kind == JassSymbolKind::kNative ? "native\t" : "function\t") + d.name + "\t" + d.type;
      for (const zarn::JassParameter& p : d.params) row += "\t" + p.type + " " + p.name;
      return row + "\n";
    default: break;
  }
  row = (d.array ? "array\t" : d.constant ? "constant\t" : "global\t") + d.name + "\t" + d.type;
  const std::string_view line = LineOf(source_text, d.line);
  const std::string_view value = zarn::DeclaredValue(line.substr(std::min(line.size(), d.column - 1 + d.name.size())));
  if (!value.empty()) row += "\t=" + std::string(zarn::IsJassLiteral(value) ? value : "");
  return row + "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: zarn-apitable PATCH COMMON.J BLIZZARD.J OUT\n");
    return 2;
  }
  try {
    const std::string common = zarn::ReadFileBytes(argv[2]), blizzard = zarn::ReadFileBytes(argv[3]);
    const std::vector<zarn::JassSource> sources = {{"common.j", common}, {"Blizzard.j", blizzard}};
    zarn::JassIndex index;
    const zarn::JassCheckResult result = zarn::CheckJassProgram(sources, nullptr, nullptr, {&index, nullptr, false});
    for (const zarn::JassProblem& p : result.problems)
      std::fprintf(stderr, "%s:%zu:%zu: %s\n", sources[p.source].name.c_str(), p.line, p.column, p.message.c_str());
    if (!result.problems.empty()) return 1;
    std::string table = std::string("# patch ") + argv[1] + "\n";
    std::size_t source = 0;
    for (const zarn::JassDeclaration& d : index.declarations) {
      if (d.kind == zarn::JassSymbolKind::kLocal || d.kind == zarn::JassSymbolKind::kParameter) continue;
      if (d.source != source || table.find("\nfile\t") == std::string::npos) {
        source = d.source;
        table += "file\t" + sources[source].name + "\n";
      }
      table += Row(d, sources[d.source].text);
    }
    zarn::WriteFileBytes(argv[4], table);
  } catch (const zarn::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

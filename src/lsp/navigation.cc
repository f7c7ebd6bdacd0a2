// Hover, definitions, references and rename.
#include <algorithm>
#include <cctype>

#include "lsp/workspace.h"
#include "platform/file_uri.h"
#include "platform/paths.h"

namespace zarn::lsp {

namespace {

bool IsTopLevel(SourceKind kind) {
  return kind != SourceKind::kLocal && kind != SourceKind::kParameter && kind != SourceKind::kAlias;
}

std::string CodeBlock(const std::string& code) { return "```jass\n" + code + "\n```"; }

bool ValidName(const std::string& name) {
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0])) || name.back() == '_') return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

// The "//" comment lines written directly above a line, without their
// slashes; "//!" directives and "//#" annotations end the block.
std::string CommentAbove(std::string_view text, const LineTable& lines, std::size_t line) {
  std::vector<std::string_view> block;
  while (line-- > 0) {
    std::string_view l = text.substr(lines.LineStart(line), lines.LineEnd(line) - lines.LineStart(line));
    while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
    while (!l.empty() && (l.back() == ' ' || l.back() == '\t')) l.remove_suffix(1);
    if (l.substr(0, 2) != "//" || l.substr(0, 3) == "//!" || l.substr(0, 3) == "//#") break;
    l.remove_prefix(2);
    if (!l.empty() && l.front() == ' ') l.remove_prefix(1);
    block.push_back(l);
  }
  std::string comment;
  for (auto it = block.rbegin(); it != block.rend(); ++it) comment.append(*it).append("\n");
  if (!comment.empty()) comment.pop_back();
  return comment;
}

}  // namespace

std::optional<Workspace::Target> Workspace::FindTopLevel(const std::string& name, const std::string& first_uri) {
  std::vector<std::pair<std::string, std::shared_ptr<const Analysis>>> all = OpenAnalyses();
  std::stable_partition(all.begin(), all.end(), [&](const auto& entry) { return entry.first == first_uri; });
  for (const auto& [uri, analysis] : all) {
    const int id = analysis->source.FindTopLevel(name);
    if (id >= 0) return Target{analysis, uri, id, nullptr, name};
  }
  for (const auto& [uri, analysis] : all) {
    if (!analysis->api) continue;
    const JassDeclaration* declared = analysis->api->index.FindTopLevel(name, false);
    if (!declared) declared = analysis->api->index.Find("", name);
    if (declared) return Target{analysis, "", -1, declared, name};
  }
  return std::nullopt;
}

std::optional<Workspace::Target> Workspace::TargetAt(const std::string& uri, std::size_t offset) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return std::nullopt;
  const Occurrence* occurrence = analysis->source.At(offset);
  if (!occurrence) return std::nullopt;
  const std::string name(analysis->source.Name(*occurrence, analysis->text));
  if (occurrence->symbol >= 0) {
    const SourceSymbol& symbol = analysis->source.symbols()[occurrence->symbol];
    if (!IsTopLevel(symbol.kind)) return Target{analysis, uri, occurrence->symbol, nullptr, name};
  }
  return FindTopLevel(name, uri);
}

std::optional<HoverInfo> Workspace::Hover(const std::string& uri, std::size_t offset) {
  std::optional<HoverInfo> hover = HoverText(uri, offset);
  if (!hover) return hover;
  const std::string context = ContextOf(uri);
  if (!context.empty())
    hover->markdown += "\n\nChecked as imported by " + FileName(FileUriToPath(context).value_or(context));
  return hover;
}

std::optional<HoverInfo> Workspace::HoverText(const std::string& uri, std::size_t offset) {
  const std::optional<Target> target = TargetAt(uri, offset);
  if (!target) return std::nullopt;
  const std::shared_ptr<const Analysis> here = AnalysisOf(uri);
  const Span at = here->source.At(offset)->at;
  if (target->api) {
    const ApiFiles& api = *target->analysis->api;
    std::string comment = CommentAbove(api.api.sources()[target->api->source].text, api.lines[target->api->source],
                                       target->api->line - 1);
    if (!comment.empty()) comment = "\n\n" + comment;
    return HoverInfo{CodeBlock(JassSignature(*target->api) + ConstantValueSuffix(api, *target->api)) + comment +
                         "\n\nDeclared in " + FileName(target->analysis->api->api.sources()[target->api->source].name) +
                         ", line " + std::to_string(target->api->line),
                     at};
  }
  const Analysis& a = *target->analysis;
  const SourceSymbol& symbol = a.source.symbols()[target->symbol];
  const std::size_t line = a.lines.LineOf(symbol.at.begin) + 1;
  std::string text = CodeBlock(a.Signature(symbol));
  if (const std::string comment = CommentAbove(a.text, a.lines, line - 1); !comment.empty()) text += "\n\n" + comment;
  if (symbol.type.empty() && symbol.kind == SourceKind::kLocal) text += "\n\nType inferred by var.";
  text += "\n\nDeclared at line " + std::to_string(line);
  if (target->uri != uri) text += " of " + target->uri;
  if (symbol.kind == SourceKind::kLocal || symbol.kind == SourceKind::kParameter || symbol.kind == SourceKind::kAlias)
    text += ", in " + a.FunctionName(symbol);
  return HoverInfo{text, at};
}

std::vector<Location> Workspace::Definition(const std::string& uri, std::size_t offset) {
  const std::optional<Target> target = TargetAt(uri, offset);
  if (!target) return {};
  if (target->api) return {ApiLocation(*target->analysis->api, *target->api)};
  const SourceSymbol& symbol = target->analysis->source.symbols()[target->symbol];
  return {{target->uri, symbol.at, &target->analysis->lines}};
}

std::vector<Location> Workspace::Uses(const Target& target, bool with_declaration) {
  std::vector<Location> uses;
  auto add = [&](const std::string& uri, const Analysis& a, const Occurrence& o) {
    if (with_declaration || !o.declaration) uses.push_back({uri, o.at, &a.lines});
  };
  if (target.symbol >= 0 && !IsTopLevel(target.analysis->source.symbols()[target.symbol].kind)) {
    for (const Occurrence& o : target.analysis->source.occurrences())
      if (o.symbol == target.symbol) add(target.uri, *target.analysis, o);
    return uses;
  }
  for (const auto& [uri, analysis] : OpenAnalyses()) {
    for (const Occurrence& o : analysis->source.occurrences()) {
      if (analysis->source.Name(o, analysis->text) != target.name) continue;
      if (o.symbol >= 0 && !IsTopLevel(analysis->source.symbols()[o.symbol].kind)) continue;
      add(uri, *analysis, o);
    }
  }
  return uses;
}

std::vector<Location> Workspace::References(const std::string& uri, std::size_t offset, bool with_declaration) {
  const std::optional<Target> target = TargetAt(uri, offset);
  if (!target) return {};
  return Uses(*target, with_declaration);
}

std::string Workspace::RefuseRename(const Target& target, const std::string& new_name) {
  if (IsReservedWord(new_name)) return "\"" + new_name + "\" is a keyword";
  if (!ValidName(new_name)) return "\"" + new_name + "\" is not a name";
  if (target.api) return "\"" + target.name + "\" is declared by the game's API and cannot be renamed";
  const Analysis& a = *target.analysis;
  const SourceSymbol& symbol = a.source.symbols()[target.symbol];
  if (symbol.kind == SourceKind::kNative) return "\"" + target.name + "\" is a native and cannot be renamed";
  if (symbol.kind == SourceKind::kType) return "\"" + target.name + "\" is a type and cannot be renamed";
  if (!IsTopLevel(symbol.kind)) {
    for (int id : a.source.LocalsOf(symbol.function))
      if (a.source.symbols()[id].name == new_name)
        return "\"" + new_name + "\" is already declared in " + a.FunctionName(symbol);
    return {};
  }
  if (FindTopLevel(new_name, target.uri)) return "\"" + new_name + "\" is already declared";
  return {};
}

RenameResult Workspace::Rename(const std::string& uri, std::size_t offset, const std::string& new_name) {
  RenameResult result;
  const std::optional<Target> target = TargetAt(uri, offset);
  if (!target) {
    result.error = "there is no name to rename here";
    return result;
  }
  result.error = RefuseRename(*target, new_name);
  if (!result.error.empty()) return result;
  for (const Location& use : Uses(*target, true)) result.changes[use.uri].push_back({use.at, new_name});
  return result;
}

}  // namespace zarn::lsp

namespace zarn::lsp {

std::vector<Highlight> Workspace::DocumentHighlights(const std::string& uri, std::size_t offset) {
  const std::optional<Target> target = TargetAt(uri, offset);
  if (!target) return {};
  std::vector<Highlight> highlights;
  const std::shared_ptr<const Analysis> here = AnalysisOf(uri);
  for (const Occurrence& o : here->source.occurrences()) {
    if (target->symbol >= 0 && !IsTopLevel(target->analysis->source.symbols()[target->symbol].kind)) {
      if (o.symbol == target->symbol) highlights.push_back({o.at, o.declaration});
      continue;
    }
    if (here->source.Name(o, here->text) != target->name) continue;
    if (o.symbol >= 0 && !IsTopLevel(here->source.symbols()[o.symbol].kind)) continue;
    highlights.push_back({o.at, o.declaration});
  }
  return highlights;
}

}  // namespace zarn::lsp

// Quick fixes and inlay hints.
#include <algorithm>

#include "check/jass_lexer.h"
#include "lsp/workspace.h"

namespace zarn::lsp {

namespace {

using jass::Tok;
using jass::Token;

// The names a "(did you mean "A", "B" or "C"?)" message offers.
std::vector<std::string> Suggestions(const std::string& message) {
  std::vector<std::string> names;
  std::size_t at = message.rfind("(did you mean ");
  if (at == std::string::npos) return names;
  while ((at = message.find('"', at)) != std::string::npos) {
    const std::size_t end = message.find('"', at + 1);
    if (end == std::string::npos) break;
    names.push_back(message.substr(at + 1, end - at - 1));
    at = end + 1;
  }
  return names;
}

bool Overlaps(Span a, Span b) { return a.begin <= b.end && b.begin <= a.end; }

}  // namespace

std::vector<CodeAction> Workspace::CodeActions(const std::string& uri, Span range) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return {};
  std::vector<CodeAction> actions;
  const std::vector<Diagnostic> diagnostics = Diagnostics(uri);
  std::vector<Diagnostic> faults;
  for (const Diagnostic& diagnostic : diagnostics) {
    if (!Overlaps(diagnostic.at, range)) continue;
    faults.push_back(diagnostic);
    const std::vector<std::string> names = Suggestions(diagnostic.message);
    for (const std::string& name : names)
      actions.push_back({"Change to \"" + name + "\"", {{diagnostic.at, name}}, {diagnostic}, names.size() == 1});
  }
  // Only a document checked alone: in a program the importer's hint counts.
  const std::string& hint = analysis->run.words_hint;
  if (!hint.empty() && !faults.empty() && ContextOf(uri).empty()) {
    const std::size_t quote = hint.find('"'), end = hint.find('"', quote + 1);
    const std::string name = hint.substr(quote + 1, end - quote - 1);
    actions.push_back({"Add a //!words line: keywords count only as whole words (\"" + name + "\" holds one)",
                       {{{0, 0}, "//!words\n"}},
                       faults,
                       false});
  }
  return actions;
}

std::optional<JassDeclaration> Workspace::Callable(const std::string& name, const std::string& uri) {
  const std::optional<Target> target = FindTopLevel(name, uri);
  if (!target) return std::nullopt;
  if (target->api) {
    const JassSymbolKind kind = target->api->kind;
    if (kind != JassSymbolKind::kFunction && kind != JassSymbolKind::kNative) return std::nullopt;
    return *target->api;
  }
  const SourceSymbol& s = target->analysis->source.symbols()[target->symbol];
  if (s.kind != SourceKind::kFunction && s.kind != SourceKind::kNative) return std::nullopt;
  JassDeclaration callable;
  callable.kind = s.kind == SourceKind::kNative ? JassSymbolKind::kNative : JassSymbolKind::kFunction;
  callable.name = s.name;
  callable.type = s.type;
  callable.params = s.params;
  callable.constant = s.constant;
  return callable;
}

std::vector<InlayHint> Workspace::InlayHints(const std::string& uri, Span range, InlayHintOptions options) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return {};
  std::vector<InlayHint> hints;
  if (options.variable_types) AddTypeHints(*analysis, range, hints);
  if (options.parameter_names) AddParameterHints(*analysis, uri, range, hints);
  std::sort(hints.begin(), hints.end(), [](const InlayHint& x, const InlayHint& y) { return x.at < y.at; });
  return hints;
}

void Workspace::AddTypeHints(const Analysis& a, Span range, std::vector<InlayHint>& hints) {
  for (const SourceSymbol& symbol : a.source.symbols()) {
    if (symbol.kind != SourceKind::kLocal || !symbol.type.empty() || !Overlaps(symbol.at, range)) continue;
    const std::string type = a.InferredType(symbol);
    if (!type.empty()) hints.push_back({symbol.at.end, ": " + type, true});
  }
}

void Workspace::AddParameterHints(const Analysis& a, const std::string& uri, Span range,
                                  std::vector<InlayHint>& hints) {
  range.end = std::min(range.end, a.text.size());
  const std::size_t from = a.lines.LineStart(a.lines.LineOf(std::min(range.begin, a.text.size())));
  jass::Lexer lexer(a.text.substr(from, range.end - from));
  std::vector<Token> tokens;
  for (Token t = lexer.Next(); t.kind != Tok::kEnd; t = lexer.Next()) tokens.push_back(t);
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i].kind != Tok::kName || tokens[i + 1].kind != Tok::kLParen) continue;
    const std::optional<JassDeclaration> callable = Callable(std::string(lexer.Text(tokens[i])), uri);
    if (!callable || callable->params.empty()) continue;
    // Each argument's first token, at depth one of this call.
    std::size_t argument = 0, depth = 0;
    bool starts = true;
    for (std::size_t j = i + 2; j < tokens.size() && tokens[j].kind != Tok::kNewline; ++j) {
      const Tok kind = tokens[j].kind;
      if (kind == Tok::kRParen && depth == 0) break;
      if (starts && argument < callable->params.size()) {
        const std::string& name = callable->params[argument].name;
        if (lexer.Text(tokens[j]) != name) hints.push_back({from + tokens[j].begin, name + ":", false});
      }
      starts = false;
      if (kind == Tok::kLParen || kind == Tok::kLBracket) ++depth;
      if ((kind == Tok::kRParen || kind == Tok::kRBracket) && depth > 0) --depth;
      if (kind == Tok::kComma && depth == 0) {
        ++argument;
        starts = true;
      }
    }
  }
}

}  // namespace zarn::lsp

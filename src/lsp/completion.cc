// Completion, signature help and the document's symbols.
#include <algorithm>
#include <cctype>

#include "check/jass_lexer.h"
#include "lsp/workspace.h"

namespace zarn::lsp {

namespace {

using jass::Tok;
using jass::Token;

constexpr const char* kStatementWords[] = {
    "local",       "set",   "call", "if",  "elseif", "else",  "endif",  "loop",   "exitwhen", "endloop", "return",
    "endfunction", "debug", "var",  "new", "free",   "flush", "global", "repeat", "until",    "mount",   "unmount"};
constexpr const char* kTopLevelWords[] = {"function", "endfunction", "globals", "endglobals",
                                          "native",   "constant",    "type",    "extends"};
constexpr const char* kBuiltInTypes[] = {"integer", "real", "boolean", "string", "code", "handle"};

// The tokens of a line up to an offset.
struct LinePrefix {
  std::string_view text;
  std::vector<Token> tokens;
};

LinePrefix PrefixAt(std::string_view text, std::size_t offset) {
  std::size_t start = offset;
  while (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') --start;
  LinePrefix prefix{text.substr(start, offset - start), {}};
  jass::Lexer lexer(prefix.text);
  for (Token token = lexer.Next(); token.kind != Tok::kEnd; token = lexer.Next())
    if (token.kind != Tok::kNewline) prefix.tokens.push_back(token);
  return prefix;
}

ItemKind KindOf(SourceKind kind) {
  switch (kind) {
    case SourceKind::kType: return ItemKind::kType;
    case SourceKind::kNative: return ItemKind::kNative;
    case SourceKind::kFunction: return ItemKind::kFunction;
    case SourceKind::kGlobal: return ItemKind::kGlobal;
    case SourceKind::kLocal: return ItemKind::kLocal;
    case SourceKind::kParameter: return ItemKind::kParameter;
    case SourceKind::kAlias: return ItemKind::kAlias;
  }
  return ItemKind::kLocal;
}

ItemKind KindOf(const JassDeclaration& d) {
  switch (d.kind) {
    case JassSymbolKind::kType: return ItemKind::kType;
    case JassSymbolKind::kNative: return ItemKind::kNative;
    case JassSymbolKind::kFunction: return ItemKind::kFunction;
    case JassSymbolKind::kGlobal: return d.constant ? ItemKind::kConstant : ItemKind::kGlobal;
    case JassSymbolKind::kLocal: return ItemKind::kLocal;
    case JassSymbolKind::kParameter: return ItemKind::kParameter;
  }
  return ItemKind::kGlobal;
}

bool StartsWith(std::string_view name, std::string_view prefix) {
  if (name.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// Where types are wanted: after local, takes, returns, new, a comma of a
// takes list, or "new global".
bool WantsType(const LinePrefix& p, std::size_t before) {
  if (before == 0) return false;
  const Token& last = p.tokens[before - 1];
  const std::string_view word = p.text.substr(last.begin, last.end - last.begin);
  if (last.kind == Tok::kLocal || last.kind == Tok::kTakes || last.kind == Tok::kReturns) return true;
  if (last.kind == Tok::kName && word == "new") return true;
  if (last.kind == Tok::kName && word == "global" && before >= 2) {
    const Token& new_word = p.tokens[before - 2];
    return p.text.substr(new_word.begin, new_word.end - new_word.begin) == "new";
  }
  if (last.kind == Tok::kComma) {
    bool takes = false;
    for (std::size_t i = 0; i < before; ++i) {
      if (p.tokens[i].kind == Tok::kTakes) takes = true;
      if (p.tokens[i].kind == Tok::kReturns) takes = false;
    }
    return takes;
  }
  return false;
}

// After free and flush: the variable they release or clear.
bool WantsVariable(const LinePrefix& p, std::size_t before) {
  if (before != 1 || p.tokens[0].kind != Tok::kName) return false;
  const std::string_view word = p.text.substr(p.tokens[0].begin, p.tokens[0].end - p.tokens[0].begin);
  return word == "free" || word == "flush";
}

}  // namespace

// Adds an item unless the list is full; its detail is made only then.
template <class Detail>
void Offer(CompletionList& list, std::string_view typed, std::string_view label, ItemKind kind, Detail&& detail) {
  if (!StartsWith(label, typed)) return;
  if (list.items.size() >= Workspace::kMaxCompletions) {
    list.incomplete = true;
    return;
  }
  list.items.push_back({std::string(label), kind, detail()});
}

void Workspace::AddTypes(const Analysis& a, std::string_view typed, CompletionList& list) {
  for (const char* type : kBuiltInTypes) Offer(list, typed, type, ItemKind::kType, [] { return "native type"; });
  for (int id : a.source.top_level()) {
    const SourceSymbol& s = a.source.symbols()[id];
    if (s.kind == SourceKind::kType) Offer(list, typed, s.name, ItemKind::kType, [&] { return a.Signature(s); });
  }
  if (a.api)
    for (const JassDeclaration& d : a.api->index.declarations)
      if (d.kind == JassSymbolKind::kType)
        Offer(list, typed, d.name, ItemKind::kType, [&] { return JassSignature(d); });
}

void Workspace::AddBodyItems(const Analysis& a, int function, std::string_view typed, CompletionList& list) {
  for (int id : a.source.LocalsOf(function)) {
    const SourceSymbol& s = a.source.symbols()[id];
    Offer(list, typed, s.name, KindOf(s.kind), [&] { return a.Signature(s); });
  }
  for (const auto& open : OpenAnalyses()) {
    const auto& other = open.second;
    for (int id : other->source.top_level()) {
      const SourceSymbol& s = other->source.symbols()[id];
      if (s.kind == SourceKind::kGlobal || s.kind == SourceKind::kFunction || s.kind == SourceKind::kNative)
        Offer(list, typed, s.name, KindOf(s.kind), [&] { return other->Signature(s); });
    }
  }
  if (a.api)
    for (const JassDeclaration& d : a.api->index.declarations)
      if (d.kind != JassSymbolKind::kType && d.kind != JassSymbolKind::kLocal && d.kind != JassSymbolKind::kParameter)
        Offer(list, typed, d.name, KindOf(d), [&] { return JassSignature(d); });
}

CompletionList Workspace::Complete(const std::string& uri, std::size_t offset) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return {};
  const Analysis& a = *analysis;
  offset = std::min(offset, a.text.size());
  const LinePrefix p = PrefixAt(a.text, offset);
  // The word being typed, when the cursor stands at its end.
  std::size_t before = p.tokens.size();
  std::string_view typed;
  if (before > 0 && p.tokens.back().end == p.text.size() &&
      (p.tokens.back().kind == Tok::kName || jass::KeywordOf(p.text.substr(p.tokens.back().begin)) != Tok::kName)) {
    typed = p.text.substr(p.tokens.back().begin);
    --before;
  }
  const int function = a.source.FunctionAt(offset);
  CompletionList list;
  auto keywords = [&](const auto& words) {
    if (before == 0)
      for (const char* word : words) Offer(list, typed, word, ItemKind::kKeyword, [] { return ""; });
  };
  if (WantsType(p, before)) {
    AddTypes(a, typed, list);
  } else if (function >= 0 && WantsVariable(p, before)) {
    AddBodyItems(a, function, typed, list);
    std::erase_if(list.items, [](const CompletionItem& item) {
      return item.kind == ItemKind::kFunction || item.kind == ItemKind::kNative || item.kind == ItemKind::kConstant;
    });
  } else if (function < 0) {
    keywords(kTopLevelWords);
    AddTypes(a, typed, list);
  } else {
    keywords(kStatementWords);
    AddBodyItems(a, function, typed, list);
  }
  // The first of each label: a local before a global of the same name.
  std::set<std::string> seen;
  std::erase_if(list.items, [&](const CompletionItem& item) { return !seen.insert(item.label).second; });
  return list;
}

std::optional<SignatureInfo> Workspace::SignatureHelp(const std::string& uri, std::size_t offset) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return std::nullopt;
  const LinePrefix p = PrefixAt(analysis->text, std::min(offset, analysis->text.size()));
  // The innermost parenthesis still open, and the commas after it.
  std::vector<std::pair<std::size_t, std::size_t>> open;  // token of "(", commas
  for (std::size_t i = 0; i < p.tokens.size(); ++i) {
    if (p.tokens[i].kind == Tok::kLParen) open.push_back({i, 0});
    if (p.tokens[i].kind == Tok::kRParen && !open.empty()) open.pop_back();
    if (p.tokens[i].kind == Tok::kComma && !open.empty()) ++open.back().second;
  }
  while (!open.empty() && (open.back().first == 0 || p.tokens[open.back().first - 1].kind != Tok::kName))
    open.pop_back();
  if (open.empty()) return std::nullopt;
  const Token& name = p.tokens[open.back().first - 1];
  const std::optional<JassDeclaration> found =
      Callable(std::string(p.text.substr(name.begin, name.end - name.begin)), uri);
  if (!found) return std::nullopt;
  const JassDeclaration& callable = *found;
  SignatureInfo info;
  info.label = JassSignature(callable);
  std::size_t at = info.label.find(" takes ") + 7;
  for (const JassParameter& param : callable.params) {
    const std::size_t length = param.type.size() + 1 + param.name.size();
    info.parameters.push_back({at, at + length});
    at += length + 2;
  }
  info.active = open.back().second;
  return info;
}

std::vector<SymbolInfo> Workspace::DocumentSymbols(const std::string& uri) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return {};
  const Analysis& a = *analysis;
  std::vector<SymbolInfo> symbols;
  const bool full = a.source.top_level().size() <= kFullOutline;
  symbols.reserve(a.source.top_level().size());
  for (std::size_t i = 0; i < a.source.symbols().size(); ++i) {
    const SourceSymbol& s = a.source.symbols()[i];
    if (s.function >= 0) continue;
    SymbolInfo info{s.name,         full ? a.Signature(s) : std::string(),
                    KindOf(s.kind), s.kind == SourceKind::kFunction ? s.whole : s.at,
                    s.at,           {}};
    if (info.whole.end < info.whole.begin || info.whole.begin > s.at.begin) info.whole = s.at;
    if (!full) {
      symbols.push_back(std::move(info));
      continue;
    }
    for (int id : a.source.LocalsOf(static_cast<int>(i))) {
      const SourceSymbol& local = a.source.symbols()[id];
      info.children.push_back({local.name, a.Signature(local), KindOf(local.kind), local.at, local.at, {}});
    }
    symbols.push_back(std::move(info));
  }
  return symbols;
}

}  // namespace zarn::lsp

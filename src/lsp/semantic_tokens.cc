// Semantic tokens: what each word of a document is, by its declaration.
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "check/jass_lexer.h"
#include "lsp/workspace.h"

namespace zarn::lsp {

namespace {

using jass::Tok;
using jass::Token;

constexpr std::string_view kBuiltInTypes[] = {"integer", "real", "boolean", "string", "code", "handle"};
constexpr std::string_view kDirectives[] = {"nozarn", "endnozarn", "if", "endif", "import", "words"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// A "//!" line that ZARN reads: a macro, not a comment.
bool IsDirective(std::string_view comment) {
  if (comment.substr(0, 3) != "//!") return false;
  std::size_t end = 3;
  while (end < comment.size() && std::isalpha(static_cast<unsigned char>(comment[end]))) ++end;
  const std::string_view word = comment.substr(3, end - 3);
  return std::find(std::begin(kDirectives), std::end(kDirectives), word) != std::end(kDirectives);
}

// The comments between two tokens: each line's run of non-blank bytes.
void AddGap(std::string_view text, std::size_t begin, std::size_t end, std::vector<SemanticToken>& tokens) {
  std::size_t at = begin;
  while (at < end) {
    while (at < end && IsBlank(text[at])) ++at;
    if (at >= end) break;
    std::size_t stop = at;
    while (stop < end && text[stop] != '\n' && text[stop] != '\r') ++stop;
    std::size_t last = stop;
    while (last > at && IsBlank(text[last - 1])) --last;
    const bool directive = IsDirective(text.substr(at, last - at));
    tokens.push_back({{at, last}, directive ? TokenType::kMacro : TokenType::kComment, 0});
    at = stop;
  }
}

bool IsOperator(Tok kind) { return kind >= Tok::kAssign && kind <= Tok::kGe; }
bool IsKeyword(Tok kind) { return kind >= Tok::kFunction; }

SemanticToken OfSymbol(const SourceSymbol& symbol, Span at, bool declaration) {
  SemanticToken token{at, TokenType::kVariable, declaration ? kDeclaration : 0u};
  switch (symbol.kind) {
    case SourceKind::kType: token.type = TokenType::kType; break;
    case SourceKind::kNative:
    case SourceKind::kFunction: token.type = TokenType::kFunction; break;
    case SourceKind::kGlobal: token.modifiers |= kGlobalModifier | (symbol.constant ? kReadonly : 0u); break;
    case SourceKind::kParameter: token.type = TokenType::kParameter; break;
    case SourceKind::kAlias: token.modifiers |= kReadonly; break;
    case SourceKind::kLocal: break;
  }
  return token;
}

std::optional<SemanticToken> OfApi(const JassDeclaration& d, Span at) {
  SemanticToken token{at, TokenType::kVariable, kDefaultLibrary};
  switch (d.kind) {
    case JassSymbolKind::kType: token.type = TokenType::kType; break;
    case JassSymbolKind::kNative:
    case JassSymbolKind::kFunction: token.type = TokenType::kFunction; break;
    case JassSymbolKind::kGlobal: token.modifiers |= kGlobalModifier | (d.constant ? kReadonly : 0u); break;
    default: return std::nullopt;
  }
  return token;
}

// Literals, operators and keywords; nothing for names and the rest.
std::optional<TokenType> OfToken(Tok kind) {
  if (kind == Tok::kString) return TokenType::kString;
  if (kind == Tok::kNumber || kind == Tok::kRawcode) return TokenType::kNumber;
  if (IsOperator(kind)) return TokenType::kOperator;
  if (IsKeyword(kind)) return TokenType::kKeyword;
  return std::nullopt;
}

}  // namespace

std::optional<SemanticToken> Workspace::DeclaredElsewhere(std::string_view name, const std::string& uri,
                                                          NameTokens& known) {
  auto [found, added] = known.try_emplace(name);
  if (added) {
    if (const std::optional<Target> target = FindTopLevel(std::string(name), uri))
      found->second = target->api ? OfApi(*target->api, {})
                                  : OfSymbol(target->analysis->source.symbols()[target->symbol], {}, false);
  }
  return found->second;
}

std::vector<SemanticToken> Workspace::SemanticTokens(const std::string& uri, Span range) {
  const std::shared_ptr<const Analysis> analysis = AnalysisOf(uri);
  if (!analysis) return {};
  const Analysis& a = *analysis;
  const std::string_view text = a.text;
  range.end = std::min(range.end, text.size());
  // Lexing starts at the line of the range's start: no token spans lines but
  // strings, and a string cut there is read as far as it goes.
  const std::size_t from = a.lines.LineStart(a.lines.LineOf(std::min(range.begin, text.size())));
  const std::deque<Occurrence>& occurrences = a.source.occurrences();
  auto occurrence = std::lower_bound(occurrences.begin(), occurrences.end(), from,
                                     [](const Occurrence& o, std::size_t at) { return o.at.begin < at; });
  NameTokens others;
  std::vector<SemanticToken> tokens;
  jass::Lexer lexer(text.substr(from, range.end - from));
  std::size_t gap = from;
  for (Token t = lexer.Next(); t.kind != Tok::kEnd; t = lexer.Next()) {
    const Span at{from + t.begin, from + t.end};
    if (t.kind == Tok::kNewline) continue;
    AddGap(text, gap, at.begin, tokens);
    gap = at.end;
    const std::string_view word = text.substr(at.begin, at.end - at.begin);
    while (occurrence != occurrences.end() && occurrence->at.begin < at.begin) ++occurrence;
    const bool named = occurrence != occurrences.end() && occurrence->at.begin == at.begin;
    if (const std::optional<TokenType> type = OfToken(t.kind)) {
      tokens.push_back({at, *type, 0});
    } else if (t.kind != Tok::kName) {
      continue;
    } else if (named && occurrence->symbol >= 0) {
      tokens.push_back(OfSymbol(a.source.symbols()[occurrence->symbol], at, occurrence->declaration));
    } else if (!named && IsZarnStatementWord(word)) {
      tokens.push_back({at, TokenType::kKeyword, 0});
    } else if (std::find(std::begin(kBuiltInTypes), std::end(kBuiltInTypes), word) != std::end(kBuiltInTypes)) {
      tokens.push_back({at, TokenType::kType, kDefaultLibrary});
    } else if (const std::optional<SemanticToken> other = DeclaredElsewhere(word, uri, others)) {
      tokens.push_back({at, other->type, other->modifiers});
    }
  }
  AddGap(text, gap, range.end, tokens);
  std::erase_if(tokens, [&](const SemanticToken& token) {
    return token.at.end <= range.begin || token.at.begin >= range.end || token.at.end <= token.at.begin;
  });
  return tokens;
}

}  // namespace zarn::lsp

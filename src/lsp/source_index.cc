#include "lsp/source_index.h"

#include <algorithm>

#include "check/jass_lexer.h"

namespace zarn::lsp {

namespace {

using jass::Tok;
using jass::Token;

constexpr std::string_view kZarnWords[] = {"var",    "new",   "free",  "flush",  "global",
                                           "repeat", "until", "mount", "unmount"};

}  // namespace

bool IsZarnStatementWord(std::string_view word) {
  return std::find(std::begin(kZarnWords), std::end(kZarnWords), word) != std::end(kZarnWords);
}

bool IsReservedWord(std::string_view word) { return jass::KeywordOf(word) != Tok::kName || IsZarnStatementWord(word); }

// Reads the script line by line: declarations where the grammar puts them,
// names everywhere else.
class SourceIndexBuilder {
 public:
  SourceIndexBuilder(std::string_view text, SourceIndex& index) : text_(text), index_(index) {}

  void Build() {
    jass::Lexer lexer(text_);
    std::vector<Token> line;
    while (true) {
      const Token token = lexer.Next();
      if (token.kind == Tok::kNewline || token.kind == Tok::kEnd) {
        if (!line.empty()) Line(line);
        line.clear();
        if (token.kind == Tok::kEnd) break;
        continue;
      }
      line.push_back(token);
    }
    if (function_ >= 0) index_.symbols_[function_].whole.end = text_.size();
    Resolve();
  }

 private:
  std::string_view Text(const Token& token) const { return text_.substr(token.begin, token.end - token.begin); }
  bool IsWord(const Token& token, std::string_view word) const {
    return token.kind == Tok::kName && Text(token) == word;
  }

  int Declare(SourceKind kind, const Token& name, std::string_view type) {
    SourceSymbol symbol;
    symbol.kind = kind;
    symbol.name = std::string(Text(name));
    symbol.at = {name.begin, name.end};
    symbol.type = std::string(type);
    const bool local = kind == SourceKind::kLocal || kind == SourceKind::kParameter || kind == SourceKind::kAlias;
    symbol.function = local ? function_ : -1;
    const int id = static_cast<int>(index_.symbols_.size());
    index_.symbols_.push_back(std::move(symbol));
    if (local) {
      if (function_ >= 0) {
        if (index_.function_locals_.size() <= static_cast<std::size_t>(function_))
          index_.function_locals_.resize(function_ + 1);
        SourceIndex::FunctionLocals& locals = index_.function_locals_[function_];
        locals.in_order.push_back(id);
        locals.by_name.emplace(index_.symbols_[id].name, id);
      }
    } else {
      index_.top_level_.emplace(index_.symbols_[id].name, id);
      index_.top_level_ids_.push_back(id);
    }
    declared_.push_back({name.begin, id});
    return id;
  }

  void Line(const std::vector<Token>& t) {
    skip_.assign(t.size(), false);
    if (function_ < 0 && !in_globals_)
      TopLevel(t);
    else if (in_globals_)
      GlobalsLine(t);
    else
      FunctionLine(t);
    for (std::size_t i = 0; i < t.size(); ++i)
      if (t[i].kind == Tok::kName && !skip_[i]) Note(t[i]);
    declared_.clear();
  }

  void Note(const Token& name) {
    Occurrence occurrence;
    occurrence.at = {name.begin, name.end};
    occurrence.function = function_;
    for (const auto& [begin, symbol] : declared_)
      if (begin == name.begin) {
        occurrence.symbol = symbol;
        occurrence.declaration = true;
        // A parameter is noted in its header, which stands outside the body.
        occurrence.function = symbols_function(symbol);
      }
    index_.occurrences_.push_back(occurrence);
  }

  void TopLevel(const std::vector<Token>& t) {
    std::size_t at = t[0].kind == Tok::kConstant ? 1 : 0;
    if (t[0].kind == Tok::kGlobals) {
      in_globals_ = true;
    } else if (t[0].kind == Tok::kType && t.size() >= 4 && t[1].kind == Tok::kName) {
      Declare(SourceKind::kType, t[1], t.size() > 3 ? Text(t[3]) : "");
    } else if (at < t.size() && (t[at].kind == Tok::kNative || t[at].kind == Tok::kFunction)) {
      Header(t, at);
    }
  }

  // "native NAME takes ..." or "function NAME takes ...", from the keyword.
  void Header(const std::vector<Token>& t, std::size_t at) {
    const bool function = t[at].kind == Tok::kFunction;
    if (at + 1 >= t.size() || t[at + 1].kind != Tok::kName) return;
    const int id = Declare(function ? SourceKind::kFunction : SourceKind::kNative, t[at + 1], "");
    SourceSymbol& symbol = index_.symbols_[id];
    symbol.constant = t[0].kind == Tok::kConstant;
    symbol.whole = {t[0].begin, t.back().end};
    std::size_t i = at + 2;
    std::vector<std::size_t> params;
    if (i < t.size() && t[i].kind == Tok::kTakes) {
      for (++i; i + 1 < t.size() && t[i].kind == Tok::kName && t[i + 1].kind == Tok::kName; i += 2) {
        symbol.params.push_back({std::string(Text(t[i])), std::string(Text(t[i + 1]))});
        params.push_back(i + 1);
        if (i + 2 < t.size() && t[i + 2].kind == Tok::kComma) ++i;
      }
      if (i < t.size() && t[i].kind == Tok::kNothing) ++i;
    }
    symbol.type = i + 1 < t.size() && t[i].kind == Tok::kReturns ? std::string(Text(t[i + 1])) : "nothing";
    if (!function) return;
    function_ = id;
    index_.functions_.push_back(id);
    for (std::size_t p : params) Declare(SourceKind::kParameter, t[p], Text(t[p - 1]));
  }

  // [constant] TYPE [array] NAME ..., from `at`.
  void Variable(const std::vector<Token>& t, std::size_t at, SourceKind kind) {
    const bool constant = at < t.size() && t[at].kind == Tok::kConstant;
    if (constant) ++at;
    if (at + 1 >= t.size() || t[at].kind != Tok::kName) return;
    const bool array = t[at + 1].kind == Tok::kArray;
    const std::size_t name = at + (array ? 2 : 1);
    if (name >= t.size() || t[name].kind != Tok::kName) return;
    const int id = Declare(kind, t[name], Text(t[at]));
    index_.symbols_[id].constant = constant;
    index_.symbols_[id].array = array;
  }

  void GlobalsLine(const std::vector<Token>& t) {
    if (t[0].kind == Tok::kEndglobals) {
      in_globals_ = false;
    } else if (t[0].kind == Tok::kFunction || t[0].kind == Tok::kNative || t[0].kind == Tok::kType ||
               (t[0].kind == Tok::kConstant && t.size() > 1 &&
                (t[1].kind == Tok::kFunction || t[1].kind == Tok::kNative))) {
      in_globals_ = false;
      TopLevel(t);
    } else {
      Variable(t, 0, SourceKind::kGlobal);
    }
  }

  void EndFunction(std::size_t end) {
    index_.symbols_[function_].whole.end = end;
    function_ = -1;
  }

  void FunctionLine(const std::vector<Token>& t) {
    const std::size_t at = t[0].kind == Tok::kConstant ? 1 : 0;
    if (t[0].kind == Tok::kEndfunction) return EndFunction(t[0].end);
    if (at < t.size() && (t[at].kind == Tok::kFunction || t[at].kind == Tok::kNative || t[0].kind == Tok::kGlobals ||
                          t[0].kind == Tok::kType)) {
      // A function without its "endfunction" ends where the next begins.
      EndFunction(t[0].begin);
      return TopLevel(t);
    }
    if (t[0].kind == Tok::kLocal) {
      if (t.size() > 1 && IsWord(t[1], "new")) return NewStatement(t, 1);
      return Variable(t, 1, SourceKind::kLocal);
    }
    if (t[0].kind != Tok::kName) return;
    const std::string_view word = Text(t[0]);
    if (IsZarnStatementWord(word)) skip_[0] = true;
    if (word == "var") return VarStatement(t);
    if (word == "new") return NewStatement(t, 0);
    if (word == "global") return Variable(t, 1, SourceKind::kGlobal);
    if (word == "mount") return MountStatement(t);
  }

  // The parts of a statement list: the token after each comma outside
  // parentheses, the first from `at`.
  std::vector<std::size_t> Parts(const std::vector<Token>& t, std::size_t at) const {
    std::vector<std::size_t> parts{at};
    int depth = 0;
    for (std::size_t i = at; i < t.size(); ++i) {
      if (t[i].kind == Tok::kLParen || t[i].kind == Tok::kLBracket) ++depth;
      if (t[i].kind == Tok::kRParen || t[i].kind == Tok::kRBracket) --depth;
      if (t[i].kind == Tok::kComma && depth <= 0) parts.push_back(i + 1);
    }
    return parts;
  }

  void VarStatement(const std::vector<Token>& t) {
    for (std::size_t part : Parts(t, 1))
      if (part < t.size() && t[part].kind == Tok::kName) Declare(SourceKind::kLocal, t[part], "");
  }

  // new [global] TYPE NAME, ..., from the word "new".
  void NewStatement(const std::vector<Token>& t, std::size_t at) {
    skip_[at] = true;
    bool global = false;
    for (std::size_t part : Parts(t, at + 1)) {
      if (part < t.size() && IsWord(t[part], "global")) {
        global = true;
        skip_[part] = true;
        ++part;
      }
      if (part + 1 < t.size() && t[part].kind == Tok::kName && t[part + 1].kind == Tok::kName)
        Declare(global ? SourceKind::kGlobal : SourceKind::kLocal, t[part + 1], Text(t[part]));
    }
  }

  // mount ALIAS to VALUE
  void MountStatement(const std::vector<Token>& t) {
    if (t.size() < 3 || t[1].kind != Tok::kName || !IsWord(t[2], "to")) return;
    skip_[2] = true;
    const int id = Declare(SourceKind::kAlias, t[1], "");
    if (t.size() > 3) index_.symbols_[id].value = std::string(text_.substr(t[3].begin, t.back().end - t[3].begin));
  }

  void Resolve() {
    for (Occurrence& occurrence : index_.occurrences_)
      if (occurrence.symbol < 0)
        occurrence.symbol = index_.Resolve(occurrence.function, index_.Name(occurrence, text_));
  }

  int symbols_function(int symbol) const {
    const SourceSymbol& declared = index_.symbols_[symbol];
    return declared.kind == SourceKind::kFunction ? -1 : declared.function;
  }

  std::string_view text_;
  SourceIndex& index_;
  int function_ = -1;
  bool in_globals_ = false;
  std::vector<bool> skip_;  // tokens of the current line that name nothing
  std::vector<std::pair<std::size_t, int>> declared_;
};

SourceIndex::SourceIndex(std::string_view text) { SourceIndexBuilder(text, *this).Build(); }

const Occurrence* SourceIndex::At(std::size_t offset) const {
  auto after = std::upper_bound(occurrences_.begin(), occurrences_.end(), offset,
                                [](std::size_t at, const Occurrence& o) { return at < o.at.begin; });
  if (after == occurrences_.begin()) return nullptr;
  const Occurrence& candidate = *(after - 1);
  return offset <= candidate.at.end ? &candidate : nullptr;
}

int SourceIndex::FunctionAt(std::size_t offset) const {
  for (int id : functions_) {
    const Span& whole = symbols_[id].whole;
    if (offset >= whole.begin && offset <= whole.end) return id;
  }
  return -1;
}

int SourceIndex::Resolve(int function, std::string_view name) const {
  if (function >= 0 && static_cast<std::size_t>(function) < function_locals_.size()) {
    const NameTable<int>& locals = function_locals_[function].by_name;
    if (const auto found = locals.find(name); found != locals.end()) return found->second;
  }
  return FindTopLevel(name);
}

int SourceIndex::FindTopLevel(std::string_view name) const {
  const auto found = top_level_.find(name);
  return found == top_level_.end() ? -1 : found->second;
}

std::vector<int> SourceIndex::LocalsOf(int function) const {
  if (function < 0 || static_cast<std::size_t>(function) >= function_locals_.size()) return {};
  return function_locals_[function].in_order;
}

}  // namespace zarn::lsp

#include "check/jass_grammar.h"

#include <atomic>
#include <condition_variable>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "check/jass_blocks.h"
#include "check/jass_cursor.h"
#include "check/jass_expression.h"
#include "check/jass_semantics.h"
#include "check/jass_statements.h"
#include "check/jass_typed_expression.h"

namespace zarn::jass {

namespace {

constexpr std::string_view kVJassLineWords[] = {
    "struct",    "method",    "library",    "library_once", "scope",     "module",       "interface",
    "endstruct", "endmethod", "endlibrary", "endscope",     "endmodule", "endinterface",
};

constexpr void AddLength(NameLengths& lengths, std::string_view word) {
  lengths[static_cast<std::size_t>(word[0] - 'a')] |= std::uint64_t{1} << word.size();
}

constexpr NameLengths kVJassLengths = [] {
  NameLengths lengths{};
  for (std::string_view word : kVJassLineWords) AddLength(lengths, word);
  return lengths;
}();

// The words that make the skim of a body look at a line: those that end a
// body and the vJass ones.
constexpr NameLengths kSkimStops = [] {
  NameLengths stops = kVJassLengths;
  for (std::string_view word : {"function", "native", "type", "globals", "constant", "endfunction"})
    AddLength(stops, word);
  return stops;
}();

// The lines that end a body without being part of it.
bool BeginsDeclaration(Tok kind) {
  return kind == Tok::kFunction || kind == Tok::kNative || kind == Tok::kType || kind == Tok::kGlobals ||
         kind == Tok::kConstant;
}

// The kind of the first token of the line at the lexer, and its text; reads
// only that token.
Tok ReadLineStart(Lexer& lexer, std::string_view& name) {
  Tok kind;
  if (lexer.ReadLineStartName(kind, name)) return kind;
  const Token first = lexer.Next();
  lexer.stray_bytes().clear();
  name = lexer.Text(first);
  return first.kind;
}

// Finds the end of the body that begins at the lexer, reading only the
// first token of each line and skipping the rest as the lexer would read
// it. Where the reader of the lines after the body goes on; nothing when a
// line of the body turns out to be vJass.
std::optional<LexerPlace> SkimBodyLines(Lexer& lexer, BodyEnd& how, std::size_t& end) {
  for (;;) {
    lexer.SkipLinesOfNames(kSkimStops);
    const LexerPlace line_start = lexer.place();
    std::string_view name;
    const Tok kind = ReadLineStart(lexer, name);
    if (lexer.SawTextMacro() || (kind == Tok::kName && IsVJassLineWord(name))) return std::nullopt;
    if (kind == Tok::kEnd) {
      how = BodyEnd::kScriptEnd;
      end = lexer.place().pos;
      return lexer.place();
    }
    if (BeginsDeclaration(kind)) {
      how = BodyEnd::kCut;
      end = line_start.pos;
      return line_start;
    }
    if (kind == Tok::kNewline) continue;
    lexer.SkipRestOfLine();
    if (kind == Tok::kEndfunction) {
      how = BodyEnd::kEndfunction;
      end = lexer.place().pos;
      return lexer.place();
    }
  }
}

// Where a body ends, found ahead of the outline by a reader of its own.
struct BodyExtent {
  std::size_t start = 0;  // where the body begins
  BodyEnd how = BodyEnd::kEndfunction;
  std::size_t end = 0;
  bool vjass = false;  // a line of the body is vJass: nothing after it counts
  LexerPlace resume;   // where the outline goes on
  AnnotationGroup annotations;
};

// Finds the bodies' ends on a thread of its own while the outline reads the
// declarations: the skim needs no symbol table. A function begins at every
// line whose first token is "function", or "constant" and then "function".
class BodiesAhead {
 public:
  explicit BodiesAhead(std::string_view script) : lexer_(script) {
    thread_ = std::thread([this] { Scan(); });
  }
  ~BodiesAhead() {
    stop_ = true;
    thread_.join();
  }
  BodiesAhead(const BodiesAhead&) = delete;
  BodiesAhead& operator=(const BodiesAhead&) = delete;

  // The extent of the body that begins at `start`; nothing when the scan
  // found none there (the outline then skims the body itself).
  std::optional<BodyExtent> Next(std::size_t start) {
    if (failed_) return std::nullopt;
    if (taken_ == ready_.size()) {
      ready_.clear();
      taken_ = 0;
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !shared_.empty() || done_; });
      ready_.swap(shared_);
    }
    if (taken_ == ready_.size() || ready_[taken_].start != start) {
      failed_ = true;
      return std::nullopt;
    }
    return std::move(ready_[taken_++]);
  }

 private:
  static constexpr std::size_t kBatch = 64;

  void Scan() {
    std::vector<BodyExtent> batch;
    try {
      while (!stop_ && ScanLine(batch))
        if (batch.size() >= kBatch) Publish(batch);
    } catch (...) {
      // The outline skims what was not found.
    }
    Publish(batch);
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    changed_.notify_one();
  }

  // One line outside the bodies, and the body it begins; false at the end.
  bool ScanLine(std::vector<BodyExtent>& batch) {
    std::string_view name;
    Tok kind = ReadLineStart(lexer_, name);
    if (kind == Tok::kEnd || lexer_.SawTextMacro() || (kind == Tok::kName && IsVJassLineWord(name))) return false;
    if (kind == Tok::kNewline) return true;
    if (kind == Tok::kConstant) {
      const Token second = lexer_.Next();
      lexer_.stray_bytes().clear();
      kind = second.kind == Tok::kFunction ? Tok::kFunction : second.kind == Tok::kNewline ? Tok::kNewline : kind;
      if (kind == Tok::kNewline) return true;
    }
    lexer_.SkipRestOfLine();
    if (kind != Tok::kFunction) return true;
    BodyExtent& extent = batch.emplace_back();
    extent.start = lexer_.place().pos;
    const std::optional<LexerPlace> resume = SkimBodyLines(lexer_, extent.how, extent.end);
    extent.vjass = !resume;
    if (!resume) return false;
    extent.resume = *resume;
    lexer_.Rewind(*resume);
    extent.annotations = lexer_.annotations();
    return true;
  }

  void Publish(std::vector<BodyExtent>& batch) {
    if (batch.empty()) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    for (BodyExtent& extent : batch) shared_.push_back(std::move(extent));
    batch.clear();
    changed_.notify_one();
  }

  Lexer lexer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<BodyExtent> shared_;  // found and not yet taken, under mutex_
  bool done_ = false;               // under mutex_
  std::atomic<bool> stop_{false};
  std::thread thread_;
  // The outline's side.
  std::vector<BodyExtent> ready_;
  std::size_t taken_ = 0;
  bool failed_ = false;
};

}  // namespace

class Grammar {
 public:
  // With `sem`, names and types are judged too; the grammar then leaves
  // names declared twice to it.
  // With `deferred`, function bodies are not read but go there.
  Grammar(std::string_view script, std::vector<JassProblem>& problems, Semantics* sem, Outline* deferred = nullptr,
          BodiesAhead* ahead = nullptr)
      : c_(script, problems, false), problems_(problems), sem_(sem), deferred_(deferred), ahead_(ahead) {
    AttachSemantics();
  }

  // A reader of deferred bodies, one after another (StartBody).
  Grammar(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem)
      : c_(script, problems, LexerPlace{}), problems_(problems), sem_(&sem) {
    AttachSemantics();
  }

  void StartBody(const DeferredBody& body, const Outline& outline) {
    c_.Restart(body.start);
    blocks_.Forget();
    Token opener;
    opener.line = body.opener_line;
    opener.column = body.opener_column;
    blocks_.Open("function", "endfunction", opener);
    body_started_ = false;
    saw_function_ = true;
    sem_->Attach(c_);
    sem_->Limit(body.visible);
    sem_->ResumeFunction(body.name, body.constant, outline.param_names.data() + body.first_param, body.param_count,
                         body.has_callable ? &body.callable : nullptr, body.flags);
  }

  bool Run() {
    while (!c_.Is(Tok::kEnd)) {
      if (c_.SawTextMacro() || (c_.Is(Tok::kName) && IsVJassLineWord(c_.text()))) return false;
      if (!Line()) return false;
    }
    if (c_.SawTextMacro()) return false;
    CloseAll();
    return true;
  }

  // Reads a deferred body to the end the outline found; how it ended, or
  // nothing when it did not end there.
  std::optional<BodyEnd> RunBody(const DeferredBody& body) {
    for (;;) {
      const bool at_end = c_.lexer().place().pos == body.end;
      if (at_end && body.how == BodyEnd::kCut && c_.Is(Tok::kNewline)) {
        CloseAll();
        return BodyEnd::kCut;
      }
      c_.NextLine();
      if (c_.Is(Tok::kEnd)) {
        CloseAll();
        return BodyEnd::kScriptEnd;
      }
      if (BeginsDeclaration(c_.kind())) return std::nullopt;
      ReadLine();
      c_.SkipToLineEnd();
      if (blocks_.empty())
        return c_.lexer().place().pos == body.end ? std::optional(BodyEnd::kEndfunction) : std::nullopt;
    }
  }

 private:
  void AttachSemantics() {
    if (!sem_) return;
    sem_->Attach(c_);
    typed_.emplace(c_, *sem_);
    rules_.emplace(*sem_);
  }

  void CloseAll() {
    blocks_.CloseAll();
    if (sem_) sem_->EndFunction();
  }

  // False when a deferred body turned out to hold vJass.
  bool Line() {
    ReadLine();
    if (deferred_ && !blocks_.empty() && blocks_.outermost() == "function") {
      c_.SkipToLineEnd();
      return Defer();
    }
    c_.FinishLine();
    return true;
  }

  void ReadLine() {
    if (c_.AtLineEnd()) return;
    bool ok = blocks_.empty() ? TopLevel() : blocks_.outermost() == "globals" ? GlobalsLine() : FunctionLine();
    if (ok && !c_.AtLineEnd()) c_.Fail("end of line");
  }

  // At the end of a header's line: leaves the body to its own reader and
  // goes on after it.
  bool Defer() {
    DeferredBody& body = deferred_->bodies.emplace_back();
    body.start = c_.lexer().place();
    body.opener_line = function_start_.line;
    body.opener_column = function_start_.column;
    body.name = c_.Text(signature_.name);
    body.constant = signature_.constant;
    body.first_param = deferred_->param_names.size();
    body.param_count = signature_.params.size();
    for (const ParamDecl& param : signature_.params) deferred_->param_names.push_back(c_.Text(param.name));
    body.has_callable = callable_.has_value();
    if (callable_) body.callable = *callable_;
    body.flags = sem_->flags();
    body.visible = sem_->VisibleNow();
    body.problems_before = problems_.size();
    blocks_.Forget();
    sem_->EndFunction();
    if (!SkimBody(body)) return false;
    if (body.how == BodyEnd::kScriptEnd)
      c_.Adopt(c_.lexer().Next());
    else
      c_.NextLine();
    return true;
  }

  bool SkimBody(DeferredBody& body) {
    if (ahead_) {
      if (std::optional<BodyExtent> extent = ahead_->Next(c_.lexer().place().pos)) {
        if (extent->vjass) return false;
        body.how = extent->how;
        body.end = extent->end;
        body.found_ahead = true;
        c_.lexer().Rewind(extent->resume);
        c_.lexer().SetAnnotations(extent->annotations);
        return true;
      }
    }
    const std::optional<LexerPlace> resume = SkimBodyLines(c_.lexer(), body.how, body.end);
    if (!resume) return false;
    c_.lexer().Rewind(*resume);
    return true;
  }

  bool TopLevel() {
    const Token start = c_.token();
    switch (c_.kind()) {
      case Tok::kType: c_.Advance(); return TypeDeclaration();
      case Tok::kGlobals:
        blocks_.Open("globals", "endglobals", start);
        c_.Advance();
        return true;
      case Tok::kConstant:
        c_.Advance();
        if (!c_.Is(Tok::kNative) && !c_.Is(Tok::kFunction)) return c_.Fail("\"native\" or \"function\"");
        return Declaration(start);
      case Tok::kNative:
      case Tok::kFunction: return Declaration(start);
      case Tok::kEndfunction:
      case Tok::kEndglobals:
      case Tok::kEndif:
      case Tok::kEndloop: blocks_.Close(c_.text()); return false;
      case Tok::kElse:
      case Tok::kElseif: blocks_.Branch(c_.text(), false); return false;
      case Tok::kLocal:
      case Tok::kSet:
      case Tok::kCall:
      case Tok::kIf:
      case Tok::kLoop:
      case Tok::kExitwhen:
      case Tok::kReturn:
      case Tok::kDebug: c_.ReportHere(Quote(c_.text()) + " outside a function"); return false;
      default: return c_.Fail("a declaration");
    }
  }

  bool TypeDeclaration() {
    const Token name = c_.token();
    if (!ExpectName(c_) || !c_.Expect(Tok::kExtends)) return false;
    const Token parent = c_.token();
    if (!ExpectName(c_)) return false;
    if (sem_) sem_->DeclareType(name, parent);
    return true;
  }

  // "native" or "function" and the rest of its line, after any "constant".
  bool Declaration(const Token& start) {
    const bool is_function = c_.Is(Tok::kFunction);
    if (is_function) {
      // Opened before the header is read, so that a faulty header does not
      // make every line of the body a problem too.
      blocks_.Open("function", "endfunction", start);
      function_start_ = start;
      body_started_ = false;
    }
    c_.Advance();
    signature_.native = !is_function;
    signature_.constant = start.kind == Tok::kConstant;
    signature_.name = c_.token();
    signature_.params.clear();
    // The game reads the natives of a file before its first function only.
    if (!is_function && saw_function_ && c_.Is(Tok::kName))
      c_.ReportOn(signature_.name, "native " + Quote(c_.text()) + " is declared after a function");
    saw_function_ |= is_function;
    const bool ok = (sem_ ? ExpectName(c_) : Declare(callables_)) && Signature();
    if (!sem_) return ok;
    const Callable* callable = ok ? sem_->DeclareCallable(signature_) : nullptr;
    if (!is_function) return ok;
    callable_.reset();
    if (callable) callable_ = *callable;
    sem_->BeginFunction(signature_, callable);
    return ok;
  }

  bool Declare(std::unordered_set<std::string_view>& names) {
    if (!c_.Is(Tok::kName)) return c_.Fail("a name");
    if (!names.insert(c_.text()).second) c_.ReportHere(Quote(c_.text()) + " is already declared");
    c_.Advance();
    return true;
  }

  bool Signature() {
    if (!c_.Expect(Tok::kTakes)) return false;
    if (!c_.Accept(Tok::kNothing)) {
      do {
        ParamDecl param;
        param.type = c_.token();
        if (!ExpectName(c_)) return false;
        param.name = c_.token();
        if (!ExpectName(c_)) return false;
        signature_.params.push_back(param);
      } while (c_.Accept(Tok::kComma));
    }
    if (!c_.Expect(Tok::kReturns)) return false;
    signature_.returns = c_.token();
    return c_.Accept(Tok::kNothing) || ExpectName(c_);
  }

  bool GlobalsLine() {
    switch (c_.kind()) {
      case Tok::kEndglobals:
        blocks_.Close("endglobals");
        c_.Advance();
        return true;
      case Tok::kGlobals:
      case Tok::kType:
      case Tok::kNative:
      case Tok::kFunction: blocks_.CloseAll(); return TopLevel();
      case Tok::kConstant: {
        const Token start = c_.token();
        c_.Advance();
        if (c_.Is(Tok::kNative) || c_.Is(Tok::kFunction)) {
          blocks_.CloseAll();
          return Declaration(start);
        }
        return Variable(&globals_, true, false);
      }
      default: return Variable(&globals_, false, false);
    }
  }

  // TYPE [array] NAME [= EXPRESSION], after any "constant" or "local".
  // Names declared twice are looked for only where `names` is given.
  bool Variable(std::unordered_set<std::string_view>* names, bool constant, bool local) {
    VariableDecl declaration;
    declaration.constant = constant;
    declaration.local = local;
    declaration.type = c_.token();
    if (!c_.Is(Tok::kName)) return c_.Fail("a type");
    c_.Advance();
    declaration.array = c_.Accept(Tok::kArray);
    declaration.name = c_.token();
    if (!(names && !sem_ ? Declare(*names) : ExpectName(c_))) return false;
    Typed value;
    const bool has_value = c_.Accept(Tok::kAssign);
    if (has_value && !Value(value)) return false;
    if (sem_) sem_->DeclareVariable(declaration, has_value ? &value : nullptr);
    return true;
  }

  bool Value(Typed& out) { return sem_ ? typed_->Parse(out) : ParseExpression(c_); }

  bool FunctionLine() {
    switch (c_.kind()) {
      case Tok::kEndfunction:
        blocks_.Close("endfunction");
        if (sem_) {
          rules_->EndFunction(c_.token());
          sem_->EndFunction();
        }
        c_.Advance();
        return true;
      case Tok::kFunction:
      case Tok::kNative:
      case Tok::kType:
      case Tok::kGlobals:
      case Tok::kConstant:
        blocks_.CloseAll();
        if (sem_) sem_->EndFunction();
        return TopLevel();
      case Tok::kLocal: {
        if (body_started_) c_.ReportHere("\"local\" after other statements");
        c_.Advance();
        return Variable(nullptr, false, true);
      }
      default:
        body_started_ = true;
        c_.Accept(Tok::kDebug);
        return Statement();
    }
  }

  bool Statement() {
    const Token start = c_.token();
    switch (c_.kind()) {
      case Tok::kSet: c_.Advance(); return Set();
      case Tok::kCall:
        c_.Advance();
        if (sem_) return typed_->CallStatement();
        return ExpectName(c_) && c_.Expect(Tok::kLParen) && ParseArguments(c_);
      case Tok::kReturn: c_.Advance(); return Return(start);
      case Tok::kExitwhen:
        if (!blocks_.Contains("loop")) c_.ReportHere("\"exitwhen\" outside a loop");
        c_.Advance();
        return Condition("exitwhen");
      default: return BlockStatement(start);
    }
  }

  // The statements that open, branch or close an if or a loop.
  bool BlockStatement(const Token& start) {
    PathFlow* flow = sem_ ? &sem_->paths() : nullptr;
    switch (c_.kind()) {
      case Tok::kIf:
        blocks_.Open("if", "endif", start);
        if (flow) flow->OpenIf();
        c_.Advance();
        return Condition("if") && c_.Expect(Tok::kThen);
      case Tok::kElseif:
        blocks_.Branch("elseif", false);
        if (flow) flow->Branch(false);
        c_.Advance();
        return Condition("elseif") && c_.Expect(Tok::kThen);
      case Tok::kElse:
        blocks_.Branch("else", true);
        if (flow) flow->Branch(true);
        c_.Advance();
        return true;
      case Tok::kLoop:
        blocks_.Open("loop", "endloop", start);
        if (flow) flow->OpenLoop();
        c_.Advance();
        return true;
      case Tok::kEndif:
      case Tok::kEndloop:
        if (sem_) sem_->CloseBlock();
        blocks_.Close(c_.text());
        c_.Advance();
        return true;
      default: return c_.Fail("a statement");
    }
  }

  bool Set() {
    const Token name = c_.token();
    if (!ExpectName(c_)) return false;
    Typed index, value;
    const bool indexed = c_.Accept(Tok::kLBracket);
    if (indexed && !(Value(index) && c_.Expect(Tok::kRBracket))) return false;
    if (!c_.Expect(Tok::kAssign) || !Value(value)) return false;
    if (sem_) rules_->Set(name, indexed ? &index : nullptr, value);
    return true;
  }

  bool Return(const Token& start) {
    Typed value;
    const bool has_value = !c_.AtLineEnd();
    if (has_value && !Value(value)) return false;
    if (sem_) rules_->Return(start, has_value ? &value : nullptr);
    return true;
  }

  bool Condition(std::string_view keyword) {
    Typed value;
    if (!Value(value)) return false;
    if (sem_) rules_->Condition(value, keyword);
    return true;
  }

  Cursor c_;
  std::vector<JassProblem>& problems_;
  BlockStack blocks_{c_};
  std::unordered_set<std::string_view> callables_, globals_;
  bool body_started_ = false;
  bool saw_function_ = false;
  Semantics* sem_;
  std::optional<TypedExpressions> typed_;
  std::optional<StatementRules> rules_;
  SignatureDecl signature_;
  Outline* deferred_ = nullptr;
  BodiesAhead* ahead_ = nullptr;
  Token function_start_;              // of the function whose header was read last
  std::optional<Callable> callable_;  // what its header declared
};

bool IsVJassLineWord(std::string_view word) {
  // Most names are settled by their first letter and length.
  if (word.empty() || word[0] < 'a' || word[0] > 'z' || word.size() >= 64 ||
      !(kVJassLengths[static_cast<std::size_t>(word[0] - 'a')] >> word.size() & 1))
    return false;
  static const std::unordered_set<std::string_view> kWords(std::begin(kVJassLineWords), std::end(kVJassLineWords));
  return kWords.count(word) > 0;
}

bool CheckGrammar(std::string_view script, std::vector<JassProblem>& problems) {
  return Grammar(script, problems, nullptr).Run();
}

bool CheckProgramSource(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem) {
  return Grammar(script, problems, &sem).Run();
}

bool OutlineProgramSource(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem, Outline& outline,
                          bool ahead) {
  std::optional<BodiesAhead> scan;
  if (ahead) {
    try {
      scan.emplace(script);
    } catch (const std::system_error&) {
      // No thread to spare: the outline skims the bodies itself.
    }
  }
  return Grammar(script, problems, &sem, &outline, scan ? &*scan : nullptr).Run();
}

BodyReader::BodyReader(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem)
    : grammar_(std::make_unique<Grammar>(script, problems, sem)) {}

BodyReader::~BodyReader() = default;

bool BodyReader::Read(const DeferredBody& body, const Outline& outline) {
  grammar_->StartBody(body, outline);
  return grammar_->RunBody(body) == body.how;
}

}  // namespace zarn::jass

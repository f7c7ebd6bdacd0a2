#include "check/jass_grammar.h"

#include <string>
#include <unordered_set>

#include "check/jass_blocks.h"
#include "check/jass_cursor.h"
#include "check/jass_expression.h"

namespace zarn::jass {

namespace {

class Grammar {
 public:
  Grammar(std::string_view script, std::vector<JassProblem>& problems) : c_(script, problems, false) {}

  bool Run() {
    while (!c_.Is(Tok::kEnd)) {
      if (c_.SawTextMacro() || (c_.Is(Tok::kName) && IsVJassLineWord(c_.text()))) return false;
      Line();
    }
    if (c_.SawTextMacro()) return false;
    blocks_.CloseAll();
    return true;
  }

 private:
  void Line() {
    if (!c_.AtLineEnd()) {
      bool ok = blocks_.empty()                    ? TopLevel()
                : blocks_.outermost() == "globals" ? GlobalsLine()
                                                   : FunctionLine();
      if (ok && !c_.AtLineEnd()) c_.Fail("end of line");
    }
    c_.FinishLine();
  }

  bool TopLevel() {
    const Token start = c_.token();
    switch (c_.kind()) {
      case Tok::kType:
        c_.Advance();
        return ExpectName(c_) && c_.Expect(Tok::kExtends) && ExpectName(c_);
      case Tok::kGlobals:
        blocks_.Open("globals", "endglobals", start);
        c_.Advance();
        return true;
      case Tok::kConstant:
        c_.Advance();
        if (!c_.Is(Tok::kNative) && !c_.Is(Tok::kFunction)) return c_.Fail("\"native\" or \"function\"");
        return Declaration(start);
      case Tok::kNative:
      case Tok::kFunction:
        return Declaration(start);
      case Tok::kEndfunction:
      case Tok::kEndglobals:
      case Tok::kEndif:
      case Tok::kEndloop:
        blocks_.Close(c_.text());
        return false;
      case Tok::kElse:
      case Tok::kElseif:
        blocks_.Branch(c_.text(), false);
        return false;
      case Tok::kLocal: case Tok::kSet: case Tok::kCall: case Tok::kIf: case Tok::kLoop:
      case Tok::kExitwhen: case Tok::kReturn: case Tok::kDebug:
        c_.ReportHere(Quote(c_.text()) + " outside a function");
        return false;
      default:
        return c_.Fail("a declaration");
    }
  }

  // "native" or "function" and the rest of its line, after any "constant".
  bool Declaration(const Token& start) {
    const bool is_function = c_.Is(Tok::kFunction);
    if (is_function) {
      // Opened before the header is read, so that a faulty header does not
      // make every line of the body a problem too.
      blocks_.Open("function", "endfunction", start);
      body_started_ = false;
    }
    c_.Advance();
    return Declare(callables_) && Signature();
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
        if (!ExpectName(c_) || !ExpectName(c_)) return false;
      } while (c_.Accept(Tok::kComma));
    }
    return c_.Expect(Tok::kReturns) && (c_.Accept(Tok::kNothing) || ExpectName(c_));
  }

  bool GlobalsLine() {
    switch (c_.kind()) {
      case Tok::kEndglobals:
        blocks_.Close("endglobals");
        c_.Advance();
        return true;
      case Tok::kGlobals: case Tok::kType: case Tok::kNative: case Tok::kFunction:
        blocks_.CloseAll();
        return TopLevel();
      case Tok::kConstant: {
        const Token start = c_.token();
        c_.Advance();
        if (c_.Is(Tok::kNative) || c_.Is(Tok::kFunction)) {
          blocks_.CloseAll();
          return Declaration(start);
        }
        return Variable(&globals_);
      }
      default:
        return Variable(&globals_);
    }
  }

  // TYPE [array] NAME [= EXPRESSION], after any "constant" or "local".
  // Names declared twice are looked for only where `names` is given.
  bool Variable(std::unordered_set<std::string_view>* names) {
    if (!c_.Is(Tok::kName)) return c_.Fail("a type");
    c_.Advance();
    c_.Accept(Tok::kArray);
    if (!(names ? Declare(*names) : ExpectName(c_))) return false;
    return !c_.Accept(Tok::kAssign) || ParseExpression(c_);
  }

  bool FunctionLine() {
    switch (c_.kind()) {
      case Tok::kEndfunction:
        blocks_.Close("endfunction");
        c_.Advance();
        return true;
      case Tok::kFunction: case Tok::kNative: case Tok::kType: case Tok::kGlobals: case Tok::kConstant:
        blocks_.CloseAll();
        return TopLevel();
      case Tok::kLocal: {
        if (body_started_) c_.ReportHere("\"local\" after other statements");
        c_.Advance();
        return Variable(nullptr);
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
      case Tok::kSet:
        c_.Advance();
        if (!ExpectName(c_)) return false;
        if (c_.Accept(Tok::kLBracket) && !(ParseExpression(c_) && c_.Expect(Tok::kRBracket))) return false;
        return c_.Expect(Tok::kAssign) && ParseExpression(c_);
      case Tok::kCall:
        c_.Advance();
        return ExpectName(c_) && c_.Expect(Tok::kLParen) && ParseArguments(c_);
      case Tok::kIf:
        blocks_.Open("if", "endif", start);
        c_.Advance();
        return ParseExpression(c_) && c_.Expect(Tok::kThen);
      case Tok::kElseif:
        blocks_.Branch("elseif", false);
        c_.Advance();
        return ParseExpression(c_) && c_.Expect(Tok::kThen);
      case Tok::kElse:
        blocks_.Branch("else", true);
        c_.Advance();
        return true;
      case Tok::kLoop:
        blocks_.Open("loop", "endloop", start);
        c_.Advance();
        return true;
      case Tok::kEndif:
      case Tok::kEndloop:
        blocks_.Close(c_.text());
        c_.Advance();
        return true;
      case Tok::kExitwhen:
        if (!blocks_.Contains("loop")) c_.ReportHere("\"exitwhen\" outside a loop");
        c_.Advance();
        return ParseExpression(c_);
      case Tok::kReturn:
        c_.Advance();
        return c_.AtLineEnd() || ParseExpression(c_);
      default:
        return c_.Fail("a statement");
    }
  }

  Cursor c_;
  BlockStack blocks_{c_};
  std::unordered_set<std::string_view> callables_, globals_;
  bool body_started_ = false;
};

}  // namespace

bool IsVJassLineWord(std::string_view word) {
  static const std::unordered_set<std::string_view> kWords = {
      "struct", "method", "library", "library_once", "scope", "module", "interface",
      "endstruct", "endmethod", "endlibrary", "endscope", "endmodule", "endinterface",
  };
  return kWords.count(word) > 0;
}

bool CheckGrammar(std::string_view script, std::vector<JassProblem>& problems) {
  return Grammar(script, problems).Run();
}

}  // namespace zarn::jass

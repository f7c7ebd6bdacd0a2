// The current token of a check, the problems found so far, and the rule of
// one problem per line: once a line has a problem, the rest of it is skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/jass_checker.h"
#include "check/jass_lexer.h"

namespace zarn::jass {

class Cursor {
 public:
  // With `literals_only`, lexical faults other than unclosed literals are
  // not reported.
  Cursor(std::string_view script, std::vector<JassProblem>& problems, bool literals_only);
  // At the line end just before `place`, a line start of the script, as if
  // the lines before it had been read without a problem.
  Cursor(std::string_view script, std::vector<JassProblem>& problems, const LexerPlace& place);

  const Token& token() const { return token_; }
  Tok kind() const { return token_.kind; }
  std::string_view text() const { return lexer_.Text(token_); }
  std::string_view Text(const Token& token) const { return lexer_.Text(token); }
  bool Is(Tok kind) const { return token_.kind == kind; }
  bool AtLineEnd() const { return Is(Tok::kNewline) || Is(Tok::kEnd); }
  bool SawTextMacro() const { return lexer_.SawTextMacro(); }
  bool LineHasProblem() const { return line_has_problem_; }
  const AnnotationGroup& annotations() const { return lexer_.annotations(); }

  void Advance();
  bool Accept(Tok kind);
  // Accepts the token or reports what was expected instead; false then.
  bool Expect(Tok kind);
  // Reports "Expected <expected>, found <token>" unless the line already has
  // a problem. Always false.
  bool Fail(std::string_view expected);
  // A problem of the current line, reported unless the line already has one.
  void ReportHere(std::string message);
  // A problem at a token of the current line, reported unless the line
  // already has one.
  void ReportOn(const Token& where, std::string message) { ReportOn(where.line, where.column, std::move(message)); }
  void ReportOn(std::size_t line, std::size_t column, std::string message);
  // A problem found after its line was read, reported unless that line
  // already has one.
  void ReportOnEarlierLine(std::size_t line, std::size_t column, std::string message);
  // A problem tied to another line (an opener without its closer): always.
  void ReportAt(const Token& where, std::string message);
  // Skips the rest of the line and moves to the first token of the next.
  void FinishLine() {
    SkipToLineEnd();
    NextLine();
  }
  // The first half of FinishLine: to the end of the line.
  void SkipToLineEnd() {
    while (!AtLineEnd()) Advance();
  }
  // The second half: from a line end to the first token of the next line.
  void NextLine();
  // To the line end just before `place`, as the constructor from a place.
  void Restart(const LexerPlace& place);
  // For reading ahead without the cursor: what the cursor reads next comes
  // from where the lexer then stands.
  Lexer& lexer() { return lexer_; }
  // The token the lexer just read, as the current one, the problems of the
  // bytes before it left to whoever reads them.
  void Adopt(const Token& token) {
    lexer_.stray_bytes().clear();
    token_ = token;
  }

 private:
  void ReportFault();
  void ReportStrayBytes();
  void Push(std::size_t line, std::size_t column, std::string message);

  Lexer lexer_;
  Token token_;
  std::vector<JassProblem>& problems_;
  std::vector<bool> problem_lines_;  // lines that have a problem, by number
  bool literals_only_;
  bool line_has_problem_ = false;
  // A string of this line that runs over a line end: when the line fails,
  // the cause is most likely a string that was cut, so it is blamed instead.
  bool line_has_long_string_ = false;
  Token long_string_;
};

// "\"text\"" for a message, cut at a line end and after a few dozen bytes.
std::string Quote(std::string_view text);

}  // namespace zarn::jass

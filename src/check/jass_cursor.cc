#include "check/jass_cursor.h"

#include <algorithm>
#include <cstdio>

namespace zarn::jass {

namespace {

constexpr std::size_t kQuotedMax = 32;

// "Unexpected byte 0xFF".
std::string ByteName(char c) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(c));
  return std::string("Unexpected byte ") + hex;
}

std::string FaultMessage(Fault fault, std::string_view text) {
  switch (fault) {
    case Fault::kUnclosedString: return "String literal is not closed";
    case Fault::kUnclosedRawcode: return "Rawcode literal is not closed";
    case Fault::kBadNumber: return "Malformed number " + Quote(text);
    case Fault::kTrailingUnderscore: return "Name " + Quote(text) + " ends with \"_\"";
    case Fault::kBadByte: {
      const unsigned char byte = static_cast<unsigned char>(text.empty() ? 0 : text[0]);
      if (byte > 32 && byte < 127) return "Unexpected character " + Quote(text);
      return ByteName(static_cast<char>(byte));
    }
    case Fault::kForbiddenByte: {
      const std::size_t at = std::min(text.find('\0'), text.find('\xFF'));
      return std::string(ByteName(at < text.size() ? text[at] : 0)) + " inside a " +
             (text[0] == '"' ? "string" : "rawcode") + " literal";
    }
    case Fault::kBackslashAtLineEnd: return "Backslash at the end of a line inside a string";
    case Fault::kNone: break;
  }
  return "";
}

bool IsLiteralFault(Fault fault) { return fault == Fault::kUnclosedString || fault == Fault::kUnclosedRawcode; }

}  // namespace

std::string Quote(std::string_view text) {
  std::size_t end = text.find_first_of("\r\n");
  bool cut = end != std::string_view::npos;
  if (!cut) end = text.size();
  if (end > kQuotedMax) {
    end = kQuotedMax;
    cut = true;
  }
  std::string quoted;
  quoted.reserve(end + 5);
  quoted += '"';
  quoted.append(text.substr(0, end));
  quoted += cut ? "...\"" : "\"";
  return quoted;
}

Cursor::Cursor(std::string_view script, std::vector<JassProblem>& problems, bool literals_only)
    : lexer_(script), problems_(problems), literals_only_(literals_only) {
  Advance();
}

Cursor::Cursor(std::string_view script, std::vector<JassProblem>& problems, const LexerPlace& place)
    : lexer_(script, place), problems_(problems), literals_only_(false) {
  token_.kind = Tok::kNewline;
}

void Cursor::Restart(const LexerPlace& place) {
  lexer_.Rewind(place);
  lexer_.stray_bytes().clear();
  token_ = Token{};
  token_.kind = Tok::kNewline;
  line_has_problem_ = false;
  line_has_long_string_ = false;
}

void Cursor::Advance() {
  token_ = lexer_.Next();
  if (!lexer_.stray_bytes().empty()) ReportStrayBytes();
  if (token_.fault != Fault::kNone) ReportFault();
  if (token_.spans_lines && !line_has_long_string_) {
    line_has_long_string_ = true;
    long_string_ = token_;
  }
}

void Cursor::ReportStrayBytes() {
  std::vector<StrayByte>& bytes = lexer_.stray_bytes();
  if (!literals_only_)
    for (const StrayByte& stray : bytes) ReportOn(stray.line, stray.column, ByteName(stray.byte) + " inside a comment");
  bytes.clear();
}

void Cursor::ReportFault() {
  if (literals_only_ && !IsLiteralFault(token_.fault)) return;
  ReportHere(FaultMessage(token_.fault, text()));
}

bool Cursor::Accept(Tok kind) {
  if (token_.kind != kind) return false;
  Advance();
  return true;
}

bool Cursor::Expect(Tok kind) { return Accept(kind) || Fail(Quote(Spelling(kind))); }

bool Cursor::Fail(std::string_view expected) {
  if (line_has_problem_) return false;
  if (line_has_long_string_) {
    ReportAt(long_string_, "String literal is not closed on its line");
  } else {
    std::string found = Is(Tok::kNewline) ? "end of line" : Is(Tok::kEnd) ? "end of script" : Quote(text());
    ReportHere("Expected " + std::string(expected) + ", found " + found);
  }
  line_has_problem_ = true;
  return false;
}

void Cursor::ReportHere(std::string message) {
  if (line_has_problem_) return;
  line_has_problem_ = true;
  ReportAt(token_, std::move(message));
}

void Cursor::ReportOn(std::size_t line, std::size_t column, std::string message) {
  if (line_has_problem_) return;
  line_has_problem_ = true;
  Push(line, column, std::move(message));
}

void Cursor::ReportOnEarlierLine(std::size_t line, std::size_t column, std::string message) {
  if (line < problem_lines_.size() && problem_lines_[line]) return;
  Push(line, column, std::move(message));
}

void Cursor::Push(std::size_t line, std::size_t column, std::string message) {
  if (problem_lines_.size() <= line) problem_lines_.resize(line + 1);
  problem_lines_[line] = true;
  problems_.push_back({line, column, std::move(message)});
}

void Cursor::ReportAt(const Token& where, std::string message) { Push(where.line, where.column, std::move(message)); }

void Cursor::NextLine() {
  line_has_problem_ = false;
  line_has_long_string_ = false;
  if (Is(Tok::kNewline)) Advance();
}

}  // namespace zarn::jass

// Tokens of a JASS 2 script, read one at a time without copying the text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zarn::jass {

enum class Tok : std::uint8_t {
  kEnd,      // end of the script
  kNewline,  // CR LF, LF or a lone CR
  kName,
  kNumber,  // integer (decimal, octal, 0x or $ hex) or real
  kString,
  kRawcode,
  kBad,  // a byte that cannot start a token
  kLParen,
  kRParen,
  kLBracket,
  kRBracket,
  kComma,
  kAssign,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kPercent,
  kEq,
  kNe,
  kLt,
  kGt,
  kLe,
  kGe,
  // Keywords.
  kFunction,
  kEndfunction,
  kTakes,
  kReturns,
  kNothing,
  kNative,
  kConstant,
  kType,
  kExtends,
  kGlobals,
  kEndglobals,
  kLocal,
  kArray,
  kSet,
  kCall,
  kIf,
  kThen,
  kElseif,
  kElse,
  kEndif,
  kLoop,
  kEndloop,
  kExitwhen,
  kReturn,
  kDebug,
  kAnd,
  kOr,
  kNot,
  kTrue,
  kFalse,
  kNull,
};

// What is wrong with a token as written; the token is still usable.
enum class Fault : std::uint8_t {
  kNone,
  kUnclosedString,   // runs to the end of its line
  kUnclosedRawcode,  // runs to the end of its line
  kBadByte,
  kBadNumber,
  kTrailingUnderscore,
  kForbiddenByte,       // a NUL or 0xFF byte inside a string or rawcode
  kBackslashAtLineEnd,  // in a string: the game's reader refuses it
};

// A byte the game's reader does not take, met inside a comment.
struct StrayByte {
  std::size_t line = 1, column = 1;
  char byte = 0;
};

// The "//#" lines read last, each on a line of its own, one after another.
struct AnnotationGroup {
  std::vector<std::string_view> lines;
  std::size_t last_line = 0;  // of the last of them; 0 for none
};

// Where a lexer stands at the start of a line, with what it has learnt of
// the script so far: another lexer can go on from there.
struct LexerPlace {
  std::size_t pos = 0, line = 1, line_start = 0;
  std::size_t no_block_end_from = static_cast<std::size_t>(-1);
  std::size_t no_string_end_from = static_cast<std::size_t>(-1);
};

// By the first letter of a name from 'a' to 'z', a bit for each length
// below 64.
using NameLengths = std::array<std::uint64_t, 26>;

struct Token {
  Tok kind = Tok::kEnd;
  Fault fault = Fault::kNone;
  bool spans_lines = false;          // a string literal with a line end inside
  std::size_t begin = 0, end = 0;    // byte offsets into the script
  std::size_t line = 1, column = 1;  // of `begin`, both from 1
};

class Lexer {
 public:
  // A UTF-8 byte order mark is a blank wherever it stands: joined files
  // carry theirs into the middle. A "//" comment runs to the next line feed:
  // a lone CR inside it counts as a line for line numbers but does not end
  // the comment.
  explicit Lexer(std::string_view script);
  // Goes on from `place`, a line start of the same script.
  Lexer(std::string_view script, const LexerPlace& place);

  Token Next();
  std::string_view Text(const Token& token) const { return script_.substr(token.begin, token.end - token.begin); }
  // True once a line has begun with a vJass text macro directive
  // ("//! textmacro", "//! endtextmacro", "//! runtextmacro").
  bool SawTextMacro() const { return saw_text_macro_; }
  // The annotation lines read last; see jass_annotations.h for their rule.
  const AnnotationGroup& annotations() const { return annotations_; }
  // Those of another lexer of the same script that read up to where this
  // one goes on.
  void SetAnnotations(const AnnotationGroup& group) { annotations_ = group; }
  // NUL and 0xFF bytes of the comments read since the last call.
  std::vector<StrayByte>& stray_bytes() { return stray_bytes_; }

  // Where the lexer stands; right after a line end, a place to go on from.
  LexerPlace place() const;
  // Back to a place taken at a line start of this lexer.
  void Rewind(const LexerPlace& place);
  // Past the rest of the line whose first token was just read, as Next
  // would read it: the lexer then stands where it would after returning the
  // line's end, or at the end of the script. Stray bytes are dropped.
  void SkipRestOfLine();
  // At a line start whose first token is a name after blanks only: reads it
  // as Next would, its keyword to `kind`, without making a token. False, and
  // nothing read, for any other line.
  bool ReadLineStartName(Tok& kind, std::string_view& name);
  // From a line start, skips whole lines as Next and SkipRestOfLine would
  // read them while each is blank or begins, after blanks, with a name whose
  // first letter and length `stops` does not hold; stops at the start of
  // any other line (or at the end of the script).
  void SkipLinesOfNames(const NameLengths& stops);

 private:
  bool SkipBlanksAndComments();
  void SkipLineComment();
  bool SkipBlockComment();
  std::size_t SkipLineEnd(std::size_t at);
  // Past the line end at `at`, at the start of the next line.
  void PassLineEnd(std::size_t at);
  Token Make(Tok kind, std::size_t begin, std::size_t line, std::size_t line_start) const;
  void ReadName(Token& token);
  void ReadNumber(Token& token);
  void ReadQuoted(Token& token, char quote);
  void ReadOperator(Token& token);

  std::string_view script_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  std::size_t line_start_ = 0;
  bool at_line_start_ = true;  // nothing but blanks so far on this line
  bool saw_text_macro_ = false;
  AnnotationGroup annotations_;
  std::vector<StrayByte> stray_bytes_;
  // No "*/" follows this offset, so a "/*" at or after it opens nothing.
  std::size_t no_block_end_from_ = std::string_view::npos;
  // No unescaped '"' follows the string opened at this offset.
  std::size_t no_string_end_from_ = std::string_view::npos;
};

// The keyword spelled by a name, or Tok::kName.
Tok KeywordOf(std::string_view name);
// How a token kind is written, e.g. "endloop" or "(", for messages.
std::string_view Spelling(Tok kind);

}  // namespace zarn::jass

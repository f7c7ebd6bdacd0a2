// The game's API of each patch, carried inside the programs: one table of
// declarations per patch (data/api/PATCH.txt, made by zarn-apitable from
// the game's common.j and Blizzard.j), rendered as JASS declarations when a
// check needs it.
//
// A table's rows, one a line, fields split by tabs ("#" begins a comment):
//   file NAME                          the declarations below are of NAME
//   type NAME PARENT
//   [constant ]native|function NAME RETURNS ["TYPE NAME"]...
//   global|constant|array NAME TYPE [=[VALUE]]
// "=" alone: a value the table does not keep; "=VALUE": a literal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// The patches with a table, oldest first: "1.24" to "2.0".
const std::vector<std::string>& BuiltinPatches();

// The table of the newest patch not newer than `version` ("1.32.8" gives
// "1.32"); empty when `version` is not a dotted version or older than the
// oldest table.
std::string BuiltinPatchFor(std::string_view version);

// Dotted versions compared number by number, a missing number as 0:
// negative, zero or positive. False in `valid` when one is not a version.
int CompareVersions(std::string_view a, std::string_view b, bool* valid = nullptr);

// The rows of `patch`'s table; empty when there is none.
std::string_view BuiltinTable(std::string_view patch);

// The table's declarations as a JASS 2 program: the types, the globals (a
// value the table does not keep is the type's zero, marked so), the natives,
// then the functions, each returning its type's zero.
std::string RenderDeclarations(std::string_view table, std::string_view title);

// The literal value of constant `name` in `patch`'s table; empty when it
// has none.
std::string BuiltinConstantValue(std::string_view patch, std::string_view name);

// The value a global's declaration gives, from the rest of its line after
// the name: what follows "=", without a trailing comment or blanks; empty
// when there is no "=".
std::string_view DeclaredValue(std::string_view after_name);

// True for a JASS literal, with an optional leading minus: a number, a
// string or rawcode literal, true, false or null.
bool IsJassLiteral(std::string_view value);

}  // namespace zarn

// JASS 2 expressions: operands (literals, names, array reads, calls,
// "function Name" references, parentheses) joined by binary operators, each
// operand with any prefix of "not", unary minus and unary plus.
#pragma once

#include "check/jass_cursor.h"

namespace zarn::jass {

// Reads one expression; false after reporting a problem.
bool ParseExpression(Cursor& cursor);
// Reads a call's arguments and its ")", the "(" already read.
bool ParseArguments(Cursor& cursor);
// Reads a name; false after reporting a problem.
bool ExpectName(Cursor& cursor);

}  // namespace zarn::jass

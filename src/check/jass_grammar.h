// The JASS 2 grammar of declarations and statements, one line at a time.
#pragma once

#include <string_view>
#include <vector>

#include "check/jass_checker.h"

namespace zarn::jass {

// Checks the script, adding its problems. False when a line turned out to be
// vJass: the check stopped there and its problems are incomplete.
bool CheckGrammar(std::string_view script, std::vector<JassProblem>& problems);

class Semantics;
// The same with names and types judged by `sem`, whose tables the script's
// declarations join.
bool CheckProgramSource(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem);

// True for the words that begin a vJass block line or end one.
bool IsVJassLineWord(std::string_view word);

}  // namespace zarn::jass

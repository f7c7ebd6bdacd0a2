// zarn-cli --check, and what the console program's modes share with it:
// reading an input named on the command line and finding the game's API.
#pragma once

#include <string>

#include "cli/options.h"

namespace zarn::cli {

// Reads a script file named on the command line ("-": standard input);
// false after saying why not.
bool ReadInput(const std::string& path, std::string& bytes);
// A readable --api folder (or none given), or a message and false: a
// missing folder or file is a bad command line.
bool ApiDirUsable(const std::string& dir);
// The working folder to look for the API in; empty when there is none for
// this user: checking a plain file needs no working folder.
std::string ApiLookupDir();
// --check: the problems of the files, in the compiler style editors read;
// the exit code.
int CheckFiles(const Options& cli);

}  // namespace zarn::cli

// The running program and the others it starts: its arguments, its console,
// the desktop's web browser and memory tuning. Work that runs isolated in a
// process of its own is isolated_process.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// The program's arguments as UTF-8, the program name first. On Windows they
// are read from the UTF-16 command line, so that any file name comes through.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Sets a console program up the same way on every system: standard input
// and output carry bytes untranslated, the console shows UTF-8 (Windows),
// and a full disk, a file size limit or a closed pipe show up as failed
// writes with their messages instead of ending the process (POSIX).
void PrepareConsole();
// True when standard error is a terminal or console window.
bool StandardErrorIsTerminal();

// Asks the desktop to open a web address; returns false when it could not.
bool OpenUrl(const std::string& url);
// Starts a program without waiting for it; returns false when it could not.
bool StartProcess(const std::string& program, const std::vector<std::string>& args);

// Keeps freed memory in the process instead of returning each large block to
// the system: the passes allocate and free many script-sized strings, and
// mapping them anew every time costs more than the passes themselves.
void TuneMemoryAllocator();

// The bytes every executable file of this system starts with.
std::string_view ExecutableSignature();

}  // namespace zarn

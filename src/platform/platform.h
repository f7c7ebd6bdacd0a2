// The few things that depend on the operating system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

// Paths are UTF-8 strings on every system; the Windows implementation turns
// them into UTF-16 names at each system call.

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

// Real path of the running executable.
std::string ExecutablePath();
// Folder of the running executable, without a trailing separator.
std::string ExecutableDir();
// True when this user can create a file in `dir`; tried by creating one and
// removing it again, since permission bits do not tell about read-only mounts,
// access control lists or root.
bool CanCreateFileIn(const std::string& dir);
// True when this user can put another file in the place of `path` by renaming:
// files can be created in its folder and, in a folder with the sticky bit set,
// the user owns the file or the folder.
bool CanReplaceFile(const std::string& path);
// The user's own state folder for ZARN: $XDG_STATE_HOME/zarn when that is an
// absolute path, otherwise ~/.local/state/zarn. Not created here.
std::string UserStateDir();
// The folder of the working files: the executable's folder when this user can
// create files there (as in a portable copy), otherwise UserStateDir(),
// created with mode 0700 along with any missing parents. Throws FileError when
// it cannot be created.
std::string WorkingDir();
// The same choice for a program in `program_dir`.
std::string WorkingDirFor(const std::string& program_dir);
// Joins a folder and a file name with the platform's separator.
std::string PathJoin(const std::string& dir, const std::string& name);
// Asks the desktop to open a web address; returns false when it could not.
bool OpenUrl(const std::string& url);
// Starts a program without waiting for it; returns false when it could not.
bool StartProcess(const std::string& program, const std::vector<std::string>& args);

// Throws FileError when writing the working file `path` would write through a
// symbolic link (to wherever it points) or into the file `keep` (the map).
void CheckWorkingFileTarget(const std::string& path, const std::string& keep);

// Keeps freed memory in the process instead of returning each large block to
// the system: the passes allocate and free many script-sized strings, and
// mapping them anew every time costs more than the passes themselves.
void TuneMemoryAllocator();

// An exclusive lock on a lock file, held until destruction. Processes that
// share a working folder take turns through it.
class FileLock {
 public:
  // Creates `path` when needed. Throws FileError when it cannot be created.
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock without waiting; false when another process holds it.
  bool TryLock();
  // Waits until the lock is free and takes it.
  void Lock();

 private:
  std::intptr_t handle_ = -1;  // file descriptor, or HANDLE on Windows
};

}  // namespace zarn

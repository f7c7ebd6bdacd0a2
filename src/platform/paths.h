// Paths, the running program's own, and the folder of the working files.
#pragma once

#include <string>

namespace zarn {

// Paths are UTF-8 strings on every system; the Windows implementation turns
// them into UTF-16 names at each system call.

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
// Creates `dir` and its missing parents (mode 0700 on POSIX); throws FileError
// when it cannot be created or is not a folder.
void CreateFolders(const std::string& dir);
// The same choice for a program in `program_dir`.
std::string WorkingDirFor(const std::string& program_dir);
// Joins a folder and a file name with the platform's separator.
std::string PathJoin(const std::string& dir, const std::string& name);
// The last part of a path, without its folder.
std::string FileName(const std::string& path);

}  // namespace zarn

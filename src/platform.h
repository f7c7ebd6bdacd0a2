// The few things that depend on the operating system.
#pragma once

#include <string>
#include <vector>

namespace zarn {

// Real path of the running executable.
std::string ExecutablePath();
// Folder of the running executable, without a trailing separator.
std::string ExecutableDir();
// Joins a folder and a file name with the platform's separator.
std::string PathJoin(const std::string& dir, const std::string& name);
// Asks the desktop to open a web address; returns false when it could not.
bool OpenUrl(const std::string& url);
// Starts a program without waiting for it; returns false when it could not.
bool StartProcess(const std::string& program, const std::vector<std::string>& args);

}  // namespace zarn

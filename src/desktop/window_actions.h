// What the windows' buttons and links do, whatever toolkit shows them. The
// system calls come in as functions, so that tests can watch them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zarn {

// Starts a program without waiting for it; the result is not looked at.
using ProcessStarter = std::function<bool(const std::string& program, const std::vector<std::string>& args)>;
// Asks the desktop to open a web address; the result is not looked at.
using UrlOpener = std::function<bool(const std::string& url)>;

// The errors window's About button: starts this very program again, without
// arguments, so it shows its About window. The running executable is found
// by its real path, not relative to whatever the working folder happens to
// be.
void ShowAboutInNewProcess(const ProcessStarter& start);

// A click on the About window's link: the community site, while the link
// shows the project's address. The window stays open.
void OpenLinkTarget(const UrlOpener& open);

}  // namespace zarn

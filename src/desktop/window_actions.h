// What the windows' buttons and links do, whatever toolkit shows them. The
// system calls come in as functions, so that tests can watch them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zarn {

// Starts a program without waiting for it; false when it could not.
using ProcessStarter = std::function<bool(const std::string& program, const std::vector<std::string>& args)>;
// Asks the desktop to open a web address; the result is not looked at.
using UrlOpener = std::function<bool(const std::string& url)>;
// A modal message box captioned "ZARN"; `error` adds the error icon.
using MessageShower = std::function<void(const std::string& text, bool error)>;

// The errors window's About button: starts this very program again, without
// arguments, so it shows its About window. The running executable is found
// by its real path, not relative to whatever the working folder happens to
// be. When it cannot be started, `tell` shows an error message that says so.
void ShowAboutInNewProcess(const ProcessStarter& start, const MessageShower& tell);

// The message of an About window that could not be started.
std::string AboutNotStartedMessage(const std::string& program);

// A click on the About window's link: the community site, while the link
// shows the project's address. The window stays open.
void OpenLinkTarget(const UrlOpener& open);

}  // namespace zarn

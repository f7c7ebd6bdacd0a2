#include "desktop/window_actions.h"

#include "desktop/window_texts.h"
#include "platform/paths.h"

namespace zarn {

void ShowAboutInNewProcess(const ProcessStarter& start, const MessageShower& tell) {
  if (!start) return;
  const std::string program = ExecutablePath();
  if (!start(program, {}) && tell) tell(AboutNotStartedMessage(program), true);
}

std::string AboutNotStartedMessage(const std::string& program) {
  return "Cannot start " + program + " to show the About window.";
}

void OpenLinkTarget(const UrlOpener& open) {
  if (open) open(window_texts::kAboutLinkTarget);
}

}  // namespace zarn

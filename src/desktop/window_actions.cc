#include "desktop/window_actions.h"

#include "desktop/window_texts.h"
#include "platform/paths.h"

namespace zarn {

void ShowAboutInNewProcess(const ProcessStarter& start) {
  if (start) start(ExecutablePath(), {});
}

void OpenLinkTarget(const UrlOpener& open) {
  if (open) open(window_texts::kAboutLinkTarget);
}

}  // namespace zarn

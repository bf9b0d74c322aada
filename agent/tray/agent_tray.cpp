#include "agent/tray/agent_tray.h"

#include <mutex>

namespace {

struct TraySources {
  std::mutex lock;
  std::function<cVkViewerInfo()> viewer;
  std::function<uint32_t()> notificationMode;
};

TraySources& Sources() {
  static TraySources sources;
  return sources;
}

}  // namespace

cVkSessionTrayAdapter& AgentTray() {
  static cVkSessionTrayAdapter tray({[] {
                                       std::function<cVkViewerInfo()> viewer;
                                       {
                                         std::lock_guard<std::mutex> hold(Sources().lock);
                                         viewer = Sources().viewer;
                                       }
                                       return viewer ? viewer() : cVkViewerInfo{};
                                     },
                                     [] {
                                       std::function<uint32_t()> mode;
                                       {
                                         std::lock_guard<std::mutex> hold(Sources().lock);
                                         mode = Sources().notificationMode;
                                       }
                                       return mode ? mode() : NOTIFY_QUESTION;
                                     }});
  return tray;
}

void ConnectAgentTray(std::function<cVkViewerInfo()> viewer, std::function<uint32_t()> notificationMode) {
  std::lock_guard<std::mutex> hold(Sources().lock);
  Sources().viewer = std::move(viewer);
  Sources().notificationMode = std::move(notificationMode);
}

#include "agent/desktop/capture_set.h"

#include "log/orklog.h"

cVkCaptureSet::cVkCaptureSet(cVkCaptureSetLinks links) {
  screen_ = std::make_unique<cVkScreenManager>(
      builder_, cVkScreenManagerLinks{links.settings, links.logFile,
                                      [this](cOrkLog& log) { return desktop_->UseInputDesktop(log); }});
  window_ = std::make_unique<cVkMessageWindow>(
      *screen_, cVkMessageWindowLinks{links.settings, links.logFile, links.restartDelayMs});
  cVkDesktopManagerLinks desktopLinks;
  desktopLinks.source = links.source ? links.source : &displaySource_;
  desktopLinks.hooks = links.hooks ? links.hooks : &deskHook_;
  desktopLinks.messageWindow = window_.get();
  desktopLinks.addFullScreen = [this] { screen_->AddFullScreen(); };
  desktopLinks.desktopSwitched = [this] { window_->DesktopSwitched(); };
  desktopLinks.logFile = links.logFile;
  desktopLinks.checkIntervalMs = links.desktopCheckMs;
  desktop_ = std::make_unique<cVkDesktopManager>(desktopLinks);
}

// Threads stop in the session's order: desktop manager (and with it the
// hooks and the message window), then the screen manager.
cVkCaptureSet::~cVkCaptureSet() {
  cOrkLog log;
  desktop_->Stop(log);
  screen_->Stop(log);
}

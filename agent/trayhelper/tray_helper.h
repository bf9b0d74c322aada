// deskagent-tray: the tray in the user's session. It shows what the agent
// sends over the link (icon, tooltip, balloons, the question, the viewer
// for the About window) and sends back the person's answers and menu
// choices. It ends when the agent says so or the link ends.
#pragma once

#include <QLocalSocket>
#include <QObject>

#include <memory>

#include "agent/tray/tray_gui.h"
#include "agent/tray/tray_gui_events.h"
#include "common/traylink/tray_link.h"

class cVkTrayHelper final : public QObject, public cVkTrayGuiEvents {
 public:
  // `linkFd`: the agent's socket pair end, inherited by this process.
  explicit cVkTrayHelper(int linkFd);
  bool Connected() const { return link_.state() == QLocalSocket::ConnectedState; }

  void AnswerQuestion(uint64_t id, bool yes) override;
  void QuestionShown(uint64_t id) override;
  void ToggleAllowed() override;
  void RefreshIcon() override;
  cVkViewerInfo ViewerInfo() override { return viewer_; }

 private:
  void ReadLink();
  void Handle(const vk::traylink::TrayMessage& message);
  void Send(const vk::traylink::TrayMessage& message);

  QLocalSocket link_;
  vk::traylink::FrameReader reader_{false};
  cVkTrayGui gui_{*this};
  cVkTrayState shown_;
  cVkViewerInfo viewer_;
};

#include "agent/trayhelper/tray_helper.h"

#include <QApplication>

#include <cstdio>

using vk::traylink::FrameReader;
using vk::traylink::MessageType;
using vk::traylink::TrayMessage;

namespace {

cVkTrayState StateOf(const TrayMessage& m) {
  cVkTrayState state;
  state.iconState = m.iconState;
  state.notificationMode = m.notificationMode;
  state.tipText = m.tipText;
  state.balloonTitle = m.balloonTitle;
  state.balloonText = m.balloonText;
  state.balloonIcon = m.balloonIcon;
  state.balloonPending = m.balloonPending;
  return state;
}

TrayMessage WithId(MessageType type, uint64_t id) {
  TrayMessage m;
  m.type = type;
  m.questionId = id;
  return m;
}

}  // namespace

cVkTrayHelper::cVkTrayHelper(int linkFd) {
  connect(&link_, &QLocalSocket::readyRead, this, [this] { ReadLink(); });
  connect(&link_, &QLocalSocket::disconnected, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  link_.setSocketDescriptor(linkFd, QLocalSocket::ConnectedState, QIODevice::ReadWrite);
}

void cVkTrayHelper::ReadLink() {
  QByteArray bytes = link_.readAll();
  reader_.Feed(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
  TrayMessage message;
  FrameReader::Result result;
  while ((result = reader_.Next(&message)) == FrameReader::Result::Message) Handle(message);
  if (result != FrameReader::Result::Malformed) return;
  std::fputs("deskagent-tray: the agent's link sent a malformed frame; ending.\n", stderr);
  link_.abort();
  QCoreApplication::quit();
}

void cVkTrayHelper::Handle(const TrayMessage& message) {
  switch (message.type) {
    case MessageType::State:
      shown_ = StateOf(message);
      gui_.Apply(shown_);
      return;
    case MessageType::Viewer:
      viewer_ = cVkViewerInfo{message.connected, message.viewerName, message.address};
      return;
    case MessageType::Ask:
      gui_.Ask(message.questionId);
      return;
    case MessageType::CloseQuestion:
      gui_.CloseQuestion(message.questionId);
      return;
    case MessageType::Quit:
      QCoreApplication::quit();
      return;
    default:
      return;  // the reader lets only the agent's types through
  }
}

void cVkTrayHelper::Send(const TrayMessage& message) {
  std::vector<uint8_t> frame = vk::traylink::Encode(message);
  link_.write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
  link_.flush();
}

void cVkTrayHelper::AnswerQuestion(uint64_t id, bool yes) {
  TrayMessage answer = WithId(MessageType::Answer, id);
  answer.yes = yes;
  Send(answer);
}

void cVkTrayHelper::QuestionShown(uint64_t id) { Send(WithId(MessageType::QuestionShown, id)); }

void cVkTrayHelper::ToggleAllowed() {
  TrayMessage toggle;
  toggle.type = MessageType::Toggle;
  Send(toggle);
}

// Shown again without its balloon, for a notification area that restarted.
void cVkTrayHelper::RefreshIcon() {
  cVkTrayState again = shown_;
  again.balloonPending = false;
  gui_.Apply(again);
}

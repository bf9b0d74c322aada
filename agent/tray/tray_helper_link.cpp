#include "agent/tray/tray_helper_link.h"

#include "platform/core/error_codes.h"
#include "platform/process/link_socket.h"

using vk::traylink::FrameReader;
using vk::traylink::MessageType;
using vk::traylink::TrayMessage;

int32_t cVkTrayHelperLink::Start(const vk::UserProcessLaunch& helper, Events events,
                                 std::unique_ptr<cVkTrayHelperLink>* link) {
  std::unique_ptr<cVkTrayHelperLink> started(new cVkTrayHelperLink(std::move(events)));
  if (int32_t code = vk::UserProcess::Start(helper, &started->process_); code != 0) return code;
  started->reader_ = std::thread([l = started.get()] { l->Read(); });
  *link = std::move(started);
  return 0;
}

cVkTrayHelperLink::~cVkTrayHelperLink() {
  TrayMessage quit;
  quit.type = MessageType::Quit;
  // A helper that sent garbage gets no time to go by itself.
  if (Send(quit)) process_->WaitForExit(std::chrono::seconds(2));
  vk::LinkShutdown(process_->LinkFd());
  reader_.join();
  process_.reset();  // ends the helper if it is still there
}

void cVkTrayHelperLink::Finish(End end) {
  if (ended_.exchange(true)) return;
  end_ = end;
  vk::LinkShutdown(process_->LinkFd());
  if (events_.ended) events_.ended(end);
}

bool cVkTrayHelperLink::Send(const TrayMessage& message) {
  if (ended_) return false;
  std::lock_guard hold(sendLock_);
  int32_t code = vk::LinkSend(process_->LinkFd(), vk::traylink::Encode(message));
  if (code == 0) return true;
  // Gone, or not reading: either way nothing more reaches it.
  Finish(code == ERROR_BUSY ? End::NotReading : End::HelperGone);
  return false;
}

void cVkTrayHelperLink::Read() {
  FrameReader reader(true);
  uint8_t buffer[1024];
  for (;;) {
    size_t got = 0;
    if (vk::LinkReceive(process_->LinkFd(), buffer, sizeof buffer, &got) != 0 || got == 0) {
      Finish(End::HelperGone);
      return;
    }
    reader.Feed(buffer, got);
    TrayMessage message;
    FrameReader::Result result;
    while ((result = reader.Next(&message)) == FrameReader::Result::Message) {
      if (!ended_ && events_.message) events_.message(message);
    }
    if (result == FrameReader::Result::Malformed) {
      Finish(End::Malformed);
      return;
    }
  }
}

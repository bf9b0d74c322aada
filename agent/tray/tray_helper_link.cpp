#include "agent/tray/tray_helper_link.h"

#include <atomic>
#include <mutex>

#include "platform/core/error_codes.h"
#include "platform/process/link_socket.h"

using vk::traylink::FrameReader;
using vk::traylink::MessageType;
using vk::traylink::TrayMessage;

struct cVkTrayHelperLink::State {
  explicit State(Events e) : events(std::move(e)) {}
  void Finish(End end);
  bool Send(const TrayMessage& message);
  int32_t Read(vk::ManualResetEvent& stop);

  Events events;
  std::unique_ptr<vk::UserProcess> process;
  std::mutex sendLock;
  std::atomic<bool> ended{false};
};

void cVkTrayHelperLink::State::Finish(End end) {
  if (ended.exchange(true)) return;
  vk::LinkShutdown(process->LinkFd());
  if (events.ended) events.ended(end);
}

bool cVkTrayHelperLink::State::Send(const TrayMessage& message) {
  if (ended) return false;
  std::lock_guard hold(sendLock);
  const int32_t code = vk::LinkSend(process->LinkFd(), vk::traylink::Encode(message));
  if (code == 0) return true;
  // Gone, or not reading: either way nothing more reaches it.
  Finish(code == ERROR_BUSY ? End::NotReading : End::HelperGone);
  return false;
}

int32_t cVkTrayHelperLink::State::Read(vk::ManualResetEvent& stop) {
  // A stop wakes the blocked receive; it then reads the end of the link.
  auto wake = stop.OnSet([fd = process->LinkFd()] { vk::LinkShutdown(fd); });
  FrameReader reader(true);
  uint8_t buffer[1024];
  for (;;) {
    size_t got = 0;
    if (vk::LinkReceive(process->LinkFd(), buffer, sizeof buffer, &got) != 0 || got == 0) {
      Finish(End::HelperGone);
      return 0;
    }
    reader.Feed(buffer, got);
    TrayMessage message;
    FrameReader::Result result;
    while ((result = reader.Next(&message)) == FrameReader::Result::Message) {
      if (!ended && events.message) events.message(message);
    }
    if (result == FrameReader::Result::Malformed) {
      Finish(End::Malformed);
      return 0;
    }
  }
}

cVkTrayHelperLink::cVkTrayHelperLink(std::shared_ptr<State> state) : state_(std::move(state)) {}

int32_t cVkTrayHelperLink::Start(const vk::UserProcessLaunch& helper, Events events,
                                 std::unique_ptr<cVkTrayHelperLink>* link) {
  auto state = std::make_shared<State>(std::move(events));
  if (int32_t code = vk::UserProcess::Start(helper, &state->process); code != 0) return code;
  std::unique_ptr<cVkTrayHelperLink> started(new cVkTrayHelperLink(state));
  if (int32_t code = started->reader_.Start([state](vk::ManualResetEvent& stop) { return state->Read(stop); });
      code != 0)
    return code;
  *link = std::move(started);
  return 0;
}

cVkTrayHelperLink::~cVkTrayHelperLink() {
  TrayMessage quit;
  quit.type = MessageType::Quit;
  // A helper that sent garbage gets no time to go by itself.
  if (state_->Send(quit)) state_->process->WaitForExit(std::chrono::seconds(2));
  if (reader_.Stop().outcome == vk::ThreadStopOutcome::Ended) {
    state_->process.reset();  // ends the helper if it is still there
    return;
  }
  // The reader was let go and still holds the link: the helper ends now,
  // its process record goes with the reader.
  state_->process->Kill();
}

bool cVkTrayHelperLink::Send(const TrayMessage& message) { return state_->Send(message); }

bool cVkTrayHelperLink::Ended() const { return state_->ended; }

int cVkTrayHelperLink::HelperPid() const { return state_->process->Pid(); }

// An X client that records the keyboard and mouse input reaching its window,
// which covers the whole screen and holds the keyboard focus.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vk::testing {

struct RecordedEvent {
  int type = 0;  // KeyPress, KeyRelease, ButtonPress, ButtonRelease, MotionNotify
  unsigned keycode = 0;
  unsigned long keysym = 0;  // of the key at the event's time, with its modifiers
  std::string text;          // what the key types
  unsigned state = 0;
  unsigned button = 0;
  int x = 0, y = 0;  // root coordinates
};

class EventRecorder {
 public:
  EventRecorder() = default;
  ~EventRecorder();
  bool Open(const std::string& displayName);

  // Reads events until pred holds for the recorded list or the deadline
  // passes; answers pred's last value.
  bool WaitFor(const std::function<bool(const std::vector<RecordedEvent>&)>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Makes sure every event the server has produced so far is recorded: a
  // round trip through the server, then draining.
  void Drain();
  const std::vector<RecordedEvent>& Events() const { return events_; }
  void Clear() { events_.clear(); }
  // Presses and releases the key of keysym through XTest on this client's
  // own connection, as a local typing tool does; false when no key has it.
  bool TypeLocally(unsigned long keysym);
  // Whether another client can grab every physical keyboard (XTest's own
  // device aside) now; each grab is released again at once.
  bool PhysicalKeyboardsGrabbable();
  // Keysym bound to a keycode right now (first column).
  unsigned long KeysymOf(unsigned keycode);
  // Keycode that produces keysym, 0 when none.
  unsigned KeycodeOf(unsigned long keysym);

 private:
  void ReadPending();
  Display* display_ = nullptr;
  Window window_ = 0;
  int xkbEventBase_ = -1;
  std::vector<RecordedEvent> events_;
};

}  // namespace vk::testing

// XTest realisation of the input injector.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/core/error_codes.h"
#include "platform/x11/display_target.h"
#include "platform/xtest/input_injector.h"
#include "platform/xtest/x_errors.h"

namespace vk {
namespace {

constexpr int kMaxSpareKeys = 8;

unsigned XButtonNumber(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return 1;
    case MouseButton::Middle:
      return 2;
    case MouseButton::Right:
      return 3;
  }
  return 1;
}

class XTestInjector final : public iVkInputInjector {
 public:
  explicit XTestInjector(std::string displayName) : displayName_(std::move(displayName)) {}
  ~XTestInjector() override { Close(); }

  int32_t Open() override {
    if (display_ && broken_) Close();                  // the server went away: start afresh
    if (display_ && Served() != generation_) Close();  // the agent serves another display now
    if (display_) return 0;
    broken_ = false;
    generation_ = Served();
    display_ = OpenXDisplay(displayName_, &broken_);
    if (!display_ || broken_) return ERROR_NOT_READY;
    int event, error, major, minor;
    if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
      Close();
      return ERROR_NOT_SUPPORTED;
    }
    // Synthetic input must pass even while another client grabs the server.
    XTestGrabControl(display_, True);
    FindSpareKeycodes();
    return 0;
  }

  void Close() override {
    if (!display_) return;
    if (!broken_) {
      ReleaseHeldButtons();
      ReleaseHeldKeys();
      RestoreSpareKeycodes();
    }
    XCloseDisplay(display_);
    display_ = nullptr;
    spare_.clear();
    held_.clear();
    heldButtons_.clear();
    wheelRemainder_ = 0;
  }

  bool ScreenSize(int32_t& width, int32_t& height) override {
    if (!Alive()) return false;
    Window root;
    int x, y;
    unsigned w, h, border, depth;
    if (!XGetGeometry(display_, DefaultRootWindow(display_), &root, &x, &y, &w, &h, &border, &depth)) return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
  }

  int32_t MoveTo(int32_t x, int32_t y) override {
    if (!display_ || broken_) return ERROR_NOT_READY;
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    return Flush();
  }

  int32_t Button(MouseButton button, bool down) override {
    if (!display_ || broken_) return ERROR_NOT_READY;
    const unsigned number = XButtonNumber(button);
    if (down)
      heldButtons_.insert(number);
    else
      heldButtons_.erase(number);
    XTestFakeButtonEvent(display_, number, down ? True : False, CurrentTime);
    return Flush();
  }

  int32_t Wheel(int32_t delta) override {
    if (!display_ || broken_) return ERROR_NOT_READY;
    // X turns the wheel in whole notches (button 4 away, 5 towards the
    // user); fine-grained deltas add up until they make one.
    wheelRemainder_ += delta;
    int notches = wheelRemainder_ / 120;
    wheelRemainder_ -= notches * 120;
    unsigned button = notches > 0 ? 4 : 5;
    for (int i = 0; i < std::abs(notches); ++i) {
      XTestFakeButtonEvent(display_, button, True, CurrentTime);
      XTestFakeButtonEvent(display_, button, False, CurrentTime);
    }
    return Flush();
  }

  int32_t Key(uint32_t keysym, bool down) override {
    if (!Alive()) return ERROR_NOT_READY;
    return down ? Press(keysym) : Release(keysym);
  }

 private:
  // The generation of the display served; a named display never changes.
  uint64_t Served() const { return displayName_.empty() ? x11::DisplayGeneration() : 0; }

  struct SpareKey {
    KeyCode code;
    KeySym bound = NoSymbol;
    uint64_t lastUse = 0;
  };

  // Xlib's keyboard map calls do not survive a lost server: a round trip
  // first finds out.
  bool Alive() {
    if (!display_ || broken_) return false;
    XSync(display_, False);
    return !broken_;
  }

  // A round trip per replayed event: the events are in the server when the
  // call returns, and a flood cannot pile up requests in our buffer.
  int32_t Flush() {
    XSync(display_, False);
    return broken_ ? ERROR_NOT_READY : 0;
  }

  int32_t Press(uint32_t keysym) {
    KeyCode code = XKeysymToKeycode(display_, keysym);
    if (code == 0) code = BindSpare(keysym);
    if (code == 0) return ERROR_NOT_SUPPORTED;
    held_[keysym] = code;
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    return Flush();
  }

  int32_t Release(uint32_t keysym) {
    KeyCode code = 0;
    if (auto it = held_.find(keysym); it != held_.end()) {
      code = it->second;
      held_.erase(it);
    } else {
      code = XKeysymToKeycode(display_, keysym);
    }
    if (code == 0) return 0;  // never pressed: nothing to release
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    return Flush();
  }

  // A viewer that leaves during a drag must not leave the button held.
  void ReleaseHeldButtons() {
    for (unsigned number : heldButtons_) XTestFakeButtonEvent(display_, number, False, CurrentTime);
    heldButtons_.clear();
    XFlush(display_);
  }

  void ReleaseHeldKeys() {
    for (const auto& [keysym, code] : held_) XTestFakeKeyEvent(display_, code, False, CurrentTime);
    held_.clear();
    XFlush(display_);
  }

  // Keycodes without any keysym; the last few of them serve keysyms that the
  // keyboard map lacks.
  void FindSpareKeycodes() {
    int minCode = 0, maxCode = 0, perCode = 0;
    XDisplayKeycodes(display_, &minCode, &maxCode);
    KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
    if (!map) return;
    for (int code = maxCode; code >= minCode && static_cast<int>(spare_.size()) < kMaxSpareKeys; --code) {
      bool empty = true;
      for (int i = 0; i < perCode; ++i) empty = empty && map[(code - minCode) * perCode + i] == NoSymbol;
      if (empty) spare_.push_back(SpareKey{static_cast<KeyCode>(code)});
    }
    XFree(map);
  }

  // Binds keysym to the least recently used spare keycode that is not held.
  KeyCode BindSpare(uint32_t keysym) {
    SpareKey* choice = nullptr;
    for (SpareKey& key : spare_) {
      if (key.bound == keysym) {
        choice = &key;
        break;
      }
      bool held = false;
      for (const auto& entry : held_) held = held || entry.second == key.code;
      if (!held && (!choice || key.lastUse < choice->lastUse)) choice = &key;
    }
    if (!choice) return 0;
    choice->lastUse = ++useCounter_;
    if (choice->bound != keysym) {
      KeySym syms[2] = {keysym, keysym};
      XChangeKeyboardMapping(display_, choice->code, 2, syms, 1);
      XSync(display_, False);
      choice->bound = keysym;
    }
    return choice->code;
  }

  void RestoreSpareKeycodes() {
    for (SpareKey& key : spare_) {
      if (key.bound == NoSymbol) continue;
      KeySym none[2] = {NoSymbol, NoSymbol};
      XChangeKeyboardMapping(display_, key.code, 2, none, 1);
      key.bound = NoSymbol;
    }
    XSync(display_, False);
  }

  std::string displayName_;
  uint64_t generation_ = 0;
  Display* display_ = nullptr;
  std::atomic<bool> broken_{false};
  int wheelRemainder_ = 0;
  std::vector<SpareKey> spare_;
  std::unordered_map<uint32_t, KeyCode> held_;
  std::set<unsigned> heldButtons_;
  uint64_t useCounter_ = 0;
};

}  // namespace

std::unique_ptr<iVkInputInjector> CreateXTestInjector(const std::string& displayName) {
  return std::make_unique<XTestInjector>(displayName);
}

bool XDisplayReachable(const std::string& displayName) {
  Display* display = OpenXDisplay(displayName);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace vk

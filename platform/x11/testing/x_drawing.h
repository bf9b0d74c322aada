// An X client for tests: draws on the test display, makes windows with named
// cursors, moves the pointer with XTest, shrinks the screen with RandR and
// reads reference pixels with XGetImage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;

namespace vk::x11::testing {

class XDrawing {
 public:
  XDrawing();  // connects to DISPLAY
  ~XDrawing();
  XDrawing(const XDrawing&) = delete;
  XDrawing& operator=(const XDrawing&) = delete;

  bool Connected() const { return display_ != nullptr; }
  _XDisplay* Display() const { return display_; }

  // Fills a rectangle of the root window with 0xRRGGBB and waits until the
  // server has done it.
  void FillRoot(int x, int y, int width, int height, uint32_t rgb);
  // Fills with a pattern that differs from pixel to pixel.
  void PatternRoot(int x, int y, int width, int height, uint32_t seed);
  // A mapped top-level window filled with a colour; 0 on failure.
  unsigned long MakeWindow(int x, int y, int width, int height, uint32_t rgb);
  // Gives the window a cursor that carries the XFixes name (a theme shape name).
  void SetNamedCursor(unsigned long window, const std::string& name);
  void FocusWindow(unsigned long window);
  void MovePointer(int x, int y);
  // Switches the screen to a smaller size through a new RandR mode; false
  // when the server refuses.
  bool ResizeScreen(int width, int height);
  // The root's pixels of an area as 32-bit words, row by row (XGetImage).
  std::vector<uint32_t> ReadRoot(int x, int y, int width, int height);
  void Sync();

 private:
  _XDisplay* display_ = nullptr;
};

}  // namespace vk::x11::testing

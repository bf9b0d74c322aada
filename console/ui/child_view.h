// CChildView: one remote desktop. It keeps the agent's picture in an
// off-screen image fed by the update connection, paints it 1:1 with scroll
// bars or fitted into the window, and forwards the keyboard and the mouse
// to the agent's input channel.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "common/screen/cursor_list.h"
#include "common/screen/screen_buffer.h"
#include "common/viewer/pixel_format.h"
#include "console/core/connection_info.h"
#include "console/core/sockets_thread.h"
#include "console/core/update_socket.h"
#include "console/core/view_geometry.h"
#include "console/core/viewer_messages.h"

// Cursor shapes of the Qt platform under the system's cursor identifiers.
class cVkQtCursors : public cVkCursorPlatform {
 public:
  explicit cVkQtCursors(QWidget* widget) : widget_(widget) {}
  uint32_t LoadSystemCursor(uint32_t identifier) override { return identifier; }
  uint32_t GetDisplayedCursor() override { return shown_; }
  void SetDisplayedCursor(uint32_t handle) override;
  static Qt::CursorShape ShapeFor(uint32_t identifier);

 private:
  QWidget* widget_;
  uint32_t shown_ = 0;
};

class CChildView : public QAbstractScrollArea, public iVkViewerWindow {
  Q_OBJECT

 public:
  explicit CChildView(QWidget* parent);
  ~CChildView() override;

  // Sets the session going for `record` (input channel, then update channel).
  void OpenConnection(const cVkConnectionInfo& record);
  // Closes both channels (the window is going away).
  void CloseConnection();

  int32_t ScaleMode() const { return layout_.scaleMode; }
  void SetScaleMode(int32_t mode);
  bool IsRunning() const { return updates_.IsRunning(); }
  // Sends a special command's record; false when none could be sent.
  bool SendSpecialCommand(uint32_t command);
  // Full screen: the keyboard goes to this view alone.
  void SetKeyboardGrab(bool grab);

  // A copy of the picture as shown (null before the first format).
  QImage Image() const;
  QSize RemoteSize() const { return remoteSize_; }
  const std::u16string& ComputerName() const { return computerName_; }
  uint32_t TreeState() const { return treeState_; }
  uint32_t CurrentCursor() const { return cursors_.GetCurrent(); }
  const VkViewLayout& Layout() const { return layout_; }
  // The screen copy the update connection fills (benchmarks feed it directly).
  const std::shared_ptr<cVkScreenBuffer>& ScreenBuffer() const { return screen_; }
  // Sees every record this view forwards (tests, statistics).
  void SetInputObserver(std::function<void(const vk::InputDatagram&)> observer) { observer_ = std::move(observer); }

  void PostViewerMessage(uint32_t message, uint32_t wParam) override;

 signals:
  void treeStateChanged(const QString& computerName, int image);
  void remoteSizeChanged();
  void sessionFailed();
  void leaveFullScreenRequested();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int, int) override {}
  bool focusNextPrevChild(bool) override { return false; }
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void HandleViewerMessage(uint32_t message, uint32_t wParam);
  void OnScreenFormat();
  void OnScreenData();
  void OnConnectionFailed();
  void CopyRects(const std::vector<VkRect>& rects);
  void Relayout();
  void ApplyScrollBars();
  void OnScrollAction(bool horizontal, int action);
  // Runs `paint` with the picture: for 32-bit pixels the screen copy
  // itself, wrapped under its lock (no conversion, no copy); else the image
  // the rows were converted into once. Not run while there is no picture.
  void WithPicture(const std::function<void(const QImage&)>& paint) const;
  void PaintOneToOne(QPainter& painter, const QImage& picture, const QRect& device);
  void PaintScaled(QPainter& painter, const QImage& picture, const QRect& device);
  // The window's part the picture covers (logical coordinates).
  QRectF PictureArea() const;
  void Forward(const vk::InputDatagram& record);
  void ForwardMouse(uint32_t message, const QPointF& position, uint32_t buttons);
  double Ratio() const;
  QRect ToLogical(const VkRect& device) const;

  std::shared_ptr<cVkScreenBuffer> screen_;
  std::shared_ptr<cVkViewerPort> port_;
  cVkUpdateSocket updates_;
  std::unique_ptr<cVkSocketsThread> input_;
  cVkQtCursors cursorPlatform_;
  cVkCursorList cursors_;
  QImage image_;  // converted picture, for pixels that are not 32-bit
  QSize remoteSize_;
  bool direct_ = false;  // the screen copy's rows are the picture
  vk::cVkPixelFormat pixels_;
  VkViewLayout layout_;
  std::u16string computerName_;
  uint32_t treeState_ = 0;
  std::atomic<bool> dataPending_{false};
  std::function<void(const vk::InputDatagram&)> observer_;
  bool closed_ = false;
};

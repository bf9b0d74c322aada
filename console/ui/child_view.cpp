#include "console/ui/child_view.h"

#include <QCoreApplication>
#include <cmath>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "common/protocol/virtual_keys.h"
#include "console/core/input_rules.h"
#include "console/core/stretch.h"
#include "console/ui/error_dialog.h"
#include "console/ui/key_translation.h"
#include "console/ui/progress_dialog.h"
#include "console/ui/qt_text.h"
#include "log/orklog.h"

namespace {

const QEvent::Type kViewerEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class cVkViewerEvent : public QEvent {
 public:
  cVkViewerEvent(uint32_t message, uint32_t wParam) : QEvent(kViewerEventType), message(message), wParam(wParam) {}
  uint32_t message;
  uint32_t wParam;
};

// The accelerators of the main window: these keys are commands, not input.
bool IsAccelerator(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  if (mods != (Qt::ControlModifier | Qt::AltModifier)) return false;
  switch (event.key()) {
    case Qt::Key_D:
    case Qt::Key_T:
    case Qt::Key_F4:
    case Qt::Key_F5:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_C:
    case Qt::Key_P:
    case Qt::Key_S:
      return true;
    default:
      return false;
  }
}

VkRect FromQRect(const QRect& r) { return VkRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

}  // namespace

void cVkQtCursors::SetDisplayedCursor(uint32_t handle) {
  shown_ = handle;
  widget_->setCursor(ShapeFor(handle));
}

Qt::CursorShape cVkQtCursors::ShapeFor(uint32_t identifier) {
  switch (identifier) {
    case 32513:
      return Qt::IBeamCursor;
    case 32514:
      return Qt::WaitCursor;
    case 32515:
      return Qt::CrossCursor;
    case 32516:
      return Qt::UpArrowCursor;
    case 32640:
      return Qt::SizeAllCursor;
    case 32642:
      return Qt::SizeFDiagCursor;
    case 32643:
      return Qt::SizeBDiagCursor;
    case 32644:
      return Qt::SizeHorCursor;
    case 32645:
      return Qt::SizeVerCursor;
    case 32646:
      return Qt::SizeAllCursor;
    case 32648:
      return Qt::ForbiddenCursor;
    case 32649:
      return Qt::PointingHandCursor;
    case 32650:
      return Qt::BusyCursor;
    case 32651:
      return Qt::WhatsThisCursor;
    default:
      return Qt::ArrowCursor;
  }
}

CChildView::CChildView(QWidget* parent)
    : QAbstractScrollArea(parent),
      screen_(std::make_shared<cVkScreenBuffer>()),
      port_(std::make_shared<cVkViewerPort>(this)),
      updates_(screen_, port_),
      cursorPlatform_(viewport()),
      cursors_(&cursorPlatform_) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { OnScrollAction(true, action); });
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
          [this](int action) { OnScrollAction(false, action); });
  connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int v) {
    layout_.scrollX = v;
    viewport()->update();
  });
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int v) {
    layout_.scrollY = v;
    viewport()->update();
  });
  ApplyScrollBars();
}

CChildView::~CChildView() {
  CloseConnection();
  port_->Disconnect();
}

double CChildView::Ratio() const { return devicePixelRatioF(); }

void CChildView::WithPicture(const std::function<void(const QImage&)>& paint) const {
  if (remoteSize_.isEmpty()) return;
  if (!direct_) {
    paint(image_);
    return;
  }
  screen_->ReadFrame([&](std::span<const uint8_t> frame, const VkScreenGeometry& g, const cVkScreenInfo&) {
    // A new format is on its way: its message brings the new size.
    if (g.width != remoteSize_.width() || g.height != remoteSize_.height() || g.bytesPerPixel != 4) return;
    const QImage picture(frame.data(), g.width, g.height, static_cast<qsizetype>(g.RowBytes()), QImage::Format_RGB32);
    paint(picture);
  });
}

QImage CChildView::Image() const {
  QImage copy;
  WithPicture([&](const QImage& picture) { copy = picture.copy(); });
  return copy;
}

void CChildView::OpenConnection(const cVkConnectionInfo& record) {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  cursors_.Rebuild();
  computerName_ = record.computerName;
  layout_.scaleMode = record.scaleMode;
  cVkProgressDialog progress(window());
  progress.SetOperation(ToQString(vk::Format(u"Please wait... Connecting to computer '%s'", record.computerName)));
  int32_t rc = 0;
  if (!input_) {
    input_ = std::make_unique<cVkSocketsThread>();
    rc = input_->SetupInputSocket(log, record, &progress);
    if (rc == 0) rc = input_->Start();
    if (rc != 0) {
      log.LogMsg(LOG_ERROR, rc, u"An error has occurred while initializing the Input Socket. Errorcode %ld.", rc);
      input_.reset();  // nothing runs in it; keeping it would only delay the close
    }
  }
  if (rc == 0) {
    rc = updates_.StartConnection(log, record, &progress);
    if (rc != 0)
      log.LogMsg(LOG_ERROR, rc, u"An error has occurred while initializing the Update Socket. Errorcode %ld.", rc);
  }
  progress.close();
  if (rc != 0)
    cVkErrorDialog::Show(window(), QStringLiteral("An error has occurred while initializing the connection."), log, rc);
  Relayout();
}

void CChildView::CloseConnection() {
  if (closed_) return;
  closed_ = true;
  cOrkLog log;
  cVkProgressDialog progress(window());
  progress.SetOperation(ToQString(vk::Format(u"Please wait... Closing connection with computer '%s'", computerName_)));
  if (input_) {
    progress.ShowProgress(u"Closing the input socket.");
    input_->Stop(log);
    input_.reset();
  }
  progress.ShowProgress(u"Closing the update socket.");
  updates_.CloseConnection(log);
  progress.hide();
  image_ = QImage();
  remoteSize_ = QSize();
  layout_.scrollX = layout_.scrollY = 0;
}

void CChildView::PostViewerMessage(uint32_t message, uint32_t wParam) {
  // A burst of updates needs one repaint: the window takes every rectangle
  // gathered so far when it handles the first.
  if (message == UM_SCREEN_DATA && dataPending_.exchange(true)) return;
  QCoreApplication::postEvent(this, new cVkViewerEvent(message, wParam));
}

bool CChildView::event(QEvent* event) {
  if (event->type() == kViewerEventType) {
    auto* viewer = static_cast<cVkViewerEvent*>(event);
    HandleViewerMessage(viewer->message, viewer->wParam);
    return true;
  }
  if (event->type() == QEvent::ShortcutOverride) {
    // Every key but the accelerators belongs to the remote desktop, also
    // those that would otherwise open a menu or move the focus.
    auto* key = static_cast<QKeyEvent*>(event);
    if (!IsAccelerator(*key)) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void CChildView::HandleViewerMessage(uint32_t message, uint32_t wParam) {
  switch (message) {
    case UM_SCREEN_DATA:
      OnScreenData();
      break;
    case UM_SCREEN_FORMAT:
      OnScreenFormat();
      break;
    case UM_CONNECTION_FAILED:
      OnConnectionFailed();
      break;
    case UM_CURSOR:
      cursors_.SelectByIndex(static_cast<int32_t>(wParam));
      break;
    case UM_TREE_STATE:
      treeState_ = wParam;
      emit treeStateChanged(ToQString(computerName_), static_cast<int>(wParam));
      break;
    default:
      break;
  }
}

void CChildView::OnScreenFormat() {
  layout_.scrollX = layout_.scrollY = 0;
  bool ok = false;
  screen_->ReadFrame([&](std::span<const uint8_t>, const VkScreenGeometry& g, const cVkScreenInfo& info) {
    const auto bytes = info.ToBytes();
    const std::span<const uint8_t> all(bytes);
    ok = vk::PixelFormatFromHeader(all.subspan(4, 40), all.subspan(44), pixels_) && g.IsValid();
    if (!ok) return;
    remoteSize_ = QSize(g.width, g.height);
    direct_ = vk::IsXrgb32(pixels_) && g.bytesPerPixel == 4;
    image_ = QImage();
    if (!direct_) {
      image_ = QImage(g.width, g.height, QImage::Format_RGB32);
      image_.fill(Qt::black);
    }
  });
  if (!ok) {
    remoteSize_ = QSize();
    image_ = QImage();
  }
  Relayout();
  emit remoteSizeChanged();
  OnScreenData();  // rectangles that arrived with the new format
}

void CChildView::OnScreenData() {
  dataPending_ = false;
  if (remoteSize_.isEmpty()) return;
  const VkScreenGeometry g = screen_->Geometry();
  if (g.width != remoteSize_.width() || g.height != remoteSize_.height()) return;  // a new format is on its way
  const std::vector<VkRect> rects = screen_->TakeDirtyRects();
  if (rects.empty()) return;
  if (!direct_) CopyRects(rects);
  QRegion changed;
  for (const VkRect& r : rects) changed += ToLogical(VkRemoteToWindow(layout_, r));
  viewport()->update(changed);
}

void CChildView::CopyRects(const std::vector<VkRect>& rects) {
  screen_->ReadFrame([&](std::span<const uint8_t> frame, const VkScreenGeometry& g, const cVkScreenInfo&) {
    if (g.width != image_.width() || g.height != image_.height()) return;
    const size_t stride = g.RowBytes();
    for (const VkRect& r : rects) {
      for (int32_t y = r.top; y < r.bottom; ++y) {
        const uint8_t* row = frame.data() + static_cast<size_t>(y) * stride;
        auto* out = reinterpret_cast<uint32_t*>(image_.scanLine(y));
        for (int32_t x = r.left; x < r.right; ++x)
          out[x] = 0xFF000000u | vk::PixelToRgb(pixels_, row, static_cast<uint32_t>(x));
      }
    }
  });
}

void CChildView::OnConnectionFailed() {
  cOrkLog log;
  log.SetMemLogMask(LOG_ALL);
  int32_t code = 0;
  updates_.FinishAfterError(log, &code);
  // After the close's own images, so that the failed state is what stays.
  PostViewerMessage(UM_TREE_STATE, kStateFailed);
  auto* dialog = new cVkErrorDialog(
      this, ToQString(vk::Format(u"A connection with computer '%s' failed.", computerName_)), log, code);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
  emit sessionFailed();
}

void CChildView::SetScaleMode(int32_t mode) {
  layout_.scaleMode = mode;
  Relayout();
}

void CChildView::Relayout() {
  const double ratio = Ratio();
  const bool scaled = layout_.scaleMode != kScaleDisabled;
  const Qt::ScrollBarPolicy policy = scaled ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn;
  setHorizontalScrollBarPolicy(policy);
  setVerticalScrollBarPolicy(policy);
  const QSize remote = RemoteSize();
  VkComputeLayout(layout_, static_cast<int32_t>(viewport()->width() * ratio),
                  static_cast<int32_t>(viewport()->height() * ratio), remote.width(), remote.height());
  ApplyScrollBars();
  viewport()->update();
}

void CChildView::ApplyScrollBars() {
  const struct {
    QScrollBar* bar;
    const VkScrollBar& values;
  } bars[] = {{horizontalScrollBar(), layout_.horizontal}, {verticalScrollBar(), layout_.vertical}};
  for (const auto& b : bars) {
    const QSignalBlocker quiet(b.bar);
    b.bar->setRange(b.values.minimum, std::max(b.values.minimum, b.values.maximum));
    b.bar->setPageStep(std::max(1, b.values.page));
    b.bar->setSingleStep(1);
    b.bar->setValue(0);
    b.bar->setEnabled(b.values.maximum > b.values.minimum);  // disabled, not hidden
  }
}

void CChildView::OnScrollAction(bool horizontal, int action) {
  QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
  VkScrollBar values = horizontal ? layout_.horizontal : layout_.vertical;
  values.position = bar->value();
  VkScrollAction step = VkScrollAction::EndScroll;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      step = VkScrollAction::LineUp;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      step = VkScrollAction::LineDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      step = VkScrollAction::PageUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      step = VkScrollAction::PageDown;
      break;
    case QAbstractSlider::SliderToMinimum:
      step = VkScrollAction::Top;
      break;
    case QAbstractSlider::SliderToMaximum:
      step = VkScrollAction::Bottom;
      break;
    case QAbstractSlider::SliderMove:
      step = VkScrollAction::Thumb;
      break;
    default:
      break;
  }
  bar->setSliderPosition(VkScrollTo(values, step, bar->sliderPosition()));
}

QRect CChildView::ToLogical(const VkRect& d) const {
  const double ratio = Ratio();
  const QRectF logical(d.left / ratio, d.top / ratio, d.Width() / ratio, d.Height() / ratio);
  return logical.toAlignedRect();
}

void CChildView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

QRectF CChildView::PictureArea() const {
  const double ratio = Ratio();
  if (layout_.scaleMode == kScaleDisabled) {
    return QRectF(-layout_.scrollX / ratio, -layout_.scrollY / ratio, remoteSize_.width() / ratio,
                  remoteSize_.height() / ratio);
  }
  const double toWindow = static_cast<double>(layout_.windowUnits) / layout_.remoteUnits / ratio;
  return QRectF(0, 0, remoteSize_.width() * toWindow, remoteSize_.height() * toWindow);
}

void CChildView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect logical = event->rect();
  // Only what the picture leaves uncovered gets the background.
  const QRectF area = remoteSize_.isEmpty() ? QRectF() : PictureArea();
  const QRect covered(
      QPoint(static_cast<int>(std::ceil(area.left())), static_cast<int>(std::ceil(area.top()))),
      QPoint(static_cast<int>(std::floor(area.right())) - 1, static_cast<int>(std::floor(area.bottom())) - 1));
  for (const QRect& part : QRegion(logical).subtracted(QRegion(covered))) painter.fillRect(part, palette().window());
  const double ratio = Ratio();
  const QRect device =
      QRectF(logical.x() * ratio, logical.y() * ratio, logical.width() * ratio, logical.height() * ratio)
          .toAlignedRect();
  WithPicture([&](const QImage& picture) {
    if (layout_.scaleMode != kScaleDisabled)
      PaintScaled(painter, picture, device);
    else
      PaintOneToOne(painter, picture, device);
  });
}

void CChildView::PaintOneToOne(QPainter& painter, const QImage& picture, const QRect& device) {
  const double ratio = Ratio();
  const QRect source = device.translated(layout_.scrollX, layout_.scrollY).intersected(picture.rect());
  if (source.isEmpty()) return;
  const QRectF target((source.x() - layout_.scrollX) / ratio, (source.y() - layout_.scrollY) / ratio,
                      source.width() / ratio, source.height() / ratio);
  painter.drawImage(target, picture, source);
}

void CChildView::PaintScaled(QPainter& painter, const QImage& picture, const QRect& device) {
  const double ratio = Ratio();
  const VkStretchArea area = VkStretchAreaFor(layout_, FromQRect(device));
  const QRect remote =
      QRect(area.remote.left, area.remote.top, area.remote.Width(), area.remote.Height()).intersected(picture.rect());
  if (remote.isEmpty()) return;
  const double toWindow = static_cast<double>(layout_.windowUnits) / layout_.remoteUnits / ratio;
  const QRectF target(remote.x() * toWindow, remote.y() * toWindow, remote.width() * toWindow,
                      remote.height() * toWindow);
  if (layout_.scaleMode == kBlackOnWhite || layout_.scaleMode == kWhiteOnBlack) {
    const QSize size = target.toAlignedRect().size() * ratio;
    QImage combined(size, QImage::Format_RGB32);
    VkStretchCombine(reinterpret_cast<const uint32_t*>(picture.constBits()),
                     static_cast<int32_t>(picture.bytesPerLine() / 4),
                     VkRect{remote.left(), remote.top(), remote.right() + 1, remote.bottom() + 1},
                     reinterpret_cast<uint32_t*>(combined.bits()), static_cast<int32_t>(combined.bytesPerLine() / 4),
                     size.width(), size.height(), layout_.scaleMode == kBlackOnWhite);
    painter.drawImage(target, combined);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, layout_.scaleMode == kHalfTone);
  painter.drawImage(target, picture, remote);
}

bool CChildView::SendSpecialCommand(uint32_t command) {
  auto record = VkSpecialCommandRecord(command);
  if (!record || !input_ || !IsRunning()) return false;
  input_->PostInput(*record);
  if (observer_) observer_(*record);
  return true;
}

void CChildView::SetKeyboardGrab(bool grab) {
  if (grab) {
    setFocus();
    grabKeyboard();
  } else {
    releaseKeyboard();
  }
}

void CChildView::Forward(const vk::InputDatagram& record) {
  if (!VkForwardsMessage(record.code, record.param1)) return;
  if (observer_) observer_(record);
  if (input_) input_->PostInput(record);
}

void CChildView::keyPressEvent(QKeyEvent* event) {
  if (IsAccelerator(*event)) {
    // Under a keyboard grab the accelerators arrive here; leaving full
    // screen must still work.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) emit leaveFullScreenRequested();
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  if (auto record = VkKeyRecord(*event, false)) Forward(*record);
  event->accept();
}

void CChildView::keyReleaseEvent(QKeyEvent* event) {
  if (IsAccelerator(*event)) return;
  if (auto record = VkKeyRecord(*event, true)) Forward(*record);
  event->accept();
}

void CChildView::ForwardMouse(uint32_t message, const QPointF& position, uint32_t param1) {
  const double ratio = Ratio();
  const uint32_t lParam =
      vk::MakePointParam(static_cast<int16_t>(position.x() * ratio), static_cast<int16_t>(position.y() * ratio));
  Forward(vk::InputDatagram{message, param1, VkWindowToRemotePoint(layout_, lParam)});
}

void CChildView::mouseMoveEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  cursors_.ApplyCurrent();
  ForwardMouse(WM_MOUSEMOVE, event->position(), VkMouseButtonState(event->buttons(), event->modifiers()));
}

namespace {

uint32_t ButtonMessage(Qt::MouseButton button, uint32_t left, uint32_t right, uint32_t middle) {
  switch (button) {
    case Qt::LeftButton:
      return left;
    case Qt::RightButton:
      return right;
    case Qt::MiddleButton:
      return middle;
    default:
      return 0;
  }
}

}  // namespace

void CChildView::mousePressEvent(QMouseEvent* event) {
  const uint32_t message = ButtonMessage(event->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN);
  if (message != 0) ForwardMouse(message, event->position(), VkMouseButtonState(event->buttons(), event->modifiers()));
}

void CChildView::mouseReleaseEvent(QMouseEvent* event) {
  const uint32_t message = ButtonMessage(event->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP);
  if (message != 0) ForwardMouse(message, event->position(), VkMouseButtonState(event->buttons(), event->modifiers()));
}

void CChildView::mouseDoubleClickEvent(QMouseEvent* event) {
  const uint32_t message = ButtonMessage(event->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK);
  if (message != 0) ForwardMouse(message, event->position(), VkMouseButtonState(event->buttons(), event->modifiers()));
}

void CChildView::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  const uint32_t buttons = VkMouseButtonState(event->buttons(), event->modifiers());
  ForwardMouse(WM_MOUSEWHEEL, event->position(),
               vk::MakeWheelParam(static_cast<int16_t>(delta), static_cast<uint16_t>(buttons)));
  event->accept();
}

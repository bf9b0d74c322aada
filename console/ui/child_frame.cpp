#include "console/ui/child_frame.h"

#include <QCloseEvent>
#include <QStyle>
#include <functional>

#include "console/ui/child_view.h"

namespace {

constexpr int kTrackExtraWidth = 28;
constexpr int kTrackExtraHeight = 48;
constexpr int kViewExtra = 20;
constexpr uint32_t kShowNormal = 1;
constexpr uint32_t kShowMinimized = 2;
constexpr uint32_t kShowMaximized = 3;

// The frame's client: the view fills it, except when the frame is maximised
// and the picture is shown 1:1, where the view keeps the picture's size and
// sits in the middle.
class FrameClient : public QWidget {
 public:
  explicit FrameClient(QWidget* parent) : QWidget(parent) {}
  std::function<void()> onResize;

 protected:
  void resizeEvent(QResizeEvent*) override {
    if (onResize) onResize();
  }
};

}  // namespace

CChildFrame::CChildFrame(QWidget* parent) : QMdiSubWindow(parent) {
  auto* client = new FrameClient(this);
  client_ = client;
  view_ = new CChildView(client_);
  client->onResize = [this] { PlaceView(); };
  setWidget(client_);
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusProxy(view_);
  connect(view_, &CChildView::remoteSizeChanged, this, [this] {
    UpdateSizeLimits();
    FitFirstPicture();
    PlaceView();
  });
}

void CChildFrame::SetScaled(bool scaled) {
  scaled_ = scaled;
  UpdateSizeLimits();
  PlaceView();
}

void CChildFrame::UpdateSizeLimits() {
  if (isMaximized() || scaled_) {
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    return;
  }
  QSize remote = view_->RemoteSize();
  if (remote.isEmpty()) remote = QSize(800, 600);
  const double ratio = devicePixelRatioF();
  setMaximumSize(static_cast<int>(remote.width() / ratio) + kTrackExtraWidth,
                 static_cast<int>(remote.height() / ratio) + kTrackExtraHeight);
}

// A frame that was never placed grows to show the first picture whole, as
// far as the MDI area allows.
void CChildFrame::FitFirstPicture() {
  if (placed_ || isMaximized() || scaled_ || parentWidget() == nullptr) return;
  placed_ = true;
  const QSize area = parentWidget()->size();
  const QSize wanted = maximumSize().boundedTo(area - QSize(pos().x(), pos().y()));
  if (wanted.width() > width() || wanted.height() > height())
    resize(wanted.expandedTo(size()).boundedTo(maximumSize()));
}

void CChildFrame::PlaceView() {
  const QSize client = client_->size();
  const QSize remote = view_->RemoteSize();
  if (!isMaximized() || scaled_ || remote.isEmpty()) {
    view_->setGeometry(0, 0, client.width(), client.height());
    return;
  }
  const double ratio = devicePixelRatioF();
  const QSize wanted(std::min(client.width(), static_cast<int>(remote.width() / ratio) + kViewExtra),
                     std::min(client.height(), static_cast<int>(remote.height() / ratio) + kViewExtra));
  view_->setGeometry((client.width() - wanted.width()) / 2, (client.height() - wanted.height()) / 2, wanted.width(),
                     wanted.height());
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  PlaceView();
}

void CChildFrame::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    UpdateSizeLimits();
    PlaceView();
  }
}

VkWindowPlacement CChildFrame::Placement() const {
  VkWindowPlacement p;
  p.length = VkWindowPlacement::kLength;
  p.showCmd = isMaximized() ? kShowMaximized : (isMinimized() ? kShowMinimized : kShowNormal);
  const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
  p.left = normal.left();
  p.top = normal.top();
  p.right = normal.left() + normal.width();
  p.bottom = normal.top() + normal.height();
  p.minX = p.minY = -1;
  p.maxX = p.maxY = -1;
  return p;
}

void CChildFrame::ApplyPlacement(const VkWindowPlacement& p) {
  if (p.length == 0) return;
  placed_ = true;
  if (p.right > p.left && p.bottom > p.top) setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
  if (p.showCmd == kShowMaximized) showMaximized();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    emit closing(this);
    view_->CloseConnection();
  }
  QMdiSubWindow::closeEvent(event);
}

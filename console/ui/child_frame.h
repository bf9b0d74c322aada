// CChildFrame: the MDI child that holds one CChildView ("Overview for
// computer: <name>"). It keeps the frame within the remote size while the
// picture is shown 1:1, centres the view when maximised, and reports its
// placement when it closes.
#pragma once

#include <QMdiSubWindow>

#include "console/core/connection_info.h"

class CChildView;

class CChildFrame : public QMdiSubWindow {
  Q_OBJECT

 public:
  explicit CChildFrame(QWidget* parent);

  CChildView* View() const { return view_; }
  bool Scaled() const { return scaled_; }
  void SetScaled(bool scaled);
  VkWindowPlacement Placement() const;
  void ApplyPlacement(const VkWindowPlacement& placement);

 signals:
  // Before the frame goes: its placement and the view's scale mode.
  void closing(CChildFrame* frame);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateSizeLimits();
  void PlaceView();
  void FitFirstPicture();

  QWidget* client_;
  CChildView* view_;
  bool scaled_ = false;
  bool closing_ = false;
  bool placed_ = false;
};

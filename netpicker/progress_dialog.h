// "Please Wait...": shown while a collection runs longer than half a
// second, with the elapsed time; closes itself when the job is done, or on
// "Cancel" without waiting.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <memory>

class QLabel;

namespace vk::picker {

class cVkCollectJob;

class cVkPickerProgressDialog : public QDialog {
  Q_OBJECT

 public:
  cVkPickerProgressDialog(QWidget* parent, const QString& label, std::shared_ptr<cVkCollectJob> job);
  QString Text() const;

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  void ShowElapsed();

  QString label_;
  std::shared_ptr<cVkCollectJob> job_;
  QElapsedTimer started_;
  QLabel* text_;
  int timer_ = 0;
};

}  // namespace vk::picker

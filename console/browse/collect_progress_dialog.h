// The "Please wait..." dialog of a collection that takes longer than half a
// second: the elapsed time every 100 ms, closed as soon as the collection is
// done, or by "Cancel" without waiting for it.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;

class cVkCollectProgressDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTimerId = 1039;

  // `done` is asked on every tick; `elapsedSeconds` gives the time shown.
  cVkCollectProgressDialog(QWidget* parent, const QString& itemLabel, std::function<bool()> done,
                           std::function<double()> elapsedSeconds);

  QString Text() const;
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  void timerEvent(QTimerEvent* event) override;
  void done(int result) override;

 private:
  void ShowElapsed();

  QString label_;
  std::function<bool()> isDone_;
  std::function<double()> elapsed_;
  QLabel* text_;
  QPushButton* cancel_;
  int timer_ = 0;
};

// The progress dialog ("Please Wait..."): the operation's text on the first
// line, its "Progress: " steps on the second, the wait cursor while shown.
#pragma once

#include <QDialog>
#include <QString>

#include "console/core/progress_sink.h"

class QLabel;
class QPushButton;

class cVkProgressDialog : public QDialog, public iVkProgressSink {
  Q_OBJECT

 public:
  static constexpr int kMaxText = 1024;

  explicit cVkProgressDialog(QWidget* parent);
  ~cVkProgressDialog() override;

  void SetOperation(const QString& text);
  void ShowProgress(std::u16string_view text) override;
  QString OperationText() const;
  QString ProgressText() const;
  // Around questions and error dialogs.
  void HideForQuestion();
  void ShowAgain();
  // Runs over several computers: a Cancel button, pressed once; the run
  // stops before its next computer.
  void OfferCancel();
  bool CancelRequested() const { return cancelRequested_; }
  QPushButton* CancelButton() const { return cancel_; }

 signals:
  void cancelRequested();

 private:
  void FitText();
  void ShowLine(QLabel* line, const QString& text);

  QLabel* operation_;
  QLabel* progress_;
  QPushButton* cancel_;
  bool waitCursor_ = false;
  bool cancelRequested_ = false;
};

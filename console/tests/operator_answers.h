// Test support: answers the console's dialogs as an operator would, from a
// timer of the user-interface thread (it also fires inside the dialogs' own
// event loops). Records what each box said.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <deque>

#include "console/browse/directory_logon_dialog.h"
#include "console/ui/computer_name_dialog.h"
#include "console/ui/error_dialog.h"
#include "console/ui/logon_dialog.h"

class cVkOperatorAnswers {
 public:
  cVkOperatorAnswers() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { AnswerOne(); });
    timer_.start(20);
  }

  // What "Computername required" is given.
  QString computers;
  // The buttons pressed on message boxes in turn; without one, No or Cancel.
  std::deque<QMessageBox::StandardButton> buttons;
  // What was seen.
  QStringList boxes;
  QStringList errors;
  int logons = 0;
  // What "Directory Logon" is given; without a user it is cancelled.
  QString directoryUser;
  QString directoryPassword;
  int directoryLogons = 0;

  void Forget() {
    boxes.clear();
    errors.clear();
    logons = 0;
  }

 private:
  void AnswerOne() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      if (auto* box = qobject_cast<QMessageBox*>(window)) return AnswerBox(*box);
      if (auto* names = qobject_cast<cVkComputerNameDialog*>(window)) {
        names->NamesField()->setText(computers);
        return names->OkButton()->click();
      }
      if (auto* error = qobject_cast<cVkErrorDialog*>(window)) {
        errors.append(error->MessageText());
        return error->reject();
      }
      if (auto* directory = qobject_cast<cVkDirectoryLogonDialog*>(window)) return AnswerDirectory(*directory);
      if (auto* logon = qobject_cast<cVkLogonDialog*>(window)) {
        ++logons;
        return logon->reject();
      }
    }
  }

  void AnswerDirectory(cVkDirectoryLogonDialog& dialog) {
    ++directoryLogons;
    if (directoryUser.isEmpty()) return dialog.reject();
    dialog.UserField()->setText(directoryUser);
    dialog.PasswordField()->setText(directoryPassword);
    dialog.OkButton()->click();
  }

  void AnswerBox(QMessageBox& box) {
    boxes.append(box.text());
    QMessageBox::StandardButton pressed = buttons.empty() ? QMessageBox::NoButton : buttons.front();
    if (!buttons.empty()) buttons.pop_front();
    for (QMessageBox::StandardButton fallback : {QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok}) {
      if (pressed == QMessageBox::NoButton && box.button(fallback) != nullptr) pressed = fallback;
    }
    if (QAbstractButton* button = box.button(pressed)) button->click();
  }

  QTimer timer_;
};

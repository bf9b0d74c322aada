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
#include <functional>

#include "console/browse/directory_logon_dialog.h"
#include "console/ui/computer_name_dialog.h"
#include "console/ui/config/deployment_wizard.h"
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
  // Logon dialogs are cancelled unless `acceptLogons`; what they held.
  bool acceptLogons = false;
  QStringList logonUsers;
  bool logonPasswordGiven = false;
  // The wizards that opened, by the computer in their field; without a
  // `wizard` step each is cancelled.
  QStringList wizards;
  std::function<void(cVkDeploymentWizard&)> wizard;
  // Runs before a message box is answered (the operator's hand elsewhere).
  std::function<void(QMessageBox&)> beforeBox;

  void Forget() {
    boxes.clear();
    errors.clear();
    logons = 0;
    logonUsers.clear();
    wizards.clear();
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
        if (acceptLogons && !logon->Resolved()) return;  // the address first
        ++logons;
        logonUsers.append(logon->UserField()->text());
        logonPasswordGiven = !logon->PasswordField()->text().isEmpty();
        return acceptLogons ? logon->accept() : logon->reject();
      }
      if (auto* shown = qobject_cast<cVkDeploymentWizard*>(window); shown != nullptr && !answering_) {
        wizards.append(shown->Welcome()->ComputerField()->text());
        if (!wizard) return shown->reject();
        // Off this timer: the step's own dialogs are answered meanwhile.
        answering_ = true;
        QTimer::singleShot(0, shown, [this, shown] {
          wizard(*shown);
          answering_ = false;
        });
        return;
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
    if (beforeBox) beforeBox(box);
    boxes.append(box.text());
    QMessageBox::StandardButton pressed = buttons.empty() ? QMessageBox::NoButton : buttons.front();
    if (!buttons.empty()) buttons.pop_front();
    for (QMessageBox::StandardButton fallback : {QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok}) {
      if (pressed == QMessageBox::NoButton && box.button(fallback) != nullptr) pressed = fallback;
    }
    if (QAbstractButton* button = box.button(pressed)) return button->click();
    // Boxes with buttons of their own (the host-key question): Yes takes
    // the button of the yes role, anything else the default one.
    for (QAbstractButton* button : box.buttons()) {
      if (pressed == QMessageBox::Yes && box.buttonRole(button) == QMessageBox::YesRole) return button->click();
    }
    if (QAbstractButton* button = box.defaultButton()) button->click();
  }

  QTimer timer_;
  bool answering_ = false;
};

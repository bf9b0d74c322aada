// "About ViewKeeper": who is connected, from where.
#pragma once

#include <QDialog>

#include "agent/session/session_parts.h"
#include "agent/tray/tray_state.h"

class QLabel;

class cVkAboutWindow : public QDialog {
 public:
  cVkAboutWindow();
  // Fills the fields from the current viewer.
  void Fill(const cVkViewerInfo& viewer);
  QString StateText() const;
  QString UserText() const;
  QString ComputerText() const;

 private:
  QLabel* state_;
  QLabel* user_;
  QLabel* computer_;
};

// The dotted form of a network-order IPv4 address; "Unknown" for none.
QString DottedAddress(uint32_t address);

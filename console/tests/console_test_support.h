// Test support for the console's windows: one QApplication per test program
// (named as the console names itself), the text of a log, and waiting on a
// condition while the user-interface thread's events run.
#pragma once

#include <QApplication>
#include <QSettings>
#include <QTest>
#include <chrono>
#include <functional>
#include <string>

#include "log/orklog.h"
#include "platform/core/text.h"

namespace vktest {

// The test program's QApplication: made by the first suite that needs it,
// destroyed by the last (Qt's font caches are freed only then).
inline QApplication*& ConsoleApplicationSlot() {
  static QApplication* application = nullptr;
  return application;
}

inline void StartConsoleApplication() {
  static int argc = 1;
  static char name[] = "console_test";
  static char* argv[] = {name, nullptr};
  if (ConsoleApplicationSlot() != nullptr) return;
  ConsoleApplicationSlot() = new QApplication(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Corvalline"));
  QCoreApplication::setApplicationName(QStringLiteral("ViewKeeper"));
}

inline void EndConsoleApplication() {
  delete ConsoleApplicationSlot();
  ConsoleApplicationSlot() = nullptr;
}

// A console started without a computer offers the wizard at start; tests
// that do not drive it store "ShowWizard" 0 in their settings first.
inline void NoWizardAtStart() { QSettings().setValue(QStringLiteral("MainWnd/ShowWizard"), 0); }

inline std::string LogText(cOrkLog& log) {
  std::u16string all;
  char16_t text[1100];
  uint32_t index = 0, type = 0;
  int32_t time = 0, code = 0;
  while (log.GetMemMessageEx(&index, LOG_ALL, &time, &type, &code, text, 1100) == 0)
    all += std::u16string(text) + u"\n";
  return vk::ToUtf8(all);
}

inline bool Until(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QTest::qWait(20);
  }
  return true;
}

}  // namespace vktest

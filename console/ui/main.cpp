// deskconsole: the ViewKeeper console.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "common/protocol/secure_wipe.h"
#include "console/ui/console_app.h"
#include "platform/core/text.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Corvalline"));
  QCoreApplication::setApplicationName(QStringLiteral("ViewKeeper"));
  std::vector<std::string> args;
  for (const QString& arg : QCoreApplication::arguments().mid(1)) args.push_back(arg.toStdString());
  std::string error;
  auto options = VkParseConsoleOptions(args, error);
  if (!options) {
    std::cerr << "deskconsole: " << error << "\n" << kVkConsoleUsage;
    return 2;
  }
  std::u16string password;
  if (options->passwordFromStdin) {
    std::string line;
    std::getline(std::cin, line);
    password = vk::FromUtf8(line);
    std::fill(line.begin(), line.end(), '\0');
  }
  cVkConsoleApp console;
  if (console.Start(*options, std::move(password)) != 0) return 1;
  return application.exec();
}

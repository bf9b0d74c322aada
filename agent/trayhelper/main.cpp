// deskagent-tray: started by the agent in the user's session, with the link
// to the agent on descriptor 3.
#include <QApplication>

#include "agent/trayhelper/tray_helper.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The tray lives without windows; closing the About window must not end it.
  QApplication::setQuitOnLastWindowClosed(false);
  cVkTrayHelper helper(3);
  if (!helper.Connected()) return 2;
  return app.exec();
}

#include "console/ui/console_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include "common/mfclog/mfc_log.h"
#include "common/screen/register_screen.h"
#include "common/socket/socket.h"
#include "console/ui/qt_text.h"

namespace {

void ShowLogBox(void* owner, std::u16string_view caption, std::u16string_view text, bool) {
  QMessageBox::critical(static_cast<QWidget*>(owner), ToQString(caption), ToQString(text));
}

}  // namespace

cVkConsoleApp::cVkConsoleApp() {
  startup_.SetMemLogMask(LOG_ALL);
  startup_.SetFileLogMask(LOG_ALL);
  OrkSetMessageBoxHandler(&ShowLogBox);
  VkRegisterConsoleClasses();
  VkRegisterScreenClasses();
  VkRegisterMfcLogClasses();
}

cVkConsoleApp::~cVkConsoleApp() {
  frame_.reset();
  StopSockets(startup_);
}

std::u16string cVkConsoleApp::DataFolder() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return FromQString(base + QStringLiteral("/ViewKeeper/"));
}

std::u16string cVkConsoleApp::ProgramFolder() {
  // The program's own folder, whatever the program file is called.
  return FromQString(QCoreApplication::applicationDirPath() + QStringLiteral("/"));
}

int32_t cVkConsoleApp::Start(const VkConsoleOptions& options, std::u16string password) {
  state_.programFolder = ProgramFolder();
  state_.dataFolder = DataFolder();
  int32_t rc = StartSockets(startup_);
  if (rc != 0) return rc;
  // Errors while loading stay in the start-up log: the console starts with
  // what it could load.
  const int32_t loaded = state_.connections.Load(state_.dataFolder + u"Connections.dat");
  if (loaded != 0 && loaded != 2)
    startup_.LogMsg(LOG_ERROR, loaded, u"An error has occurred while loading the connections. Errorcode %ld.", loaded);
  QDir().mkpath(ToQString(state_.dataFolder));

  frame_ = std::make_unique<CMainFrame>(state_);
  frame_->ShowStored();
  QSettings settings;
  if (settings.value(QStringLiteral("MainWnd/ShowWizard"), 1).toInt() == 1)
    frame_->statusBar()->showMessage(QStringLiteral("The installation wizard is not available yet."), 10000);

  if (!options.host.empty()) {
    state_.presetComputer = options.host;
    state_.presetUser = options.user;
    state_.presetDomain = options.domain;
    state_.presetPassword = std::move(password);
    state_.presetUpdatePort = options.updatePort;
    state_.presetInputPort = options.inputPort;
    const QString host = ToQString(options.host);
    QTimer::singleShot(0, frame_.get(), [this, host] { frame_->OpenViewers({host}); });
  }
  return 0;
}

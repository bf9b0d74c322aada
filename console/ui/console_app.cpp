#include "console/ui/console_app.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <chrono>
#include <thread>

#include "common/mfclog/mfc_log.h"
#include "common/screen/register_screen.h"
#include "common/socket/socket.h"
#include "console/browse/browse_sources.h"
#include "common/netbrowse/dnssd_network_browser.h"
#include "console/browse/manager_agent_states.h"
#include "console/browse/multiple_select_save_tree.h"
#include "console/browse/tree_nodes.h"
#include "console/ui/qt_text.h"

namespace {

void ShowLogBox(void* owner, std::u16string_view caption, std::u16string_view text, bool) {
  QMessageBox::critical(static_cast<QWidget*>(owner), ToQString(caption), ToQString(text));
}

}  // namespace

cVkConsoleApp::cVkConsoleApp(const vk::ssh::SshTarget& ssh) : connector_(ssh, &questions_) {
  startup_.SetMemLogMask(LOG_ALL);
  startup_.SetFileLogMask(LOG_ALL);
  OrkSetMessageBoxHandler(&ShowLogBox);
  VkRegisterConsoleClasses();
  VkRegisterScreenClasses();
  VkRegisterMfcLogClasses();
  VkRegisterAdminClasses();
  cVkAdminContext context;
  context.connector = &connector_;
  context.binder = &binder_;
  context.questions = &questions_;
  context.wait = [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  state_.agents.SetContext(context);
  state_.questions = &questions_;
  state_.connector = &connector_;
  VkRegisterBrowseClasses();
}

cVkConsoleApp::~cVkConsoleApp() {
  frame_.reset();
  if (std::shared_ptr<cVkDirBridge> directory = VkBrowseSources().directory) directory->UnloadDirBridge(startup_);
  VkSetBrowseSources({});
  StopSockets(startup_);
  if (started_) SaveAgentRecords();
}

void cVkConsoleApp::LoadAgentRecords() {
  const std::u16string path = state_.dataFolder + u"SM.dat";
  if (!QFileInfo::exists(ToQString(path))) return;
  const int32_t rc = state_.agents.Load(path);
  if (rc == 0) return;
  // A damaged file gives a fresh start; the next exit writes a sound one.
  state_.agents.DeleteAll();
  startup_.LogMsg(LOG_ERROR, rc, u"An error has occurred while loading the agent records from '%s'. Errorcode %ld.",
                  path, rc);
}

void cVkConsoleApp::SaveAgentRecords() {
  const std::u16string path = state_.dataFolder + u"SM.dat";
  const int32_t rc = state_.agents.Save(path);
  if (rc != 0) {
    startup_.LogMsg(LOG_ERROR, rc, u"An error has occurred while saving the agent records to '%s'. Errorcode %ld.",
                    path, rc);
  }
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
  started_ = true;
  LoadAgentRecords();
  state_.agents.InitServiceFiles(startup_, state_.programFolder);
  // Errors while loading stay in the start-up log: the console starts with
  // what it could load.
  const int32_t loaded = state_.connections.Load(state_.dataFolder + u"Connections.dat");
  if (loaded != 0 && loaded != 2)
    startup_.LogMsg(LOG_ERROR, loaded, u"An error has occurred while loading the connections. Errorcode %ld.", loaded);
  QDir().mkpath(ToQString(state_.dataFolder));
  // The directory library beside the program, for the browse tree; without
  // it the tree has no "Directory" branch.
  auto directory = std::make_shared<cVkDirBridge>();
  directory->LoadDirBridge(startup_, state_.programFolder);
  cVkBrowseSources sources = VkBrowseSources();
  sources.directory = directory;
  sources.network = VkMakeDnsSdNetworkBrowser();
  VkSetBrowseSources(std::move(sources));
  state_.startupLog = &startup_;

  frame_ = std::make_unique<CMainFrame>(state_);
  // The agents' states beside the computers in view, four computers at a time.
  frame_->BrowseTree()->SetAgentStateSource(VkMakeManagerAgentStates(state_.agents), 4, kVkClientBuild);
  frame_->ShowStored();
  if (options.host.empty()) {
    // Once the window shows: a computer given on the command line goes
    // straight to its viewer instead.
    QTimer::singleShot(0, frame_.get(), [this] { frame_->OfferWizardAtStart(); });
    return 0;
  }
  state_.presetComputer = options.host;
  state_.presetUser = options.user;
  state_.presetDomain = options.domain;
  state_.presetPassword = std::move(password);
  state_.presetUpdatePort = options.updatePort;
  state_.presetInputPort = options.inputPort;
  const QString host = ToQString(options.host);
  QTimer::singleShot(0, frame_.get(), [this, host] { frame_->OpenViewers({host}); });
  return 0;
}

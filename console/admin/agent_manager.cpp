#include "console/admin/agent_manager.h"

#include "common/archive/register_archive.h"
#include "console/admin/operator_ui.h"
#include "log/orklog.h"

VK_IMPLEMENT_SERIAL(cVkAgentManager, &cVkCollection::classInfo, 1)

namespace {

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

}  // namespace

cVkAgentManager::~cVkAgentManager() = default;

void cVkAgentManager::SetContext(const cVkAdminContext& context) {
  std::lock_guard guard(lock_);
  context_ = context;
  for (cVkObject* element : elements_) {
    if (auto* record = dynamic_cast<cVkAgentData*>(element)) record->SetContext(&context_);
  }
}

void cVkAgentManager::DeleteAll() {
  std::lock_guard guard(lock_);
  cVkCollection::DeleteAll();
}

int32_t cVkAgentManager::Load(std::u16string_view path) {
  std::lock_guard guard(lock_);
  int32_t rc = LoadFromFile(path);
  // Only agent records belong here; anything else in the file is dropped.
  for (size_t i = elements_.size(); i-- > 0;) {
    auto* record = dynamic_cast<cVkAgentData*>(elements_[i]);
    if (record == nullptr || FindAgent(record->ComputerName()) != record) {
      delete Detach(i);
      continue;
    }
    record->SetContext(&context_);
  }
  return rc;
}

int32_t cVkAgentManager::Save(std::u16string_view path) {
  std::lock_guard guard(lock_);
  return SaveToFile(path);
}

int32_t cVkAgentManager::InitServiceFiles(cOrkLog& log, std::u16string_view programFolder) {
  std::lock_guard guard(lock_);
  int32_t rc = files_.Init(log, programFolder);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while initializing the service files controller. Errorcode %ld.",
               rc);
  }
  return rc;
}

cVkAgentData* cVkAgentManager::FindAgent(std::u16string_view name) const {
  std::lock_guard guard(lock_);
  for (cVkObject* element : elements_) {
    auto* record = dynamic_cast<cVkAgentData*>(element);
    if (record != nullptr && SameName(record->ComputerName(), name)) return record;
  }
  return nullptr;
}

void cVkAgentManager::DropAgent(std::u16string_view name) {
  std::lock_guard guard(lock_);
  for (size_t i = 0; i < elements_.size(); ++i) {
    auto* record = dynamic_cast<cVkAgentData*>(elements_[i]);
    if (record != nullptr && SameName(record->ComputerName(), name)) {
      delete Detach(i);
      return;
    }
  }
}

cVkAgentData& cVkAgentManager::Record(std::u16string_view name, bool* created) {
  if (created != nullptr) *created = false;
  if (cVkAgentData* record = FindAgent(name)) return *record;
  auto* record = new cVkAgentData(std::u16string(name));
  record->SetContext(&context_);
  Add(record);
  if (created != nullptr) *created = true;
  return *record;
}

int32_t cVkAgentManager::InstallAgent(cOrkLog& log, std::u16string_view name, std::u16string_view directory,
                                      cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  int32_t rc = Record(name).Install(log, files_, directory, progress);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while installing the service on computer %s. Errorcode %ld.", name,
               rc);
  }
  return rc;
}

int32_t cVkAgentManager::StartAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  int32_t rc = Record(name).Start(log, progress);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while starting the service on computer %s. Errorcode %ld.", name, rc);
  }
  return rc;
}

int32_t cVkAgentManager::StopAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  int32_t rc = Record(name).Stop(log, progress);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while stopping the service on computer %s. Errorcode %ld.", name, rc);
  }
  return rc;
}

int32_t cVkAgentManager::RemoveAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  int32_t rc = Record(name).Remove(log, files_, progress);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while removing the service from computer %s. Errorcode %ld.", name,
               rc);
  }
  return rc;
}

int32_t cVkAgentManager::QueryAgentState(cOrkLog& log, std::u16string_view name, uint32_t* state,
                                         cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  cVkAgentData& record = Record(name);
  int32_t rc = record.QueryStatus(log, progress);
  *state = record.ServiceState();
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error occurred while getting the service status from computer %s. Errorcode %ld.",
               name, rc);
  }
  return rc;
}

int32_t cVkAgentManager::ReadAgentBuild(cOrkLog& log, std::u16string_view name, int32_t* build,
                                        cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  return Record(name).ReadBuild(log, progress, build);
}

int32_t cVkAgentManager::UpgradeAgent(cOrkLog& log, std::u16string_view name, cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  cVkAgentData& record = Record(name);
  VkProgress(progress, u"Progress: Getting ViewKeeper service version and build number.");
  int32_t build = 0;
  int32_t rc = record.ReadBuild(log, progress, &build);
  if (rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"An error has occurred while checking the service version. Errorcode %ld.", rc);
    DropAgent(name);
    return rc;
  }
  if (build == kVkClientBuild && context_.questions != nullptr) {
    if (progress != nullptr) progress->Hide();
    bool again = context_.questions->AskYesNo(
        vk::Format(u"The service, that you are trying to upgrade, is of the same version (%ld). Do you want to "
                   u"reinstall the ViewKeeper service?",
                   kVkClientBuild));
    if (progress != nullptr) progress->Show();
    if (!again) return 0;
  }
  VkProgress(progress, u"Progress: Upgrading the ViewKeeper service.");
  if (rc = record.Upgrade(log, files_, progress); rc != 0) {
    log.LogMsg(LOG_ERROR, rc, u"Error upgrading the ViewKeeper service. Errorcode %ld.", rc);
  }
  return rc;
}

int32_t cVkAgentManager::CheckBuild(cOrkLog& log, cVkAgentData& record, int32_t build, cVkProgressWindow* progress) {
  std::unique_ptr<cVkProgressWindow> own;
  if (progress == nullptr && context_.questions != nullptr) {
    own = context_.questions->OpenProgressDialog(
        vk::Format(u"Please wait... Upgrading the ViewKeeper service to build %ld.", kVkClientBuild));
    progress = own.get();
  }
  if (progress != nullptr) progress->Hide();
  if (build > kVkClientBuild) {
    if (context_.questions != nullptr) {
      context_.questions->ShowErrorBox(vk::Format(
          u"The service, that you are trying to connect to, is of a higher version than this client. Service build: "
          u"%ld, Client build %ld. Please use the installer to upgrade this client.",
          build, kVkClientBuild));
    }
    if (progress != nullptr) progress->Show();
    return -3;
  }
  bool upgrade = context_.questions != nullptr &&
                 context_.questions->AskYesNo(vk::Format(
                     u"The service, that you are trying to connect to, is of a lower version than this client. Service "
                     u"build: %ld, Client build %ld. Do you want to upgrade the service to the version that the client "
                     u"is using?",
                     build, kVkClientBuild));
  if (!upgrade) {
    log.LogMsg(LOG_ERROR, -3,
               u"The service is of the wrong version (Service build: %ld, Client build %ld). Automatically upgrading "
               u"the service was aborted.",
               build, kVkClientBuild);
    return -3;
  }
  if (progress != nullptr) progress->Show();
  int32_t rc = record.Upgrade(log, files_, progress);
  if (rc != 0) log.LogMsg(LOG_ERROR, rc, u"Error upgrading the service. Errorcode %ld.", rc);
  return rc;
}

int32_t cVkAgentManager::BindAgent(cOrkLog& log, std::u16string_view name, cVkRpcChannel** binding,
                                   cVkProgressWindow* progress) {
  std::lock_guard guard(lock_);
  *binding = nullptr;
  VkProgress(progress, u"Progress: Connecting to the ViewKeeper service.");
  bool created = false;
  cVkAgentData* record = &Record(name, &created);
  if (created) {
    VkProgress(progress, u"Progress: Getting ViewKeeper service version and build number.");
    int32_t build = 0;
    int32_t rc = record->ReadBuild(log, progress, &build);
    if (rc != 0) {
      log.LogMsg(LOG_ERROR, rc, u"An error has occurred while checking the service version. Errorcode %ld.", rc);
      DropAgent(name);
      return rc;
    }
    if (build != kVkClientBuild) {
      if (rc = CheckBuild(log, *record, build, progress); rc != 0) {
        DropAgent(name);
        return rc;
      }
    }
  }
  VkProgress(progress, u"Progress: Connecting to the ViewKeeper service..");
  int32_t rc = record->GetBinding(log, binding, progress);
  if (rc != 0) {
    DropAgent(name);
    log.LogMsg(LOG_ERROR, rc,
               u"An error has occurred while connecting to the service on computer '%s'. Could not create RPC binding "
               u"handle. Errorcode %ld.",
               name, rc);
  }
  return rc;
}

// CollectComputersInDomain: the computer objects below a directory path.
#include "common/network/w2k_records.h"
#include "dirbridge/directory.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/result_buffer.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

enum Column { kCn, kDnsHostName, kOperatingSystem, kServicePack, kOsVersion, kColumns };

const char* const kAdColumns[kColumns] = {"cn", "dNSHostName", "operatingSystem", "operatingSystemServicePack",
                                          "operatingSystemVersion"};

void LogColumnFailure(cOrkLog& log, int column, int32_t code) {
  switch (column) {
    case kCn:
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the column 'cn'. Errorcode %ld.", code);
      break;
    case kDnsHostName:
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the column 'dNSHostName'. Errorcode %ld.",
                 code);
      break;
    case kOperatingSystem:
      log.LogMsg(LOG_ERROR, code, u"An error has occurred while getting the column 'operationSystem'. Errorcode %ld.",
                 code);
      break;
    case kServicePack:
      log.LogMsg(LOG_ERROR, code,
                 u"An error has occurred while getting the column 'operationSystemServicePack'. Errorcode %ld.", code);
      break;
    default:
      log.LogMsg(LOG_ERROR, code,
                 u"An error has occurred while getting the column 'operationSystemVersion'. Errorcode %ld.", code);
      break;
  }
}

// The attribute that answers each column on this server (empty: none).
void ChooseColumns(const vk::dirbridge::Directory& directory, std::string (&names)[kColumns]) {
  for (int i = 0; i < kColumns; ++i) names[i] = directory.PickAttribute({kAdColumns[i]});
  names[kCn] = "cn";
  if (names[kDnsHostName].empty()) names[kDnsHostName] = directory.PickAttribute({"fqdn", "associatedDomain"});
}

std::string ComputerFilter(const vk::dirbridge::Directory& directory) {
  if (directory.Schema().HasClass("computer")) return "objectClass=computer";
  std::string cls = directory.PickClass({"ipaHost", "ipHost", "device"});
  return "(objectClass=" + (cls.empty() ? std::string("computer") : cls) + ")";
}

}  // namespace

extern "C" int32_t CollectComputersInDomain(cOrkLog* log, const char16_t* path, uint8_t** buffer, uint32_t* length) {
  vk::dirbridge::RegisterRecordClasses();
  *buffer = nullptr;
  *length = 0;
  std::u16string pathText = path != nullptr ? path : u"";
  vk::dirbridge::DirectoryPath where = vk::dirbridge::ParsePath(pathText);
  vk::dirbridge::Directory directory;
  int rc = directory.Open(where.uri);
  if (rc == 0) rc = directory.LoadSchema();
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting AD object '%s'. Errorcode %ld.", pathText, code);
    return code;
  }
  std::string names[kColumns];
  ChooseColumns(directory, names);
  vk::ldap::SearchRequest request{where.base.empty() ? directory.DefaultBase() : where.base,
                                  vk::ldap::Scope::Subtree,
                                  ComputerFilter(directory),
                                  {}};
  for (const std::string& name : names)
    if (!name.empty()) request.attributes.push_back(name);
  std::vector<vk::ldap::Entry> entries;
  rc = directory.AccessAnswer(directory.Session().Search(request, entries), request.base);
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error searching for computers in the active directory. Errorcode %ld.", code);
    return code;
  }
  cVkCollection collection;
  for (const vk::ldap::Entry& entry : entries) {
    std::u16string texts[kColumns];
    for (int i = 0; i < kColumns; ++i) {
      log->LogMsg(LOG_DETAIL, u"Getting column '%s'.", vk::FromUtf8(kAdColumns[i]));
      int32_t code = vk::dirbridge::ValueText(entry, names[i], texts[i]);
      if (code == 0) continue;
      log->LogAdsiMsg(LOG_ERROR, code, u"Error getting column '%s'. Errorcode %ld.", vk::FromUtf8(kAdColumns[i]), code);
      LogColumnFailure(*log, i, code);
      return code;
    }
    collection.Add(new cVkW2KComputer(texts[kCn], texts[kOperatingSystem], texts[kDnsHostName], texts[kServicePack],
                                      texts[kOsVersion]));
  }
  return vk::dirbridge::ProduceBuffer(collection, buffer, length);
}

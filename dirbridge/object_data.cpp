// GetObjectData: the caller's keywords with their values read from the object.
#include <span>

#include "common/archive/archive.h"
#include "common/network/directory_records.h"
#include "dirbridge/directory.h"
#include "dirbridge/dirbridge.h"
#include "dirbridge/result_buffer.h"
#include "log/orklog.h"
#include "platform/core/text.h"

namespace {

// The property a keyword names: "%AD:" + name + "%", every "%" removed from
// the name; empty when the keyword does not have that form.
std::string PropertyOf(const std::u16string& keyword) {
  constexpr std::u16string_view kPrefix = u"%AD:";
  if (keyword.size() <= kPrefix.size() || keyword.compare(0, kPrefix.size(), kPrefix) != 0) return {};
  std::u16string name;
  for (char16_t c : std::u16string_view(keyword).substr(kPrefix.size()))
    if (c != u'%') name += c;
  return vk::ToUtf8(name);
}

// Fills one keyword; answers what reading its property answered.
int32_t FillKeyword(cOrkLog& log, const vk::ldap::Entry& entry, cVkStringVariable& keyword) {
  std::string property = PropertyOf(keyword.name);
  std::u16string propertyText = vk::FromUtf8(property);
  if (property.empty() || entry.Find(property) == nullptr) {
    log.LogMsg(LOG_ERROR, vk::dirbridge::kPropertyNotFound,
               u"Error getting property '%s' Property not found. Errorcode %ld.", propertyText,
               vk::dirbridge::kPropertyNotFound);
    keyword.value = u"-Property Not Found-";
    return vk::dirbridge::kPropertyNotFound;
  }
  std::u16string value;
  if (int32_t code = vk::dirbridge::ValueText(entry, property, value); code != 0) {
    log.LogAdsiMsg(LOG_ERROR, code, u"Error getting property '%s'. Errorcode %ld.", propertyText, code);
    keyword.value = u"-Error getting property-";
    return code;
  }
  keyword.value = std::move(value);
  return 0;
}

}  // namespace

extern "C" int32_t GetObjectData(cOrkLog* log, const char16_t* path, const uint8_t* input, uint32_t inputLength,
                                 uint8_t** buffer, uint32_t* length) {
  vk::dirbridge::RegisterRecordClasses();
  *buffer = nullptr;
  *length = 0;
  cVkStringVariableArray keywords;
  if (input != nullptr && inputLength != 0) {
    cVkArchive archive(std::span<const uint8_t>(input, inputLength));
    keywords.Serialize(archive);
    if (archive.Failed()) {
      log->LogMsg(LOG_ERROR, archive.Failure(), u"An error has occurred while reading the keywords. Errorcode %ld.",
                  archive.Failure());
      return archive.Failure();
    }
  }
  std::u16string pathText = path != nullptr ? path : u"";
  vk::dirbridge::DirectoryPath where = vk::dirbridge::ParsePath(pathText);
  vk::dirbridge::Directory directory;
  if (int rc = directory.Open(where.uri); rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting AD object '%s'. Errorcode %ld.", pathText, code);
    return code;
  }
  std::vector<vk::ldap::Entry> entries;
  int rc = directory.Session().Search({where.base, vk::ldap::Scope::Base, "(objectClass=*)", {}}, entries);
  if (rc == 0 && entries.empty()) rc = 32;  // noSuchObject
  if (rc != 0) {
    int32_t code = vk::dirbridge::LdapCode(rc);
    log->LogAdsiMsg(LOG_ERROR, code, u"Error getting info from AD object '%s'. Errorcode %ld.", pathText, code);
    return code;
  }
  int32_t result = 0;
  for (cVkObject* element : keywords.Elements()) {
    if (auto* keyword = dynamic_cast<cVkStringVariable*>(element))
      result = FillKeyword(*log, entries.front(), *keyword);
  }
  int32_t produced = vk::dirbridge::ProduceBuffer(keywords, buffer, length);
  return produced != 0 ? produced : result;
}

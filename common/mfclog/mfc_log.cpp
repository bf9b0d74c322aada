#include "common/mfclog/mfc_log.h"

#include <unordered_set>

#include "common/archive/archive.h"
#include "common/archive/field_visitor.h"
#include "common/archive/register_archive.h"
#include "log/orklog.h"

// Both classes accept other schema numbers (their bodies have no layout
// version of their own); they are registered under the platform root.
VK_IMPLEMENT_SERIAL(cOrkMfcLogEntry, nullptr, VK_SCHEMA_VERSIONABLE | 2)
VK_IMPLEMENT_SERIAL(cOrkMfcLog, nullptr, VK_SCHEMA_VERSIONABLE | 2)

void cOrkMfcLogEntry::CopyFrom(const cVkObject& other) {
  auto* source = dynamic_cast<const cOrkMfcLogEntry*>(&other);
  if (source == nullptr) return;
  time = source->time;
  type = source->type;
  code = source->code;
  text = source->text;
}

// Body order differs from the field order: type, time, code, text.
void cOrkMfcLogEntry::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteDword(type);
    ar.WriteLong(time);
    ar.WriteLong(code);
    ar.WriteString(text);
    return;
  }
  ar.Read(type);
  ar.Read(time);
  ar.Read(code);
  ar.Read(text);
}

cOrkMfcLog::cOrkMfcLog(cOrkLog& log) {
  char16_t buffer[kMaxTextLength + 1];
  uint32_t index = 0;
  int32_t time = 0;
  uint32_t type = 0;
  int32_t code = 0;
  while (log.GetMemMessageEx(&index, 0xFFFF, &time, &type, &code, buffer, kMaxTextLength + 1) == 0) {
    entries_.push_back(new cOrkMfcLogEntry(time, type, code, std::u16string(buffer)));
  }
}

cOrkMfcLog::~cOrkMfcLog() { DeleteAll(); }

// An entry added twice is destroyed once.
void cOrkMfcLog::DeleteAll() {
  std::unordered_set<cOrkMfcLogEntry*> destroyed;
  for (cOrkMfcLogEntry* entry : entries_) {
    if (destroyed.insert(entry).second) delete entry;
  }
  entries_.clear();
}

void cOrkMfcLog::Serialize(cVkArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(entries_.size());
    for (const cOrkMfcLogEntry* entry : entries_) ar.WriteObject(entry);
    return;
  }
  uint32_t count = ar.ReadCount(2);
  DeleteAll();
  entries_.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::unique_ptr<cOrkMfcLogEntry> entry = ar.ReadObjectAs<cOrkMfcLogEntry>();
    if (ar.Failed()) return;
    // A null record stands for no entry.
    if (entry) entries_.push_back(entry.release());
  }
}

void cOrkMfcLog::ToLog(cOrkLog& log) const {
  log.Clear();
  for (const cOrkMfcLogEntry* entry : entries_) {
    log.AddMessage(entry->time, entry->type, entry->code, entry->text);
  }
}

int32_t LogToRpcBuffer(cOrkLog& log, VkRpcBuffer& outBuffer, VkRpcAllocator allocate) {
  cOrkMfcLog messages(log);
  return ObjectToRpcBuffer(&messages, outBuffer, allocate);
}

// The class is checked from the record's class part, before anything of
// another class is built.
int32_t RpcBufferToLog(const VkRpcBuffer& buffer, cOrkLog& log) {
  if (buffer.bytes == nullptr || buffer.length == 0) return 0;
  cVkArchive archive(std::span<const uint8_t>(buffer.bytes, buffer.length));
  std::unique_ptr<cOrkMfcLog> messages = archive.ReadObjectAs<cOrkMfcLog>();
  if (archive.Failed()) return archive.Failure();
  if (!messages) return 0;
  cOrkLog temporary;
  messages->ToLog(temporary);
  log.AddLog(temporary);
  return 0;
}

void VkRegisterMfcLogClasses() { VkRegisterClasses<cOrkMfcLog, cOrkMfcLogEntry>(); }

void cOrkMfcLogEntry::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.Number("time", time);
  visitor.Number("type", type);
  visitor.Number("code", code);
  visitor.Text("text", text);
}

void cOrkMfcLog::VisitFields(cVkFieldVisitor& visitor) const {
  visitor.BeginList("entries");
  for (const cOrkMfcLogEntry* entry : entries_) visitor.Object({}, entry);
  visitor.EndList();
}

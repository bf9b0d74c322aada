// cOrkMfcLog: a log's messages in serialisable form.
//
// The agent copies the messages of a call or a session into a cOrkMfcLog,
// archives it into a buffer and sends it; the console turns it back into
// messages of its own log, with the agent's times, types and codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/archive/object.h"
#include "common/archive/object_buffer.h"

class cOrkLog;

class cOrkMfcLogEntry : public cVkObject {
  VK_DECLARE_SERIAL(cOrkMfcLogEntry)

 public:
  cOrkMfcLogEntry() = default;
  cOrkMfcLogEntry(int32_t time, uint32_t type, int32_t code, std::u16string text)
      : time(time), type(type), code(code), text(std::move(text)) {}

  void Serialize(cVkArchive& archive) override;
  cVkObject* Clone() const override { return VkCloneByCopy(*this); }
  void CopyFrom(const cVkObject& other) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  int32_t time = 0;  // seconds since 1970-01-01 UTC
  uint32_t type = 0;
  int32_t code = 0;
  std::u16string text;
};

class cOrkMfcLog : public cVkObject {
  VK_DECLARE_SERIAL(cOrkMfcLog)

 public:
  // Longest text an entry takes over from a log.
  static constexpr uint32_t kMaxTextLength = 1022;

  cOrkMfcLog() = default;
  // The messages of `log`, all types, in order.
  explicit cOrkMfcLog(cOrkLog& log);
  ~cOrkMfcLog() override;
  cOrkMfcLog(const cOrkMfcLog&) = delete;
  cOrkMfcLog& operator=(const cOrkMfcLog&) = delete;

  void Serialize(cVkArchive& archive) override;
  void VisitFields(cVkFieldVisitor& visitor) const override;

  // Empties `log` and stores the entries in it as they are.
  void ToLog(cOrkLog& log) const;

  void DeleteAll();
  void Add(cOrkMfcLogEntry* entry) { entries_.push_back(entry); }  // takes ownership
  size_t GetSize() const { return entries_.size(); }
  const cOrkMfcLogEntry* GetAt(size_t index) const { return entries_[index]; }

 private:
  std::vector<cOrkMfcLogEntry*> entries_;
};

// Agent: the messages of `log` as an RPC buffer pair (see ObjectToRpcBuffer).
int32_t LogToRpcBuffer(cOrkLog& log, VkRpcBuffer& outBuffer, VkRpcAllocator allocate = nullptr);

// Console: adds the messages archived in `buffer` to `log`, through its
// masks. An empty buffer adds nothing; a damaged one answers the archive
// cause and adds nothing; a buffer that holds anything but a cOrkMfcLog is a
// bad class (6).
int32_t RpcBufferToLog(const VkRpcBuffer& buffer, cOrkLog& log);

// Registration of the two classes.
void VkRegisterMfcLogClasses();

// cVkArchive: the object archive format, in one direction at a time.
//
// A storing archive appends to a byte vector; a loading archive reads a byte
// range without copying it. Integers are little-endian, nothing is padded.
// A failure is sticky: the first cause is kept, later writes do nothing and
// later reads answer zeros and empty values, so a class body never has to
// test after every item; it only must not allocate for a count that the
// archive refused (ReadCount answers 0 then).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/archive/archive_causes.h"
#include "common/archive/class_info.h"
#include "common/archive/object.h"

class cVkReadObserver;

class cVkArchive {
 public:
  // Deepest nesting of object records (and of bodies inside bodies).
  static constexpr int kMaxDepth = 200;
  // The shared class/object counter must not pass this value.
  static constexpr uint32_t kMaxIndex = 0x3FFFFFFDu;
  // What one decode may build, in archive bytes: the bytes it reads plus, for
  // each back-reference, the whole size of the object it copies. A record
  // that would build more than this many times its own size (plus a little)
  // is refused with end of data, so nested references cannot multiply work
  // and memory.
  static constexpr uint64_t kBuildPerInputByte = 16;
  static constexpr uint64_t kBuildAllowance = 4096;

  explicit cVkArchive(std::vector<uint8_t>* out);    // storing, appends to *out
  explicit cVkArchive(std::span<const uint8_t> in);  // loading
  ~cVkArchive();
  cVkArchive(const cVkArchive&) = delete;
  cVkArchive& operator=(const cVkArchive&) = delete;

  bool IsStoring() const { return storing_; }
  bool IsLoading() const { return !storing_; }
  int32_t Failure() const { return failure_; }
  bool Failed() const { return failure_ != 0; }
  // Records a failure; the first cause stays.
  void Fail(int32_t cause);
  // Bytes left to read (0 when storing).
  size_t Remaining() const { return storing_ ? 0 : in_.size() - pos_; }
  // Bytes read so far (loading) or written (storing).
  size_t Position() const { return storing_ ? out_->size() : pos_; }

  void WriteByte(uint8_t value);
  void WriteWord(uint16_t value);
  void WriteDword(uint32_t value);
  void WriteLong(int32_t value) { WriteDword(static_cast<uint32_t>(value)); }
  void WriteQword(uint64_t value);
  void WriteBytes(std::span<const uint8_t> bytes);
  void WriteString(std::u16string_view text);
  void WriteCount(uint64_t count);
  void WriteObject(const cVkObject* object);

  uint8_t ReadByte();
  uint16_t ReadWord();
  uint32_t ReadDword();
  int32_t ReadLong() { return static_cast<int32_t>(ReadDword()); }
  uint64_t ReadQword();
  // Copies up to `length` bytes; answers how many there were.
  size_t ReadBytes(void* out, size_t length);
  // Copies exactly `length` bytes or fails with end of data.
  bool ReadExact(void* out, size_t length);
  std::u16string ReadString();
  // Reads the DWORD layout version that opens the body of `body` (a class
  // reads its fields only for versions it knows); an observer sees it.
  uint32_t ReadLayoutVersion(const cVkObject& body);
  // Read into a field: the width is the field's type, and the field keeps
  // its value when the item cannot be read.
  void Read(uint8_t& field) { Keep(field, ReadByte()); }
  void Read(uint16_t& field) { Keep(field, ReadWord()); }
  void Read(uint32_t& field) { Keep(field, ReadDword()); }
  void Read(int32_t& field) { Keep(field, ReadLong()); }
  void Read(uint64_t& field) { Keep(field, ReadQword()); }
  void Read(std::u16string& field) { Keep(field, ReadString()); }
  // Reads a count of elements that each take at least `minBytesEach` bytes
  // in the archive; a count the remaining data cannot hold fails with end of
  // data and answers 0, so nothing is allocated for it.
  uint32_t ReadCount(size_t minBytesEach);
  // Reads one object record. The caller owns the object. With `required`,
  // the class read must be that class or derived from it.
  std::unique_ptr<cVkObject> ReadObject(const cVkClassInfo* required = nullptr);
  template <class T>
  std::unique_ptr<T> ReadObjectAs() {
    std::unique_ptr<cVkObject> object = ReadObject(&T::classInfo);
    if (!object) return nullptr;
    if (auto* typed = dynamic_cast<T*>(object.get())) {
      object.release();
      return std::unique_ptr<T>(typed);
    }
    Fail(VK_AR_BAD_CLASS);
    return nullptr;
  }

  // The schema number of the object whose body is being read or written
  // (the stored one for versionable classes).
  uint32_t GetObjectSchema() const { return currentSchema_; }

  // Loading: reports the objects, references and layout versions read to
  // `observer` (not owned; null for none).
  void SetObserver(cVkReadObserver* observer) { observer_ = observer; }

 private:
  enum class SlotKind : uint8_t { Class, ObjectReading, Object };
  struct Slot {
    SlotKind kind;
    const cVkClassInfo* cls;
    cVkObject* object;      // not owned
    uint16_t storedSchema;  // for class slots
    uint64_t built;         // for objects: what reading the object built
  };

  template <class T>
  void Keep(T& field, T&& value) {
    if (failure_ == 0) field = std::move(value);
  }
  bool CanWrite();
  bool CanRead(size_t length);
  bool TakeIndex();
  void WriteClassPart(const cVkClassInfo* cls);
  void WriteReference(uint32_t index, uint32_t classBit);
  const cVkClassInfo* ReadNewClass(uint16_t* storedSchema);
  std::unique_ptr<cVkObject> ReadReference(uint32_t index, const cVkClassInfo* required);
  std::unique_ptr<cVkObject> ReadNewObject(const cVkClassInfo* cls, uint16_t storedSchema);
  void StoreNumber(uint64_t value);
  uint64_t Built() const { return pos_ + copied_; }
  bool ChargeCopy(uint64_t built);

  bool storing_;
  int32_t failure_ = 0;
  int depth_ = 0;
  uint32_t currentSchema_ = 0;
  uint32_t counter_ = 1;  // next index; 0 stands for null
  // Storing.
  std::vector<uint8_t>* out_ = nullptr;
  std::unordered_map<const cVkObject*, uint32_t> writtenObjects_;
  std::unordered_map<const cVkClassInfo*, uint32_t> writtenClasses_;
  // Loading.
  std::span<const uint8_t> in_;
  size_t pos_ = 0;
  std::vector<Slot> slots_;  // slot i holds index i; slot 0 unused
  uint64_t copied_ = 0;      // what the references read so far copied
  uint64_t buildLimit_ = 0;
  cVkReadObserver* observer_ = nullptr;
};

// Computers and domains of a browse-list enumeration.
#pragma once

#include "common/network/record_fields.h"

class cVkNT4Computer : public cVkObject {
  VK_NETWORK_RECORD(cVkNT4Computer)

 public:
  cVkNT4Computer() = default;
  cVkNT4Computer(std::u16string name, uint32_t versionMajor, uint32_t versionMinor, uint32_t type,
                 std::u16string comment)
      : name(std::move(name)),
        versionMajor(versionMajor),
        versionMinor(versionMinor),
        type(type),
        comment(std::move(comment)) {}

  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("name", s.name);
    f("versionMajor", s.versionMajor);
    f("versionMinor", s.versionMinor);
    f("type", s.type);
    f("comment", s.comment);
  }

  const std::u16string& GetName() const { return name; }
  std::u16string GetVersionText() const;
  std::u16string GetTypeText() const;
  std::u16string GetDescription() const;

  std::u16string name;
  uint32_t versionMajor = 0;
  uint32_t versionMinor = 0;
  uint32_t type = 0;  // server-type bits as the browser reports them
  std::u16string comment;
};

class cVkNT4Domain : public cVkObject {
  VK_NETWORK_RECORD(cVkNT4Domain)

 public:
  cVkNT4Domain() = default;
  cVkNT4Domain(std::u16string name, uint32_t versionMajor, uint32_t versionMinor, uint32_t type, std::u16string comment)
      : name(std::move(name)),
        versionMajor(versionMajor),
        versionMinor(versionMinor),
        type(type),
        comment(std::move(comment)) {}

  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("name", s.name);
    f("versionMajor", s.versionMajor);
    f("versionMinor", s.versionMinor);
    f("type", s.type);
    f("comment", s.comment);
  }

  const std::u16string& GetName() const { return name; }
  std::u16string GetDescription() const;

  std::u16string name;
  uint32_t versionMajor = 0;
  uint32_t versionMinor = 0;
  uint32_t type = 0;
  std::u16string comment;  // shown as the domain's PDC
};

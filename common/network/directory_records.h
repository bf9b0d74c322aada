// Records of directory queries: search results, users with home folders and
// the keyword variables of directory properties.
#pragma once

#include "common/archive/collection.h"
#include "common/network/record_fields.h"

// Kinds of cVkLDAPData (also the image index in the picker's tree).
inline constexpr uint32_t VK_LDAP_COMPUTER = 2;
inline constexpr uint32_t VK_LDAP_USER = 5;
inline constexpr uint32_t VK_LDAP_GROUP = 8;
inline constexpr uint32_t VK_LDAP_ORGANIZATIONAL_UNIT = 9;
inline constexpr uint32_t VK_LDAP_CONTAINER = 10;
inline constexpr uint32_t VK_LDAP_BUILTIN_CONTAINER = 11;

class cVkLDAPData : public cVkObject {
  VK_NETWORK_RECORD(cVkLDAPData)

 public:
  cVkLDAPData() = default;
  cVkLDAPData(std::u16string distinguishedName, std::u16string accountName, std::u16string netbiosDomain, uint32_t kind)
      : distinguishedName(std::move(distinguishedName)),
        accountName(std::move(accountName)),
        netbiosDomain(std::move(netbiosDomain)),
        kind(kind) {}

  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("distinguishedName", s.distinguishedName);
    f("accountName", s.accountName);
    f("netbiosDomain", s.netbiosDomain);
    f("kind", s.kind);
  }
  const std::u16string& GetName() const { return distinguishedName; }

  std::u16string distinguishedName;
  std::u16string accountName;
  std::u16string netbiosDomain;
  uint32_t kind = 0;
};

class cVkUserInfo : public cVkObject {
  VK_NETWORK_RECORD(cVkUserInfo)

 public:
  cVkUserInfo() = default;
  cVkUserInfo(std::u16string accountName, std::u16string netbiosDomain, std::u16string homeDirectory,
              std::u16string extra)
      : accountName(std::move(accountName)),
        netbiosDomain(std::move(netbiosDomain)),
        homeDirectory(std::move(homeDirectory)),
        extra(std::move(extra)) {}

  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("accountName", s.accountName);
    f("netbiosDomain", s.netbiosDomain);
    f("homeDirectory", s.homeDirectory);
    f("extra", s.extra);
  }
  const std::u16string& GetName() const { return accountName; }

  std::u16string accountName;
  std::u16string netbiosDomain;
  std::u16string homeDirectory;
  std::u16string extra;  // written and read; empty as produced
};

// One keyword ("%AD:" + a directory property name + "%"), its value and an
// explanatory sentence. Registered under the platform root.
class cVkStringVariable : public cVkObject {
  VK_NETWORK_RECORD(cVkStringVariable)

 public:
  cVkStringVariable() = default;
  cVkStringVariable(std::u16string name, std::u16string value, std::u16string description)
      : name(std::move(name)), value(std::move(value)), description(std::move(description)) {}

  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("name", s.name);
    f("value", s.value);
    f("description", s.description);
  }
  const std::u16string& GetName() const { return name; }

  std::u16string name;
  std::u16string value;
  std::u16string description;
};

// A collection of cVkStringVariable; its body is the collection body.
class cVkStringVariableArray : public cVkCollection {
  VK_DECLARE_SERIAL(cVkStringVariableArray)
};

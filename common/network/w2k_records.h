// Computers and domains from the directory.
#pragma once

#include "common/network/record_fields.h"

class cVkW2KComputer : public cVkObject {
  VK_NETWORK_RECORD(cVkW2KComputer)

 public:
  cVkW2KComputer() = default;
  cVkW2KComputer(std::u16string commonName, std::u16string operatingSystem, std::u16string dnsHostName,
                 std::u16string servicePack, std::u16string osVersion)
      : commonName(std::move(commonName)),
        operatingSystem(std::move(operatingSystem)),
        dnsHostName(std::move(dnsHostName)),
        servicePack(std::move(servicePack)),
        osVersion(std::move(osVersion)) {}

  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("commonName", s.commonName);
    f("operatingSystem", s.operatingSystem);
    f("dnsHostName", s.dnsHostName);
    f("servicePack", s.servicePack);
    f("osVersion", s.osVersion);
  }

  const std::u16string& GetName() const { return commonName; }
  std::u16string GetDescription() const;

  std::u16string commonName;       // cn
  std::u16string operatingSystem;  // operatingSystem
  std::u16string dnsHostName;      // dNSHostName
  std::u16string servicePack;      // operatingSystemServicePack
  std::u16string osVersion;        // operatingSystemVersion
};

class cVkW2KDomain : public cVkObject {
  VK_NETWORK_RECORD(cVkW2KDomain)

 public:
  cVkW2KDomain() = default;
  cVkW2KDomain(std::u16string name, std::u16string namingContext, std::u16string trustParent, uint32_t downLevel)
      : name(std::move(name)),
        namingContext(std::move(namingContext)),
        trustParent(std::move(trustParent)),
        downLevel(downLevel) {}

  template <class Self, class F>
  static void Fields(Self& s, F&& f) {
    f("name", s.name);
    f("namingContext", s.namingContext);
    f("trustParent", s.trustParent);
    f("downLevel", s.downLevel);
  }

  const std::u16string& GetName() const { return name; }
  std::u16string GetDescription() const;

  std::u16string name;           // DNS name
  std::u16string namingContext;  // the domain's distinguished name
  std::u16string trustParent;    // empty for a tree root
  uint32_t downLevel = 0;        // non-zero for a pre-directory domain
};

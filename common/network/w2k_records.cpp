#include "common/network/w2k_records.h"

#include "log/format.h"

VK_IMPLEMENT_SERIAL(cVkW2KComputer, &cVkObject::classInfo, 1)
VK_IMPLEMENT_SERIAL(cVkW2KDomain, &cVkObject::classInfo, 1)

std::u16string cVkW2KComputer::GetDescription() const {
  std::u16string text = dnsHostName.empty() ? commonName : dnsHostName;
  if (!operatingSystem.empty()) {
    text += u", " + operatingSystem;
    if (!osVersion.empty()) text += u"( " + osVersion + u" )";
  }
  if (!servicePack.empty()) text += u", " + servicePack;
  return text;
}

std::u16string cVkW2KDomain::GetDescription() const {
  if (trustParent.empty()) return vk::Format(u"Domain: %s", name);
  return vk::Format(u"Domain: %s, Parent Domain: %s", name, trustParent);
}

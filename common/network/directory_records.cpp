#include "common/network/directory_records.h"

VK_IMPLEMENT_SERIAL(cVkLDAPData, &cVkObject::classInfo, 1)
VK_IMPLEMENT_SERIAL(cVkUserInfo, &cVkObject::classInfo, 1)
VK_IMPLEMENT_SERIAL(cVkStringVariable, nullptr, 1)
VK_IMPLEMENT_SERIAL(cVkStringVariableArray, &cVkCollection::classInfo, 1)

#include "agent/service/agent_objects.h"

#include "common/settings/service_settings.h"
#include "log/orklog.h"

namespace vk::agent {

cOrkLog& ServiceLog() {
  static cOrkLog log;
  return log;
}

cVkLocations& Locations() {
  static cVkLocations locations;
  return locations;
}

cVkServiceSettings& ServiceSettings() {
  static cVkServiceSettings settings;
  return settings;
}

cVkServiceRecord& ServiceRecord() {
  static cVkServiceRecord record;
  return record;
}

}  // namespace vk::agent

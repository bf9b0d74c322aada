#include "agent/service/agent_objects.h"

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

cVkServiceRecord& ServiceRecord() {
  static cVkServiceRecord record;
  return record;
}

}  // namespace vk::agent

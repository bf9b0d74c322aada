// The agent-wide objects, one each for the life of the process.
#pragma once

#include "agent/service/locations.h"
#include "agent/service/service_record.h"

class cOrkLog;

namespace vk::agent {

// The service log: start and stop announcements and critical errors, also
// to the event log.
cOrkLog& ServiceLog();
cVkLocations& Locations();
cVkServiceRecord& ServiceRecord();

}  // namespace vk::agent

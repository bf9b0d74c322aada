// The agent-wide objects, one each for the life of the process.
#pragma once

#include "common/locations/locations.h"
#include "agent/service/service_record.h"

class cOrkLog;
class cVkServiceSettings;

namespace vk::agent {

// The service log: start and stop announcements and critical errors, also
// to the event log.
cOrkLog& ServiceLog();
cVkLocations& Locations();
// The settings every activity takes its copies from.
cVkServiceSettings& ServiceSettings();
cVkServiceRecord& ServiceRecord();

}  // namespace vk::agent

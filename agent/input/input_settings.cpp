#include "agent/input/input_settings.h"

#include "common/settings/service_settings.h"

cVkInputSettings InputSettingsFrom(const cVkServiceSettings& settings) {
  cVkInputSettings result;
  if (auto input = settings.GetInput()) result.inputFlags = input->inputFlags;
  if (auto connection = settings.GetConnection()) {
    result.inputMode = connection->GetInputMode();
    result.inputPort = connection->GetInputPort();
  }
  return result;
}

#include "console/core/service_flow_texts.h"

#include "log/format.h"

std::u16string VkStopConfirmationText(const std::vector<std::u16string>& computers) {
  if (computers.size() == 1)
    return vk::Format(u"Are you sure that you want to stop the service on computer %s?", computers.front());
  std::u16string joined;
  for (const std::u16string& name : computers) {
    if (!joined.empty()) joined += u',';
    joined += name;
  }
  return vk::Format(u"Are you sure that you want to stop the services on computers: %s?", joined);
}

std::u16string VkStartingServiceText(std::u16string_view computer) {
  return vk::Format(u"Please Wait... Starting the service on computer: %s.", computer);
}

std::u16string VkStoppingServiceText(std::u16string_view computer) {
  return vk::Format(u"Please Wait... Stopping the service on computer: %s.", computer);
}

std::u16string VkStartFailedText(std::u16string_view computer) {
  return vk::Format(u"An error has occurred while starting the service on computer %s.", computer);
}

std::u16string VkStopFailedText(std::u16string_view computer) {
  return vk::Format(u"An error has occurred while stopping the service on computer %s.", computer);
}

std::u16string VkCheckingServiceStateText(std::u16string_view computer) {
  return vk::Format(u"Opening connection to computer '%s' Checking the service state.", computer);
}

std::u16string_view VkUnknownServiceQuestion() {
  return u"ViewKeeper was unable to determine if an ViewKeeper service has been installed on the remote machine. "
         u"Has an ViewKeeper service already been installed on the remote computer?. (Please answer 'No' if you are "
         u"not sure; ViewKeeper will then guide you through the process of installing the service.)";
}

std::u16string_view VkStartOfferQuestion() {
  return u"The ViewKeeper service is not running on the remote machine. Do you want to start it now?.";
}

std::u16string_view VkStartOfferFailedText() { return u"An error has occurred while starting the ViewKeeper service"; }

std::u16string VkServiceNotRunningText(std::u16string_view stateName) {
  return vk::Format(
      u"The current state of the ViewKeeper service is: '%s'. To be able to connect to the service, it needs to be "
      u"running. If the service is currently starting, please retry to connect in a few minutes.",
      stateName);
}

// The texts of the console's service commands (start, stop, and the service
// check before a viewer opens), built from the computer names they act on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// "Are you sure ..." for one computer (singular) or several (plural, the
// names joined by ",").
std::u16string VkStopConfirmationText(const std::vector<std::u16string>& computers);
// The progress dialog's first line while a computer's agent starts or stops.
std::u16string VkStartingServiceText(std::u16string_view computer);
std::u16string VkStoppingServiceText(std::u16string_view computer);
// The error dialog's message after a failed start or stop.
std::u16string VkStartFailedText(std::u16string_view computer);
std::u16string VkStopFailedText(std::u16string_view computer);

// Before a viewer opens: the state query, the question when it fails, the
// start offer for a stopped agent and its failure, and the box for any
// state other than stopped or running (`stateName` as the service manager's
// names go).
std::u16string VkCheckingServiceStateText(std::u16string_view computer);
std::u16string_view VkUnknownServiceQuestion();
std::u16string_view VkStartOfferQuestion();
std::u16string_view VkStartOfferFailedText();
std::u16string VkServiceNotRunningText(std::u16string_view stateName);

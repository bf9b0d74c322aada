// The local network's browse lists through DNS-SD: the browse domains
// ("local" and those the network announces) and, in a domain, the hosts
// that announce a workstation, an SSH server or a ViewKeeper agent, as the
// records of a browse-list enumeration.
#pragma once

#include <chrono>
#include <memory>

#include "common/netbrowse/network_browser.h"

// Each enumeration ends after `limit` at the latest, with what was found.
std::shared_ptr<iVkNetworkBrowser> VkMakeDnsSdNetworkBrowser(std::chrono::milliseconds limit = std::chrono::seconds(5));

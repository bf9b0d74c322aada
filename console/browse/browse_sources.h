// Where the nodes of the browse tree collect from: the directory library's
// binding and the local network's browser. Set once by the console at start
// (and by tests); a collection takes its own references, so a source stays
// alive until the collections that use it have ended.
#pragma once

#include <memory>

#include "dirbridge/binding/dirbridge_binding.h"
#include "common/netbrowse/network_browser.h"

struct cVkBrowseSources {
  std::shared_ptr<cVkDirBridge> directory;     // null: no directory
  std::shared_ptr<iVkNetworkBrowser> network;  // null: the unavailable browser
};

void VkSetBrowseSources(cVkBrowseSources sources);
// The browser of a console built without local network discovery: every
// enumeration fails with 50 (not supported) and says so in the log.
std::shared_ptr<iVkNetworkBrowser> VkMakeUnavailableNetworkBrowser();
cVkBrowseSources VkBrowseSources();

// The browse-list enumerations of the "Microsoft Windows Network" branch:
// 0, or the browser's code after "Error enumerating ..." in the log.
int32_t EnumerateNT4Domains(cOrkLog& log, cVkCollection& collection, const std::atomic<bool>& cancel);
int32_t EnumerateNT4Computers(cOrkLog& log, std::u16string_view domain, cVkCollection& collection,
                              const std::atomic<bool>& cancel);

// cVkConnectionManager: the console's list of connection records, kept in
// "Connections.dat" in its data folder (loaded at start, saved when the main
// window closes).
#pragma once

#include <cstdint>
#include <string>

#include "common/archive/collection.h"
#include "console/core/connection_info.h"

// What opening a viewer needs from the windows: the logon dialog on a record
// and a new viewer window for it.
class iVkViewerOpener {
 public:
  virtual ~iVkViewerOpener() = default;
  // Runs the logon dialog on `record`; true when it ended with OK.
  virtual bool RunLogon(cVkConnectionInfo& record) = 0;
  // Opens a viewer for `record`, placed as the record says when it carries a
  // placement.
  virtual void OpenViewer(const cVkConnectionInfo& record) = 0;
};

class cVkConnectionManager : public cVkCollection {
  VK_DECLARE_SERIAL(cVkConnectionManager)

 public:
  cVkConnectionManager() = default;

  // The first record of that computer (names compared ignoring case), or null.
  cVkConnectionInfo* Find(std::u16string_view computerName) const;

  // Reuses the computer's record or starts a new one; stores user, domain and
  // password when user and password are both given; runs the logon dialog
  // and, on OK, opens the viewer. A new record joins the list only then.
  // True when a viewer was opened.
  bool Open(iVkViewerOpener& opener, std::u16string_view computerName, std::u16string_view userName = {},
            std::u16string_view password = {}, std::u16string_view domain = {});

  // Stores placement and scale mode in every record of that computer.
  void UpdatePlacement(std::u16string_view computerName, const VkWindowPlacement& placement, int32_t scaleMode);

  // The file: a missing or damaged one leaves the list empty.
  int32_t Load(std::u16string_view path);
  int32_t Save(std::u16string_view path);
};

// Compares two computer names ignoring case.
bool VkSameComputerName(std::u16string_view a, std::u16string_view b);

void VkRegisterConsoleClasses();

// A connection to logind (org.freedesktop.login1) over D-Bus.
//
// The agent talks to the system bus. A bus address given explicitly (a
// private bus with a stand-in logind) replaces it; nothing else changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct sd_bus;

namespace vk::logind {

inline constexpr const char* kService = "org.freedesktop.login1";
inline constexpr const char* kManagerPath = "/org/freedesktop/login1";
inline constexpr const char* kManagerInterface = "org.freedesktop.login1.Manager";
inline constexpr const char* kSeatInterface = "org.freedesktop.login1.Seat";
inline constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";

struct BusDeleter {
  void operator()(sd_bus* bus) const;
};
using BusPtr = std::unique_ptr<sd_bus, BusDeleter>;

// Opens the system bus when `address` is empty, else the bus at `address`
// ("unix:path=..."). 0 or a Win32-numbered code.
int32_t OpenBus(const std::string& address, BusPtr* bus);

// Win32 code of a negative sd-bus result.
int32_t CodeOfBusResult(int result);

// Calls a Manager method that answers nothing; `signature` and the
// arguments as sd_bus_call_method takes them.
int32_t CallManagerString(sd_bus* bus, const char* method, const std::string& argument);
int32_t CallManagerBool(sd_bus* bus, const char* method, bool argument);

// Object path of a seat ("seat0") as logind answers GetSeat.
int32_t SeatPath(sd_bus* bus, const std::string& seat, std::string* path);

// Reads a string property, a uint32 property, or the parts of a (so) or
// (uo) property of the object at `path`.
int32_t GetStringProperty(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                          std::string* value);
int32_t GetUint32Property(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                          uint32_t* value);
int32_t GetIdAndPathProperty(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                             std::string* id, std::string* objectPath);
int32_t GetUidAndPathProperty(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                              uint32_t* uid, std::string* objectPath);

}  // namespace vk::logind

#include "platform/logind/logind_bus.h"

#include <systemd/sd-bus.h>

#include "platform/core/error_codes.h"

namespace vk::logind {
namespace {

// Frees an sd-bus error and message when the call is done with them.
struct CallResult {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  ~CallResult() {
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
  }
};

int32_t CodeOfCall(int result, const sd_bus_error& error) {
  if (result >= 0) return 0;
  // A D-Bus error name maps to an errno of the same meaning (AccessDenied →
  // EACCES, UnknownObject → ENOENT, ...).
  if (sd_bus_error_is_set(&error)) return Win32FromErrno(sd_bus_error_get_errno(&error));
  return CodeOfBusResult(result);
}

int32_t GetProperty(sd_bus* bus, const std::string& path, const char* interface, const char* name, const char* type,
                    CallResult* call) {
  int r = sd_bus_get_property(bus, kService, path.c_str(), interface, name, &call->error, &call->reply, type);
  return CodeOfCall(r, call->error);
}

}  // namespace

void BusDeleter::operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }

int32_t CodeOfBusResult(int result) { return result >= 0 ? 0 : Win32FromErrno(-result); }

int32_t OpenBus(const std::string& address, BusPtr* bus) {
  sd_bus* opened = nullptr;
  if (address.empty()) {
    int r = sd_bus_open_system(&opened);
    if (r < 0) return CodeOfBusResult(r);
    bus->reset(opened);
    return 0;
  }
  int r = sd_bus_new(&opened);
  if (r < 0) return CodeOfBusResult(r);
  BusPtr owned(opened);
  r = sd_bus_set_address(opened, address.c_str());
  if (r >= 0) r = sd_bus_set_bus_client(opened, 1);
  if (r >= 0) r = sd_bus_start(opened);
  if (r < 0) return CodeOfBusResult(r);
  *bus = std::move(owned);
  return 0;
}

int32_t CallManagerString(sd_bus* bus, const char* method, const std::string& argument) {
  CallResult call;
  int r = sd_bus_call_method(bus, kService, kManagerPath, kManagerInterface, method, &call.error, &call.reply, "s",
                             argument.c_str());
  return CodeOfCall(r, call.error);
}

int32_t CallManagerBool(sd_bus* bus, const char* method, bool argument) {
  CallResult call;
  int r = sd_bus_call_method(bus, kService, kManagerPath, kManagerInterface, method, &call.error, &call.reply, "b",
                             static_cast<int>(argument));
  return CodeOfCall(r, call.error);
}

int32_t SeatPath(sd_bus* bus, const std::string& seat, std::string* path) {
  CallResult call;
  int r = sd_bus_call_method(bus, kService, kManagerPath, kManagerInterface, "GetSeat", &call.error, &call.reply, "s",
                             seat.c_str());
  if (int32_t code = CodeOfCall(r, call.error); code != 0) return code;
  const char* answer = nullptr;
  r = sd_bus_message_read(call.reply, "o", &answer);
  if (r < 0) return CodeOfBusResult(r);
  *path = answer;
  return 0;
}

int32_t GetStringProperty(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                          std::string* value) {
  CallResult call;
  if (int32_t code = GetProperty(bus, path, interface, name, "s", &call); code != 0) return code;
  const char* text = nullptr;
  int r = sd_bus_message_read(call.reply, "s", &text);
  if (r < 0) return CodeOfBusResult(r);
  *value = text;
  return 0;
}

int32_t GetUint32Property(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                          uint32_t* value) {
  CallResult call;
  if (int32_t code = GetProperty(bus, path, interface, name, "u", &call); code != 0) return code;
  int r = sd_bus_message_read(call.reply, "u", value);
  return CodeOfBusResult(r);
}

int32_t GetIdAndPathProperty(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                             std::string* id, std::string* objectPath) {
  CallResult call;
  if (int32_t code = GetProperty(bus, path, interface, name, "(so)", &call); code != 0) return code;
  const char* idText = nullptr;
  const char* pathText = nullptr;
  int r = sd_bus_message_read(call.reply, "(so)", &idText, &pathText);
  if (r < 0) return CodeOfBusResult(r);
  *id = idText;
  *objectPath = pathText;
  return 0;
}

int32_t GetUidAndPathProperty(sd_bus* bus, const std::string& path, const char* interface, const char* name,
                              uint32_t* uid, std::string* objectPath) {
  CallResult call;
  if (int32_t code = GetProperty(bus, path, interface, name, "(uo)", &call); code != 0) return code;
  const char* pathText = nullptr;
  int r = sd_bus_message_read(call.reply, "(uo)", uid, &pathText);
  if (r < 0) return CodeOfBusResult(r);
  *objectPath = pathText;
  return 0;
}

}  // namespace vk::logind

#include "platform/logind/login_session.h"

#include "platform/logind/logind_bus.h"

namespace vk::logind {
namespace {

int32_t ReadSessionProperties(sd_bus* bus, const std::string& path, LoginSession* session) {
  std::string userPath;
  int32_t code = GetStringProperty(bus, path, kSessionInterface, "Type", &session->type);
  if (code == 0) code = GetStringProperty(bus, path, kSessionInterface, "Class", &session->sessionClass);
  if (code == 0) code = GetStringProperty(bus, path, kSessionInterface, "Display", &session->display);
  if (code == 0) code = GetStringProperty(bus, path, kSessionInterface, "Name", &session->user);
  if (code == 0) code = GetUint32Property(bus, path, kSessionInterface, "Leader", &session->leader);
  if (code == 0) code = GetUidAndPathProperty(bus, path, kSessionInterface, "User", &session->uid, &userPath);
  return code;
}

}  // namespace

int32_t ReadActiveSession(sd_bus* bus, LoginSession* session) {
  *session = LoginSession{};
  std::string seatPath;
  if (int32_t code = SeatPath(bus, "seat0", &seatPath); code != 0) return code;
  std::string id, path;
  if (int32_t code = GetIdAndPathProperty(bus, seatPath, kSeatInterface, "ActiveSession", &id, &path); code != 0)
    return code;
  if (id.empty()) return 0;
  LoginSession read;
  read.id = id;
  if (int32_t code = ReadSessionProperties(bus, path, &read); code != 0) return code;
  *session = std::move(read);
  return 0;
}

}  // namespace vk::logind

#include "dirbridge/credentials.h"

#include <mutex>

#include "dirbridge/dirbridge.h"
#include "platform/core/text.h"

namespace vk::dirbridge {

namespace {

std::mutex credentialsLock;
std::string storedWho;
std::string storedPassword;

}  // namespace

void WipeText(std::string& text) {
  volatile char* p = text.data();
  for (size_t i = 0; i < text.size(); ++i) p[i] = 0;
  text.clear();
}

void CurrentCredentials(std::string& who, std::string& password) {
  std::lock_guard<std::mutex> hold(credentialsLock);
  who = storedWho;
  password = storedPassword;
}

}  // namespace vk::dirbridge

extern "C" int32_t SetDirectoryCredentials(const char16_t* user, const char16_t* password) {
  std::string who = user != nullptr ? vk::ToUtf8(user) : std::string();
  std::string secret = password != nullptr ? vk::ToUtf8(password) : std::string();
  std::lock_guard<std::mutex> hold(vk::dirbridge::credentialsLock);
  vk::dirbridge::WipeText(vk::dirbridge::storedPassword);
  vk::dirbridge::storedWho = std::move(who);
  vk::dirbridge::storedPassword = std::move(secret);
  return 0;
}

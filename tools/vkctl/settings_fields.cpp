#include "tools/vkctl/settings_fields.h"

#include <charconv>
#include <functional>

#include "common/settings/service_settings.h"

namespace {

struct Parts {
  std::unique_ptr<cVkServiceSettingsConnection> connection;
  std::unique_ptr<cVkServiceSettingsInput> input;
  std::unique_ptr<cVkServiceSettingsScreen> screen;
  std::unique_ptr<cVkServiceSettingsTray> tray;
};

struct Field {
  const char* name;
  int64_t low;
  int64_t high;
  std::function<int64_t(const Parts&)> get;
  std::function<void(Parts&, int64_t)> set;
};

template <class T>
Field Make(const char* name, int64_t low, int64_t high, T* (*part)(const Parts&), auto member) {
  return Field{name, low, high, [part, member](const Parts& p) { return static_cast<int64_t>(part(p)->*member); },
               [part, member](Parts& p, int64_t v) {
                 using V = std::remove_reference_t<decltype(part(p)->*member)>;
                 part(p)->*member = static_cast<V>(v);
               }};
}

cVkServiceSettingsConnection* Connection(const Parts& p) { return p.connection.get(); }
cVkServiceSettingsInput* Input(const Parts& p) { return p.input.get(); }
cVkServiceSettingsScreen* Screen(const Parts& p) { return p.screen.get(); }
cVkServiceSettingsTray* Tray(const Parts& p) { return p.tray.get(); }

const std::vector<Field>& Fields() {
  using C = cVkServiceSettingsConnection;
  using S = cVkServiceSettingsScreen;
  static const std::vector<Field> fields{
      Make("connection.updateMode", 1, 3, Connection, &C::updateMode),
      Make("connection.updatePort", 1, 65535, Connection, &C::updatePort),
      Make("connection.inputMode", 1, 3, Connection, &C::inputMode),
      Make("connection.inputPort", 1, 65535, Connection, &C::inputPort),
      Make("input.inputFlags", 0, 31, Input, &cVkServiceSettingsInput::inputFlags),
      Make("screen.fullRefreshInterval", -1, 86400000, Screen, &S::fullRefreshInterval),
      Make("screen.foregroundRefreshInterval", -1, 86400000, Screen, &S::foregroundRefreshInterval),
      Make("screen.captureInterval", 1, 60000, Screen, &S::captureInterval),
      Make("screen.compressionLevel", 0, 9, Screen, &S::compressionLevel),
      Make("tray.notificationMode", 1, 4, Tray, &cVkServiceSettingsTray::notificationMode),
  };
  return fields;
}

Parts PartsOf(const cVkServiceSettings& settings) {
  return Parts{settings.GetConnection(), settings.GetInput(), settings.GetScreen(), settings.GetTray()};
}

}  // namespace

VkNamedValues VkSettingsValues(const cVkServiceSettings& settings) {
  Parts parts = PartsOf(settings);
  VkNamedValues values;
  for (const Field& field : Fields()) values.emplace_back(field.name, std::to_string(field.get(parts)));
  return values;
}

bool VkApplySettings(cVkServiceSettings& settings, const std::vector<std::string>& assignments, std::string& error) {
  Parts parts = PartsOf(settings);
  for (const std::string& assignment : assignments) {
    size_t eq = assignment.find('=');
    std::string name = assignment.substr(0, eq);
    const Field* field = nullptr;
    for (const Field& f : Fields()) {
      if (name == f.name) field = &f;
    }
    if (eq == std::string::npos || field == nullptr) {
      error = "unknown setting '" + name + "' (vkctl settings get HOST lists them)";
      return false;
    }
    std::string text = assignment.substr(eq + 1);
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < field->low || value > field->high) {
      error = "the value of " + name + " must be a number from " + std::to_string(field->low) + " to " +
              std::to_string(field->high);
      return false;
    }
    field->set(parts, value);
  }
  settings.SetParts(*parts.connection, *parts.input, *parts.screen, *parts.tray);
  return true;
}

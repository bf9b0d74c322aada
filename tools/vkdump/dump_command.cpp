#include "tools/vkdump/dump_command.h"

#include <iostream>
#include <iterator>
#include <memory>
#include <ostream>

#include "common/archive/archive.h"
#include "common/archive/register_archive.h"
#include "common/archive/string_data.h"
#include "common/locations/locations.h"
#include "common/network/directory_records.h"
#include "common/network/nt4_records.h"
#include "common/network/tree_item.h"
#include "common/network/w2k_records.h"
#include "common/screen/register_screen.h"
#include "common/security_lists/service_security.h"
#include "common/settings/register_settings.h"
#include "platform/core/error_codes.h"
#include "platform/core/text.h"
#include "platform/files/whole_file.h"
#include "tools/vkdump/dump_notes.h"
#include "tools/vkdump/dump_printer.h"
#ifdef VKDUMP_WITH_MFCLOG
#include "common/mfclog/mfc_log.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage: vkdump [--json] [--body CLASS] FILE\n"
    "  Shows an archived object as a tree (or as JSON with --json).\n"
    "  FILE holds one object record; with --body CLASS it holds the body of\n"
    "  one CLASS object only (Settings.dat: --body cVkServiceSettings).\n"
    "  FILE '-' reads standard input.\n"
    "  Each object shows its index in the archive (#n) and the layout version\n"
    "  its body opens with; a back-reference shows as a reference to the\n"
    "  object it repeats.\n";

struct Options {
  bool json = false;
  std::string bodyClass;
  std::string file;
};

bool ParseArgs(std::span<const std::string> args, Options& options, std::ostream& err) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      options.json = true;
    } else if (a == "--body" && i + 1 < args.size()) {
      options.bodyClass = args[++i];
    } else if (a == "--help" || a == "-h" || (a.size() > 1 && a[0] == '-' && a != "-") || !options.file.empty()) {
      err << kUsage;
      return false;
    } else {
      options.file = a;
    }
  }
  if (options.file.empty()) {
    err << kUsage;
    return false;
  }
  return true;
}

int32_t ReadInput(const std::string& file, std::vector<uint8_t>& bytes) {
  if (file != "-") return vk::files::ReadWholeFile(file, bytes);
  bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  return 0;
}

int Damaged(const std::string& name, const cVkArchive& ar, std::ostream& err) {
  err << "vkdump: '" << name << "' is damaged: " << VkArchiveCauseText(ar.Failure()) << " (cause " << ar.Failure()
      << ") at byte " << ar.Position() << "\n";
  return 2;
}

}  // namespace

void VkRegisterDumpClasses() {
  VkRegisterArchiveClasses();
  VkRegisterSettingsClasses();
  VkRegisterScreenClasses();
  VkRegisterClasses<cVkStringData, cVkServiceSecurity, cVkLocations, cVkNT4Computer, cVkNT4Domain, cVkW2KComputer,
                    cVkW2KDomain, cVkLDAPData, cVkUserInfo, cVkStringVariable, cVkStringVariableArray, cVkTreeItem>();
#ifdef VKDUMP_WITH_MFCLOG
  VkRegisterMfcLogClasses();
#endif
}

int VkDumpBytes(const std::vector<uint8_t>& bytes, const std::string& name, const std::string& bodyClass, bool json,
                std::ostream& out, std::ostream& err) {
  cVkArchive ar{std::span<const uint8_t>(bytes)};
  VkDumpNotes notes;
  ar.SetObserver(&notes);
  std::unique_ptr<cVkObject> object;
  if (bodyClass.empty()) {
    object = ar.ReadObject();
  } else {
    const cVkClassInfo* cls = VkFindClass(bodyClass);
    if (cls == nullptr || cls->factory == nullptr) {
      err << "vkdump: unknown class '" << bodyClass << "'\n";
      return 1;
    }
    object.reset(cls->factory());
    object->Serialize(ar);
  }
  if (ar.Failed()) return Damaged(name, ar, err);
  if (json) {
    VkPrintJson(object.get(), notes, out);
  } else {
    VkPrintTree(object.get(), notes, out);
  }
  if (ar.Remaining() > 0) err << "vkdump: note: " << ar.Remaining() << " more bytes follow in '" << name << "'\n";
  return 0;
}

int VkDumpMain(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  Options options;
  if (!ParseArgs(args, options, err)) return 1;
  VkRegisterDumpClasses();
  std::vector<uint8_t> bytes;
  int32_t rc = ReadInput(options.file, bytes);
  if (rc != 0) {
    err << "vkdump: cannot read '" << options.file << "': " << vk::ToUtf8(vk::SystemErrorText(rc)) << " (code " << rc
        << ")\n";
    return 1;
  }
  return VkDumpBytes(bytes, options.file, options.bodyClass, options.json, out, err);
}

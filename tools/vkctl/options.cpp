#include "tools/vkctl/options.h"

#include <charconv>
#include <set>

namespace {

bool ToInt(const std::string& text, int low, int high, int& value) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// Options that take a value, and the member it goes to.
bool TakeValue(VkctlOptions& o, const std::string& name, const std::string& value, std::string& error) {
  if (name == "--user")
    o.user = value;
  else if (name == "--ssh-config")
    o.sshConfig = value;
  else if (name == "--known-hosts")
    o.knownHosts = value;
  else if (name == "--identity")
    o.identities.push_back(value);
  else if (name == "--directory")
    o.directory = value;
  else if (name == "--files")
    o.filesFolder = value;
  else if (name == "--password-env")
    o.passwordEnv = value;
  else if (name == "--administrators")
    o.administrators = value;
  else if (name == "--operators")
    o.operators = value;
  else if (name == "--users")
    o.users = value;
  else if (name == "--port") {
    if (!ToInt(value, 1, 65535, o.port)) error = "--port wants a number from 1 to 65535";
  } else if (name == "--parallel") {
    if (!ToInt(value, 1, 256, o.parallel)) error = "--parallel wants a number from 1 to 256";
  } else {
    return false;
  }
  return true;
}

bool TakeFlag(VkctlOptions& o, const std::string& name) {
  if (name == "--json")
    o.json = true;
  else if (name == "--quiet" || name == "-q")
    o.quiet = true;
  else if (name == "--yes" || name == "-y")
    o.yes = true;
  else if (name == "--accept-new-host-keys")
    o.acceptNewHostKeys = true;
  else if (name == "--password-stdin")
    o.passwordStdin = true;
  else
    return false;
  return true;
}

bool CheckCommand(VkctlOptions& o, std::vector<std::string>& words, std::string& error) {
  static const std::set<std::string> kHostCommands{"status", "start", "stop", "install", "upgrade", "remove"};
  if (words.empty()) {
    error = "no command given";
    return false;
  }
  o.command = words.front();
  words.erase(words.begin());
  if (kHostCommands.count(o.command) != 0) {
    o.hosts = words;
    if (o.hosts.empty()) error = "'" + o.command + "' wants at least one HOST";
    return error.empty();
  }
  if (o.command != "settings" && o.command != "security") {
    error = "unknown command '" + o.command + "'";
    return false;
  }
  if (words.size() < 2 || (words[0] != "get" && words[0] != "set")) {
    error = "'" + o.command + "' wants get or set and a HOST";
    return false;
  }
  o.action = words[0];
  o.hosts = {words[1]};
  o.assignments.assign(words.begin() + 2, words.end());
  if (o.command == "security" && !o.assignments.empty())
    error = "security takes --administrators, --operators, --users";
  else if (o.command == "settings" && o.action == "get" && !o.assignments.empty())
    error = "settings get takes no NAME=VALUE";
  else if (o.command == "settings" && o.action == "set" && o.assignments.empty())
    error = "settings set wants NAME=VALUE";
  else if (o.command == "security" && o.action == "set" && !o.administrators && !o.operators && !o.users) {
    error = "security set wants --administrators, --operators or --users";
  }
  return error.empty();
}

}  // namespace

ParseOutcome ParseVkctlOptions(const std::vector<std::string>& args, VkctlOptions& o, std::string& error) {
  std::vector<std::string> words;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") return ParseOutcome::Help;
    if (arg.size() < 2 || arg[0] != '-') {
      words.push_back(arg);
      continue;
    }
    std::string name = arg, value;
    size_t eq = arg.find('=');
    bool inlineValue = arg.rfind("--", 0) == 0 && eq != std::string::npos;
    if (inlineValue) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (!inlineValue) {
      if (TakeFlag(o, name)) continue;
      if (i + 1 >= args.size()) {
        error = "unknown option or missing value: " + arg;
        return ParseOutcome::Usage;
      }
      value = args[i + 1];
    }
    if (!TakeValue(o, name, value, error)) {
      error = "unknown option " + name;
      return ParseOutcome::Usage;
    }
    if (!error.empty()) return ParseOutcome::Usage;
    if (!inlineValue) ++i;
  }
  if (o.passwordStdin && !o.passwordEnv.empty()) {
    error = "--password-stdin and --password-env exclude each other";
    return ParseOutcome::Usage;
  }
  return CheckCommand(o, words, error) ? ParseOutcome::Run : ParseOutcome::Usage;
}

const char* VkctlHelpText() {
  return R"(Usage: vkctl [OPTION]... COMMAND HOST...

Manage ViewKeeper agents on other Linux computers over SSH. Nothing but an SSH
server is needed on a computer: vkctl copies the agent, installs its systemd
unit (viewkeeper.service) and talks to it through an SSH port forward.

Commands:
  status HOST...         the agent's state: Running, Stopped, ... or not installed
  start HOST...          start the agent and wait until it runs
  stop HOST...           stop the agent and wait until it stopped
  install HOST...        copy the agent into --directory and start it; an
                         installed agent is upgraded instead
  upgrade HOST...        replace the agent's files, keeping its settings
  remove HOST...         stop the agent, remove its unit and its files
  settings get HOST      print the agent's settings as NAME=VALUE lines
  settings set HOST NAME=VALUE...
                         change settings (names as "settings get" prints them)
  security get HOST      print the three access lists
  security set HOST [--administrators LIST] [--operators LIST] [--users LIST]
                         replace the lists given (names separated by ",")

Connection (as ssh does: ~/.ssh/config, ssh-agent, ~/.ssh keys, known_hosts):
  --user USER            log in as USER (default: the config file's or yours)
  --port PORT            SSH port (default: the config file's or 22)
  --ssh-config FILE      another config file ("none" for none)
  --known-hosts FILE     another known-hosts file
  --identity FILE        a further private key (repeatable)
  --password-stdin       read a password (login and sudo) from standard input
  --password-env NAME    take that password from the environment variable NAME
  --accept-new-host-keys record unknown host keys without asking; changed
                         keys are always refused
  Without root login, root steps run through "sudo -n", or "sudo -S" with the
  password; it never appears on a command line or in a log.

Other options:
  --directory DIR        installation directory (default /opt/viewkeeper/)
  --files DIR            where the agent's files are (default: vkctl's folder)
  --parallel N           hosts handled at once (default 8)
  --json                 one JSON document on standard output
  -y, --yes              answer Yes to upgrade questions
  -q, --quiet            no progress on standard error
  -h, --help             this text

Progress goes to standard error when it is a terminal; when an operation
fails, its whole log follows there.

Exit status: 0 all succeeded, 1 an operation failed on some host, 2 usage.

Examples:
  vkctl install web1 web2        vkctl status --json web1 web2
  vkctl settings set web1 screen.compressionLevel=9
  vkctl security set web1 --administrators root,alice
)";
}

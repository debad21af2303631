#include "tests/support/mariadb_server.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace testenv {

namespace {

constexpr char kServer[] = "/usr/sbin/mariadbd";
constexpr char kInstall[] = "/usr/bin/mariadb-install-db";
constexpr char kClient[] = "/usr/bin/mariadb";

std::vector<std::string> AsUser(const std::string& user, std::vector<std::string> argv) {
  if (!user.empty()) argv.insert(argv.begin(), {"/usr/sbin/runuser", "-u", user, "--"});
  return argv;
}

}  // namespace

MariaDbServer::MariaDbServer() {
  if (!fs::exists(kServer) || !fs::exists(kInstall) || !fs::exists(kClient)) {
    problem_ = "MariaDB is not installed (Debian's mariadb-server package)";
    return;
  }
  if (::geteuid() == 0) {
    const passwd* user = ::getpwnam("mysql");
    if (!user || ::chown(dir_.path().c_str(), user->pw_uid, user->pw_gid) != 0) {
      problem_ = "no \"mysql\" user to run the server as";
      return;
    }
    owner_ = "mysql";
  }
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  const std::string data = dir_.File("data");
  CommandResult made = RunCommand(AsUser(owner_, {kInstall, "--no-defaults", "--datadir=" + data,
                                                  "--auth-root-authentication-method=normal", "--skip-test-db"}));
  if (made.exitCode != 0) {
    problem_ = "mariadb-install-db failed: " + made.out + made.err;
    return;
  }
  // The server stays in the background; its process id is in the pid file.
  std::string start = "'" + std::string(kServer) + "' --no-defaults --datadir='" + data + "' --socket='" +
                      dir_.File("sock") + "' --skip-networking --pid-file='" + dir_.File("pid") +
                      "' --log-error='" + dir_.File("err.log") + "' </dev/null >/dev/null 2>&1 &";
  RunCommand(AsUser(owner_, {"/bin/sh", "-c", start}));
  started_ = true;
  for (int i = 0; i < 300; ++i) {
    if (Client("", "SELECT 1").exitCode == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  problem_ = "the server did not start: " + ReadFile(dir_.File("err.log"));
}

MariaDbServer::~MariaDbServer() {
  if (!started_) return;
  Client("", "SHUTDOWN");
  // Until the server has let go of its files.
  for (int i = 0; i < 300 && fs::exists(dir_.File("pid")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

CommandResult MariaDbServer::Client(const std::string& database, const std::string& commands) const {
  std::vector<std::string> argv = {kClient, "--no-defaults", "--socket=" + dir_.File("sock"), "--user=root",
                                   "--batch", "--skip-column-names", "-e", commands};
  if (!database.empty()) argv.push_back(database);
  return RunCommand(argv);
}

}  // namespace testenv

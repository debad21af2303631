#include "tests/support/postgres_server.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace testenv {

namespace {

// The newest server of the package: /usr/lib/postgresql/<version>/bin.
std::string ServerBinaries() {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    if (fs::exists(entry.path() / "bin" / "initdb")) found.push_back((entry.path() / "bin").string());
  }
  std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return found.empty() ? std::string() : found.back();
}

std::string Output(const CommandResult& result) { return result.out + result.err; }

}  // namespace

PostgresServer::PostgresServer() {
  bin_ = ServerBinaries();
  if (bin_.empty() || !fs::exists("/usr/bin/psql")) {
    problem_ = "PostgreSQL is not installed (Debian's postgresql package)";
    return;
  }
  if (::geteuid() == 0) {
    for (const char* name : {"postgres", "nobody"}) {
      if (const passwd* user = ::getpwnam(name)) {
        owner_ = name;
        if (::chown(dir_.path().c_str(), user->pw_uid, user->pw_gid) != 0) problem_ = "cannot hand the folder over";
        break;
      }
    }
    if (owner_.empty()) problem_ = "no unprivileged user to run the server as";
    if (!problem_.empty()) return;
  }
  // The socket is reached by the tests' user, whoever owns the cluster.
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);

  const std::string data = dir_.File("data");
  CommandResult made = RunAsOwner({bin_ + "/initdb", "-D", data, "-U", kUser, "-E", "UTF8", "--locale=C",
                                   "--no-sync", "--auth=trust"});
  if (made.exitCode != 0) {
    problem_ = "initdb failed: " + Output(made);
    return;
  }
  WriteFile(data + "/pg_hba.conf",
            std::string("local all ") + kPasswordUser + " scram-sha-256\nlocal all all trust\n");
  CommandResult start = RunAsOwner({bin_ + "/pg_ctl", "-D", data, "-l", dir_.File("server.log"), "-w", "-o",
                                    "-k " + dir_.path() + " -c listen_addresses='' -c fsync=off", "start"});
  if (start.exitCode != 0) {
    problem_ = "the server did not start: " + Output(start) + ReadFile(dir_.File("server.log"));
    return;
  }
  started_ = true;
  CommandResult role = Psql("postgres", std::string("CREATE ROLE ") + kPasswordUser + " LOGIN PASSWORD '" +
                                            kPassword + "' CREATEDB");
  if (role.exitCode != 0) problem_ = "cannot make the password role: " + Output(role);
}

PostgresServer::~PostgresServer() {
  if (started_) RunAsOwner({bin_ + "/pg_ctl", "-D", dir_.File("data"), "-m", "immediate", "-w", "stop"});
}

CommandResult PostgresServer::RunAsOwner(std::vector<std::string> argv) const {
  if (!owner_.empty()) argv.insert(argv.begin(), {"/usr/sbin/runuser", "-u", owner_, "--"});
  return RunCommand(argv);
}

std::string PostgresServer::Url(const std::string& database, const std::string& user) const {
  return "postgresql://" + user + "@/" + database + "?host=" + dir_.path();
}

bool PostgresServer::CreateDatabase(const std::string& name) {
  return Psql("postgres", "CREATE DATABASE \"" + name + "\" ENCODING 'UTF8' TEMPLATE template0").exitCode == 0;
}

CommandResult PostgresServer::Psql(const std::string& database, const std::string& commands) const {
  return RunCommand({"/usr/bin/psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", Url(database), "-c",
                     commands});
}

CommandResult PostgresServer::PsqlFile(const std::string& database, const std::string& path) const {
  return RunCommand({"/usr/bin/psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-d", Url(database), "-f", path});
}

}  // namespace testenv

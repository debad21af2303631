// A PostgreSQL server of the test's own, from Debian's postgresql package:
// a cluster made by initdb in a scratch folder, listening on a Unix socket
// there and on no network port, stopped and removed with the object. Never
// a stand-in: the exports are checked against what a real server accepts.
//
// The server refuses to run as root, so under root it runs as the
// package's "postgres" user (or "nobody"). Two roles: kUser, a superuser
// let in without a password, and kPasswordUser, who must give kPassword.
#pragma once

#include <string>

#include "tests/support/test_env.h"

namespace testenv {

class PostgresServer {
 public:
  static constexpr char kUser[] = "brevantis";
  static constexpr char kPasswordUser[] = "guarded";
  static constexpr char kPassword[] = "s3cret";

  // Starts the server; problem() says why when it could not.
  PostgresServer();
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // Empty while the server runs; otherwise what a test skipping says.
  const std::string& problem() const { return problem_; }

  // postgresql://USER@/DATABASE?host=SOCKET-FOLDER, as libpq and psql take it.
  std::string Url(const std::string& database, const std::string& user = kUser) const;
  // A new, empty database (UTF-8) of that name; false when it was refused.
  bool CreateDatabase(const std::string& name);
  // psql with the commands, stopping at the first error: unaligned output,
  // no headings, fields separated by '|'.
  CommandResult Psql(const std::string& database, const std::string& commands) const;
  // psql running a script file as it is, stopping at the first error.
  CommandResult PsqlFile(const std::string& database, const std::string& path) const;

 private:
  // Runs a server program as the user the cluster belongs to.
  CommandResult RunAsOwner(std::vector<std::string> argv) const;

  ScratchDir dir_;
  std::string bin_;
  std::string owner_;  // empty when not running as root
  std::string problem_;
  bool started_ = false;
};

}  // namespace testenv

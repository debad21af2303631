// A MariaDB server of the test's own, from Debian's mariadb-server
// package: a data folder made by mariadb-install-db in a scratch folder,
// the server on a Unix socket there and on no network port, stopped with
// the object. Under root it runs as the package's "mysql" user. Its root
// account is let in without a password.
#pragma once

#include <string>

#include "tests/support/test_env.h"

namespace testenv {

class MariaDbServer {
 public:
  // Starts the server; problem() says why when it could not.
  MariaDbServer();
  ~MariaDbServer();
  MariaDbServer(const MariaDbServer&) = delete;
  MariaDbServer& operator=(const MariaDbServer&) = delete;

  // Empty while the server runs; otherwise what a test skipping says.
  const std::string& problem() const { return problem_; }

  // The mariadb client running the commands (`database` may be empty),
  // tab-separated output without column names.
  CommandResult Client(const std::string& database, const std::string& commands) const;

 private:
  ScratchDir dir_;
  std::string owner_;  // empty when not running as root
  std::string problem_;
  bool started_ = false;
};

}  // namespace testenv

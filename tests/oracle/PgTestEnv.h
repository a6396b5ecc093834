// The PostgreSQL server of the tests, named by the TARVEX_PG_* variables that
// scripts/pg-cluster.sh prints and scripts/test.sh exports.
//
// Run by hand without them, a test that needs the server skips itself. With
// TARVEX_PG_REQUIRED=1 (set by scripts/test.sh) a missing server is a failure instead, so that
// the README's test command never passes with PostgreSQL tests skipped.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace tarvex::test {

struct PgServer {
  std::string host;
  std::string port;
  std::string user;
  std::string password;
  std::string database;

  // "host:port/database", the short form of Client mode.
  std::string shortForm() const { return host + ":" + port + "/" + database; }
};

inline std::optional<PgServer> pgServerFromEnv() {
  auto get = [](const char* name) -> std::optional<std::string> {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') return std::nullopt;
    return std::string(v);
  };
  PgServer s;
  auto host = get("TARVEX_PG_HOST");
  auto port = get("TARVEX_PG_PORT");
  auto user = get("TARVEX_PG_USER");
  auto password = get("TARVEX_PG_PASSWORD");
  auto database = get("TARVEX_PG_DATABASE");
  if (!host || !port || !user || !password || !database) return std::nullopt;
  return PgServer{*host, *port, *user, *password, *database};
}

inline bool pgRequired() {
  const char* v = std::getenv("TARVEX_PG_REQUIRED");
  return v != nullptr && std::string(v) == "1";
}

}  // namespace tarvex::test

// Sets `var` to the server, or skips the test (fails it with TARVEX_PG_REQUIRED=1).
#define TARVEX_NEED_PG(var)                                                              \
  std::optional<::tarvex::test::PgServer> var##_opt = ::tarvex::test::pgServerFromEnv(); \
  if (!var##_opt) {                                                                      \
    if (::tarvex::test::pgRequired()) {                                                  \
      FAIL() << "TARVEX_PG_REQUIRED=1 but TARVEX_PG_HOST/PORT/USER/PASSWORD/DATABASE "   \
                "are not set";                                                           \
    }                                                                                    \
    GTEST_SKIP() << "no PostgreSQL server: set TARVEX_PG_* (scripts/pg-cluster.sh)";     \
  }                                                                                      \
  const ::tarvex::test::PgServer& var = *var##_opt

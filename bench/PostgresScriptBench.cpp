// Executing an INSERT script through the PostgreSQL session against PostgreSQL's own bulk path,
// COPY.
//
// The script has the layout the engine writes: "SET DEFINE OFF;", then for every row
//   Insert into o.T\r\n   (A, B, C)\r\nValues\r\n   ('x', TO_DATE('19700101', 'YYYYMMDD'), 12.50);
// with "COMMIT;" every 500 rows. COPY loads the same rows into a table of the same definition in
// one transaction. Prints rows/s of both; the script path is timed from loading the file to the
// last commit.
//
// The server comes from the TARVEX_PG_* variables that scripts/pg-cluster.sh prints:
//   eval "$(scripts/pg-cluster.sh start /tmp/pgb 55433 | sed 's/^/export /')"
//   build/bench/postgres_script_bench [rows] [folder]       (defaults: 1000000, /tmp)
//   scripts/pg-cluster.sh stop /tmp/pgb
#include <libpq-fe.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "oracle/PostgresSession.h"
#include "oracle/Session.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

struct Row {
  std::string a;  // text
  std::string b;  // YYYYMMDD
  std::string c;  // number
};

Row makeRow(long i) {
  Row r;
  r.a = i % 9 == 0 ? "O'Neil " + std::to_string(i % 1000) : "x" + std::to_string(i % 100000);
  char d[16];
  std::snprintf(d, sizeof d, "%04ld%02ld%02ld", 1950 + i % 60, 1 + i % 12, 1 + i % 28);
  r.b = d;
  r.c = std::to_string(i % 10000) + "." + std::to_string(10 + i % 90);
  return r;
}

void writeScript(const std::string& path, long rows) {
  std::string out = "SET DEFINE OFF;\r\n";
  out.reserve(static_cast<size_t>(rows) * 100);
  for (long i = 0; i < rows; ++i) {
    const Row r = makeRow(i);
    out += "Insert into o.T\r\n   (A, B, C)\r\nValues\r\n   ('";
    for (char ch : r.a) {
      if (ch == '\'') out += '\'';
      out += ch;
    }
    out += "', TO_DATE('" + r.b + "', 'YYYYMMDD'), " + r.c + ");\r\n";
    if ((i + 1) % 500 == 0) out += "COMMIT;\r\n";
  }
  if (rows % 500 != 0) out += "COMMIT;\r\n";
  std::ofstream f(path, std::ios::binary);
  f.write(out.data(), static_cast<std::streamsize>(out.size()));
}

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

long count(PGconn* c, const char* table) {
  PGresult* r = PQexec(c, (std::string("SELECT count(*) FROM ") + table).c_str());
  long n = PQresultStatus(r) == PGRES_TUPLES_OK ? std::atol(PQgetvalue(r, 0, 0)) : -1;
  PQclear(r);
  return n;
}

bool exec(PGconn* c, const std::string& sql) {
  PGresult* r = PQexec(c, sql.c_str());
  const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
  if (!ok) std::fprintf(stderr, "%s: %s", sql.c_str(), PQresultErrorMessage(r));
  PQclear(r);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  std::string folder = argc > 2 ? argv[2] : "/tmp";
  if (folder.back() != '/') folder += '/';
  const std::string host = env("TARVEX_PG_HOST"), port = env("TARVEX_PG_PORT"),
                    user = env("TARVEX_PG_USER"), password = env("TARVEX_PG_PASSWORD"),
                    database = env("TARVEX_PG_DATABASE");
  if (host.empty() || port.empty() || user.empty() || database.empty()) {
    std::fprintf(stderr, "set TARVEX_PG_HOST, _PORT, _USER, _PASSWORD, _DATABASE "
                         "(scripts/pg-cluster.sh start DIR PORT prints them)\n");
    return 2;
  }
  PGconn* admin = PQconnectdb(("host=" + host + " port=" + port + " user=" + user +
                               " password=" + password + " dbname=" + database)
                                  .c_str());
  if (PQstatus(admin) != CONNECTION_OK) {
    std::fprintf(stderr, "%s", PQerrorMessage(admin));
    return 1;
  }
  exec(admin, "SET client_min_messages TO warning");
  const std::string definition = " (A VARCHAR(40), B DATE, C NUMERIC)";
  if (!exec(admin, "DROP TABLE IF EXISTS o.T") || !exec(admin, "DROP TABLE IF EXISTS o.T_COPY")) {
    return 1;
  }

  const std::string script = folder + "pg_bench_" + std::to_string(getpid()) + ".Sql";
  writeScript(script, rows);
  std::printf("script: %ld rows, %.1f MB\n", rows,
              static_cast<double>(std::filesystem::file_size(script)) / 1e6);

  // --- the script through the session ---
  double script_s = 0;
  {
    tarvex::PostgresSession s;
    s.setConnectString(user + "/" + password + "@" + host + ":" + port + "/" + database);
    s.setClientCharset("WE8MSWIN1252");
    tarvex::DbStatus c = s.connect();
    if (c.isOk()) {
      c = s.executeSql("CREATE TABLE o.T (\r\n        A VARCHAR2(40),\r\n        B DATE,\r\n"
                       "        C NUMBER)");
    }
    if (!c.isOk()) {
      std::fprintf(stderr, "cannot prepare the table: %s\n", c.message().c_str());
      return 1;
    }
    const auto t0 = Clock::now();
    tarvex::Script sc(s);
    tarvex::DbStatus ld = sc.loadFromFile(script);
    tarvex::DbStatus ex = ld.isOk() ? sc.execute() : ld;
    const auto t1 = Clock::now();
    if (!ex.isOk() || !sc.errors().empty()) {
      std::fprintf(stderr, "script failed: %s\n",
                   ex.isOk() ? sc.errors()[0].text().c_str() : ex.message().c_str());
      return 1;
    }
    script_s = seconds(t0, t1);
    s.disconnect();
  }
  std::filesystem::remove(script);
  const long loaded = count(admin, "o.T");

  // --- PostgreSQL's own bulk path: COPY in one transaction ---
  if (!exec(admin, "CREATE TABLE o.T_COPY" + definition)) return 1;
  const auto t0 = Clock::now();
  exec(admin, "BEGIN");
  PGresult* r = PQexec(admin, "COPY o.T_COPY (A, B, C) FROM STDIN");
  if (PQresultStatus(r) != PGRES_COPY_IN) {
    std::fprintf(stderr, "COPY: %s", PQresultErrorMessage(r));
    return 1;
  }
  PQclear(r);
  std::string buf;
  for (long i = 0; i < rows; ++i) {
    const Row row = makeRow(i);
    buf += row.a;
    buf += '\t';
    buf.append(row.b, 0, 4);
    buf += '-';
    buf.append(row.b, 4, 2);
    buf += '-';
    buf.append(row.b, 6, 2);
    buf += '\t';
    buf += row.c;
    buf += '\n';
    if (buf.size() > (1u << 16)) {
      PQputCopyData(admin, buf.data(), static_cast<int>(buf.size()));
      buf.clear();
    }
  }
  PQputCopyData(admin, buf.data(), static_cast<int>(buf.size()));
  PQputCopyEnd(admin, nullptr);
  r = PQgetResult(admin);
  const bool copied = PQresultStatus(r) == PGRES_COMMAND_OK;
  if (!copied) std::fprintf(stderr, "COPY: %s", PQresultErrorMessage(r));
  PQclear(r);
  while ((r = PQgetResult(admin)) != nullptr) PQclear(r);
  exec(admin, "COMMIT");
  const double copy_s = seconds(t0, Clock::now());
  const long copied_rows = count(admin, "o.T_COPY");

  std::printf("INSERT script through the session: %ld rows in %.2f s = %.0f rows/s\n", loaded,
              script_s, static_cast<double>(rows) / script_s);
  std::printf("COPY of the same rows:             %ld rows in %.2f s = %.0f rows/s\n",
              copied_rows, copy_s, static_cast<double>(rows) / copy_s);
  exec(admin, "DROP TABLE o.T");
  exec(admin, "DROP TABLE o.T_COPY");
  PQfinish(admin);
  return loaded == rows && copied_rows == rows && copied ? 0 : 1;
}

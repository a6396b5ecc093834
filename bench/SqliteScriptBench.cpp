// Executing an INSERT script through the SQLite session against SQLite's own bulk path.
//
// The script has the layout the engine writes: "SET DEFINE OFF;", then for every row the INSERT
// head (table and column list, wrapped), "Values" and the row's literals (quoted texts with
// doubled quotes, TO_DATE, numbers, NULL), with "COMMIT;" every 500 rows. The bulk path inserts
// the same rows into the same table with one prepared statement in one transaction. Prints rows/s
// of both; the script path is timed from loading the file to the last commit.
//
// Usage: sqlite_script_bench [rows] [folder]   (defaults: 1000000, /tmp)
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "oracle/Session.h"
#include "oracle/SqliteSession.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kTable =
    "CREATE TABLE bench.PEOPLE (\r\n"
    "        NAME                       VARCHAR2(40),\r\n"
    "        CITY                       VARCHAR2(30),\r\n"
    "        AMOUNT                     NUMBER,\r\n"
    "        QTY                        NUMBER,\r\n"
    "        BORN                       DATE,\r\n"
    "        PAID                       DATE,\r\n"
    "        ACTIVE                     VARCHAR2(1),\r\n"
    "        CODE                       VARCHAR2(11),\r\n"
    "        RECNO                      NUMBER)\r\n";

constexpr const char* kHead =
    "Insert into bench.PEOPLE\r\n"
    "   (NAME, CITY, AMOUNT, QTY, BORN, PAID, ACTIVE, CODE, RECNO)\r\n"
    "Values\r\n"
    "   (";

struct Row {
  std::string name, city, amount, qty, born, paid, active, code, recno;
  bool paid_null;
};

Row makeRow(long i) {
  Row r;
  r.name = "Customer " + std::to_string(i) + (i % 7 == 0 ? " O'Brien" : " Smith");
  r.city = (i % 3 == 0) ? "Chisinau" : "Bucharest";
  r.amount = std::to_string(i % 100000) + "." + std::to_string(10 + i % 90);
  r.qty = std::to_string(i % 1000);
  char d[16];
  std::snprintf(d, sizeof d, "%04ld%02ld%02ld", 1950 + i % 60, 1 + i % 12, 1 + i % 28);
  r.born = d;
  std::snprintf(d, sizeof d, "%04ld%02ld%02ld", 2000 + i % 20, 1 + (i / 7) % 12, 1 + i % 28);
  r.paid = d;
  r.paid_null = i % 10 == 0;
  r.active = i % 2 ? "T" : "F";
  r.code = std::to_string(1000000 + i);
  r.recno = std::to_string(i + 1);
  return r;
}

std::string sqlQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += '\'';
    q += c;
  }
  return q + "'";
}

std::string writeScript(const std::string& path, long rows) {
  std::string out = "SET DEFINE OFF;\r\n";
  out.reserve(static_cast<size_t>(rows) * 230);
  for (long i = 0; i < rows; ++i) {
    Row r = makeRow(i);
    out += kHead;
    out += sqlQuoted(r.name) + ", " + sqlQuoted(r.city) + ", " + r.amount + ", " + r.qty +
           ", TO_DATE('" + r.born + "', 'YYYYMMDD'),\r\n    ";
    out += r.paid_null ? std::string("NULL") : "TO_DATE('" + r.paid + "', 'YYYYMMDD')";
    out += ", " + sqlQuoted(r.active) + ", " + sqlQuoted(r.code) + ", " + r.recno + ");\r\n";
    if ((i + 1) % 500 == 0) out += "COMMIT;\r\n";
  }
  if (rows % 500 != 0) out += "COMMIT;\r\n";
  std::ofstream f(path, std::ios::binary);
  f.write(out.data(), static_cast<std::streamsize>(out.size()));
  return path;
}

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void removeDb(const std::string& p) {
  for (const char* ext : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(p + ext);
}

long countRows(const std::string& db_path) {
  sqlite3* db = nullptr;
  sqlite3_open(db_path.c_str(), &db);
  sqlite3_stmt* st = nullptr;
  long n = -1;
  if (sqlite3_prepare_v2(db, "SELECT count(*) FROM PEOPLE", -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    n = sqlite3_column_int64(st, 0);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  std::string folder = argc > 2 ? argv[2] : "/tmp";
  if (folder.back() != '/') folder += '/';
  const std::string tag = std::to_string(getpid());
  const std::string script = folder + "sqlite_bench_" + tag + ".Sql";
  const std::string script_db = folder + "sqlite_bench_script_" + tag + ".db";
  const std::string bulk_db = folder + "sqlite_bench_bulk_" + tag + ".db";

  writeScript(script, rows);
  std::printf("script: %ld rows, %.1f MB\n", rows,
              static_cast<double>(std::filesystem::file_size(script)) / 1e6);

  // --- the script through the session ---
  double script_s = 0;
  {
    tarvex::SqliteSession s(folder);
    s.setConnectString("bench/x@sqlite:" + script_db);
    s.setClientCharset("WE8MSWIN1252");
    if (!s.connect().isOk() || !s.executeSql(kTable).isOk()) {
      std::fprintf(stderr, "cannot prepare %s\n", script_db.c_str());
      return 1;
    }
    auto t0 = Clock::now();
    tarvex::Script sc(s);
    tarvex::DbStatus ld = sc.loadFromFile(script);
    tarvex::DbStatus ex = ld.isOk() ? sc.execute() : ld;
    auto t1 = Clock::now();
    if (!ex.isOk() || !sc.errors().empty()) {
      std::fprintf(stderr, "script failed: %s\n",
                   ex.isOk() ? sc.errors()[0].text().c_str() : ex.message().c_str());
      return 1;
    }
    script_s = seconds(t0, t1);
  }
  const long loaded = countRows(script_db);

  // --- SQLite's own bulk path: one prepared statement, one transaction ---
  double bulk_s = 0;
  {
    tarvex::SqliteSession s(folder);  // the same table, made by the same script
    s.setConnectString("bench/x@sqlite:" + bulk_db);
    if (!s.connect().isOk() || !s.executeSql(kTable).isOk()) return 1;
    s.disconnect();
    std::vector<Row> data;
    data.reserve(static_cast<size_t>(rows));
    for (long i = 0; i < rows; ++i) data.push_back(makeRow(i));
    auto iso = [](const std::string& d) {
      return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
    };
    sqlite3* db = nullptr;
    sqlite3_open(bulk_db.c_str(), &db);
    auto t0 = Clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO PEOPLE (NAME, CITY, AMOUNT, QTY, BORN, PAID, ACTIVE, CODE, "
                       "RECNO) VALUES (?,?,?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    for (const Row& r : data) {
      const std::string born = iso(r.born);
      const std::string paid = iso(r.paid);
      sqlite3_bind_text(st, 1, r.name.data(), static_cast<int>(r.name.size()), SQLITE_STATIC);
      sqlite3_bind_text(st, 2, r.city.data(), static_cast<int>(r.city.size()), SQLITE_STATIC);
      sqlite3_bind_double(st, 3, std::atof(r.amount.c_str()));
      sqlite3_bind_int64(st, 4, std::atol(r.qty.c_str()));
      sqlite3_bind_text(st, 5, born.data(), static_cast<int>(born.size()), SQLITE_TRANSIENT);
      if (r.paid_null) {
        sqlite3_bind_null(st, 6);
      } else {
        sqlite3_bind_text(st, 6, paid.data(), static_cast<int>(paid.size()), SQLITE_TRANSIENT);
      }
      sqlite3_bind_text(st, 7, r.active.data(), 1, SQLITE_STATIC);
      sqlite3_bind_text(st, 8, r.code.data(), static_cast<int>(r.code.size()), SQLITE_STATIC);
      sqlite3_bind_int64(st, 9, std::atol(r.recno.c_str()));
      if (sqlite3_step(st) != SQLITE_DONE) {
        std::fprintf(stderr, "bulk insert failed: %s\n", sqlite3_errmsg(db));
        return 1;
      }
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    auto t1 = Clock::now();
    sqlite3_close(db);
    bulk_s = seconds(t0, t1);
  }

  std::printf("INSERT script through the session: %ld rows in %.2f s = %.0f rows/s\n", loaded,
              script_s, static_cast<double>(rows) / script_s);
  std::printf("SQLite bulk path (prepared, one transaction): %.2f s = %.0f rows/s\n", bulk_s,
              static_cast<double>(rows) / bulk_s);
  std::printf("script path / bulk path: %.0f%%\n", 100.0 * bulk_s / script_s);
  removeDb(script_db);
  removeDb(bulk_db);
  std::filesystem::remove(script);
  return loaded == rows ? 0 : 1;
}

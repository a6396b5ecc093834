// PostgreSQL without a server: the server part of connect strings, the connect string read back,
// the mapping of libpq's and the server's errors, and the rewrites of the system's SQL text.
#include <gtest/gtest.h>

#include <string>

#include "oracle/PgAddress.h"
#include "oracle/PgDialect.h"
#include "oracle/PgErrors.h"
#include "oracle/PostgresSession.h"

namespace tarvex {
namespace {

using Form = PgAddress::Form;

struct ServerCase {
  const char* server;
  bool direct;
  Form form;
  const char* host;
  const char* port;
  const char* dbname;
  const char* service;
  const char* readBack;  // the server part of the connect string read back
};

TEST(PgAddressTest, ServerFormsOfBothModes) {
  const ServerCase cases[] = {
      {"SALES", false, Form::kService, "", "", "", "SALES", "postgresql:///?service=SALES"},
      {" my_svc-2.x ", false, Form::kService, "", "", "", "my_svc-2.x",
       "postgresql:///?service=my_svc-2.x"},
      {"db.example:5433/orders", false, Form::kHostDb, "db.example", "5433", "orders", "",
       "postgresql://db.example:5433/orders"},
      {"localhost/orders", false, Form::kHostDb, "localhost", "", "orders", "",
       "postgresql://localhost/orders"},
      {"[::1]:6000/my db", false, Form::kHostDb, "::1", "6000", "my db", "",
       "postgresql://[::1]:6000/my%20db"},
      {"postgresql://h:1/d?sslmode=disable", false, Form::kUri, "", "", "", "",
       "postgresql://h:1/d?sslmode=disable"},
      {"POSTGRES://h/d", false, Form::kUri, "", "", "", "", "postgresql://h/d"},
      {"10.0.0.5:1521:ORCL", true, Form::kDirect, "10.0.0.5", "1521", "ORCL", "",
       "postgresql://10.0.0.5:1521/ORCL"},
      {" h : 5432 : sid ", true, Form::kDirect, "h", "5432", "sid", "",
       "postgresql://h:5432/sid"},
  };
  for (const ServerCase& c : cases) {
    PgAddress a;
    Status s = parsePgServer(c.server, c.direct, &a);
    ASSERT_TRUE(s.isOk()) << c.server << ": " << s.message();
    EXPECT_EQ(a.form, c.form) << c.server;
    EXPECT_EQ(a.host, c.host) << c.server;
    EXPECT_EQ(a.port, c.port) << c.server;
    EXPECT_EQ(a.dbname, c.dbname) << c.server;
    EXPECT_EQ(a.service, c.service) << c.server;
    EXPECT_EQ(pgServerUri(a), c.readBack) << c.server;
    // The read-back form names the same server again.
    PgAddress again;
    ASSERT_TRUE(parsePgServer(pgServerUri(a), false, &again).isOk()) << pgServerUri(a);
    EXPECT_EQ(again.form, Form::kUri);
  }
}

TEST(PgAddressTest, TextsThatNameNoServer) {
  struct Bad {
    const char* server;
    bool direct;
    const char* why;
  };
  const Bad cases[] = {
      {"", false, "empty"},
      {"   ", true, "empty"},
      {"h:1521", true, "host:port:sid"},
      {"h:1521:sid:x", true, "host:port:sid"},
      {":1521:sid", true, "host is empty"},
      {"h:port:sid", true, "port"},
      {"h:0:sid", true, "port"},
      {"h:65536:sid", true, "port"},
      {"h:1521:", true, "SID is empty"},
      {"h:1521/", false, "database name is empty"},
      {"h:99999/db", false, "host[:port]/dbname"},
      {"[::1/db", false, "host[:port]/dbname"},
      {"sales east", false, "service name"},
      {"h:1521:ORCL", false, "service name"},
      {"postgresql://h/d?nosuchoption=1", false, "nosuchoption"},
  };
  for (const Bad& c : cases) {
    PgAddress a;
    Status s = parsePgServer(c.server, c.direct, &a);
    EXPECT_EQ(s.kind(), Status::Kind::kInvalidArgument) << "'" << c.server << "'";
    EXPECT_NE(s.message().find(c.why), std::string::npos) << s.message();
  }
}

TEST(PgAddressTest, ConnectParametersPutTheCredentialsAfterTheAddress) {
  PgAddress uri;
  ASSERT_TRUE(parsePgServer("postgresql://other@h:1/d", false, &uri).isOk());
  PgConnectParams p = pgConnectParams(uri, "scott", "tiger");
  EXPECT_TRUE(p.expand_dbname);
  auto index = [&](const std::string& key) {
    for (size_t i = 0; i < p.keywords.size(); ++i) {
      if (p.keywords[i].first == key) return static_cast<int>(i);
    }
    return -1;
  };
  ASSERT_GE(index("dbname"), 0);
  EXPECT_EQ(p.keywords[static_cast<size_t>(index("dbname"))].second, "postgresql://other@h:1/d");
  EXPECT_GT(index("user"), index("dbname"));  // later keywords win over the URI's
  EXPECT_GT(index("password"), index("dbname"));
  EXPECT_EQ(p.keywords[static_cast<size_t>(index("client_encoding"))].second, "UTF8");

  PgAddress shortForm;
  ASSERT_TRUE(parsePgServer("h/a=b", false, &shortForm).isOk());
  p = pgConnectParams(shortForm, "", "");
  EXPECT_FALSE(p.expand_dbname);  // "a=b" is a database name, not options
  EXPECT_EQ(index("user"), -1);
  EXPECT_EQ(index("password"), -1);
  EXPECT_EQ(p.keywords[static_cast<size_t>(index("dbname"))].second, "a=b");
}

TEST(PgAddressTest, SessionReadsTheConnectStringBackAsAUri) {
  struct Case {
    const char* set;
    bool direct;
    const char* readBack;
  };
  const Case cases[] = {
      {"U/pw@H:1521:ORCL", true, "U/pw@postgresql://H:1521/ORCL"},
      {"U/pw@SALES", false, "U/pw@postgresql:///?service=SALES"},
      {"scott/tiger@127.0.0.1:5432/db", false, "scott/tiger@postgresql://127.0.0.1:5432/db"},
      {"scott/tiger@postgresql://127.0.0.1:5432/db", false,
       "scott/tiger@postgresql://127.0.0.1:5432/db"},
      // A text that names no server reads back as it was set; connecting reports 12154.
      {"U/pw@not a service", false, "U/pw@not a service"},
  };
  for (const Case& c : cases) {
    PostgresSession s;
    s.setDirect(c.direct);
    s.setConnectString(c.set);
    EXPECT_EQ(s.connectString(), c.readBack) << c.set;
  }
}

TEST(PgAddressTest, AServerTextThatNamesNoServerIsUnknownWhenConnecting) {
  PostgresSession s;
  std::vector<SessionError> seen;
  s.setOnError([&](const SessionError& e, bool&) { seen.push_back(e); });
  s.setClientCharset("AL32UTF8");
  s.setConnectString("u/p@no such service");
  EXPECT_EQ(s.connect().kind(), DbStatus::Kind::kFailed);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].code, kErrUnknownServer);
  EXPECT_EQ(seen[0].message.rfind("ORA-12154: ", 0), 0u) << seen[0].message;
}

TEST(PgErrorsTest, ConnectFailuresMapByTheirCause) {
  struct Case {
    const char* libpq;
    int code;
    const char* message;  // the whole message made of it
  };
  const Case cases[] = {
      {"connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  28P01: password "
       "authentication failed for user \"scott\"\nLOCATION:  auth_failed, auth.c:334\n",
       kErrWrongPassword,
       "ORA-01017: invalid username/password; logon denied (connection to server at "
       "\"127.0.0.1\", port 5432 failed: FATAL:  password authentication failed for user "
       "\"scott\")"},
      {"connection to server at \"h\" (127.0.0.1), port 5432 failed: FATAL:  3D000: database "
       "\"nodb\" does not exist\nLOCATION:  InitPostgres, postinit.c:948\n",
       kErrUnknownServer,
       "ORA-12154: TNS:could not resolve the connect identifier specified (connection to server "
       "at \"h\" (127.0.0.1), port 5432 failed: FATAL:  database \"nodb\" does not exist)"},
      {"connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\tIs the "
       "server running on that host and accepting TCP/IP connections?\n",
       kErrUnreachable,
       "ORA-12560: TNS:protocol adapter error (connection to server at \"127.0.0.1\", port 1 "
       "failed: Connection refused)"},
      {"definition of service \"nosuch\" not found\n", kErrUnknownServer,
       "ORA-12154: TNS:could not resolve the connect identifier specified (definition of "
       "service \"nosuch\" not found)"},
      {"could not translate host name \"nohost\" to address: Name or service not known\n",
       kErrUnknownServer,
       "ORA-12154: TNS:could not resolve the connect identifier specified (could not translate "
       "host name \"nohost\" to address: Name or service not known)"},
      {"connection to server at \"h\", port 5432 failed: FATAL:  53300: sorry, too many clients "
       "already\n",
       kErrBackend,
       "ORA-20999: PostgreSQL error 53300: connection to server at \"h\", port 5432 failed: "
       "FATAL:  sorry, too many clients already"},
  };
  for (const Case& c : cases) {
    SessionError e = pgConnectError(c.libpq);
    EXPECT_EQ(e.code, c.code) << c.libpq;
    EXPECT_EQ(e.message, c.message);
  }
}

TEST(PgErrorsTest, ServerErrorsCarryOracleNumbersWhereThereAreSome) {
  struct Case {
    const char* sqlstate;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {"22001", kErrValueTooLarge, "ORA-12899: value too long for type character varying(3)"},
      {"42P01", kErrNoSuchTable, "ORA-00942: value too long for type character varying(3)"},
      {"23505", kErrUniqueViolated, "ORA-00001: value too long for type character varying(3)"},
      {"08006", kErrConnectionLost, "ORA-03113: value too long for type character varying(3)"},
      {"22012", kErrBackend,
       "ORA-20999: PostgreSQL error 22012: value too long for type character varying(3)"},
      {"", kErrConnectionLost,
       "ORA-03113: end-of-file on communication channel: value too long for type character "
       "varying(3)"},
  };
  for (const Case& c : cases) {
    SessionError e = pgServerError(c.sqlstate, " value too long for type character varying(3)\n");
    EXPECT_EQ(e.code, c.code) << c.sqlstate;
    EXPECT_EQ(e.message, c.message) << c.sqlstate;
  }
}

struct RewriteCase {
  const char* oracle;
  const char* postgres;
  std::vector<std::string> params;
};

TEST(PgDialectTest, RewritesWhatPostgresDoesNotTakeAsWritten) {
  const RewriteCase cases[] = {
      {"CREATE TABLE o.T (\r\n  A VARCHAR2(20),\r\n  B DATE,\r\n  C NUMBER,\r\n  D number(10,2))",
       "CREATE TABLE o.T (\r\n  A VARCHAR(20),\r\n  B DATE,\r\n  C NUMERIC,\r\n  D NUMERIC(10,2))",
       {}},
      {"Select T.table_name, T.owner from sys.ALL_ALL_TABLES T where T.owner = :own and  "
       "T.table_name = :Tab",
       "Select T.table_name, T.owner from pg_temp.ALL_ALL_TABLES T where T.owner = $1 and  "
       "T.table_name = $2",
       {"own", "Tab"}},
      {"select :a, :B, :A from SYS.user_tables", "select $1, $2, $1 from pg_temp.user_tables",
       {"a", "B"}},
      {"select x::int, ':a', \":b\" -- :c\n from sys.other", "select x::int, ':a', \":b\" -- :c\n from sys.other",
       {}},
      {"insert into o.T (B) values (TO_DATE('19991231', 'YYYYMMDD'))",
       "insert into o.T (B) values (DATE '1999-12-31')", {}},
      {"insert into o.T (B) values (to_date ( '2000-01-02 13:45' , 'YYYY-MM-DD HH24:MI' ))",
       "insert into o.T (B) values (TIMESTAMP '2000-01-02 13:45:00')", {}},
      {"insert into o.T (B) values (TO_DATE('', 'YYYYMMDD'))", "insert into o.T (B) values (NULL)",
       {}},
      {"select TO_DATE(x, 'YYYYMMDD'), 'NUMBER VARCHAR2' from t",
       "select TO_DATE(x, 'YYYYMMDD'), 'NUMBER VARCHAR2' from t", {}},
      {"insert into o.T (A) values ('it''s :x /* no */ NUMBER')",
       "insert into o.T (A) values ('it''s :x /* no */ NUMBER')", {}},
      {"select NUMBER_OF, MY_NUMBER, \"NUMBER\" from t", "select NUMBER_OF, MY_NUMBER, \"NUMBER\" from t",
       {}},
  };
  for (const RewriteCase& c : cases) {
    PgText out;
    std::optional<SessionError> e = pgRewrite(c.oracle, &out);
    ASSERT_FALSE(e) << c.oracle << ": " << e->message;
    EXPECT_EQ(out.sql, c.postgres);
    EXPECT_EQ(out.params, c.params) << c.oracle;
  }
}

TEST(PgDialectTest, ADateOracleRefusesIsAnErrorBeforeTheServerSeesIt) {
  struct Case {
    const char* date;
    int code;
  };
  // PostgreSQL's to_date takes year 0 as 1 BC.
  for (const Case& c : {Case{"20230230", kErrInvalidDate}, Case{"20231301", 1843},
                        Case{"20230132", 1847}, Case{"00000101", 1841},
                        Case{"2023023x", kErrDateFormat}, Case{"abcdefgh", kErrDateFormat}}) {
    PgText out;
    const std::string sql = std::string("insert into o.T (B) values (TO_DATE('") + c.date +
                            "', 'YYYYMMDD'))";
    std::optional<SessionError> e = pgRewrite(sql, &out);
    ASSERT_TRUE(e) << c.date << " gave " << out.sql;
    EXPECT_EQ(e->code, c.code) << c.date << ": " << e->message;
  }
}

TEST(PgDialectTest, OwnerOfCreateTableAndStatementKinds) {
  EXPECT_EQ(pgCreateTableOwner("CREATE TABLE owner1.EMP (\r\n A NUMBER)"), "owner1");
  EXPECT_EQ(pgCreateTableOwner("  create  table \"Odd\".T (A NUMBER)"), "\"Odd\"");
  EXPECT_EQ(pgCreateTableOwner("CREATE TABLE EMP (A NUMBER)"), std::nullopt);
  EXPECT_EQ(pgCreateTableOwner("CREATE TABLESPACE x.y"), std::nullopt);
  EXPECT_EQ(pgCreateTableOwner("DROP TABLE o.T"), std::nullopt);

  for (const char* dml : {"insert into t values (1)", "  UPDATE t set a = 1", "delete from t",
                          "-- c\n select 1", "/* c */ WITH x AS (select 1) select * from x",
                          "(select 1)"}) {
    EXPECT_TRUE(pgIsDml(dml)) << dml;
  }
  for (const char* ddl : {"DROP TABLE t", "ALTER TABLE t ADD x NUMBER", "CREATE INDEX i ON t (a)",
                          "GRANT SELECT ON t TO u", "insertx"}) {
    EXPECT_FALSE(pgIsDml(ddl)) << ddl;
  }
  EXPECT_EQ(pgRoleName(" SCOTT "), "scott");
  EXPECT_EQ(pgRoleName("\"Mixed\""), "Mixed");
}

}  // namespace
}  // namespace tarvex

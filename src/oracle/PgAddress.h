// How a PostgreSQL server is named in the server part of a connect string ("user/password@server"),
// and the libpq connection keywords that reach it.
//
//   Client mode:  NAME                     a libpq service (pg_service.conf), the analog of a
//                                          TNS alias; letters, digits, "_", "-" and "." only
//                 host[:port]/dbname       a short form; host may be an IPv6 address in brackets
//                 postgresql://...         a libpq URI (also "postgres://"), passed on as it is
//   Direct mode:  host:port:sid            TCP to host and port; the SID is the database
//
// The read-back form names the backend by itself: every form becomes a "postgresql://" URI
// (a service becomes "postgresql:///?service=NAME"), so a connect string read back from a
// session can be handed to another program without the client choice.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Status.h"

namespace tarvex {

struct PgAddress {
  enum class Form { kService, kHostDb, kUri, kDirect };
  Form form = Form::kService;
  std::string service;  // kService
  std::string host;     // kHostDb, kDirect (without IPv6 brackets)
  std::string port;     // kHostDb (may be empty: libpq's default), kDirect
  std::string dbname;   // kHostDb, kDirect
  std::string uri;      // kUri, with the scheme spelled "postgresql://"
};

// True when the server text is a PostgreSQL URI ("postgresql://" or "postgres://", any case).
bool isPgUri(std::string_view server);

// Takes the server part of a connect string apart (surrounding blanks ignored). direct selects
// Direct mode. On success fills out and returns ok; a text that names no server in the mode's
// forms (empty parts, a port that is not 1..65535, a URI libpq refuses) returns kInvalidArgument
// with a message naming the text, and leaves out unspecified.
Status parsePgServer(std::string_view server, bool direct, PgAddress* out);

// The "postgresql://" URI of the address (see above). Host, database and service are
// percent-encoded where needed.
std::string pgServerUri(const PgAddress& address);

// What PQconnectStartParams takes: keyword/value pairs, in order: a connect timeout, the address
// (a URI goes into "dbname" and is expanded by libpq), then user and password (which win over
// any user or password inside a URI), the client encoding UTF8 and the application name. Empty
// user or password are left out (libpq's defaults apply). expand_dbname is true only for a URI,
// so that a database name of the other forms is never read as connection options.
struct PgConnectParams {
  std::vector<std::pair<std::string, std::string>> keywords;
  bool expand_dbname = false;
};
PgConnectParams pgConnectParams(const PgAddress& address, std::string_view user,
                                std::string_view password);

}  // namespace tarvex

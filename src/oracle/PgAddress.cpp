#include "oracle/PgAddress.h"

#include <libpq-fe.h>

#include <cctype>

#include "common/TextUtil.h"

namespace tarvex {
namespace {

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

bool isServiceChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.';
}

bool validPort(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  for (char c : port) {
    if (c < '0' || c > '9') return false;
  }
  const auto n = parseInteger(port);
  return n && *n >= 1 && *n <= 65535;
}

Status invalid(std::string_view server, std::string_view why) {
  return Status::invalidArgument("cannot name a PostgreSQL server by \"" + std::string(server) +
                                 "\": " + std::string(why));
}

// Percent-encodes everything but the URI's unreserved characters.
std::string encode(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// Host text as a URI host: IPv6 addresses in brackets.
std::string uriHost(std::string_view host) {
  if (host.find(':') != std::string_view::npos) return "[" + std::string(host) + "]";
  return encode(host);
}

// Splits "host[:port]" (host possibly "[v6]"); false when malformed.
bool splitHostPort(std::string_view text, std::string* host, std::string* port) {
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    *host = std::string(text.substr(1, close - 1));
    std::string_view rest = text.substr(close + 1);
    if (rest.empty()) {
      port->clear();
      return true;
    }
    if (rest.front() != ':') return false;
    *port = std::string(rest.substr(1));
    return validPort(*port);
  }
  const size_t colon = text.find(':');
  *host = std::string(text.substr(0, colon));
  if (host->empty()) return false;
  if (colon == std::string_view::npos) {
    port->clear();
    return true;
  }
  *port = std::string(text.substr(colon + 1));
  return validPort(*port);
}

}  // namespace

bool isPgUri(std::string_view server) {
  return startsWithIgnoreCase(server, "postgresql://") || startsWithIgnoreCase(server, "postgres://");
}

Status parsePgServer(std::string_view server_text, bool direct, PgAddress* out) {
  const std::string_view server = trimView(server_text);
  if (server.empty()) return invalid(server, "the server is empty");
  PgAddress a;
  if (direct) {
    // host:port:sid; the SID may not hold another ':'.
    const size_t first = server.find(':');
    const size_t second = first == std::string_view::npos ? first : server.find(':', first + 1);
    if (second == std::string_view::npos || server.find(':', second + 1) != std::string_view::npos) {
      return invalid(server, "Direct mode wants host:port:sid");
    }
    a.form = PgAddress::Form::kDirect;
    a.host = trim(server.substr(0, first));
    a.port = trim(server.substr(first + 1, second - first - 1));
    a.dbname = trim(server.substr(second + 1));
    if (a.host.empty()) return invalid(server, "the host is empty");
    if (!validPort(a.port)) return invalid(server, "the port is not a number from 1 to 65535");
    if (a.dbname.empty()) return invalid(server, "the SID is empty");
    *out = std::move(a);
    return Status::ok();
  }
  if (isPgUri(server)) {
    a.form = PgAddress::Form::kUri;
    const size_t scheme_end = server.find("://");
    a.uri = "postgresql" + std::string(server.substr(scheme_end));
    char* err = nullptr;
    PQconninfoOption* opts = PQconninfoParse(a.uri.c_str(), &err);
    if (opts == nullptr) {
      std::string why = err != nullptr ? trim(err) : "libpq cannot read the URI";
      PQfreemem(err);
      return invalid(server, why);
    }
    PQconninfoFree(opts);
    *out = std::move(a);
    return Status::ok();
  }
  const size_t slash = server.find('/');
  if (slash != std::string_view::npos) {
    a.form = PgAddress::Form::kHostDb;
    if (!splitHostPort(server.substr(0, slash), &a.host, &a.port)) {
      return invalid(server, "the short form is host[:port]/dbname");
    }
    a.dbname = std::string(server.substr(slash + 1));
    if (a.dbname.empty()) return invalid(server, "the database name is empty");
    *out = std::move(a);
    return Status::ok();
  }
  for (char c : server) {
    if (!isServiceChar(c)) {
      return invalid(server, "a service name has only letters, digits, '_', '-' and '.'");
    }
  }
  a.form = PgAddress::Form::kService;
  a.service = std::string(server);
  *out = std::move(a);
  return Status::ok();
}

std::string pgServerUri(const PgAddress& a) {
  switch (a.form) {
    case PgAddress::Form::kUri:
      return a.uri;
    case PgAddress::Form::kService:
      return "postgresql:///?service=" + encode(a.service);
    case PgAddress::Form::kHostDb:
    case PgAddress::Form::kDirect:
      break;
  }
  std::string uri = "postgresql://" + uriHost(a.host);
  if (!a.port.empty()) uri += ":" + a.port;
  uri += "/" + encode(a.dbname);
  return uri;
}

PgConnectParams pgConnectParams(const PgAddress& a, std::string_view user,
                                std::string_view password) {
  PgConnectParams params;
  params.expand_dbname = a.form == PgAddress::Form::kUri;
  auto& kw = params.keywords;
  kw.emplace_back("connect_timeout", "10");
  switch (a.form) {
    case PgAddress::Form::kUri:
      kw.emplace_back("dbname", a.uri);
      break;
    case PgAddress::Form::kService:
      kw.emplace_back("service", a.service);
      break;
    case PgAddress::Form::kHostDb:
    case PgAddress::Form::kDirect:
      kw.emplace_back("host", a.host);
      if (!a.port.empty()) kw.emplace_back("port", a.port);
      kw.emplace_back("dbname", a.dbname);
      break;
  }
  if (!user.empty()) kw.emplace_back("user", std::string(user));
  if (!password.empty()) kw.emplace_back("password", std::string(password));
  kw.emplace_back("client_encoding", "UTF8");
  kw.emplace_back("application_name", "tarvex");
  return params;
}

}  // namespace tarvex

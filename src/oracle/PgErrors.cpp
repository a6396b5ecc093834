#include "oracle/PgErrors.h"

#include <array>
#include <string>

#include "common/TextUtil.h"

namespace tarvex {
namespace {

struct SqlStateCode {
  std::string_view sqlstate;
  int code;
};

// SQLSTATEs whose Oracle counterpart is plain.
constexpr std::array<SqlStateCode, 21> kOracleCodes{{
    {"28P01", kErrWrongPassword},    // invalid_password
    {"28000", kErrWrongPassword},    // invalid_authorization_specification
    {"3D000", kErrUnknownServer},    // invalid_catalog_name: no such database
    {"57P01", kErrConnectionLost},   // admin_shutdown
    {"57P02", kErrConnectionLost},   // crash_shutdown
    {"57P03", 1033},                 // cannot_connect_now: initialization or shutdown in progress
    {"22001", kErrValueTooLarge},    // string_data_right_truncation
    {"22003", 1438},                 // numeric_value_out_of_range: value larger than precision
    {"22008", kErrInvalidDate},      // datetime_field_overflow
    {"22007", kErrDateFormat},       // invalid_datetime_format
    {"22P02", kErrInvalidNumber},    // invalid_text_representation
    {"23505", kErrUniqueViolated},   // unique_violation
    {"23502", kErrCannotInsertNull}, // not_null_violation
    {"23514", 2290},                 // check_violation
    {"42P01", kErrNoSuchTable},      // undefined_table
    {"3F000", kErrNoSuchTable},      // invalid_schema_name: no table of that owner
    {"42P07", kErrNameUsed},         // duplicate_table
    {"42P06", kErrNameUsed},         // duplicate_schema
    {"42703", kErrInvalidIdentifier},  // undefined_column
    {"42601", kErrInvalidSql},       // syntax_error
    {"42501", 1031},                 // insufficient_privilege
}};

bool isStateChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// The SQLSTATE of a verbose server line "...: FATAL:  28P01: text" and the line without it.
bool takeServerState(std::string_view line, std::string_view* state, std::string* plain) {
  for (std::string_view severity : {"FATAL:  ", "ERROR:  ", "PANIC:  "}) {
    const size_t at = line.find(severity);
    if (at == std::string_view::npos) continue;
    const size_t s = at + severity.size();
    std::string_view rest = line.substr(s);
    if (rest.size() < 7 || rest[5] != ':' || rest[6] != ' ') continue;
    bool ok = true;
    for (size_t i = 0; i < 5; ++i) ok = ok && isStateChar(rest[i]);
    if (!ok) continue;
    *state = rest.substr(0, 5);
    *plain = std::string(line.substr(0, s)) + std::string(trimView(rest.substr(7)));
    return true;
  }
  return false;
}

std::string_view oracleText(int code) {
  switch (code) {
    case kErrWrongPassword: return "invalid username/password; logon denied";
    case kErrUnknownServer: return "TNS:could not resolve the connect identifier specified";
    case kErrUnreachable: return "TNS:protocol adapter error";
    default: return {};
  }
}

}  // namespace

std::optional<int> oraCodeOfSqlState(std::string_view sqlstate) {
  for (const auto& e : kOracleCodes) {
    if (e.sqlstate == sqlstate) return e.code;
  }
  // Class 08: connection exception.
  if (sqlstate.size() == 5 && sqlstate.substr(0, 2) == "08") return kErrConnectionLost;
  return std::nullopt;
}

SessionError pgServerError(std::string_view sqlstate, std::string_view primary) {
  SessionError e;
  const std::string text(trimView(primary));
  if (sqlstate.empty()) {
    e.code = kErrConnectionLost;
    e.message = oraMessage(e.code, "end-of-file on communication channel: " + text);
    return e;
  }
  if (std::optional<int> code = oraCodeOfSqlState(sqlstate)) {
    e.code = *code;
    e.message = oraMessage(e.code, text);
  } else {
    e.code = kErrBackend;
    e.message =
        oraMessage(e.code, "PostgreSQL error " + std::string(sqlstate) + ": " + text);
  }
  return e;
}

SessionError pgConnectError(std::string_view libpq_message) {
  std::string text;
  std::string_view state;
  std::string_view rest = libpq_message;
  while (!rest.empty()) {
    const size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    // Hints start with a tab; verbose reporting adds LOCATION, DETAIL and HINT lines.
    if (trimView(line).empty() || line.front() == '\t' || line.starts_with("LOCATION:") ||
        line.starts_with("DETAIL:") || line.starts_with("HINT:")) {
      continue;
    }
    std::string_view s;
    std::string plain;
    if (!takeServerState(line, &s, &plain)) {
      plain = std::string(trimView(line));
    } else if (state.empty()) {
      state = s;
    }
    if (!text.empty()) text += "; ";
    text += plain;
  }
  if (text.empty()) text = "cannot connect to the server";
  SessionError e;
  if (!state.empty()) {
    e.code = oraCodeOfSqlState(state).value_or(kErrBackend);
  } else if (findIgnoreCase(libpq_message, "definition of service") != std::string::npos ||
             findIgnoreCase(libpq_message, "service file") != std::string::npos ||
             findIgnoreCase(libpq_message, "could not translate host name") !=
                 std::string::npos) {
    e.code = kErrUnknownServer;
  } else {
    e.code = kErrUnreachable;
  }
  std::string_view head = oracleText(e.code);
  if (head.empty() && e.code == kErrBackend) {
    e.message = oraMessage(e.code, "PostgreSQL error " + std::string(state) + ": " + text);
  } else if (head.empty()) {
    e.message = oraMessage(e.code, text);
  } else {
    e.message = oraMessage(e.code, std::string(head) + " (" + text + ")");
  }
  return e;
}

}  // namespace tarvex

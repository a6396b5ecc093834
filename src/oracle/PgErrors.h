// PostgreSQL errors as the session reports them (Session.h, "Error coding"): an Oracle error
// number and "ORA-nnnnn: " + a message.
//
// SQLSTATEs with a plain Oracle counterpart get that number (28P01 wrong password 1017, 3D000
// unknown database 12154, 22001 text too long 12899, 42P01 unknown table 942, ...; the table is
// in PgErrors.cpp); every other SQLSTATE is kErrBackend (20999) with the SQLSTATE named in the
// message: "ORA-20999: PostgreSQL error 22012: division by zero".
#pragma once

#include <optional>
#include <string_view>

#include "oracle/Session.h"

namespace tarvex {

// The Oracle number of a SQLSTATE, or nullopt when our table has none.
std::optional<int> oraCodeOfSqlState(std::string_view sqlstate);

// The error of a server answer: its SQLSTATE and primary message (PQresultErrorField's
// PG_DIAG_SQLSTATE and PG_DIAG_MESSAGE_PRIMARY). An empty SQLSTATE (no answer: the connection
// broke) is kErrConnectionLost.
SessionError pgServerError(std::string_view sqlstate, std::string_view primary);

// The error of a failed connection attempt, from libpq's error text taken with verbose error
// reporting, where a server's refusal carries its SQLSTATE ("... failed: FATAL:  28P01:
// password authentication failed for user ..."). A server answer maps by its SQLSTATE: 28P01
// and 28000 are 1017, 3D000 is 12154. Without one, an unknown service or host name is 12154,
// anything else (refused, timed out, no route) 12560. The message keeps libpq's lines without
// the SQLSTATE, the LOCATION lines and the hints.
SessionError pgConnectError(std::string_view libpq_message);

}  // namespace tarvex

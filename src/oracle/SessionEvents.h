// What the main window makes of the session's events: the recording error handler with its log
// line (OraSession1Error), the connection-lost line, and the texts chosen for the error box
// (OraErrorHandler1Error).
#pragma once

#include <string>
#include <string_view>

#include "oracle/Session.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

// The error box's text for an error: 1017, 12154 and 12560 have their own texts; a message
// holding "!*<" ... ">*!" names a field that must have a value; otherwise empty (the box then
// shows the error's own message). The texts are Russian, in UTF-8.
std::string OraErrorHandler1Error(int code, std::string_view message);

// OraSession1Error: records the error as the recording handler does and gives the log line
// timeText + " OraSession1Error: ErrorCode: " + code + "  E.Message: " + message.
std::string OraSession1Error(Rec_Prj& prj, const SessionError& error, std::string_view timeText);

// The phrase of a connection-lost cause: 0 "for reasons not known", 1 "during SQL execution",
// 2 "during query opening", 3 empty, 4 "during DataSet.ApplyUpdates", 5 "during service
// information request", 6 "during transaction start", 7 "during Connection.ApplyUpdates",
// 8 "during connection establishing".
std::string_view connectionLostPhrase(ConnectionLostCause cause);

// timeText + " " + component + " - Connection lost " + the cause's phrase.
std::string connectionLostLine(std::string_view timeText, std::string_view component,
                               ConnectionLostCause cause);

}  // namespace tarvex

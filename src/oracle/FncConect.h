// Connecting with a project's stored credentials, the handler that records a connection's
// errors in the project record, and the list of database clients of this build.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import/LoaderFiles.h"
#include "oracle/Session.h"
#include "projects/ProjectRecords.h"

namespace tarvex {

// The database clients this build offers, in list order: "SQLite", "PostgreSQL". HOMENAME is a
// position in this list.
const std::vector<std::string>& databaseClients();

// The item at a position of a list: an empty list gives "" and position -1; a negative
// position becomes 0 and one beyond the last item the last item (the position is corrected).
std::string GetNomeName(const std::vector<std::string>& items, int* position);

// Makes a session of a client of the list; the program folder (ending in "/") is where relative
// database paths lead. A client whose backend is not part of this build gives nullptr.
using SessionFactory = std::function<std::unique_ptr<Session>(const std::string& programFolder)>;
// Backends register themselves under their client name ("SQLite" is registered by the core).
void registerSessionFactory(const std::string& client, SessionFactory factory);
std::unique_ptr<Session> makeSession(std::string_view client, const std::string& programFolder);

// The session for a connect string as read back from a session (ConnStr):
//   user/password@sqlite:PATH            -> the SQLite client
//   user/password@postgresql://...       -> the PostgreSQL client (also "postgres://")
//   user/password@host:port:sid, direct  -> the PostgreSQL client in Direct mode
// The session gets the connect string and the mode; it is not connected. nullptr with *why when
// the text names no backend of this build.
std::unique_ptr<Session> sessionForConnectString(std::string_view connect, bool direct,
                                                 const std::string& programFolder,
                                                 std::string* why);

// The recording handler: ConnStat := -1, ConnErrCode := the code, ConnErrMsg := the message
// (with its script location, if any), fail := false. Writes no log line.
ErrorHandler recordingHandler(Rec_Prj& prj);

// Connects the session with the project's stored credentials, no dialog:
//  1. ConnErrMsg := empty; the session's error handler := recordingHandler(prj);
//  2. Direct mode (CONNECTING "Y"): OWN + "/" + password + "@" + trimmed IP + ":" + PORT + ":" +
//     BAZA; Client mode: OWN + "/" + password + "@" + BAZA; the password is PAROLA unscrambled
//     when PAROLA is not empty after trimming, else empty;
//  3. ConnStr := the session's connect string read back; no login prompt;
//  4. TryUser := OWN, TryServer := BAZA, TryHost := IP, TryPort := PORT;
//  5. connect; ConnStat := 0 only when that succeeds. A failure leaves ConnStat = -1 from the
//     handler and the call returns the silent abort.
DbStatus ConnectStored(Rec_Prj& prj, Session& session, const Unscrambler& unscramble);

}  // namespace tarvex

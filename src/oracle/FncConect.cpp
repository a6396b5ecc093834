#include "oracle/FncConect.h"

#include <map>

#include "common/TextUtil.h"
#include "oracle/PostgresSession.h"
#include "oracle/SqliteSession.h"

namespace tarvex {
namespace {

std::map<std::string, SessionFactory>& factories() {
  static std::map<std::string, SessionFactory> f = {
      {"SQLite", [](const std::string& folder) -> std::unique_ptr<Session> {
         return std::make_unique<SqliteSession>(folder);
       }},
      {"PostgreSQL", [](const std::string&) -> std::unique_ptr<Session> {
         return std::make_unique<PostgresSession>();
       }}};
  return f;
}

}  // namespace

const std::vector<std::string>& databaseClients() {
  static const std::vector<std::string> clients = {"SQLite", "PostgreSQL"};
  return clients;
}

std::string GetNomeName(const std::vector<std::string>& items, int* position) {
  if (items.empty()) {
    *position = -1;
    return {};
  }
  if (*position < 0) *position = 0;
  if (*position >= static_cast<int>(items.size())) *position = static_cast<int>(items.size()) - 1;
  return items[static_cast<size_t>(*position)];
}

void registerSessionFactory(const std::string& client, SessionFactory factory) {
  factories()[client] = std::move(factory);
}

std::unique_ptr<Session> makeSession(std::string_view client, const std::string& programFolder) {
  for (auto& [name, f] : factories()) {
    if (equalsIgnoreCase(name, client)) return f(programFolder);
  }
  return nullptr;
}

std::unique_ptr<Session> sessionForConnectString(std::string_view connect, bool direct,
                                                 const std::string& programFolder,
                                                 std::string* why) {
  const size_t at = connect.find('@');
  const std::string_view server =
      at == std::string_view::npos ? std::string_view() : trimView(connect.substr(at + 1));
  auto startsWith = [&](std::string_view p) {
    return server.size() >= p.size() && equalsIgnoreCase(server.substr(0, p.size()), p);
  };
  std::string client;
  if (direct || startsWith("postgresql://") || startsWith("postgres://")) {
    client = "PostgreSQL";
  } else if (startsWith("sqlite:")) {
    client = "SQLite";
  } else {
    *why = "the connect string names no database: after \"@\" give sqlite:PATH or "
           "postgresql://..., or host:port:sid with Direct mode";
    return nullptr;
  }
  std::unique_ptr<Session> s = makeSession(client, programFolder);
  if (s == nullptr) {
    *why = "the " + client + " client is not part of this build";
    return nullptr;
  }
  s->setDirect(direct);
  s->setHomeName(direct ? std::string() : client);
  s->setConnectString(connect);
  s->setConnectPrompt(false);
  return s;
}

ErrorHandler recordingHandler(Rec_Prj& prj) {
  return [&prj](const SessionError& e, bool& fail) {
    prj.ConnStat = -1;
    prj.ConnErrCode = e.code;
    prj.ConnErrMsg = e.text();
    fail = false;
  };
}

DbStatus ConnectStored(Rec_Prj& prj, Session& session, const Unscrambler& unscramble) {
  prj.ConnErrMsg.clear();
  session.setOnError(recordingHandler(prj));
  const bool direct = isSet(prj.CONNECTING);
  session.setDirect(direct);
  std::string password;
  if (!trimView(prj.PAROLA).empty()) password = unscramble(prj.PAROLA);
  std::string text = prj.OWN + "/" + password + "@";
  if (direct) {
    text += trim(prj.IP) + ":" + std::to_string(prj.PORT) + ":" + prj.BAZA;
  } else {
    text += prj.BAZA;
  }
  session.setConnectString(text);
  prj.ConnStr = session.connectString();
  session.setConnectPrompt(false);
  prj.TryUser = prj.OWN;
  prj.TryServer = prj.BAZA;
  prj.TryHost = prj.IP;
  prj.TryPort = prj.PORT;
  DbStatus s = session.connect();
  if (s.isOk()) {
    prj.ConnStat = 0;
  } else if (s.kind() != DbStatus::Kind::kAborted && prj.ConnStat != -1) {
    prj.ConnStat = -3;
    prj.ConnErrMsg = s.message();
  }
  return s;
}

}  // namespace tarvex

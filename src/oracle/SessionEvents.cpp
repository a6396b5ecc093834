#include "oracle/SessionEvents.h"

namespace tarvex {

std::string OraErrorHandler1Error(int code, std::string_view message) {
  if (code == kErrWrongPassword) return "Неправильно введено имя пользователя/пароль";
  if (code == kErrUnknownServer) return "Введено неверное имя сервера";
  if (code == kErrUnreachable) {
    return "Неправильно введено имя пользователя/пароль или отсутствует связь с сервером";
  }
  size_t open = message.find("!*<");
  size_t close = message.find(">*!");
  if (open != std::string_view::npos && close != std::string_view::npos) {
    std::string_view field;
    if (close > open + 3) field = message.substr(open + 3, close - open - 3);
    return "Поле '" + std::string(field) + "' должно содержать значение";
  }
  return {};
}

std::string OraSession1Error(Rec_Prj& prj, const SessionError& error, std::string_view timeText) {
  prj.ConnStat = -1;
  prj.ConnErrCode = error.code;
  prj.ConnErrMsg = error.text();
  return std::string(timeText) + " OraSession1Error: ErrorCode: " + std::to_string(error.code) +
         "  E.Message: " + prj.ConnErrMsg;
}

std::string_view connectionLostPhrase(ConnectionLostCause cause) {
  switch (cause) {
    case ConnectionLostCause::kUnknown: return "for reasons not known";
    case ConnectionLostCause::kExecute: return "during SQL execution";
    case ConnectionLostCause::kOpen: return "during query opening";
    case ConnectionLostCause::kRefresh: return "";
    case ConnectionLostCause::kApplyUpdates: return "during DataSet.ApplyUpdates";
    case ConnectionLostCause::kServerInfo: return "during service information request";
    case ConnectionLostCause::kStartTransaction: return "during transaction start";
    case ConnectionLostCause::kConnectionApplyUpdates: return "during Connection.ApplyUpdates";
    case ConnectionLostCause::kConnecting: return "during connection establishing";
  }
  return "";
}

std::string connectionLostLine(std::string_view timeText, std::string_view component,
                               ConnectionLostCause cause) {
  return std::string(timeText) + " " + std::string(component) + " - Connection lost " +
         std::string(connectionLostPhrase(cause));
}

}  // namespace tarvex

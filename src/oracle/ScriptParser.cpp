#include "oracle/ScriptParser.h"

#include "common/TextUtil.h"

namespace tarvex {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool isWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '#';
}

// The word starting at pos (after blanks), upper-cased; pos moves behind it.
std::string_view nextWord(std::string_view s, size_t* pos) {
  size_t p = *pos;
  while (p < s.size() && isBlank(s[p])) ++p;
  size_t b = p;
  while (p < s.size() && isWordChar(s[p])) ++p;
  *pos = p;
  return s.substr(b, p - b);
}

// Whether the line starting at p holds only blanks and one "/"; *end is set to its end (at the
// '\n' or the end of the text).
bool isSlashLine(std::string_view s, size_t p, size_t* end) {
  bool slash = false;
  for (; p < s.size() && s[p] != '\n'; ++p) {
    if (s[p] == '/' && !slash) {
      slash = true;
    } else if (s[p] != ' ' && s[p] != '\t' && s[p] != '\r') {
      return false;
    }
  }
  *end = p;
  return slash;
}

}  // namespace

ScriptStatement::Kind classifyStatement(std::string_view text) {
  using K = ScriptStatement::Kind;
  size_t p = 0;
  std::string_view w = nextWord(text, &p);
  if (equalsIgnoreCase(w, "INSERT")) return K::kInsert;
  if (equalsIgnoreCase(w, "COMMIT")) return K::kCommit;
  if (equalsIgnoreCase(w, "ROLLBACK")) return K::kRollback;
  if (equalsIgnoreCase(w, "SET")) return K::kSetDefineOff;
  if (equalsIgnoreCase(w, "CREATE")) {
    if (equalsIgnoreCase(nextWord(text, &p), "TABLE")) return K::kCreateTable;
    return K::kOther;
  }
  if (equalsIgnoreCase(w, "TRUNCATE")) {
    if (equalsIgnoreCase(nextWord(text, &p), "TABLE")) return K::kTruncate;
    return K::kOther;
  }
  return K::kOther;
}

bool ScriptParser::next(ScriptStatement* out) {
  const std::string_view s = text_;
  size_t p = pos_;
  // Skip blanks, comments and lone "/" lines up to the statement's first character.
  bool line_start = p == 0 || s[p - 1] == '\n';
  for (;;) {
    if (p >= s.size()) {
      pos_ = p;
      return false;
    }
    char c = s[p];
    if (c == '\n') {
      ++line_;
      ++p;
      line_start = true;
    } else if (isBlank(c)) {
      ++p;
    } else if (c == '-' && p + 1 < s.size() && s[p + 1] == '-') {
      while (p < s.size() && s[p] != '\n') ++p;
    } else if (c == '/' && p + 1 < s.size() && s[p + 1] == '*') {
      size_t e = s.find("*/", p + 2);
      e = e == std::string_view::npos ? s.size() : e + 2;
      for (size_t i = p; i < e; ++i) line_ += s[i] == '\n';
      p = e;
    } else if (c == '/' && line_start) {
      size_t e = 0;
      if (!isSlashLine(s, p, &e)) break;
      p = e;
    } else {
      break;
    }
  }

  out->line = line_;
  out->text.clear();
  const size_t start = p;

  // A master script's @"path" line, or a client SET command: one line each.
  size_t wp = p;
  const bool include = s[p] == '@';
  if (include || equalsIgnoreCase(nextWord(s, &wp), "SET")) {
    size_t e = s.find('\n', p);
    if (e == std::string_view::npos) e = s.size();
    std::string_view body = trimView(s.substr(p, e - p));
    pos_ = e;
    if (include) {
      body.remove_prefix(body.size() > 1 && body[1] == '@' ? 2 : 1);
      body = trimView(body);
      if (!body.empty() && body.back() == ';') body = trimView(body.substr(0, body.size() - 1));
      if (body.size() >= 2 && body.front() == '"' && body.back() == '"') {
        body = body.substr(1, body.size() - 2);
      }
      out->kind = ScriptStatement::Kind::kInclude;
    } else {
      if (!body.empty() && body.back() == ';') body = trimView(body.substr(0, body.size() - 1));
      out->kind = ScriptStatement::Kind::kSetDefineOff;
    }
    out->text.assign(body);
    return true;
  }

  size_t end = s.size();  // end of the statement's text
  size_t resume = s.size();
  while (p < s.size()) {
    const char c = s[p];
    if (c == ';') {
      end = p;
      resume = p + 1;
      break;
    }
    if (c == '\'' || c == '"') {
      // A quoted text; '' inside single quotes is a quote, not the end.
      size_t q = p + 1;
      for (;;) {
        size_t e = s.find(c, q);
        if (e == std::string_view::npos) {
          for (size_t i = q; i < s.size(); ++i) line_ += s[i] == '\n';
          q = s.size();
          break;
        }
        for (size_t i = q; i < e; ++i) line_ += s[i] == '\n';
        if (c == '\'' && e + 1 < s.size() && s[e + 1] == '\'') {
          q = e + 2;
          continue;
        }
        q = e + 1;
        break;
      }
      p = q;
      continue;
    }
    if (c == '-' && p + 1 < s.size() && s[p + 1] == '-') {
      while (p < s.size() && s[p] != '\n') ++p;
      continue;
    }
    if (c == '/' && p + 1 < s.size() && s[p + 1] == '*') {
      size_t e = s.find("*/", p + 2);
      e = e == std::string_view::npos ? s.size() : e + 2;
      for (size_t i = p; i < e; ++i) line_ += s[i] == '\n';
      p = e;
      continue;
    }
    if (c == '\n') {
      ++line_;
      size_t e = 0;
      if (isSlashLine(s, p + 1, &e)) {
        end = p;
        resume = e;
        break;
      }
    }
    ++p;
  }
  pos_ = resume;
  out->text.assign(trimView(s.substr(start, end - start)));
  out->kind = classifyStatement(out->text);
  return true;
}

}  // namespace tarvex

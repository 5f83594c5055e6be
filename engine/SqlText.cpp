#include "SqlText.h"

namespace orvex {

namespace {

bool IsIdChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c >= 0x80;
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsHex(unsigned char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The end of a quoted run that starts at i with quote q and doubles it to
// escape it; npos when it never ends.
std::size_t QuoteEnd(std::string_view s, std::size_t i, char q) {
  for (std::size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] != q) continue;
    if (j + 1 < s.size() && s[j + 1] == q && q != ']') {
      ++j;
      continue;
    }
    return j + 1;
  }
  return std::string_view::npos;
}

std::size_t NumberEnd(std::string_view s, std::size_t i) {
  std::size_t j = i;
  if (s[j] == '0' && j + 2 < s.size() && (s[j + 1] == 'x' || s[j + 1] == 'X') &&
      IsHex(static_cast<unsigned char>(s[j + 2]))) {
    j += 2;
    while (j < s.size() && IsHex(static_cast<unsigned char>(s[j]))) ++j;
    return j;
  }
  while (j < s.size() && (IsDigit(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && (IsDigit(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
  }
  if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    std::size_t k = j + 1;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    if (k < s.size() && IsDigit(static_cast<unsigned char>(s[k]))) {
      while (k < s.size() && IsDigit(static_cast<unsigned char>(s[k]))) ++k;
      j = k;
    }
  }
  // SQLite refuses a number that runs straight into a name ("12abc")
  while (j < s.size() && IsIdChar(static_cast<unsigned char>(s[j]))) ++j;
  return j;
}

}  // namespace

std::vector<SqlToken> Tokenize(std::string_view s) {
  std::vector<SqlToken> out;
  std::size_t i = 0;
  auto add = [&](SqlToken::Kind k, std::size_t end) {
    out.push_back({k, i, end});
    i = end;
  };
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = s.size();
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
      std::size_t j = i + 1;
      while (j < n && (s[j] == ' ' || s[j] == '\t' || s[j] == '\n' || s[j] == '\r' || s[j] == '\f' || s[j] == '\v'))
        ++j;
      add(SqlToken::Space, j);
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      std::size_t j = s.find('\n', i);
      add(SqlToken::Space, j == std::string_view::npos ? n : j);
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      std::size_t j = s.find("*/", i + 2);
      add(SqlToken::Space, j == std::string_view::npos ? n : j + 2);
    } else if (c == '\'') {
      std::size_t j = QuoteEnd(s, i, '\'');
      add(j == std::string_view::npos ? SqlToken::Illegal : SqlToken::String, j == std::string_view::npos ? n : j);
    } else if (c == '"' || c == '`' || c == '[') {
      std::size_t j = QuoteEnd(s, i, c == '[' ? ']' : static_cast<char>(c));
      add(j == std::string_view::npos ? SqlToken::Illegal : SqlToken::Quoted, j == std::string_view::npos ? n : j);
    } else if ((c == 'x' || c == 'X') && i + 1 < n && s[i + 1] == '\'') {
      std::size_t j = QuoteEnd(s, i + 1, '\'');
      add(j == std::string_view::npos ? SqlToken::Illegal : SqlToken::Blob, j == std::string_view::npos ? n : j);
    } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(static_cast<unsigned char>(s[i + 1])))) {
      add(SqlToken::Number, NumberEnd(s, i));
    } else if (c == '?') {
      std::size_t j = i + 1;
      while (j < n && IsDigit(static_cast<unsigned char>(s[j]))) ++j;
      add(SqlToken::Param, j);
    } else if (c == ':' || c == '@' || c == '$' || c == '#') {
      std::size_t j = i + 1;
      while (j < n && IsIdChar(static_cast<unsigned char>(s[j]))) ++j;
      add(j == i + 1 ? SqlToken::Illegal : SqlToken::Param, j);
    } else if (IsIdChar(c)) {
      std::size_t j = i + 1;
      while (j < n && IsIdChar(static_cast<unsigned char>(s[j]))) ++j;
      add(SqlToken::Word, j);
    } else if (c == ';') {
      add(SqlToken::Semicolon, i + 1);
    } else {
      static const char* const two[] = {"||", "<<", ">>", "<=", ">=", "==", "!=", "<>", "->"};
      std::size_t len = 0;
      if (s.substr(i, 3) == "->>") len = 3;
      for (const char* t : two)
        if (len == 0 && s.substr(i, 2) == t) len = 2;
      if (len == 0 && std::string_view("()+-*/%,.=<>&|~").find(static_cast<char>(c)) != std::string_view::npos)
        len = 1;
      if (len == 0) {
        add(SqlToken::Illegal, i + 1);
      } else {
        add(SqlToken::Punct, i + len);
      }
    }
  }
  return out;
}

SqlTokens::SqlTokens(std::string sql) : sql_(std::move(sql)), tokens_(Tokenize(sql_)) {
  depth_.reserve(tokens_.size());
  int d = 0;
  for (std::size_t i = 0; i < tokens_.size(); ++i) {
    if (IsPunct(i, ")") && d > 0) --d;
    depth_.push_back(d);
    if (IsPunct(i, "(")) ++d;
  }
}

std::string_view SqlTokens::Text(std::size_t i) const {
  const SqlToken& t = tokens_[i];
  return std::string_view(sql_).substr(t.begin, t.end - t.begin);
}

std::string SqlTokens::Name(std::size_t i) const {
  std::string_view t = Text(i);
  if (tokens_[i].kind != SqlToken::Quoted) return std::string(t);
  char q = t[0] == '[' ? ']' : t[0];
  std::string out;
  for (std::size_t k = 1; k + 1 < t.size(); ++k) {
    out += t[k];
    if (t[k] == q && q != ']' && k + 2 < t.size() && t[k + 1] == q) ++k;
  }
  return out;
}

bool SqlTokens::IsName(std::size_t i) const {
  return i < tokens_.size() && (tokens_[i].kind == SqlToken::Word || tokens_[i].kind == SqlToken::Quoted);
}

bool SqlTokens::Is(std::size_t i, std::string_view keyword) const {
  if (i >= tokens_.size() || tokens_[i].kind != SqlToken::Word) return false;
  std::string_view t = Text(i);
  if (t.size() != keyword.size()) return false;
  for (std::size_t k = 0; k < t.size(); ++k)
    if (Lower(t[k]) != Lower(keyword[k])) return false;
  return true;
}

bool SqlTokens::IsPunct(std::size_t i, std::string_view p) const {
  return i < tokens_.size() && tokens_[i].kind == SqlToken::Punct && Text(i) == p;
}

std::size_t SqlTokens::Next(std::size_t i) const {
  std::size_t j = i + 1;
  while (j < tokens_.size() && tokens_[j].kind == SqlToken::Space) ++j;
  return j < tokens_.size() ? j : tokens_.size();
}

std::size_t SqlTokens::Prev(std::size_t i) const {
  while (i > 0) {
    --i;
    if (tokens_[i].kind != SqlToken::Space) return i;
  }
  return std::string::npos;
}

void SqlRewrite::Replace(std::size_t first, std::size_t last, std::string text) {
  replaced_[first].set = true;
  replaced_[first].last = last;
  replaced_[first].text = std::move(text);
}

void SqlRewrite::InsertBefore(std::size_t i, std::string text) { before_[i] += text; }

std::string SqlRewrite::Result() const {
  std::string out;
  out.reserve(t_.Sql().size() + 64);
  for (std::size_t i = 0; i < t_.Size();) {
    out += before_[i];
    if (replaced_[i].set) {
      out += replaced_[i].text;
      i = replaced_[i].last + 1;
    } else {
      out += t_.Text(i);
      ++i;
    }
  }
  out += before_[t_.Size()];
  return out;
}

}  // namespace orvex

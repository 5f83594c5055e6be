// The statement text as SQLite reads it: tokens with their places, so that
// the engine can find the names it maps and the clauses it rewrites without
// changing anything else of what the user typed.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

struct SqlToken {
  enum Kind {
    Space,     // blanks and comments
    Word,      // a bare identifier or keyword
    Quoted,    // "name", `name` or [name]
    String,    // 'text'
    Blob,      // x'hex'
    Number,
    Param,     // :name, @name, $name, ?, ?NNN
    Punct,     // operators, parentheses, commas, dots
    Semicolon,
    Illegal,   // what SQLite would refuse: an unterminated quote, a stray byte
  };
  Kind kind;
  std::size_t begin, end;
};

std::vector<SqlToken> Tokenize(std::string_view sql);

class SqlTokens {
public:
  explicit SqlTokens(std::string sql);

  const std::string& Sql() const { return sql_; }
  std::size_t Size() const { return tokens_.size(); }
  const SqlToken& At(std::size_t i) const { return tokens_[i]; }
  std::string_view Text(std::size_t i) const;
  // An identifier's name: quotes taken off and doubled quotes made single.
  std::string Name(std::size_t i) const;
  bool IsName(std::size_t i) const;
  // A bare word equal, without regard to ASCII case, to the keyword.
  bool Is(std::size_t i, std::string_view keyword) const;
  bool IsPunct(std::size_t i, std::string_view p) const;
  // The next or previous token that is not space; Size() or npos when none.
  std::size_t Next(std::size_t i) const;
  std::size_t Prev(std::size_t i) const;
  // Parenthesis depth at the start of each token.
  int Depth(std::size_t i) const { return depth_[i]; }

private:
  std::string sql_;
  std::vector<SqlToken> tokens_;
  std::vector<int> depth_;
};

// Builds a new text from the tokens, with some of them replaced.
class SqlRewrite {
public:
  explicit SqlRewrite(const SqlTokens& tokens) : t_(tokens), replaced_(tokens.Size()), before_(tokens.Size() + 1) {}
  // Replaces tokens [first, last] by text.
  void Replace(std::size_t first, std::size_t last, std::string text);
  // Puts text before token i (i == Size(): at the end).
  void InsertBefore(std::size_t i, std::string text);
  std::string Result() const;

private:
  const SqlTokens& t_;
  struct Cut {
    bool set = false;
    std::size_t last = 0;
    std::string text;
  };
  std::vector<Cut> replaced_;
  std::vector<std::string> before_;
};

}  // namespace orvex

// Filter descriptors written byte by byte for the tests: a tree of nodes,
// written as the library's compiler lays it out (post-order, slots filled
// from the last towards the first, the literal pool in writing order).
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "OrvexApi.h"

namespace enginetest {

struct FNode;
using FTree = std::shared_ptr<FNode>;

struct FNode {
  std::uint32_t nodeClass = ORVEX_FNODE_CONST;
  std::uint32_t op = ORVEX_FOP_CONST;
  std::uint16_t type = 0;
  std::string pool;  // the name with its NUL, or the constant's bytes
  FTree left, right;
};

inline FTree FField(const std::string& name) {
  auto n = std::make_shared<FNode>();
  n->nodeClass = ORVEX_FNODE_FIELD;
  n->op = ORVEX_FOP_FIELD;
  n->pool = name + '\0';
  return n;
}

template <typename T>
FTree FConst(std::uint16_t type, T value) {
  auto n = std::make_shared<FNode>();
  n->type = type;
  n->pool.assign(reinterpret_cast<const char*>(&value), sizeof value);
  return n;
}

inline FTree FStr(const std::string& text) {
  auto n = std::make_shared<FNode>();
  n->type = ORVEX_FCONST_STRING;
  n->pool = text + '\0';
  return n;
}
inline FTree FI32(std::int32_t v) { return FConst(ORVEX_FCONST_INT32, v); }
inline FTree FI16(std::int16_t v) { return FConst(ORVEX_FCONST_INT16, v); }
inline FTree FF64(double v) { return FConst(ORVEX_FCONST_FLOAT, v); }
inline FTree FBool(bool v) { return FConst(ORVEX_FCONST_BOOLEAN, static_cast<std::uint16_t>(v ? 0xFFFF : 0)); }
inline FTree FDate(std::int32_t day) { return FConst(ORVEX_FCONST_DATE, day); }
inline FTree FTime(std::int32_t ms) { return FConst(ORVEX_FCONST_TIME, ms); }
inline FTree FStamp(double ms) { return FConst(ORVEX_FCONST_TIMESTAMP, ms); }
inline FTree FBcd(const std::uint8_t (&bcd)[ORVEX_BCD_SIZE]) {
  auto n = std::make_shared<FNode>();
  n->type = ORVEX_FCONST_BCD;
  n->pool.assign(reinterpret_cast<const char*>(bcd), ORVEX_BCD_SIZE);
  return n;
}

inline FTree FBin(std::uint32_t op, FTree l, FTree r) {
  auto n = std::make_shared<FNode>();
  n->nodeClass = ORVEX_FNODE_BINARY;
  n->op = op;
  n->left = std::move(l);
  n->right = std::move(r);
  return n;
}
inline FTree FEq(FTree l, FTree r) { return FBin(ORVEX_FOP_EQ, std::move(l), std::move(r)); }
inline FTree FNe(FTree l, FTree r) { return FBin(ORVEX_FOP_NE, std::move(l), std::move(r)); }
inline FTree FGt(FTree l, FTree r) { return FBin(ORVEX_FOP_GT, std::move(l), std::move(r)); }
inline FTree FLt(FTree l, FTree r) { return FBin(ORVEX_FOP_LT, std::move(l), std::move(r)); }
inline FTree FGe(FTree l, FTree r) { return FBin(ORVEX_FOP_GE, std::move(l), std::move(r)); }
inline FTree FLe(FTree l, FTree r) { return FBin(ORVEX_FOP_LE, std::move(l), std::move(r)); }
inline FTree FAnd(FTree l, FTree r) { return FBin(ORVEX_FOP_AND, std::move(l), std::move(r)); }
inline FTree FOr(FTree l, FTree r) { return FBin(ORVEX_FOP_OR, std::move(l), std::move(r)); }
inline FTree FAdd(FTree l, FTree r) { return FBin(ORVEX_FOP_ADD, std::move(l), std::move(r)); }
inline FTree FSub(FTree l, FTree r) { return FBin(ORVEX_FOP_SUB, std::move(l), std::move(r)); }
inline FTree FMul(FTree l, FTree r) { return FBin(ORVEX_FOP_MUL, std::move(l), std::move(r)); }
inline FTree FDiv(FTree l, FTree r) { return FBin(ORVEX_FOP_DIV, std::move(l), std::move(r)); }

inline void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) { std::memcpy(&b[at], &v, 2); }
inline void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { std::memcpy(&b[at], &v, 4); }

inline std::vector<std::uint8_t> WriteFilter(const FTree& root) {
  std::function<std::size_t(const FTree&)> count = [&](const FTree& t) -> std::size_t {
    return t->nodeClass == ORVEX_FNODE_BINARY ? 1 + count(t->left) + count(t->right) : 1;
  };
  std::size_t n = count(root);
  std::vector<std::uint8_t> nodes(ORVEX_FILTER_NODE_SIZE * n);
  std::string pool;
  std::size_t next = n;
  std::uint16_t ordinal = 0;
  std::function<std::uint16_t(const FTree&)> write = [&](const FTree& t) -> std::uint16_t {
    std::uint16_t a = 0, b = 0, c = 0;
    if (t->nodeClass == ORVEX_FNODE_BINARY) {
      a = write(t->left);
      b = write(t->right);
    } else if (t->nodeClass == ORVEX_FNODE_FIELD) {
      a = ++ordinal;
      b = static_cast<std::uint16_t>(pool.size());
      pool += t->pool;
    } else {
      a = t->type;
      b = static_cast<std::uint16_t>(t->pool.size());
      c = static_cast<std::uint16_t>(pool.size());
      pool += t->pool;
    }
    std::size_t at = ORVEX_FILTER_NODE_SIZE * --next;
    PutU32(nodes, at, t->nodeClass);
    PutU32(nodes, at + 4, t->op);
    PutU16(nodes, at + 8, a);
    PutU16(nodes, at + 10, b);
    PutU16(nodes, at + 12, c);
    return static_cast<std::uint16_t>(at);
  };
  write(root);
  std::size_t literals = ORVEX_FILTER_HEADER_SIZE + nodes.size();
  std::vector<std::uint8_t> out(literals + pool.size());
  PutU16(out, 0, ORVEX_FILTER_VERSION);
  PutU16(out, 2, static_cast<std::uint16_t>(out.size()));
  PutU16(out, 4, static_cast<std::uint16_t>(n));
  PutU16(out, 6, ORVEX_FILTER_HEADER_SIZE);
  PutU16(out, 8, static_cast<std::uint16_t>(literals));
  std::copy(nodes.begin(), nodes.end(), out.begin() + ORVEX_FILTER_HEADER_SIZE);
  std::copy(pool.begin(), pool.end(), out.begin() + static_cast<std::ptrdiff_t>(literals));
  return out;
}

}  // namespace enginetest

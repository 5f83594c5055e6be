// Variant: a value of one of the framework's simple kinds, Null or
// Unassigned, converted between kinds as the framework converts them.
//
//   Variant v = 42;           VarType(v) == varInteger
//   v.AsString()              "42"
//   Variant(Null()).AsInteger()  raises EVariantError "Could not convert
//                             variant of type (Null) into type (Integer)"
//
// Conversions: numbers, dates and Booleans turn into one another (True is -1,
// any non-zero number is True, a date is its day number); texts are read by
// the rules of StrToFloat, StrToInt, StrToDateTime, and "True"/"False"; the
// other way they are written by IntToStr, FloatToStr, CurrToStr,
// DateTimeToStr and "True"/"False". Unassigned reads as 0, "" or False.
// Null and arrays convert to nothing and raise EVariantError.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Currency.h"
#include "DateTime.h"

namespace fw {

enum TVarType : std::uint16_t {
  varEmpty = 0x0000,
  varNull = 0x0001,
  varSmallint = 0x0002,
  varInteger = 0x0003,
  varSingle = 0x0004,
  varDouble = 0x0005,
  varCurrency = 0x0006,
  varDate = 0x0007,
  varOleStr = 0x0008,
  varError = 0x000A,
  varBoolean = 0x000B,
  varVariant = 0x000C,
  varShortInt = 0x0010,
  varByte = 0x0011,
  varWord = 0x0012,
  varLongWord = 0x0013,
  varInt64 = 0x0014,
  varString = 0x0100,
  varTypeMask = 0x0FFF,
  varArray = 0x2000,
};

class Variant {
public:
  Variant() = default;
  Variant(bool v) : type_(varBoolean), int_(v ? 1 : 0) {}
  Variant(char v) : type_(varString), str_(1, v) {}
  Variant(signed char v) : type_(varShortInt), int_(v) {}
  Variant(unsigned char v) : type_(varByte), int_(v) {}
  Variant(short v) : type_(varSmallint), int_(v) {}
  Variant(unsigned short v) : type_(varWord), int_(v) {}
  Variant(int v) : type_(varInteger), int_(v) {}
  Variant(unsigned v) : type_(varLongWord), int_(v) {}
  Variant(long v) : type_(varInt64), int_(v) {}
  Variant(long long v) : type_(varInt64), int_(v) {}
  Variant(unsigned long v) : type_(varInt64), int_(static_cast<std::int64_t>(v)) {}
  Variant(unsigned long long v) : type_(varInt64), int_(static_cast<std::int64_t>(v)) {}
  Variant(float v) : type_(varSingle), float_(v) {}
  Variant(double v) : type_(varDouble), float_(v) {}
  Variant(Currency v) : type_(varCurrency), int_(v.Scaled) {}
  Variant(TDateTime v) : type_(varDate), float_(v.Value) {}
  Variant(const char* v) : type_(varString), str_(v ? v : "") {}
  Variant(std::string v) : type_(varString), str_(std::move(v)) {}
  Variant(std::string_view v) : type_(varString), str_(v) {}
  // A pointer would otherwise become a Boolean.
  template <typename T>
  Variant(T*) = delete;
  Variant(std::nullptr_t) = delete;

  static Variant MakeNull();
  static Variant MakeArray(std::vector<Variant> items);

  TVarType VarType() const { return type_; }

  // Each raises EVariantError when the value does not convert.
  int AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  std::string AsString() const;

  // Elements of an array (VarArrayOf); EVariantError for anything else or an
  // index out of bounds.
  Variant& operator[](int index);
  const Variant& operator[](int index) const;
  int ArrayCount() const;

  // Comparison: Null equals only Null and lies below every other value,
  // Unassigned next; numbers of every kind compare by value, texts by their
  // characters (case counts), a text with a number as a number (raising
  // EVariantError when it is none). Arrays are equal element by element and
  // have no order.
  friend bool operator==(const Variant& a, const Variant& b);
  friend bool operator<(const Variant& a, const Variant& b);
  friend bool operator>(const Variant& a, const Variant& b) { return b < a; }
  friend bool operator<=(const Variant& a, const Variant& b) { return !(b < a); }
  friend bool operator>=(const Variant& a, const Variant& b) { return !(a < b); }

private:
  [[noreturn]] void CastError(TVarType to) const;
  double NumberOr(TVarType to) const;  // numbers, dates, Booleans, Unassigned and texts as a double

  TVarType type_ = varEmpty;
  std::int64_t int_ = 0;  // integers, Booleans (0/1), currency scaled by 10000
  double float_ = 0;      // single, double, date
  std::string str_;
  std::vector<Variant> items_;
};

inline Variant Null() { return Variant::MakeNull(); }
inline Variant Unassigned() { return Variant(); }

inline TVarType VarType(const Variant& v) { return v.VarType(); }
inline bool VarIsNull(const Variant& v) { return v.VarType() == varNull; }
inline bool VarIsEmpty(const Variant& v) { return v.VarType() == varEmpty; }
// A whole number, of any width.
bool VarTypeIsInteger(TVarType type);
// Null and Unassigned give "".
std::string VarToStr(const Variant& v);
// The value converted to the kind `type` (one of the simple kinds, varEmpty
// or varNull); EVariantError when it does not convert.
Variant VarAsType(const Variant& v, TVarType type);
// "Integer", "String", "Array Variant", ...: the names that the conversion
// errors show.
std::string VarTypeAsText(TVarType type);

Variant VarArrayOf(std::initializer_list<Variant> values);
bool VarIsArray(const Variant& v);
int VarArrayLowBound(const Variant& v, int dim = 1);   // 0
int VarArrayHighBound(const Variant& v, int dim = 1);  // the count less one

}  // namespace fw

#include "Variant.h"

#include <cmath>
#include <limits>

#include "Exceptions.h"
#include "Text.h"

namespace fw {

namespace {

bool IsFloatKind(TVarType t) { return t == varSingle || t == varDouble || t == varDate; }

bool IsArrayKind(TVarType t) { return (t & varArray) != 0; }

bool ReadBoolean(std::string_view s, bool& b) {
  std::string t = Trim(s);
  if (SameText(t, "True")) b = true;
  else if (SameText(t, "False")) b = false;
  else {
    double d;
    if (!TryStrToFloat(t, d)) return false;
    b = d != 0;
  }
  return true;
}

// A double rounded to an integer within [lo, hi], halves to even as the
// framework rounds.
bool RoundInto(double d, double lo, double hi, std::int64_t& out) {
  if (!std::isfinite(d)) return false;
  double r = std::nearbyint(d);
  if (r < lo || r > hi) return false;
  out = static_cast<std::int64_t>(r);
  return true;
}

}  // namespace

Variant Variant::MakeNull() {
  Variant v;
  v.type_ = varNull;
  return v;
}

Variant Variant::MakeArray(std::vector<Variant> items) {
  Variant v;
  v.type_ = static_cast<TVarType>(varArray | varVariant);
  v.items_ = std::move(items);
  return v;
}

std::string VarTypeAsText(TVarType type) {
  if (IsArrayKind(type)) return "Array " + VarTypeAsText(static_cast<TVarType>(type & varTypeMask));
  switch (type) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varError: return "Error";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varString: return "String";
    default: return "$" + IntToHex(static_cast<int>(type), 4);
  }
}

void Variant::CastError(TVarType to) const {
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(type_) + ") into type (" +
                      VarTypeAsText(to) + ")");
}

double Variant::NumberOr(TVarType to) const {
  if (VarTypeIsInteger(type_)) return static_cast<double>(int_);
  if (IsFloatKind(type_)) return float_;
  switch (type_) {
    case varEmpty: return 0;
    case varBoolean: return int_ ? -1 : 0;
    case varCurrency: return Currency::FromScaled(int_).ToDouble();
    case varString: {
      double d;
      if (TryStrToFloat(Trim(str_), d)) return d;
      break;
    }
    default: break;
  }
  CastError(to);
}

std::int64_t Variant::AsInt64() const {
  if (VarTypeIsInteger(type_)) return int_;
  if (type_ == varString) {
    std::int64_t i;
    if (TryStrToInt64(Trim(str_), i)) return i;
  }
  if (type_ == varCurrency) {  // exact: no detour through a double
    std::int64_t q = int_ / Currency::Scale, r = int_ % Currency::Scale;
    if (r * 2 > Currency::Scale || (r * 2 == Currency::Scale && (q & 1))) ++q;
    if (r * 2 < -Currency::Scale || (r * 2 == -Currency::Scale && (q & 1))) --q;
    return q;
  }
  std::int64_t out;
  if (!RoundInto(NumberOr(varInt64), -9223372036854775808.0, 9223372036854774784.0, out)) CastError(varInt64);
  return out;
}

int Variant::AsInteger() const {
  std::int64_t v;
  if (VarTypeIsInteger(type_)) {
    v = int_;
  } else if (type_ == varString || type_ == varCurrency) {
    try {
      v = AsInt64();
    } catch (const EVariantError&) {
      CastError(varInteger);
    }
  } else if (!RoundInto(NumberOr(varInteger), INT32_MIN, INT32_MAX, v)) {
    CastError(varInteger);
  }
  if (v < INT32_MIN || v > INT32_MAX) CastError(varInteger);
  return static_cast<int>(v);
}

double Variant::AsDouble() const { return NumberOr(varDouble); }

Currency Variant::AsCurrency() const {
  if (type_ == varCurrency) return Currency::FromScaled(int_);
  if (VarTypeIsInteger(type_)) {
    if (int_ > std::numeric_limits<std::int64_t>::max() / Currency::Scale ||
        int_ < std::numeric_limits<std::int64_t>::min() / Currency::Scale)
      CastError(varCurrency);
    return Currency::FromScaled(int_ * Currency::Scale);
  }
  if (type_ == varString) {
    Currency c;
    if (TryStrToCurr(Trim(str_), c)) return c;
    CastError(varCurrency);
  }
  double d = NumberOr(varCurrency);
  try {
    return Currency::FromDouble(d);
  } catch (const EConvertError&) {
    CastError(varCurrency);
  }
}

bool Variant::AsBoolean() const {
  if (type_ == varString) {
    bool b;
    if (!ReadBoolean(str_, b)) CastError(varBoolean);
    return b;
  }
  if (type_ == varBoolean || VarTypeIsInteger(type_) || type_ == varCurrency) return int_ != 0;
  return NumberOr(varBoolean) != 0;
}

TDateTime Variant::AsDateTime() const {
  if (type_ == varString) {
    TDateTime d;
    if (TryStrToDateTime(Trim(str_), d)) return d;
    CastError(varDate);
  }
  return NumberOr(varDate);
}

std::string Variant::AsString() const {
  if (VarTypeIsInteger(type_)) return IntToStr(int_);
  switch (type_) {
    case varEmpty: return {};
    case varString: return str_;
    case varBoolean: return int_ ? "True" : "False";
    case varSingle: return FloatToStrF(float_, ffGeneral, 7, 0);  // the digits a single holds
    case varDouble: return FloatToStr(float_);
    case varCurrency: return CurrToStr(Currency::FromScaled(int_));
    case varDate: return DateTimeToStr(float_);
    default: CastError(varString);
  }
}

Variant& Variant::operator[](int index) {
  if (!IsArrayKind(type_) || index < 0 || index >= static_cast<int>(items_.size()))
    throw EVariantError("Variant or safe array index out of bounds");
  return items_[static_cast<std::size_t>(index)];
}

const Variant& Variant::operator[](int index) const { return const_cast<Variant&>(*this)[index]; }

int Variant::ArrayCount() const {
  if (!IsArrayKind(type_)) throw EVariantError("Variant is not an array");
  return static_cast<int>(items_.size());
}

bool VarTypeIsInteger(TVarType type) {
  switch (type) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return true;
    default: return false;
  }
}

std::string VarToStr(const Variant& v) { return VarIsNull(v) ? std::string() : v.AsString(); }

Variant VarAsType(const Variant& v, TVarType type) {
  auto ranged = [&](std::int64_t lo, std::int64_t hi) {
    std::int64_t i = v.AsInt64();
    if (i < lo || i > hi)
      throw EVariantError("Could not convert variant of type (" + VarTypeAsText(v.VarType()) + ") into type (" +
                          VarTypeAsText(type) + ")");
    return i;
  };
  if (type != varNull && type != varEmpty && type != varVariant && (VarIsNull(v) || VarIsArray(v)))
    throw EVariantError("Could not convert variant of type (" + VarTypeAsText(v.VarType()) + ") into type (" +
                        VarTypeAsText(type) + ")");
  switch (type) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varVariant: return v;
    case varSmallint: return static_cast<short>(ranged(INT16_MIN, INT16_MAX));
    case varInteger: return v.AsInteger();
    case varShortInt: return static_cast<signed char>(ranged(INT8_MIN, INT8_MAX));
    case varByte: return static_cast<unsigned char>(ranged(0, UINT8_MAX));
    case varWord: return static_cast<unsigned short>(ranged(0, UINT16_MAX));
    case varLongWord: return static_cast<unsigned>(ranged(0, UINT32_MAX));
    case varInt64: return static_cast<long long>(v.AsInt64());
    case varSingle: return static_cast<float>(v.AsDouble());
    case varDouble: return v.AsDouble();
    case varCurrency: return v.AsCurrency();
    case varDate: return v.AsDateTime();
    case varBoolean: return v.AsBoolean();
    case varOleStr:
    case varString: return v.AsString();
    default: throw EVariantError("Invalid variant type conversion");
  }
}

Variant VarArrayOf(std::initializer_list<Variant> values) { return Variant::MakeArray(std::vector<Variant>(values)); }

bool VarIsArray(const Variant& v) { return IsArrayKind(v.VarType()); }

int VarArrayLowBound(const Variant& v, int dim) {
  if (!VarIsArray(v) || dim != 1) throw EVariantError("Variant or safe array index out of bounds");
  return 0;
}

int VarArrayHighBound(const Variant& v, int dim) {
  if (!VarIsArray(v) || dim != 1) throw EVariantError("Variant or safe array index out of bounds");
  return v.ArrayCount() - 1;
}

// ---------------------------------------------------------------- comparison

namespace {

// <0, 0, >0; Null and Unassigned first, in that order.
int Compare(const Variant& a, const Variant& b) {
  TVarType ta = a.VarType(), tb = b.VarType();
  for (TVarType special : {varNull, varEmpty}) {
    if (ta == special || tb == special) {
      if (ta == tb) return 0;
      return ta == special ? -1 : 1;
    }
  }
  if (IsArrayKind(ta) || IsArrayKind(tb)) throw EVariantError("Invalid variant operation");
  if (ta == varString && tb == varString) return CompareStr(a.AsString(), b.AsString());
  auto sign = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  if (ta == varBoolean && tb == varBoolean) return sign(a.AsBoolean(), b.AsBoolean());
  // A text against another kind is read as that kind.
  if (ta == varString || tb == varString) {
    TVarType other = ta == varString ? tb : ta;
    if (other == varBoolean) return sign(a.AsBoolean(), b.AsBoolean());
    if (other == varDate) return sign(a.AsDateTime().Value, b.AsDateTime().Value);
    return sign(a.AsDouble(), b.AsDouble());
  }
  if (VarTypeIsInteger(ta) && VarTypeIsInteger(tb)) return sign(a.AsInt64(), b.AsInt64());
  if (ta == varCurrency && tb == varCurrency) return sign(a.AsCurrency(), b.AsCurrency());
  return sign(a.AsDouble(), b.AsDouble());
}

}  // namespace

bool operator==(const Variant& a, const Variant& b) {
  if (VarIsArray(a) || VarIsArray(b)) {
    if (!VarIsArray(a) || !VarIsArray(b) || a.ArrayCount() != b.ArrayCount()) return false;
    for (int i = 0; i < a.ArrayCount(); ++i)
      if (!(a[i] == b[i])) return false;
    return true;
  }
  return Compare(a, b) == 0;
}

bool operator<(const Variant& a, const Variant& b) { return Compare(a, b) < 0; }

}  // namespace fw

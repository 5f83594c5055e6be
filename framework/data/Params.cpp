#include "Params.h"

#include <cstring>

#include "Fields.h"
#include "Text.h"

namespace fw {

FW_IMPLEMENT_CLASS(TParam)
FW_IMPLEMENT_CLASS(TParams)

TParam::TParam(TParams* owner, const std::string& name, TParamType paramType)
    : owner_(owner), name_(name), paramType_(paramType) {}

void TParam::SetDataType(TFieldType Value) {
  dataType_ = Value;
  if (!IsNull()) {
    // Keep the value in the new type where it converts.
    try {
      SetValue(value_);
    } catch (const Exception&) {
      value_ = Null();
    }
  }
}

void TParam::SetValue(const Variant& Value) {
  bound_ = true;
  if (VarIsNull(Value) || VarIsEmpty(Value)) {
    value_ = Null();
    return;
  }
  switch (dataType_) {
    case ftString: case ftMemo: case ftFmtMemo: value_ = Variant(Value.AsString()); break;
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: value_ = Variant(Value.AsInteger()); break;
    case ftBoolean: value_ = Variant(Value.AsBoolean()); break;
    case ftFloat: case ftCurrency: case ftBCD: value_ = Variant(Value.AsDouble()); break;
    case ftDate: case ftTime: case ftDateTime: value_ = Variant(Value.AsDateTime()); break;
    default: value_ = Value; break;
  }
}

void TParam::Clear() { value_ = Null(); }

void TParam::SetAsString(const std::string& Value) {
  if (dataType_ == ftUnknown) dataType_ = ftString;
  SetValue(Variant(Value));
}
void TParam::SetAsInteger(int Value) {
  if (dataType_ == ftUnknown) dataType_ = ftInteger;
  SetValue(Variant(Value));
}
void TParam::SetAsFloat(double Value) {
  if (dataType_ == ftUnknown) dataType_ = ftFloat;
  SetValue(Variant(Value));
}
void TParam::SetAsBoolean(bool Value) {
  if (dataType_ == ftUnknown) dataType_ = ftBoolean;
  SetValue(Variant(Value));
}
void TParam::SetAsDateTime(TDateTime Value) {
  if (dataType_ == ftUnknown) dataType_ = ftDateTime;
  SetValue(Variant(Value));
}

int TParam::GetDataSize() const {
  switch (dataType_) {
    case ftString: case ftMemo: case ftFmtMemo: return static_cast<int>(AsString().size()) + 1;
    case ftSmallint: case ftWord: case ftBoolean: return 2;
    case ftInteger: case ftAutoInc: case ftDate: case ftTime: return 4;
    case ftFloat: case ftCurrency: case ftBCD: case ftDateTime: return 8;
    default: return 0;
  }
}

void TParam::SetData(const void* Buffer) {
  const auto* p = static_cast<const std::uint8_t*>(Buffer);
  auto get = [p](auto v) {
    std::memcpy(&v, p, sizeof v);
    return v;
  };
  switch (dataType_) {
    case ftString: case ftMemo: case ftFmtMemo:
      SetValue(Variant(std::string(reinterpret_cast<const char*>(p))));
      break;
    case ftSmallint: SetValue(Variant(static_cast<int>(get(std::int16_t{})))); break;
    case ftWord: SetValue(Variant(static_cast<int>(get(std::uint16_t{})))); break;
    case ftInteger: case ftAutoInc: SetValue(Variant(static_cast<int>(get(std::int32_t{})))); break;
    case ftBoolean: SetValue(Variant(get(std::uint16_t{}) != 0)); break;
    case ftFloat: case ftCurrency: case ftBCD: SetValue(Variant(get(double{}))); break;
    case ftDate: SetValue(Variant(TimeStampToDateTime(TTimeStamp{0, get(std::int32_t{})}))); break;
    case ftTime: SetValue(Variant(TimeStampToDateTime(TTimeStamp{get(std::int32_t{}), DateDelta}))); break;
    case ftDateTime: SetValue(Variant(TimeStampToDateTime(MSecsToTimeStamp(get(double{}))))); break;
    default: break;
  }
}

void TParam::GetData(void* Buffer) const {
  auto* p = static_cast<std::uint8_t*>(Buffer);
  auto put = [p](auto v) { std::memcpy(p, &v, sizeof v); };
  switch (dataType_) {
    case ftString: case ftMemo: case ftFmtMemo: {
      std::string s = AsString();
      std::memcpy(p, s.c_str(), s.size() + 1);
      break;
    }
    case ftSmallint: put(static_cast<std::int16_t>(AsInteger())); break;
    case ftWord: put(static_cast<std::uint16_t>(AsInteger())); break;
    case ftInteger: case ftAutoInc: put(static_cast<std::int32_t>(AsInteger())); break;
    case ftBoolean: put(static_cast<std::uint16_t>(AsBoolean() ? 1 : 0)); break;
    case ftFloat: case ftCurrency: case ftBCD: put(AsFloat()); break;
    case ftDate: put(static_cast<std::int32_t>(DateTimeToTimeStamp(AsDateTime()).Date)); break;
    case ftTime: put(static_cast<std::int32_t>(DateTimeToTimeStamp(AsDateTime()).Time)); break;
    case ftDateTime: put(TimeStampToMSecs(DateTimeToTimeStamp(AsDateTime()))); break;
    default: break;
  }
}

void TParam::Assign(const TPersistent* Source) {
  if (auto* p = dynamic_cast<const TParam*>(Source)) {
    name_ = p->name_;
    dataType_ = p->dataType_;
    paramType_ = p->paramType_;
    value_ = p->value_;
    bound_ = p->bound_;
    return;
  }
  TPersistent::Assign(Source);
}

void TParam::AssignField(TField* Field) {
  dataType_ = Field->DataType() == ftAutoInc ? ftInteger : Field->DataType();
  name_ = Field->FieldName();
  SetValue(Field->Value());
}

TParam* TParams::Items(int Index) const {
  if (Index < 0 || Index >= Count()) DatabaseError("Parameter index out of range");
  return items_[static_cast<std::size_t>(Index)].get();
}

TParam* TParams::CreateParam(TFieldType DataType, const std::string& Name, TParamType ParamType) {
  items_.push_back(std::make_unique<TParam>(this, Name, ParamType));
  items_.back()->SetDataType(DataType);
  return items_.back().get();
}

TParam* TParams::FindParam(const std::string& Name) const {
  for (const auto& p : items_)
    if (AnsiSameText(p->Name(), Name)) return p.get();
  return nullptr;
}

TParam* TParams::ParamByName(const std::string& Name) const {
  TParam* p = FindParam(Name);
  if (!p) DatabaseError("Parameter '" + Name + "' not found");
  return p;
}

void TParams::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TParams*>(Source);
  if (!src) return TPersistent::Assign(Source);
  items_.clear();
  for (const auto& p : src->items_) {
    items_.push_back(std::make_unique<TParam>(this));
    items_.back()->Assign(p.get());
  }
}

Variant TParams::ParamValues(const std::string& Names) const {
  std::vector<Variant> values;
  std::size_t pos = 0;
  while (pos <= Names.size()) {
    std::size_t sep = Names.find(';', pos);
    if (sep == std::string::npos) sep = Names.size();
    std::string name = Trim(Names.substr(pos, sep - pos));
    if (!name.empty()) values.push_back(ParamByName(name)->Value());
    pos = sep + 1;
  }
  if (values.size() == 1) return values[0];
  return Variant::MakeArray(std::move(values));
}

}  // namespace fw

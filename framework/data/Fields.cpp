#include "Fields.h"

#include <cmath>
#include <cstring>

#include "Strings.h"
#include "Text.h"

namespace fw {

FW_PUBLISH(TField) {
  c.Property("Alignment", &TField::Alignment, &TField::SetAlignment).Default(taLeftJustify);
  c.Property("Calculated", &TField::Calculated, &TField::SetCalculated).Stored(false);
  c.Property("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
  c.Property("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth);
  c.Property("EditMask", &TField::EditMask, &TField::SetEditMask);
  c.Property("FieldKind", &TField::FieldKind, &TField::SetFieldKind).Default(fkData);
  c.Property("FieldName", &TField::FieldName, &TField::SetFieldName);
  c.Property("KeyFields", &TField::KeyFields, &TField::SetKeyFields);
  c.Property("Lookup", &TField::Lookup, &TField::SetLookup).Stored(false);
  c.Property("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet);
  c.Property("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields);
  c.Property("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField);
  c.Property("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).Default(0);
  c.Property("Required", &TField::Required, &TField::SetRequired).Default(0);
  c.Property("Visible", &TField::Visible, &TField::SetVisible).Default(1);
  c.Event("OnGetText", &TField::OnGetText);
  c.Event("OnSetText", &TField::OnSetText);
}

FW_PUBLISH(TStringField) {
  c.Property("Size", &TStringField::Size, &TStringField::SetSize).Default(20);
  c.Property("Transliterate", &TStringField::Transliterate, &TStringField::SetTransliterate).Default(1);
}
FW_IMPLEMENT_CLASS(TIntegerField)
FW_IMPLEMENT_CLASS(TSmallintField)
FW_IMPLEMENT_CLASS(TWordField)
FW_IMPLEMENT_CLASS(TAutoIncField)
FW_IMPLEMENT_CLASS(TBooleanField)
FW_PUBLISH(TFloatField) { c.Property("Currency", &TFloatField::Currency, &TFloatField::SetCurrency).Default(0); }
FW_IMPLEMENT_CLASS(TCurrencyField)
FW_PUBLISH(TBCDField) { c.Property("Size", &TBCDField::Size, &TBCDField::SetSize).Default(4); }
FW_IMPLEMENT_CLASS(TDateTimeField)
FW_IMPLEMENT_CLASS(TDateField)
FW_IMPLEMENT_CLASS(TTimeField)
FW_PUBLISH(TBytesField) { c.Property("Size", &TBytesField::Size, &TBytesField::SetSize).Default(16); }
FW_IMPLEMENT_CLASS(TVarBytesField)
FW_PUBLISH(TBlobField) {
  c.Property("BlobType", &TBlobField::BlobType, &TBlobField::SetBlobType).Default(ftBlob);
  c.Property("Size", &TBlobField::Size, &TBlobField::SetSize).Default(0);
}
FW_PUBLISH(TMemoField) {
  c.Property("Transliterate", &TMemoField::Transliterate, &TMemoField::SetTransliterate).Default(1);
}
FW_IMPLEMENT_CLASS(TGraphicField)

// ---------------------------------------------------------------- TField

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
  if (!dataSet_) return;
  // The record layout and the links count on every field: an open dataset
  // closes before one of its fields goes.
  if (dataSet_->Active() && !dataSet_->ComponentState().Contains(csDestroying)) dataSet_->Close();
  dataSet_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* Value) {
  if (Value == dataSet_) return;
  if (dataSet_) dataSet_->CheckInactive();
  if (Value) Value->CheckInactive();
  if (dataSet_) dataSet_->RemoveField(this);
  dataSet_ = Value;
  if (dataSet_) dataSet_->AddField(this);
}

TComponent* TField::GetParentComponent() const { return dataSet_; }

void TField::SetParentComponent(TComponent* Value) {
  if (auto* ds = dynamic_cast<TDataSet*>(Value)) SetDataSet(ds);
}

void TField::SetFieldName(const std::string& Value) {
  if (Value == fieldName_) return;
  if (dataSet_) dataSet_->CheckInactive();
  fieldName_ = Value;
  PropertyChanged(true);
}

int TField::Index() const {
  if (!dataSet_) return -1;
  for (int i = 0; i < dataSet_->FieldCount(); ++i)
    if (dataSet_->Fields(i) == this) return i;
  return -1;
}

void TField::SetIndex(int Value) {
  if (dataSet_) dataSet_->MoveField(this, Value);
}

void TField::SetSize(int Value) {
  if (dataSet_) dataSet_->CheckInactive();
  size_ = Value;
}

void TField::SetFieldKind(TFieldKind Value) {
  if (Value == fieldKind_) return;
  if (dataSet_) dataSet_->CheckInactive();
  fieldKind_ = Value;
}

void TField::SetLookupDataSet(TDataSet* Value) {
  if (dataSet_) dataSet_->CheckInactive();
  lookupDataSet_ = Value;
}

void TField::PropertyChanged(bool LayoutAffected) {
  if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const std::string& Value) {
  displayLabel_ = Value == fieldName_ ? std::string() : Value;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int Value) {
  displayWidth_ = Value;
  PropertyChanged(true);
}

void TField::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  PropertyChanged(true);
}

void TField::SetReadOnly(bool Value) {
  if (readOnly_ == Value) return;
  readOnly_ = Value;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  PropertyChanged(false);
}

void TField::SetEditMask(const std::string& Value) {
  editMask_ = Value;
  PropertyChanged(false);
}

bool TField::GetData(void* Buffer) const {
  if (!dataSet_) DatabaseError("Field '" + DisplayName() + "' has no dataset");
  return dataSet_->GetFieldData(const_cast<TField*>(this), Buffer);
}

void TField::SetData(const void* Buffer) {
  if (!dataSet_) DatabaseError("Field '" + DisplayName() + "' has no dataset");
  dataSet_->SetFieldData(this, Buffer);
}

bool TField::IsNull() const { return !GetData(nullptr); }

bool TField::CanModify() const {
  if (!dataSet_ || fieldKind_ != fkData) return false;
  if (dataSet_->State() == dsSetKey) return true;
  return !readOnly_ && dataSet_->CanModify();
}

bool TField::IsValidChar(TChar) const { return true; }

void TField::FocusControl() {
  if (!dataSet_) return;
  TField* field = this;
  dataSet_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
}

std::string TField::Text() const {
  std::string s;
  if (OnGetText) OnGetText(const_cast<TField*>(this), s, false);
  else GetText(s, false);
  return s;
}

std::string TField::DisplayText() const {
  std::string s;
  if (OnGetText) OnGetText(const_cast<TField*>(this), s, true);
  else GetText(s, true);
  return s;
}

void TField::SetText(const std::string& Value) {
  if (OnSetText) OnSetText(this, Value);
  else SetAsString(Value);
}

void TField::GetText(std::string& Text, bool) const { Text = GetAsString(); }

void TField::AccessError(const char* TypeName) const {
  DatabaseError("Cannot access field '" + DisplayName() + "' as type " + TypeName);
}

std::string TField::GetAsString() const { AccessError("String"); }
void TField::SetAsStringValue(const std::string&) { AccessError("String"); }
std::int32_t TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerValue(std::int32_t) { AccessError("Integer"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError("DateTime"); }

Variant TField::GetAsVariant() const {
  if (IsNull()) return Null();
  return Variant(GetAsString());
}

void TField::SetVarValue(const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) Clear();
  else SetAsString(VarToStr(Value));
}

// ---------------------------------------------------------------- TStringField

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftString);
  SetSize(20);
}

bool TStringField::GetValue(std::string& Value) const {
  // Fields are read in every scan: one allocation a read, not two.
  std::size_t size = static_cast<std::size_t>(DataSize());
  char local[1024];
  std::string heap;
  char* buf = local;
  if (size > sizeof local) {
    heap.assign(size, '\0');
    buf = heap.data();
  }
  buf[0] = '\0';
  if (!GetData(buf)) return false;
  Value.assign(buf, strnlen(buf, size));
  return true;
}

std::string TStringField::GetAsString() const {
  std::string s;
  GetValue(s);
  return s;
}

void TStringField::SetAsStringValue(const std::string& Value) {
  // An empty text is a blank field. A longer one is cut to Size characters,
  // never inside a character.
  if (Value.empty()) {
    SetData(nullptr);
    return;
  }
  std::string buf = Value.substr(0, CharOffset(Value, static_cast<std::size_t>(Size())));
  buf.resize(static_cast<std::size_t>(DataSize()), '\0');
  SetData(buf.data());
}

std::int32_t TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
void TStringField::SetAsIntegerValue(std::int32_t Value) { SetAsString(IntToStr(Value)); }
double TStringField::GetAsFloat() const { return StrToFloat(GetAsString()); }
void TStringField::SetAsFloatValue(double Value) { SetAsString(FloatToStr(Value)); }

bool TStringField::GetAsBoolean() const {
  std::string s = GetAsString();
  return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

Variant TStringField::GetAsVariant() const {
  std::string s;
  if (!GetValue(s)) return Null();
  return Variant(std::move(s));
}

void TStringField::SetAsBooleanValue(bool Value) { SetAsString(Value ? "True" : "False"); }
TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }
void TStringField::SetAsDateTimeValue(TDateTime Value) { SetAsString(DateTimeToStr(Value)); }

// ---------------------------------------------------------------- integers

TIntegerField::TIntegerField(TComponent* AOwner) : TIntegerField(AOwner, INT32_MIN, INT32_MAX) {
  SetDataType(ftInteger);
}

TIntegerField::TIntegerField(TComponent* AOwner, std::int32_t minRange, std::int32_t maxRange)
    : TField(AOwner), minRange_(minRange), maxRange_(maxRange) {
  SetAlignment(taRightJustify);
}

std::int32_t TIntegerField::FromNative(const void* Buffer) const {
  std::int32_t v;
  std::memcpy(&v, Buffer, 4);
  return v;
}

void TIntegerField::ToNative(std::int32_t Value, void* Buffer) const { std::memcpy(Buffer, &Value, 4); }

bool TIntegerField::GetValue(std::int32_t& Value) const {
  std::uint8_t buf[8] = {};
  if (!GetData(buf)) return false;
  Value = FromNative(buf);
  return true;
}

void TIntegerField::CheckRange(std::int32_t Value) const {
  if (Value < minRange_ || Value > maxRange_)
    DatabaseError(IntToStr(Value) + " is not a valid value for field '" + DisplayName() +
                  "'. The allowed range is " + IntToStr(minRange_) + " to " + IntToStr(maxRange_));
}

std::string TIntegerField::GetAsString() const {
  std::int32_t v;
  return GetValue(v) ? IntToStr(v) : std::string();
}

void TIntegerField::SetAsStringValue(const std::string& Value) {
  if (Value.empty()) SetData(nullptr);
  else SetAsInteger(StrToInt(Value));
}

std::int32_t TIntegerField::GetAsInteger() const {
  std::int32_t v;
  return GetValue(v) ? v : 0;
}

void TIntegerField::SetAsIntegerValue(std::int32_t Value) {
  CheckRange(Value);
  std::uint8_t buf[8] = {};
  ToNative(Value, buf);
  SetData(buf);
}

double TIntegerField::GetAsFloat() const { return GetAsInteger(); }

void TIntegerField::SetAsFloatValue(double Value) {
  double r = std::nearbyint(Value);
  if (!(r >= minRange_ && r <= maxRange_))
    DatabaseError(FloatToStr(Value) + " is not a valid value for field '" + DisplayName() +
                  "'. The allowed range is " + IntToStr(minRange_) + " to " + IntToStr(maxRange_));
  SetAsInteger(static_cast<std::int32_t>(r));
}

void TIntegerField::GetText(std::string& Text, bool) const { Text = GetAsString(); }

Variant TIntegerField::GetAsVariant() const {
  std::int32_t v;
  if (!GetValue(v)) return Null();
  return Variant(static_cast<int>(v));
}

void TIntegerField::SetVarValue(const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) Clear();
  else SetAsInteger(Value.AsInteger());
}

bool TIntegerField::IsValidChar(TChar c) const { return c == '+' || c == '-' || (c >= '0' && c <= '9'); }

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner, INT16_MIN, INT16_MAX) {
  SetDataType(ftSmallint);
}

std::int32_t TSmallintField::FromNative(const void* Buffer) const {
  std::int16_t v;
  std::memcpy(&v, Buffer, 2);
  return v;
}

void TSmallintField::ToNative(std::int32_t Value, void* Buffer) const {
  auto v = static_cast<std::int16_t>(Value);
  std::memcpy(Buffer, &v, 2);
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner, 0, UINT16_MAX) { SetDataType(ftWord); }

std::int32_t TWordField::FromNative(const void* Buffer) const {
  std::uint16_t v;
  std::memcpy(&v, Buffer, 2);
  return v;
}

void TWordField::ToNative(std::int32_t Value, void* Buffer) const {
  auto v = static_cast<std::uint16_t>(Value);
  std::memcpy(Buffer, &v, 2);
}

TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) { SetDataType(ftAutoInc); }

// ---------------------------------------------------------------- TBooleanField

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftBoolean); }

bool TBooleanField::GetValue(bool& Value) const {
  std::uint16_t v = 0;
  if (!GetData(&v)) return false;
  Value = v != 0;
  return true;
}

std::string TBooleanField::GetAsString() const {
  bool v;
  if (!GetValue(v)) return std::string();
  return v ? "True" : "False";
}

void TBooleanField::SetAsStringValue(const std::string& Value) {
  if (Value.empty()) {
    SetData(nullptr);
    return;
  }
  if (AnsiSameText(Value, "True") || AnsiSameText(Value, "T") || AnsiSameText(Value, "Yes") ||
      AnsiSameText(Value, "Y"))
    SetAsBoolean(true);
  else if (AnsiSameText(Value, "False") || AnsiSameText(Value, "F") || AnsiSameText(Value, "No") ||
           AnsiSameText(Value, "N"))
    SetAsBoolean(false);
  else
    DatabaseError("'" + Value + "' is not a valid boolean value for field '" + DisplayName() + "'");
}

bool TBooleanField::GetAsBoolean() const {
  bool v = false;
  GetValue(v);
  return v;
}

Variant TBooleanField::GetAsVariant() const {
  bool v;
  if (!GetValue(v)) return Null();
  return Variant(v);
}

void TBooleanField::SetVarValue(const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) Clear();
  else SetAsBoolean(Value.AsBoolean());
}

void TBooleanField::SetAsBooleanValue(bool Value) {
  std::uint16_t v = Value ? 1 : 0;
  SetData(&v);
}

// ---------------------------------------------------------------- TFloatField

TFloatField::TFloatField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftFloat);
  SetAlignment(taRightJustify);
}

void TFloatField::SetCurrency(bool Value) {
  currency_ = Value;
  PropertyChanged(false);
}

bool TFloatField::GetValue(double& Value) const { return GetData(&Value); }

std::string TFloatField::GetAsString() const {
  double v;
  return GetValue(v) ? FloatToStr(v) : std::string();
}

void TFloatField::SetAsStringValue(const std::string& Value) {
  if (Value.empty()) SetData(nullptr);
  else SetAsFloat(StrToFloat(Value));
}

std::int32_t TFloatField::GetAsInteger() const {
  double r = std::nearbyint(GetAsFloat());
  if (!(r >= INT32_MIN && r <= INT32_MAX)) AccessError("Integer");
  return static_cast<std::int32_t>(r);
}

void TFloatField::SetAsIntegerValue(std::int32_t Value) { SetAsFloat(Value); }

double TFloatField::GetAsFloat() const {
  double v = 0;
  return GetValue(v) ? v : 0;
}

void TFloatField::SetAsFloatValue(double Value) { SetData(&Value); }

void TFloatField::GetText(std::string& Text, bool DisplayText) const {
  double v;
  if (!GetValue(v)) {
    Text.clear();
    return;
  }
  Text = DisplayText && currency_ ? FloatToStrF(v, ffCurrency, 15, CurrencyDecimals) : FloatToStr(v);
}

Variant TFloatField::GetAsVariant() const {
  double v;
  if (!GetValue(v)) return Null();
  if (currency_) return Variant(Currency::FromDouble(v));
  return Variant(v);
}

void TFloatField::SetVarValue(const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) Clear();
  else SetAsFloat(Value.AsDouble());
}

bool TFloatField::IsValidChar(TChar c) const {
  return c == '+' || c == '-' || (c >= '0' && c <= '9') || c == static_cast<TChar>(DecimalSeparator) || c == 'E' ||
         c == 'e';
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

TBCDField::TBCDField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftBCD);
  SetSize(4);
}

// ---------------------------------------------------------------- dates and times

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftDateTime); }

bool TDateTimeField::GetValue(TDateTime& Value) const {
  std::uint8_t buf[8] = {};
  if (!GetData(buf)) return false;
  switch (DataType()) {
    case ftDate: {
      std::int32_t d;
      std::memcpy(&d, buf, 4);
      Value = TimeStampToDateTime(TTimeStamp{0, d});
      break;
    }
    case ftTime: {
      std::int32_t t;
      std::memcpy(&t, buf, 4);
      Value = TimeStampToDateTime(TTimeStamp{t, DateDelta});
      break;
    }
    default: {
      double ms;
      std::memcpy(&ms, buf, 8);
      Value = TimeStampToDateTime(MSecsToTimeStamp(ms));
      break;
    }
  }
  return true;
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime v = 0;
  return GetValue(v) ? v : TDateTime(0);
}

void TDateTimeField::SetAsDateTimeValue(TDateTime Value) {
  TTimeStamp ts = DateTimeToTimeStamp(Value);
  std::uint8_t buf[8] = {};
  switch (DataType()) {
    case ftDate:
      std::memcpy(buf, &ts.Date, 4);
      break;
    case ftTime:
      std::memcpy(buf, &ts.Time, 4);
      break;
    default: {
      double ms = TimeStampToMSecs(ts);
      std::memcpy(buf, &ms, 8);
      break;
    }
  }
  SetData(buf);
}

void TDateTimeField::GetText(std::string& Text, bool) const {
  TDateTime v;
  if (!GetValue(v)) {
    Text.clear();
    return;
  }
  switch (DataType()) {
    case ftDate:
      Text = DateToStr(v);
      break;
    case ftTime:
      Text = TimeToStr(v);
      break;
    default:
      Text = DateTimeToStr(v);
      break;
  }
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime v;
  if (!GetValue(v)) return Null();
  return Variant(v);
}

void TDateTimeField::SetVarValue(const Variant& Value) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) Clear();
  else SetAsDateTime(Value.AsDateTime());
}

std::string TDateTimeField::GetAsString() const {
  std::string s;
  GetText(s, false);
  return s;
}

void TDateTimeField::SetAsStringValue(const std::string& Value) {
  if (Value.empty()) {
    SetData(nullptr);
    return;
  }
  switch (DataType()) {
    case ftDate:
      SetAsDateTime(StrToDate(Value));
      break;
    case ftTime:
      SetAsDateTime(StrToTime(Value));
      break;
    default:
      SetAsDateTime(StrToDateTime(Value));
      break;
  }
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftTime); }

// ---------------------------------------------------------------- bytes

TBytesField::TBytesField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftBytes);
  SetSize(16);
}

std::string TBytesField::GetAsString() const {
  std::string buf(static_cast<std::size_t>(DataSize()), '\0');
  if (!GetData(buf.data())) return std::string();
  return buf;
}

void TBytesField::SetAsStringValue(const std::string& Value) {
  if (Value.empty()) {
    SetData(nullptr);
    return;
  }
  std::string buf = Value.substr(0, static_cast<std::size_t>(Size()));
  buf.resize(static_cast<std::size_t>(DataSize()), '\0');
  SetData(buf.data());
}

TVarBytesField::TVarBytesField(TComponent* AOwner) : TBytesField(AOwner) { SetDataType(ftVarBytes); }

std::string TVarBytesField::GetAsString() const {
  std::string buf(static_cast<std::size_t>(DataSize()), '\0');
  if (!GetData(buf.data())) return std::string();
  std::uint16_t len;
  std::memcpy(&len, buf.data(), 2);
  len = static_cast<std::uint16_t>(std::min<int>(len, Size()));
  return buf.substr(2, len);
}

void TVarBytesField::SetAsStringValue(const std::string& Value) {
  if (Value.empty()) {
    SetData(nullptr);
    return;
  }
  std::string buf(static_cast<std::size_t>(DataSize()), '\0');
  auto len = static_cast<std::uint16_t>(std::min<std::size_t>(Value.size(), static_cast<std::size_t>(Size())));
  std::memcpy(buf.data(), &len, 2);
  std::memcpy(buf.data() + 2, Value.data(), len);
  SetData(buf.data());
}

// ---------------------------------------------------------------- blobs

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftBlob); }

void TBlobField::SetBlobType(TFieldType Value) {
  if (DataSet()) DataSet()->CheckInactive();
  SetDataType(Value);
}

std::string TBlobField::GetAsString() const {
  if (!DataSet()) DatabaseError("Field '" + DisplayName() + "' has no dataset");
  std::string data;
  DataSet()->GetBlobData(const_cast<TBlobField*>(this), data);
  return data;
}

void TBlobField::SetAsStringValue(const std::string& Value) {
  if (!DataSet()) DatabaseError("Field '" + DisplayName() + "' has no dataset");
  DataSet()->SetBlobData(this, Value);
}

void TBlobField::GetText(std::string& Text, bool) const {
  switch (DataType()) {
    case ftMemo:
    case ftFmtMemo: Text = "(Memo)"; break;
    case ftGraphic: Text = "(Graphic)"; break;
    default: Text = "(Blob)"; break;
  }
}

void TBlobField::LoadFromStream(TStream& Stream) { SetAsString(ReadToEnd(Stream)); }

void TBlobField::SaveToStream(TStream& Stream) const {
  std::string data = GetAsString();
  Stream.WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
}

void TBlobField::Assign(const TPersistent* Source) {
  if (auto* lines = dynamic_cast<const TStrings*>(Source)) {
    SetAsString(lines->Text());
    return;
  }
  if (auto* blob = dynamic_cast<const TBlobField*>(Source)) {
    SetAsString(blob->AsString());
    return;
  }
  TField::Assign(Source);
}

void TBlobField::AssignTo(TPersistent* Dest) const {
  if (auto* lines = dynamic_cast<TStrings*>(Dest)) {
    lines->SetText(GetAsString());
    return;
  }
  TField::AssignTo(Dest);
}

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) { SetDataType(ftMemo); }
TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) { SetDataType(ftGraphic); }

}  // namespace fw

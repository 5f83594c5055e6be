// Fields: the typed view of one column of a dataset's current record.
//
// A field reads and writes its value through its dataset in a native form,
// which is also the form of a parameter's data (TParam::SetData):
//   ftString                NUL-terminated UTF-8, at most Size characters
//   ftSmallint              int16        ftWord    uint16
//   ftInteger, ftAutoInc    int32        ftBoolean uint16, 0 or 1
//   ftFloat, ftCurrency,    double
//   ftBCD
//   ftDate                  int32, days since 0001-01-01 plus one
//   ftTime                  int32, milliseconds since midnight
//   ftDateTime              double, milliseconds since 0001-01-01 (days as above)
//   ftBytes                 Size bytes
//   ftVarBytes              uint16 length, then up to Size bytes
// Blob fields have no native form; their data goes through blob streams.
//
// A blank (null) field reads as 0, False, an empty text or the zero date in
// the conversions that its type supports. A conversion that the type does not
// support raises EDatabaseError; a text that is not a number raises
// EConvertError.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "DataSet.h"
#include "Chars.h"
#include "DateTime.h"
#include "Streams.h"
#include "Variant.h"

namespace fw {

class TField;

using TFieldGetTextEvent = std::function<void(TField* Sender, std::string& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const std::string& Text)>;

class TField : public TComponent {
  FW_CLASS(TField, TComponent)
public:
  explicit TField(TComponent* AOwner);
  ~TField() override;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* Value);
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& Value);
  int FieldNo() const { return fieldNo_; }
  // Position in the dataset's field list; setting it moves the field.
  int Index() const;
  void SetIndex(int Value);
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  void SetSize(int Value);
  // Bytes of the native form.
  virtual int DataSize() const { return 0; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind Value);
  bool Calculated() const { return fieldKind_ == fkCalculated; }
  void SetCalculated(bool Value) { SetFieldKind(Value ? fkCalculated : fkData); }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  void SetLookup(bool Value) { SetFieldKind(Value ? fkLookup : fkData); }
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  void SetLookupDataSet(TDataSet* Value);
  const std::string& KeyFields() const { return keyFields_; }
  void SetKeyFields(const std::string& Value) { keyFields_ = Value; }
  const std::string& LookupKeyFields() const { return lookupKeyFields_; }
  void SetLookupKeyFields(const std::string& Value) { lookupKeyFields_ = Value; }
  const std::string& LookupResultField() const { return lookupResultField_; }
  void SetLookupResultField(const std::string& Value) { lookupResultField_ = Value; }

  // ---- the value
  std::string AsString() const { return GetAsString(); }
  void SetAsString(const std::string& Value) { SetAsStringValue(Value); }
  std::int32_t AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(std::int32_t Value) { SetAsIntegerValue(Value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double Value) { SetAsFloatValue(Value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool Value) { SetAsBooleanValue(Value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime Value) { SetAsDateTimeValue(Value); }
  // Null when blank; Null or Unassigned blanks the field.
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& Value) { SetVarValue(Value); }
  Variant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const Variant& Value) { SetVarValue(Value); }
  // The text to edit (Text) and to show (DisplayText), through OnGetText
  // when it is assigned; setting Text goes through OnSetText when assigned.
  std::string Text() const;
  void SetText(const std::string& Value);
  std::string DisplayText() const;
  bool IsNull() const;
  void Clear() { SetData(nullptr); }
  // The native value; false (Buffer untouched) when the field is blank or
  // there is no record. Buffer may be nullptr to test for blank only.
  bool GetData(void* Buffer) const;
  // Buffer nullptr blanks the field.
  void SetData(const void* Buffer);

  // ---- presentation and rules
  const std::string& DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(const std::string& Value);
  // The label when one is set, else the field name: what messages call the field.
  const std::string& DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultWidth(); }
  void SetDisplayWidth(int Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  bool Required() const { return required_; }
  void SetRequired(bool Value) { required_ = Value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(const std::string& Value);
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool Value) { transliterate_ = Value; }
  // True when the value can be written now: a data field, not read-only, of
  // a dataset that can be modified (any field while keys are edited).
  bool CanModify() const;
  virtual bool IsValidChar(TChar InputChar) const;
  virtual bool IsBlob() const { return false; }
  // Gives the focus to the control that shows this field.
  void FocusControl();

  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

protected:
  virtual std::string GetAsString() const;
  virtual void SetAsStringValue(const std::string& Value);
  virtual std::int32_t GetAsInteger() const;
  virtual void SetAsIntegerValue(std::int32_t Value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double Value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool Value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime Value);
  virtual Variant GetAsVariant() const;
  virtual void SetVarValue(const Variant& Value);
  // The text of the value without OnGetText.
  virtual void GetText(std::string& Text, bool DisplayText) const;
  virtual int DefaultWidth() const { return 10; }
  void SetDataType(TFieldType Value) { dataType_ = Value; }
  [[noreturn]] void AccessError(const char* TypeName) const;
  void PropertyChanged(bool LayoutAffected);

private:
  friend class TDataSet;
  TDataSet* dataSet_ = nullptr;
  std::string fieldName_;
  int fieldNo_ = 0;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  TFieldKind fieldKind_ = fkData;
  TDataSet* lookupDataSet_ = nullptr;
  std::string keyFields_, lookupKeyFields_, lookupResultField_;
  std::string displayLabel_;
  int displayWidth_ = 0;
  bool visible_ = true;
  bool readOnly_ = false;
  bool required_ = false;
  TAlignment alignment_ = taLeftJustify;
  std::string editMask_;
  bool transliterate_ = true;
  int calcOffset_ = -1;  // where a calculated field's value lies in the record buffer
};

class TStringField : public TField {
  FW_CLASS(TStringField, TField)
public:
  explicit TStringField(TComponent* AOwner);
  int DataSize() const override { return Size() * 4 + 1; }
  // The value; false when blank.
  bool GetValue(std::string& Value) const;

protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
  std::int32_t GetAsInteger() const override;
  void SetAsIntegerValue(std::int32_t Value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double Value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool Value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime Value) override;
  Variant GetAsVariant() const override;
  int DefaultWidth() const override { return Size(); }
};

// Integer fields keep their value as int32 whatever their native width.
class TIntegerField : public TField {
  FW_CLASS(TIntegerField, TField)
public:
  explicit TIntegerField(TComponent* AOwner);
  int DataSize() const override { return 4; }
  bool GetValue(std::int32_t& Value) const;
  bool IsValidChar(TChar InputChar) const override;
  std::int32_t MinValue() const { return minValue_; }
  std::int32_t MaxValue() const { return maxValue_; }

protected:
  TIntegerField(TComponent* AOwner, std::int32_t minRange, std::int32_t maxRange);
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
  std::int32_t GetAsInteger() const override;
  void SetAsIntegerValue(std::int32_t Value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double Value) override;
  void GetText(std::string& Text, bool DisplayText) const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override;
  int DefaultWidth() const override { return 11; }
  // Native form <-> int32, by the field's width.
  virtual std::int32_t FromNative(const void* Buffer) const;
  virtual void ToNative(std::int32_t Value, void* Buffer) const;

private:
  void CheckRange(std::int32_t Value) const;
  std::int32_t minRange_, maxRange_;
  std::int32_t minValue_ = 0, maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
  FW_CLASS(TSmallintField, TIntegerField)
public:
  explicit TSmallintField(TComponent* AOwner);
  int DataSize() const override { return 2; }

protected:
  int DefaultWidth() const override { return 6; }
  std::int32_t FromNative(const void* Buffer) const override;
  void ToNative(std::int32_t Value, void* Buffer) const override;
};

class TWordField : public TIntegerField {
  FW_CLASS(TWordField, TIntegerField)
public:
  explicit TWordField(TComponent* AOwner);
  int DataSize() const override { return 2; }

protected:
  int DefaultWidth() const override { return 5; }
  std::int32_t FromNative(const void* Buffer) const override;
  void ToNative(std::int32_t Value, void* Buffer) const override;
};

// Numbered by the engine when the record is posted; never written by a program.
class TAutoIncField : public TIntegerField {
  FW_CLASS(TAutoIncField, TIntegerField)
public:
  explicit TAutoIncField(TComponent* AOwner);
};

class TBooleanField : public TField {
  FW_CLASS(TBooleanField, TField)
public:
  explicit TBooleanField(TComponent* AOwner);
  int DataSize() const override { return 2; }
  bool GetValue(bool& Value) const;

protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool Value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override;
  int DefaultWidth() const override { return 5; }
};

class TFloatField : public TField {
  FW_CLASS(TFloatField, TField)
public:
  explicit TFloatField(TComponent* AOwner);
  int DataSize() const override { return 8; }
  bool GetValue(double& Value) const;
  bool IsValidChar(TChar InputChar) const override;
  bool Currency() const { return currency_; }
  void SetCurrency(bool Value);

protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
  std::int32_t GetAsInteger() const override;
  void SetAsIntegerValue(std::int32_t Value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double Value) override;
  void GetText(std::string& Text, bool DisplayText) const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override;

private:
  bool currency_ = false;
};

class TCurrencyField : public TFloatField {
  FW_CLASS(TCurrencyField, TFloatField)
public:
  explicit TCurrencyField(TComponent* AOwner);
};

// A fixed-point number; held as a double here, Size giving the decimals.
class TBCDField : public TFloatField {
  FW_CLASS(TBCDField, TFloatField)
public:
  explicit TBCDField(TComponent* AOwner);
};

class TDateTimeField : public TField {
  FW_CLASS(TDateTimeField, TField)
public:
  explicit TDateTimeField(TComponent* AOwner);
  int DataSize() const override { return 8; }
  bool GetValue(TDateTime& Value) const;

protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
  double GetAsFloat() const override { return GetAsDateTime(); }
  void SetAsFloatValue(double Value) override { SetAsDateTimeValue(Value); }
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime Value) override;
  void GetText(std::string& Text, bool DisplayText) const override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& Value) override;
  int DefaultWidth() const override { return 18; }
};

class TDateField : public TDateTimeField {
  FW_CLASS(TDateField, TDateTimeField)
public:
  explicit TDateField(TComponent* AOwner);
  int DataSize() const override { return 4; }

protected:
  int DefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
  FW_CLASS(TTimeField, TDateTimeField)
public:
  explicit TTimeField(TComponent* AOwner);
  int DataSize() const override { return 4; }

protected:
  int DefaultWidth() const override { return 10; }
};

// Raw bytes; AsString gives and takes them as they are.
class TBytesField : public TField {
  FW_CLASS(TBytesField, TField)
public:
  explicit TBytesField(TComponent* AOwner);
  int DataSize() const override { return Size(); }

protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
  int DefaultWidth() const override { return Size() * 2; }
};

class TVarBytesField : public TBytesField {
  FW_CLASS(TVarBytesField, TBytesField)
public:
  explicit TVarBytesField(TComponent* AOwner);
  int DataSize() const override { return Size() + 2; }

protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
};

// Blobs: data of any length, read and written whole or through a blob
// stream of the dataset. Their Text is the kind in brackets ("(Memo)"); their
// content is AsString.
class TBlobField : public TField {
  FW_CLASS(TBlobField, TField)
public:
  explicit TBlobField(TComponent* AOwner);
  bool IsBlob() const override { return true; }
  TFieldType BlobType() const { return DataType(); }
  void SetBlobType(TFieldType Value);
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream) const;
  // From another blob field, or the lines of a string list (CR LF after each).
  void Assign(const TPersistent* Source) override;

protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& Value) override;
  void GetText(std::string& Text, bool DisplayText) const override;
  // Into a string list: the content as lines.
  void AssignTo(TPersistent* Dest) const override;
};

class TMemoField : public TBlobField {
  FW_CLASS(TMemoField, TBlobField)
public:
  explicit TMemoField(TComponent* AOwner);
};

class TGraphicField : public TBlobField {
  FW_CLASS(TGraphicField, TBlobField)
public:
  explicit TGraphicField(TComponent* AOwner);
};

}  // namespace fw

// Parameters of statements and of the filter code: a typed value with a
// name, set from a variant or from a buffer in the fields' native form.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"
#include "Variant.h"

namespace fw {

FW_ENUM(TParamType, ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult)

class TParams;

class TParam : public TPersistent {
  FW_CLASS(TParam, TPersistent)
public:
  explicit TParam(TParams* owner = nullptr, const std::string& name = std::string(),
                  TParamType paramType = ptUnknown);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& Value) { name_ = Value; }
  TFieldType DataType() const { return dataType_; }
  void SetDataType(TFieldType Value);
  TParamType ParamType() const { return paramType_; }
  void SetParamType(TParamType Value) { paramType_ = Value; }
  bool Bound() const { return bound_; }
  void SetBound(bool Value) { bound_ = Value; }

  const Variant& Value() const { return value_; }
  void SetValue(const Variant& Value);
  bool IsNull() const { return VarIsNull(value_) || VarIsEmpty(value_); }
  void Clear();

  std::string AsString() const { return IsNull() ? std::string() : value_.AsString(); }
  void SetAsString(const std::string& Value);
  int AsInteger() const { return IsNull() ? 0 : value_.AsInteger(); }
  void SetAsInteger(int Value);
  double AsFloat() const { return IsNull() ? 0 : value_.AsDouble(); }
  void SetAsFloat(double Value);
  bool AsBoolean() const { return !IsNull() && value_.AsBoolean(); }
  void SetAsBoolean(bool Value);
  TDateTime AsDateTime() const { return IsNull() ? TDateTime(0) : value_.AsDateTime(); }
  void SetAsDateTime(TDateTime Value);

  // The value from a buffer in the native form of DataType (as fields give
  // it; strings and memos as NUL-terminated text); a type without a native
  // form leaves the value unchanged. GetData writes the same form.
  void SetData(const void* Buffer);
  void GetData(void* Buffer) const;
  // Bytes GetData writes for the current DataType (0: no native form).
  int GetDataSize() const;

  void Assign(const TPersistent* Source) override;
  void AssignField(TField* Field);

private:
  TParams* owner_;
  std::string name_;
  TFieldType dataType_ = ftUnknown;
  TParamType paramType_;
  Variant value_ = Null();
  bool bound_ = false;
};

class TParams : public TPersistent {
  FW_CLASS(TParams, TPersistent)
public:
  TParams() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  TParam* Items(int Index) const;
  TParam* CreateParam(TFieldType DataType, const std::string& Name, TParamType ParamType);
  TParam* FindParam(const std::string& Name) const;  // without regard to case
  TParam* ParamByName(const std::string& Name) const;  // raises when absent
  void Clear() { items_.clear(); }
  void Assign(const TPersistent* Source) override;
  // Values by name: one name gives its value, several (";") an array.
  Variant ParamValues(const std::string& Names) const;

private:
  std::vector<std::unique_ptr<TParam>> items_;
};

}  // namespace fw

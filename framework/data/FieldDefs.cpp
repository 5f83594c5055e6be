#include "FieldDefs.h"

#include "DataSet.h"
#include "Fields.h"
#include "Scope.h"
#include "Text.h"

namespace fw {

FW_IMPLEMENT_CLASS(TFieldDef)
FW_IMPLEMENT_CLASS(TFieldDefs)
FW_IMPLEMENT_CLASS(TIndexDef)
FW_IMPLEMENT_CLASS(TIndexDefs)

TClass DefaultFieldClass(TFieldType type) {
  switch (type) {
    case ftString: return TStringField::StaticClass();
    case ftSmallint: return TSmallintField::StaticClass();
    case ftInteger: return TIntegerField::StaticClass();
    case ftWord: return TWordField::StaticClass();
    case ftBoolean: return TBooleanField::StaticClass();
    case ftFloat: return TFloatField::StaticClass();
    case ftCurrency: return TCurrencyField::StaticClass();
    case ftBCD: return TBCDField::StaticClass();
    case ftDate: return TDateField::StaticClass();
    case ftTime: return TTimeField::StaticClass();
    case ftDateTime: return TDateTimeField::StaticClass();
    case ftBytes: return TBytesField::StaticClass();
    case ftVarBytes: return TVarBytesField::StaticClass();
    case ftAutoInc: return TAutoIncField::StaticClass();
    case ftBlob: return TBlobField::StaticClass();
    case ftMemo: case ftFmtMemo: return TMemoField::StaticClass();
    case ftGraphic: return TGraphicField::StaticClass();
    default: return nullptr;
  }
}

// ---------------------------------------------------------------- TFieldDef

TFieldDef::TFieldDef(TFieldDefs* owner, const std::string& name, TFieldType dataType, int size, bool required,
                     int fieldNo)
    : owner_(owner), name_(name), dataType_(dataType), size_(size), required_(required), fieldNo_(fieldNo) {}

TField* TFieldDef::CreateField(TComponent* owner) const {
  TClass cls = FieldClass();
  if (!cls || !cls->CreateComponent)
    DatabaseError("Cannot create a field '" + name_ + "' of type " + FwEnumInfo(dataType_)->NameOf(dataType_),
                  owner_->DataSet());
  TComponent* c = cls->CreateComponent(owner);
  auto* field = static_cast<TField*>(c);
  TScopeFail discard([&] { delete field; });
  if (auto* blob = dynamic_cast<TBlobField*>(field)) blob->SetBlobType(dataType_);
  if (dataType_ == ftString || dataType_ == ftBytes || dataType_ == ftVarBytes || dataType_ == ftBCD ||
      field->IsBlob())
    field->SetSize(size_);
  field->SetFieldName(name_);
  field->SetRequired(required_);
  field->SetDataSet(owner_->DataSet());
  return field;
}

// ---------------------------------------------------------------- TFieldDefs

TFieldDef* TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count()) DatabaseError("Field definition index out of range", dataSet_);
  return items_[static_cast<std::size_t>(index)].get();
}

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required, int fieldNo) {
  if (IndexOf(name) >= 0) DatabaseError("Duplicate field name '" + name + "'", dataSet_);
  if (fieldNo == 0) fieldNo = Count() + 1;
  items_.push_back(std::make_unique<TFieldDef>(this, name, dataType, size, required, fieldNo));
  updated_ = false;
  return items_.back().get();
}

void TFieldDefs::Clear() {
  items_.clear();
  updated_ = false;
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(items_[static_cast<std::size_t>(i)]->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const std::string& name) const {
  int i = IndexOf(name);
  if (i < 0) DatabaseError("Field '" + name + "' not found", dataSet_);
  return Items(i);
}

void TFieldDefs::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TFieldDefs*>(Source);
  if (!src) return TPersistent::Assign(Source);
  Clear();
  for (int i = 0; i < src->Count(); ++i) {
    TFieldDef* d = src->Items(i);
    Add(d->Name(), d->DataType(), d->Size(), d->Required(), d->FieldNo());
  }
}

void TFieldDefs::Update() {
  dataSet_->InitFieldDefs();
  updated_ = true;
}

// ---------------------------------------------------------------- indexes

TIndexDef::TIndexDef(TIndexDefs* owner, const std::string& name, const std::string& fields, TIndexOptions options)
    : owner_(owner), name_(name), fields_(fields), options_(options) {}

TIndexDef* TIndexDefs::Items(int index) const {
  if (index < 0 || index >= Count()) DatabaseError("Index definition index out of range", dataSet_);
  return items_[static_cast<std::size_t>(index)].get();
}

TIndexDef* TIndexDefs::Add(const std::string& name, const std::string& fields, TIndexOptions options) {
  items_.push_back(std::make_unique<TIndexDef>(this, name, fields, options));
  return items_.back().get();
}

void TIndexDefs::Clear() {
  items_.clear();
  updated_ = false;
}

int TIndexDefs::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(items_[static_cast<std::size_t>(i)]->Name(), name)) return i;
  return -1;
}

TIndexDef* TIndexDefs::Find(const std::string& name) const {
  int i = IndexOf(name);
  if (i < 0) DatabaseError("Index '" + name + "' not found", dataSet_);
  return Items(i);
}

namespace {

// 2: the index's fields are Fields; 1: they begin with Fields; 0: neither.
int FieldsMatch(const TIndexDef& d, const std::string& upperFields) {
  if (d.Options().Contains(ixExpression)) return 0;
  std::string have = AnsiUpperCase(d.Fields());
  if (have.compare(0, upperFields.size(), upperFields) != 0) return 0;
  if (have.size() == upperFields.size()) return 2;
  return have[upperFields.size()] == ';' ? 1 : 0;
}

}  // namespace

TIndexDef* TIndexDefs::FindIndexForFields(const std::string& fields) const {
  std::string want = AnsiUpperCase(fields);
  for (const auto& d : items_)
    if (FieldsMatch(*d, want)) return d.get();
  return nullptr;
}

TIndexDef* TIndexDefs::GetIndexForFields(const std::string& Fields, bool CaseInsensitive) const {
  std::string want = AnsiUpperCase(Fields);
  TIndexDef* prefix = nullptr;
  for (const auto& d : items_) {
    if (d->Options().Contains(ixCaseInsensitive) != CaseInsensitive) continue;
    int m = FieldsMatch(*d, want);
    if (m == 2) return d.get();
    if (m == 1 && !prefix) prefix = d.get();
  }
  return prefix;
}

void TIndexDefs::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TIndexDefs*>(Source);
  if (!src) return TPersistent::Assign(Source);
  Clear();
  for (int i = 0; i < src->Count(); ++i) {
    TIndexDef* d = src->Items(i);
    Add(d->Name(), d->Fields(), d->Options());
  }
}

void TIndexDefs::Update() {
  dataSet_->UpdateIndexDefs();
  updated_ = true;
}

}  // namespace fw

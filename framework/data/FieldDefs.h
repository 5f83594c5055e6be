// Descriptions of a dataset's physical fields and of a table's indexes, as the
// cursor reports them: what fields a dataset can make, what indexes a table
// can switch to.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"

namespace fw {

class TDataSet;
class TField;

FW_ENUM(TFieldType, ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
        ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
        ftFmtMemo)

// Where a field's value comes from: the record, the OnCalcFields handler, or
// a look-up in another dataset.
FW_ENUM(TFieldKind, fkData, fkCalculated, fkLookup)

// The field class that a field of this type gets by default.
TClass DefaultFieldClass(TFieldType type);

class TFieldDefs;

class TFieldDef : public TPersistent {
  FW_CLASS(TFieldDef, TPersistent)
public:
  TFieldDef(TFieldDefs* owner, const std::string& name, TFieldType dataType, int size, bool required,
            int fieldNo);

  const std::string& Name() const { return name_; }
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  bool Required() const { return required_; }
  int FieldNo() const { return fieldNo_; }
  TClass FieldClass() const { return DefaultFieldClass(dataType_); }

  // A field of this definition's class for the owner's dataset, owned by owner.
  TField* CreateField(TComponent* owner) const;

private:
  TFieldDefs* owner_;
  std::string name_;
  TFieldType dataType_;
  int size_;
  bool required_;
  int fieldNo_;
};

class TFieldDefs : public TPersistent {
  FW_CLASS(TFieldDefs, TPersistent)
public:
  explicit TFieldDefs(TDataSet* dataSet) : dataSet_(dataSet) {}

  TDataSet* DataSet() const { return dataSet_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TFieldDef* Items(int index) const;
  // FieldNo 0 numbers the definition after the last one.
  TFieldDef* Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false,
                 int fieldNo = 0);
  void Clear();
  int IndexOf(const std::string& name) const;  // without regard to case; -1 when absent
  TFieldDef* Find(const std::string& name) const;  // raises EDatabaseError when absent
  void Assign(const TPersistent* Source) override;

  // Reads the definitions from the dataset's cursor, opening it for the
  // purpose when the dataset is closed.
  void Update();
  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }

private:
  TDataSet* dataSet_;
  std::vector<std::unique_ptr<TFieldDef>> items_;
  bool updated_ = false;
};

FW_ENUM(TIndexOption, ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression)
using TIndexOptions = TFlags<TIndexOption>;

class TIndexDefs;

class TIndexDef : public TPersistent {
  FW_CLASS(TIndexDef, TPersistent)
public:
  TIndexDef(TIndexDefs* owner, const std::string& name, const std::string& fields, TIndexOptions options);

  const std::string& Name() const { return name_; }
  // The key fields separated by ";", or the expression of an ixExpression index.
  const std::string& Fields() const { return fields_; }
  const std::string& Expression() const { return fields_; }
  TIndexOptions Options() const { return options_; }

private:
  TIndexDefs* owner_;
  std::string name_;
  std::string fields_;
  TIndexOptions options_;
};

class TIndexDefs : public TPersistent {
  FW_CLASS(TIndexDefs, TPersistent)
public:
  explicit TIndexDefs(TDataSet* dataSet) : dataSet_(dataSet) {}

  int Count() const { return static_cast<int>(items_.size()); }
  TIndexDef* Items(int index) const;
  TIndexDef* Add(const std::string& name, const std::string& fields, TIndexOptions options);
  void Clear();
  int IndexOf(const std::string& name) const;  // without regard to case; -1 when absent
  TIndexDef* Find(const std::string& name) const;  // raises EDatabaseError when absent
  // The first index whose leading fields are the given ones (";"-separated,
  // without regard to case), or nullptr.
  TIndexDef* FindIndexForFields(const std::string& fields) const;
  // The same among the indexes whose case rule is CaseInsensitive: one with
  // exactly those fields first, else the first that begins with them.
  TIndexDef* GetIndexForFields(const std::string& Fields, bool CaseInsensitive) const;
  void Assign(const TPersistent* Source) override;

  // Reads the definitions from the table, opening it for the purpose when closed.
  void Update();
  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }

private:
  TDataSet* dataSet_;
  std::vector<std::unique_ptr<TIndexDef>> items_;
  bool updated_ = false;
};

}  // namespace fw

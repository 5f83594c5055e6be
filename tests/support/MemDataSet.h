// A dataset over rows held in memory, for testing the dataset machinery
// without the engine. Each row has a stable id, which is its bookmark.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "DataSet.h"
#include "Fields.h"

namespace fwtest {

using namespace fw;

class TMemDataSet : public TDataSet {
  FW_CLASS(TMemDataSet, TDataSet)
public:
  struct Def {
    std::string Name;
    TFieldType Type;
    int Size = 0;
  };

  explicit TMemDataSet(TComponent* owner) : TDataSet(owner) {}

  void Define(std::vector<Def> defs) {
    defs_ = std::move(defs);
    offsets_.clear();
    rowSize_ = 0;
    for (const Def& d : defs_) {
      offsets_.push_back(rowSize_);
      rowSize_ += 1 + NativeSize(d);
    }
  }

  // Appends a row straight into storage: texts converted by a scratch field
  // would need an open dataset, so callers give native bytes per field.
  void AddRow(const std::vector<std::vector<std::uint8_t>>& values) {
    Row r{nextId_++, std::vector<std::uint8_t>(static_cast<std::size_t>(rowSize_), 0)};
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (values[i].empty()) continue;
      r.Data[static_cast<std::size_t>(offsets_[i])] = 1;
      std::memcpy(&r.Data[static_cast<std::size_t>(offsets_[i]) + 1], values[i].data(),
                  std::min(values[i].size(), static_cast<std::size_t>(NativeSize(defs_[i]))));
    }
    rows_.push_back(std::move(r));
  }

  static std::vector<std::uint8_t> Int(std::int32_t v) {
    std::vector<std::uint8_t> b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
  }
  static std::vector<std::uint8_t> Str(const std::string& s) { return {s.begin(), s.end()}; }
  static std::vector<std::uint8_t> Float(double v) {
    std::vector<std::uint8_t> b(8);
    std::memcpy(b.data(), &v, 8);
    return b;
  }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  std::vector<std::string> Calls;  // cursor operations in the order they ran
  bool ReadOnlySet = false;
  bool CanModify() const override { return !ReadOnlySet; }
  bool IsSequenced() override { return true; }

protected:
  struct Row {
    int Id;
    std::vector<std::uint8_t> Data;
  };

  static int NativeSize(const Def& d) {
    switch (d.Type) {
      case ftString: return d.Size * 4 + 1;
      case ftSmallint: case ftWord: case ftBoolean: return 2;
      case ftInteger: case ftAutoInc: case ftDate: case ftTime: return 4;
      case ftBytes: return d.Size;
      case ftVarBytes: return d.Size + 2;
      default: return 8;
    }
  }

  int IndexOfId(int id) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].Id == id) return static_cast<int>(i);
    return -1;
  }
  static int IdOf(const std::uint8_t* rec) {
    int id;
    std::memcpy(&id, rec, 4);
    return id;
  }

  bool IsCursorOpen() const override { return open_; }
  void InternalOpen() override {
    Calls.push_back("InternalOpen");
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    open_ = true;
    pos_ = -1;
  }
  void InternalClose() override {
    Calls.push_back("InternalClose");
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    open_ = false;
  }
  void InternalInitFieldDefs() override {
    FieldDefs()->Clear();
    for (std::size_t i = 0; i < defs_.size(); ++i)
      FieldDefs()->Add(defs_[i].Name, defs_[i].Type, defs_[i].Size, false, static_cast<int>(i) + 1);
  }
  int GetRecordSize() const override { return 4 + rowSize_; }
  TGetResult GetRecord(std::uint8_t* rec, TGetMode mode, bool) override {
    int n = RowCount();
    if (mode == gmNext) {
      if (pos_ < n) ++pos_;
      if (pos_ >= n) return grEOF;
    } else if (mode == gmPrior) {
      if (pos_ >= 0) --pos_;
      if (pos_ < 0) return grBOF;
    } else if (pos_ < 0 || pos_ >= n) {
      return pos_ < 0 ? grBOF : grEOF;
    }
    ++Fetches;
    const Row& r = rows_[static_cast<std::size_t>(pos_)];
    std::memcpy(rec, &r.Id, 4);
    std::memcpy(rec + 4, r.Data.data(), r.Data.size());
    return grOK;
  }
  void InternalFirst() override { pos_ = -1; }
  void InternalLast() override { pos_ = RowCount(); }
  void InternalSetToRecord(const std::uint8_t* rec) override { pos_ = IndexOfId(IdOf(rec)); }
  void InternalGotoBookmark(const TBookmark& b) override {
    int id;
    std::memcpy(&id, b.Data.data(), 4);
    int i = IndexOfId(id);
    if (i < 0) DatabaseError("Record not found", this);
    pos_ = i;
  }
  TBookmark GetBookmarkData(const std::uint8_t* rec) const override {
    if (IdOf(rec) == 0) return {};
    return TBookmark{std::vector<std::uint8_t>(rec, rec + 4)};
  }
  void SetBookmarkData(std::uint8_t* rec, const TBookmark& b) override {
    int id = 0;
    if (!b.IsNull()) std::memcpy(&id, b.Data.data(), 4);
    std::memcpy(rec, &id, 4);
  }
  void InternalInitRecord(std::uint8_t* rec) override { std::memset(rec, 0, static_cast<std::size_t>(4 + rowSize_)); }
  void InternalEdit() override { Calls.push_back("InternalEdit"); }
  void InternalPost() override {
    Calls.push_back("InternalPost");
    if (FailPost) DatabaseError("post refused", this);
    const std::uint8_t* rec = ActiveBuffer();
    std::vector<std::uint8_t> data(rec + 4, rec + 4 + rowSize_);
    if (State() == dsInsert) {
      int before = IndexOfId(IdOf(rec));
      Row r{nextId_++, std::move(data)};
      if (before < 0) before = RowCount();
      rows_.insert(rows_.begin() + before, std::move(r));
      pos_ = before;
    } else {
      rows_[static_cast<std::size_t>(pos_)].Data = std::move(data);
    }
  }
  void InternalCancel() override { Calls.push_back("InternalCancel"); }
  void InternalDelete() override {
    Calls.push_back("InternalDelete");
    rows_.erase(rows_.begin() + pos_);
  }
  bool GetRecordFieldData(TField* f, const std::uint8_t* rec, void* buf) override {
    std::size_t i = static_cast<std::size_t>(f->FieldNo() - 1);
    const std::uint8_t* p = rec + 4 + offsets_[i];
    if (!p[0]) return false;
    if (buf) std::memcpy(buf, p + 1, static_cast<std::size_t>(NativeSize(defs_[i])));
    return true;
  }
  void SetRecordFieldData(TField* f, std::uint8_t* rec, const void* buf) override {
    std::size_t i = static_cast<std::size_t>(f->FieldNo() - 1);
    std::uint8_t* p = rec + 4 + offsets_[i];
    p[0] = buf ? 1 : 0;
    if (buf) std::memcpy(p + 1, buf, static_cast<std::size_t>(NativeSize(defs_[i])));
  }
  int GetRecordCountInternal() override { return RowCount(); }
  int GetRecNoInternal() override {
    UpdateCursorPos();
    return pos_ + 1;
  }
  void SetRecNoInternal(int v) override { pos_ = std::clamp(v - 1, 0, RowCount() - 1); }
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override {
    if (a.IsNull() || b.IsNull()) return TDataSet::CompareBookmarks(a, b);
    int ia = IndexOfId(IdOf(a.Data.data())), ib = IndexOfId(IdOf(b.Data.data()));
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
  }
  bool BookmarkValid(const TBookmark& b) override { return !b.IsNull() && IndexOfId(IdOf(b.Data.data())) >= 0; }

public:
  bool FailPost = false;
  int Fetches = 0;

private:
  std::vector<Def> defs_;
  std::vector<int> offsets_;
  int rowSize_ = 0;
  std::vector<Row> rows_;
  int nextId_ = 1;
  bool open_ = false;
  int pos_ = -1;
};

}  // namespace fwtest

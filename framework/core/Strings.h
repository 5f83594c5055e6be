// String lists: TStrings, the abstract list of lines with an object attached
// to each, and TStringList, the framework's own list, optionally sorted.
//
// Objects: each line carries a TObject*. Callers that attach an integer or a
// pointer of another type pass it through IntToObject/ObjectToInt or
// PtrToObject/ObjectToPtr; the list never dereferences or frees what a line
// carries.
//
// Text, SaveToStream and SaveToFile end every line with CR LF, as the
// framework writes text; SetText, LoadFromStream and LoadFromFile take CR, LF
// or CR LF as a line end.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Classes.h"

namespace fw {

class TStream;

inline TObject* IntToObject(std::intptr_t value) { return reinterpret_cast<TObject*>(value); }
inline std::intptr_t ObjectToInt(const TObject* object) { return reinterpret_cast<std::intptr_t>(object); }
inline TObject* PtrToObject(const void* p) { return static_cast<TObject*>(const_cast<void*>(p)); }
template <typename T>
T* ObjectToPtr(TObject* object) {
  return static_cast<T*>(static_cast<void*>(object));
}

FW_ENUM(TDuplicates, dupIgnore, dupAccept, dupError)

class TStrings : public TPersistent {
  FW_CLASS(TStrings, TPersistent)
public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;

  // What a descendant provides. Index errors raise EStringListError
  // "List index out of bounds (%d)".
  virtual int Count() const = 0;
  virtual std::string Strings(int index) const = 0;
  virtual void SetStrings(int index, const std::string& s);  // keeps the line's object
  virtual TObject* Objects(int index) const;                 // nullptr unless overridden
  virtual void SetObjects(int index, TObject* object);
  virtual void Insert(int index, const std::string& s) = 0;  // index may be Count
  virtual void InsertObject(int index, const std::string& s, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  // The index of the new line.
  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, TObject* object);
  void Append(const std::string& s) { Add(s); }
  void AddStrings(const TStrings& strings);  // lines and objects
  virtual void Exchange(int index1, int index2);
  virtual void Move(int curIndex, int newIndex);
  // The same lines in the same order, case counting; objects are not compared.
  bool Equals(const TStrings& strings) const;

  // The first matching line, or -1. Lines and names match by CompareStrings.
  virtual int IndexOf(const std::string& s) const;
  int IndexOfName(const std::string& name) const;
  int IndexOfObject(const TObject* object) const;

  // Name=value lines. A line without the separator has an empty name and value.
  std::string Names(int index) const;
  std::string Values(const std::string& name) const;
  // Replaces the value of the first line of that name, or adds a line; an
  // empty value removes the line.
  virtual void SetValues(const std::string& name, const std::string& value);
  std::string ValueFromIndex(int index) const;
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char c) { nameValueSeparator_ = c; }

  std::string Text() const;
  std::string GetText() const { return Text(); }
  virtual void SetText(const std::string& text);
  // Lines joined by Delimiter; a line holding a blank, a control character,
  // the quote or the delimiter is quoted, its quotes doubled. Reading splits
  // at delimiters and blanks outside quotes.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char c) { delimiter_ = c; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char c) { quoteChar_ = c; }
  // DelimitedText with ',' and '"', whatever Delimiter and QuoteChar are.
  std::string CommaText() const;
  void SetCommaText(const std::string& text);

  // Brackets a series of changes: a list that reports changes reports the
  // whole series once.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // From the stream's position to its end.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  void Assign(const TPersistent* Source) override;
  // "Strings" from a form file: a list of strings that replaces the lines.
  bool ReadProperty(const std::string& name, const TFormValue& value) override;

protected:
  virtual void SetUpdateState(bool /*updating*/) {}
  // 0 when a and b count as the same line: here without regard to case.
  virtual int CompareStrings(const std::string& a, const std::string& b) const;
  // Raises EStringListError "List index out of bounds (index)" unless 0 <= index < limit.
  void CheckIndex(int index, int limit) const;

private:
  static std::string JoinDelimited(const TStrings& list, char delimiter, char quote);
  void SplitDelimited(const std::string& text, char delimiter, char quote);

  int updateCount_ = 0;
  char nameValueSeparator_ = '=';
  char delimiter_ = ',';
  char quoteChar_ = '"';
};

class TStringList;
// <0, 0 or >0 as line Index1 of List sorts before, with or after line Index2.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// A list of lines in memory. Sorted, it keeps its lines in the order of
// CompareStrings (AnsiCompareText, or AnsiCompareStr when CaseSensitive),
// finds lines by binary search, and applies Duplicates when a line is added;
// Insert, SetStrings and Move then raise EStringListError.
class TStringList : public TStrings {
  FW_CLASS(TStringList, TStrings)
public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Strings(int index) const override;
  void SetStrings(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void SetObjects(int index, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& s) override;
  // On a sorted list with dupIgnore, a line already there gives its index
  // and keeps its object; with dupError it raises EStringListError.
  int AddObject(const std::string& s, TObject* object) override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  int IndexOf(const std::string& s) const override;
  void SetValues(const std::string& name, const std::string& value) override;

  // Binary search of a sorted list: true with the index of the first equal
  // line, or false with the index where s would be inserted.
  bool Find(const std::string& s, int& index) const;
  // Both do nothing on a list that is Sorted (it is in order already).
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);

  // Before and after each change; inside BeginUpdate/EndUpdate, OnChanging
  // fires once at the outermost BeginUpdate and OnChange once at the
  // outermost EndUpdate.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool updating) override;
  int CompareStrings(const std::string& a, const std::string& b) const override;

private:
  struct Item {
    std::string Str;
    TObject* Obj = nullptr;
  };
  void CheckNotSorted() const;
  void InsertItem(int index, const std::string& s, TObject* object);
  void SortItems(const TStringListSortCompare& compare);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

}  // namespace fw

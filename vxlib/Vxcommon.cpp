#include "Vxcommon.h"

#include <array>
#include <cstring>

#include "Bitmap.h"
#include "Controls.h"
#include "Database.h"
#include "DateTime.h"
#include "Dialogs.h"
#include "Files.h"
#include "Forms.h"
#include "MessageService.h"
#include "Registry.h"
#include "Scope.h"
#include "Text.h"
#include "Vxintl.h"
#include "Vxlocate.h"
#include "Vxstr.h"
#include "Vxsystem.h"
#include "Vxtable.h"

using namespace fw;

namespace vx {

namespace {

constexpr int kMaxControlParameters = 255;

const TPropInfo* Prop(const TObject* Object, std::string_view Name) {
  return Object ? GetPropInfo(Object, Name) : nullptr;
}

TStrings* ListProp(const TObject* Object, std::string_view Name) {
  const TPropInfo* p = Prop(Object, Name);
  if (!p || p->Kind != tkClass) return nullptr;
  TObject* o = GetObjectProp(Object, p);
  return o && o->InheritsFrom(TStrings::StaticClass()) ? static_cast<TStrings*>(o) : nullptr;
}

// Token Index (from 1) of Line, the tokens separated by Sep; empty past the last.
std::string Token(const std::string& Line, const std::string& Sep, int Index) {
  int pos = 1;
  std::string token;
  for (int i = 1; i <= Index; ++i) {
    if (pos < 1) return {};
    strGetToken(Line, Sep, pos, token);
  }
  return token;
}

int TokenCount(const std::string& Line, const std::string& Sep) {
  int pos = 1, n = 0;
  std::string token;
  while (pos >= 1) {
    strGetToken(Line, Sep, pos, token);
    ++n;
  }
  return n;
}

// What follows the second ";" of a ControlType line; empty without one.
std::string ControlParameters(const std::string& Line) {
  int pos = 1;
  std::string token;
  strGetToken(Line, ";", pos, token);
  if (pos >= 1) strGetToken(Line, ";", pos, token);
  if (pos < 1) return {};
  return CharsToUtf8(Copy(Utf8ToChars(Line), pos, kMaxControlParameters));
}

std::string Line(const TStrings* List, int Index) { return List->Strings(Index); }

// The PictureMasks line of FieldName (without regard to case); -1 when none.
int PictureLine(const TStrings* List, const std::string& FieldName) {
  for (int i = 0; i < List->Count(); ++i)
    if (AnsiSameText(Token(Line(List, i), "\t", 1), FieldName)) return i;
  return -1;
}

const char* Flag(bool Value) { return Value ? "T" : "F"; }

bool IsEditDescendant(const TObject* Control) {
  return Control && vxIsClass(Control->ClassType(), "TCustomEdit");
}

// The LookupFields line of FieldName (first token exactly equal); -1 when none.
int LookupLine(const TDataSet* DataSet, const std::string& FieldName) {
  const TStrings* fields = vxGetLookupFields(DataSet);
  if (!fields) return -1;
  for (int i = 0; i < fields->Count(); ++i)
    if (Token(Line(fields, i), ";", 1) == FieldName) return i;
  return -1;
}

}  // namespace

// ---------------------------------------------------------------- properties by name

TStrings* vxGetPictureMasks(const TDataSet* DataSet) { return ListProp(DataSet, "PictureMasks"); }
TStrings* vxGetControlType(const TDataSet* DataSet) { return ListProp(DataSet, "ControlType"); }
TStrings* vxGetLookupFields(const TDataSet* DataSet) { return ListProp(DataSet, "LookupFields"); }
TStrings* vxGetLookupLinks(const TDataSet* DataSet) { return ListProp(DataSet, "LookupLinks"); }

bool vxGetValidateWithMask(const TDataSet* DataSet) {
  const TPropInfo* p = Prop(DataSet, "ValidateWithMask");
  return p && p->EnumType == BooleanEnumInfo() && GetOrdProp(DataSet, p) != 0;
}

TvxInvalidValueEvent vxGetOnInvalidValue(const TDataSet* DataSet) {
  if (!DataSet) return {};
  return GetEventProp<void(TDataSet*, TField*)>(DataSet, "OnInvalidValue");
}

std::string vxGetDatabaseName(const TDataSet* DataSet) {
  const TPropInfo* p = Prop(DataSet, "DatabaseName");
  return p && p->Kind == tkString ? GetStrProp(DataSet, p) : std::string();
}

std::string vxGetTableName(const TDataSet* DataSet) {
  if (!DataSet || !vxIsClass(DataSet->ClassType(), "TvxTable")) return "?";
  return GetStrProp(DataSet, "TableName");
}

bool vxSetControlDataSource(TComponent* Control, TComponent* DataSource) {
  const TPropInfo* p = IsEditDescendant(Control) ? Prop(Control, "DataSource") : nullptr;
  if (!p || p->Kind != tkClass || !p->HasSetter) return false;
  SetObjectProp(Control, p, DataSource);
  return true;
}

bool vxSetControlDataField(TComponent* Control, const std::string& Name) {
  const TPropInfo* p = IsEditDescendant(Control) ? Prop(Control, "DataField") : nullptr;
  if (!p || p->Kind != tkString || !p->HasSetter) return false;
  SetStrProp(Control, p, Name);
  return true;
}

std::string vxGetControlDataField(const TComponent* Control) {
  const TPropInfo* p = IsEditDescendant(Control) ? Prop(Control, "DataField") : nullptr;
  return p && p->Kind == tkString ? GetStrProp(Control, p) : std::string();
}

TComponent* vxGetControlDataSource(const TComponent* Component) {
  const TPropInfo* p = Prop(Component, "DataSource");
  if (!p || p->Kind != tkClass) return nullptr;
  TObject* o = GetObjectProp(Component, p);
  return o && o->InheritsFrom(TComponent::StaticClass()) ? static_cast<TComponent*>(o) : nullptr;
}

// ---------------------------------------------------------------- class and field tests

bool vxIsClass(TClass ClassType, const std::string& Name) {
  for (TClass c = ClassType; c; c = c->Parent)
    if (vxEqualStr(c->Name, Name)) return true;
  return false;
}

bool vxDataSet(const TDataSet* DataSet) {
  if (!DataSet) return false;
  for (const char* name : {"TvxTable", "TvxQuery", "TvxQBE", "TvxStoredProc", "TvxClientDataSet"})
    if (vxIsClass(DataSet->ClassType(), name)) return true;
  return vxGetControlType(DataSet) != nullptr;
}

bool vxHasIndex(const TDataSet* DataSet) {
  const auto* t = dynamic_cast<const TvxTable*>(DataSet);
  return t && t->IndexFieldCount() > 0;
}

bool vxIsTableQuery(const TDataSet* DataSet) {
  const auto* t = dynamic_cast<const TvxTable*>(DataSet);
  return t && t->Query()->Count() > 0;
}

bool vxDataSetIsValidField(const TDataSet* DataSet, const std::string& Name) {
  return DataSet && DataSet->FindField(Name) != nullptr;
}

bool vxisNonPhysicalField(const TField* Field) { return Field->Calculated() || Field->Lookup(); }

bool vxisNonNuboField(const TField* Field) {
  if (!Field->DataSet()) return false;
  return vxisNonPhysicalField(Field) || !vxIsClass(Field->DataSet()->ClassType(), "TNuboDataSet");
}

bool vxValidFilterableFieldType(TFieldType FieldType) {
  return FieldType != ftBytes && FieldType != ftVarBytes && FieldType != ftBlob && FieldType != ftGraphic;
}

bool isVXEditControl(const std::string& ControlType) {
  return vxEqualStr(ControlType, "CustomEdit") || vxEqualStr(ControlType, "LookupCombo") ||
         vxEqualStr(ControlType, "Combo");
}

// ---------------------------------------------------------------- Selected lines

void vxDataSetUpdateSelected(TDataSet* DataSet, TStrings* List) {
  List->Clear();
  for (int i = 0; i < DataSet->FieldCount(); ++i) {
    TField* f = DataSet->Fields(i);
    if (f->Visible())
      List->Add(f->FieldName() + "\t" + IntToStr(f->DisplayWidth()) + "\t" + f->DisplayLabel());
  }
}

void vxDataSetUpdateFieldProperties(TDataSet* DataSet, const TStrings* List) {
  DataSet->DisableControls();
  // A bad width raises; the controls must not stay disabled for it.
  TScopeExit enable([DataSet] { DataSet->EnableControls(); });
  for (int i = 0; i < DataSet->FieldCount(); ++i) DataSet->Fields(i)->SetVisible(false);
  if (!List) return;
  for (int i = 0; i < List->Count(); ++i) {
    const std::string line = Line(List, i);
    TField* f = DataSet->FindField(Token(line, "\t", 1));
    if (!f) continue;
    f->SetDisplayWidth(StrToInt(Token(line, "\t", 2)));
    f->SetDisplayLabel(Token(line, "\t", 3));
    f->SetIndex(i);
    f->SetVisible(true);
  }
}

bool vxFindSelected(const TStrings* List, const std::string& FieldName, int& Index) {
  if (!List) return false;
  for (int i = 0; i < List->Count(); ++i) {
    if (AnsiSameText(Token(Line(List, i), "\t", 1), FieldName)) {
      Index = i;
      return true;
    }
  }
  return false;
}

std::string vxGetFieldNameFromTitle(const TDataSet* DataSet, const std::string& Title) {
  const std::string title = strReplaceChar(Title, U'~', U' ');
  for (int i = 0; i < DataSet->FieldCount(); ++i) {
    TField* f = DataSet->Fields(i);
    if (strReplaceChar(f->DisplayLabel(), U'~', U' ') == title) return f->FieldName();
  }
  return {};
}

int vxGetListIndex(const TStrings* List, const std::string& Text) {
  for (int i = 0; i < List->Count(); ++i)
    if (AnsiSameText(Line(List, i), Text)) return i;
  return -1;
}

// ---------------------------------------------------------------- ControlType lines

void vxDataSet_GetControl(const TDataSet* DataSet, const std::string& FieldName, std::string& ControlType,
                          std::string& Parameters) {
  ControlType.clear();
  Parameters.clear();
  const TStrings* list = vxGetControlType(DataSet);
  if (!list) return;
  for (int i = 0; i < list->Count(); ++i) {
    const std::string line = Line(list, i);
    if (Token(line, ";", 1) != FieldName) continue;
    ControlType = Token(line, ";", 2);
    Parameters = ControlParameters(line);
  }
}

void vxDataSet_SetControl(TDataSet* DataSet, const std::string& FieldName, const std::string& ControlType,
                          const std::string& Parameters) {
  TStrings* list = vxGetControlType(DataSet);
  if (!list) return;
  for (int i = 0; i < list->Count(); ++i) {
    const std::string stored = Token(Line(list, i), ";", 1);
    if (!AnsiSameText(stored, FieldName)) continue;
    if (ControlType.empty() || vxEqualStr(ControlType, "field"))
      list->Delete(i);
    else
      list->SetStrings(i, stored + ";" + ControlType + ";" + Parameters);
    return;
  }
  list->Add(FieldName + ";" + ControlType + ";" + Parameters);
}

void vxDataSetRemoveObsolete(TDataSet* DataSet, TStrings* LookupFields, TStrings* LookupLinks,
                             TStrings* ControlType) {
  if (LookupFields) {
    for (int i = LookupFields->Count() - 1; i >= 0; --i) {
      if (vxDataSetIsValidField(DataSet, Token(Line(LookupFields, i), ";", 1))) continue;
      LookupFields->Delete(i);
      if (LookupLinks && i < LookupLinks->Count()) LookupLinks->Delete(i);
    }
  }
  if (ControlType) {
    for (int i = ControlType->Count() - 1; i >= 0; --i)
      if (!vxDataSetIsValidField(DataSet, Token(Line(ControlType, i), ";", 1))) ControlType->Delete(i);
  }
}

bool vxDataSetRemoveObsoleteControls(TComponent* Form, TDataSet* DataSet) {
  if (!Form || !Form->ComponentState().Contains(csDesigning)) return true;
  TStrings* list = vxGetControlType(DataSet);
  if (!list) return true;
  for (int i = list->Count() - 1; i >= 0; --i) {
    const std::string line = Line(list, i);
    if (TokenCount(line, ";") < 2 || !isVXEditControl(Token(line, ";", 2))) continue;
    const std::string name = ControlParameters(line);
    const int dot = LastDelimiter(".", name);
    // A qualifier with nothing after it names no control to miss.
    const bool named = dot == 0 || !Copy(name, dot + 1).empty();
    if (named && !vxFindNamedControl(Form, DataSet, name)) list->Delete(i);
  }
  return true;
}

int vxControlTypeParts(const std::string& Line, std::string& FieldName, std::string& ControlType,
                       std::string& Parameters) {
  FieldName = Token(Line, ";", 1);
  ControlType = Token(Line, ";", 2);
  Parameters = ControlParameters(Line);
  return TokenCount(Line, ";");
}

TComponent* vxFindNamedControl(const TComponent* Form, const TDataSet* DataSet, const std::string& Name) {
  const int dot = LastDelimiter(".", Name);
  if (dot == 0) return Form ? Form->FindComponent(Name) : nullptr;
  const std::string name = Copy(Name, dot + 1);
  const TComponent* owner = DataSet ? DataSet->Owner() : nullptr;
  return name.empty() || !owner ? nullptr : owner->FindComponent(name);
}

// ---------------------------------------------------------------- LookupFields and LookupLinks

std::string vxDataSetGetLinks(const TDataSet* DataSet, const std::string& FieldName) {
  const TStrings* links = vxGetLookupLinks(DataSet);
  const int i = LookupLine(DataSet, FieldName);
  if (!links || i < 0 || i >= links->Count()) return {};
  return Line(links, i);
}

std::string vxDataSetGetDisplayField(const TDataSet* DataSet, const std::string& FieldName) {
  const int i = LookupLine(DataSet, FieldName);
  return i < 0 ? std::string() : Token(Line(vxGetLookupFields(DataSet), i), ";", 4);
}

void vxDataSet_SetLookupLink(TDataSet* DataSet, const std::string& FieldName, const std::string& DatabaseName,
                             const std::string& TableName, const std::string& DisplayField,
                             const std::string& IndexFields, const std::string& Links, const std::string& Flag) {
  TStrings* fields = vxGetLookupFields(DataSet);
  TStrings* links = vxGetLookupLinks(DataSet);
  if (!fields) return;
  for (int i = fields->Count() - 1; i >= 0; --i) {
    if (!AnsiSameText(Token(Line(fields, i), ";", 1), FieldName)) continue;
    fields->Delete(i);
    if (links && i < links->Count()) links->Delete(i);
  }
  if (DatabaseName.empty() || TableName.empty() || DisplayField.empty() || IndexFields.empty()) return;
  // The display field at token 4, where the readers take it; the index name
  // stays empty, as the index fields choose the index.
  fields->Add(FieldName + ";" + DatabaseName + ";" + TableName + ";" + DisplayField + ";;" + IndexFields + ";" + Flag);
  if (links) {
    // Keep the lists line for line even when the links list fell short.
    while (links->Count() < fields->Count() - 1) links->Add("");
    links->Add(Links);
  }
}

// ---------------------------------------------------------------- lookup fields

namespace {

// Set while a filter lookup moves a table: a lookup nested in it answers nothing.
bool FilterLookupGuard = false;

std::vector<std::string> SplitLine(const std::string& Line) {
  std::vector<std::string> parts;
  int pos = 1;
  std::string token;
  while (pos >= 1) {
    strGetToken(Line, ";", pos, token);
    parts.push_back(token);
  }
  return parts;
}

// The master fields of a link line: the first of each pair.
std::vector<std::string> MasterFields(const std::vector<std::string>& Links) {
  std::vector<std::string> masters;
  for (std::size_t i = 0; i < Links.size(); i += 2) masters.push_back(Links[i]);
  return masters;
}

bool HasAllFields(const TDataSet* DataSet, const std::vector<std::string>& Names) {
  return std::ranges::all_of(Names, [DataSet](const std::string& n) { return vxDataSetIsValidField(DataSet, n); });
}

std::string BeforeDot(const std::string& S) {
  const int dot = Pos(".", S);
  return dot > 0 ? Copy(S, 1, dot - 1) : S;
}

// A LookupFields line taken apart.
struct TLookupLine {
  explicit TLookupLine(const std::string& Line) : Tokens(SplitLine(Line)) { Tokens.resize(std::max<std::size_t>(Tokens.size(), 5)); }
  std::size_t Count() const { return Tokens.size(); }
  const std::string& FieldName() const { return Tokens[0]; }
  const std::string& DatabaseName() const { return Tokens[1]; }
  // A line ending in the flag "N" names its table without the extension.
  std::string TableName() const {
    return Count() >= 6 && Tokens.back() == "N" ? BeforeDot(Tokens[2]) : Tokens[2];
  }
  const std::string& DisplayField() const { return Tokens[3]; }
  // Up to five tokens name the index; longer lines name its fields (the
  // sixth token of a six-token line is both a field and the flag).
  bool ByIndexName() const { return Count() < 6; }
  const std::string& IndexName() const { return Tokens[4]; }
  std::string IndexFields() const {
    std::string fields = Tokens[5];
    for (std::size_t i = 6; i + 1 < Count(); ++i) fields += ";" + Tokens[i];
    return fields;
  }
  std::vector<std::string> Tokens;
};

bool Matches(const TvxTable* Table, const TLookupLine& Line, const std::string& LinkLine) {
  return Table->DatabaseName() == Line.DatabaseName() && Table->TableName() == Line.TableName() &&
         AnsiSameText(Table->LinkLine(), LinkLine);
}

TvxTable* MatchingTable(const std::vector<TvxTable*>& Tables, const TLookupLine& Line, const std::string& LinkLine) {
  for (TvxTable* t : Tables)
    if (Matches(t, Line, LinkLine)) return t;
  return nullptr;
}

std::string LinkLineAt(const TStrings* Links, int Index) {
  return Links && Index < Links->Count() ? Links->Strings(Index) : std::string();
}

// The key values a link line's master fields give, each from Value.
std::vector<Variant> MasterKeys(const std::vector<std::string>& Links,
                                const std::function<std::string(const std::string&)>& Value) {
  std::vector<Variant> keys;
  for (const std::string& m : MasterFields(Links)) keys.emplace_back(Value(m));
  return keys;
}

// 2 to 12 link tokens in pairs give 1 to 6 key values; anything else none.
bool PairedLinks(const std::vector<std::string>& Links) {
  return Links.size() >= 2 && Links.size() <= 12 && Links.size() % 2 == 0;
}

// Makes and opens the hidden table of a line; nullptr when it cannot open.
TvxTable* OpenLookupTable(TDataSet* DataSet, const TLookupLine& Line) {
  auto table = std::make_unique<TvxTable>(DataSet);
  try {
    table->SetDatabaseName(Line.DatabaseName());
    table->SetTableName(Line.TableName());
    table->SetIndexName(Line.ByIndexName() ? Line.IndexName() : table->FieldsToIndex(Line.IndexFields()));
    table->SetReadOnly(true);
    table->Open();
  } catch (const Exception&) {
    return nullptr;  // tried again at the next record; the table goes with the pointer
  }
  return table.release();
}

}  // namespace

void TvxLookupHost::FreeLookupTables() {
  while (!lookupTables_.empty()) {
    TvxTable* t = lookupTables_.back();
    lookupTables_.pop_back();
    delete t;  // freeing takes it off its owner's list
  }
}

std::vector<TvxTable*>* vxDataSetLookupTables(TDataSet* DataSet) {
  auto* host = dynamic_cast<TvxLookupHost*>(DataSet);
  return host ? &host->LookupTables() : nullptr;
}

bool vxDoLookupTable(TDataSet* LookupTable, TDataSet* DataSet, const std::vector<std::string>& Links) {
  auto* table = dynamic_cast<TvxTable*>(LookupTable);
  if (!table || Links.empty()) return false;
  if (table->IndexFieldCount() == 0) {
    if (Links.size() < 2) return false;
    const TField* master = DataSet->FindField(Links[0]);
    return table->vxFindRecord(master ? master->Text() : std::string(), Links[1], mtExactMatch, false);
  }
  if (!PairedLinks(Links)) return false;
  return table->vxFindKey(MasterKeys(Links, [DataSet](const std::string& m) { return DataSet->FieldByName(m)->Text(); }));
}

void vxDataSetDoOnCalcFields(TDataSet* DataSet, TStrings* LookupFields, TStrings* LookupLinks,
                             std::vector<TvxTable*>& LookupTables) {
  if (!LookupFields) return;
  for (TvxTable* t : LookupTables) t->SetLookedUp(false);
  for (int i = 0; i < LookupFields->Count(); ++i) {
    const TLookupLine line(LookupFields->Strings(i));
    const std::string linkLine = LinkLineAt(LookupLinks, i);
    TvxTable* table = MatchingTable(LookupTables, line, linkLine);
    if (!table) {
      table = OpenLookupTable(DataSet, line);
      if (!table) continue;
      table->SetLookedUp(false);
      table->SetLinkLine(linkLine);
      LookupTables.push_back(table);
    } else if (!table->Active()) {
      try {
        table->Open();
      } catch (const Exception&) {
        continue;
      }
    }
    const std::vector<std::string> links = SplitLine(linkLine);
    TField* field = DataSet->FindField(line.FieldName());
    if (!HasAllFields(DataSet, MasterFields(links))) {
      if (field) field->SetVisible(false);
      return;
    }
    if (!table->LookedUp()) {
      TPropertyScope exact(*table, &TvxTable::ExactRangeMode, &TvxTable::SetExactRangeMode, true);
      table->SetFound(vxDoLookupTable(table, DataSet, links));
    }
    if (field) {
      if (!table->Found()) {
        field->SetText("");
      } else {
        const TField* display = table->FieldByName(line.DisplayField());
        field->SetText(dynamic_cast<const TBlobField*>(display) ? display->AsString() : display->Text());
      }
    }
    table->SetLookedUp(true);
  }
}

bool vxSetLookupField(TDataSet* DataSet, TField* Field) {
  if (Field->Lookup()) {
    TDataSet* lookup = Field->LookupDataSet();
    if (!lookup) return false;
    const Variant key = DataSet->FieldByName(Field->KeyFields())->Value();
    auto* table = dynamic_cast<TTable*>(lookup);
    const bool found = table ? table->FindKey({key}) : lookup->Locate(Field->LookupKeyFields(), key, {});
    if (!found) return false;
    TField* result = lookup->FieldByName(Field->LookupResultField());
    if (result->Text() != Field->Text()) {
      lookup->Edit();
      result->SetText(Field->Text());
    }
    return true;
  }
  const TStrings* fields = vxGetLookupFields(DataSet);
  std::vector<TvxTable*>* tables = vxDataSetLookupTables(DataSet);
  if (!fields || !tables) return false;
  const TStrings* linkList = vxGetLookupLinks(DataSet);
  bool found = false;
  for (int i = 0; i < fields->Count(); ++i) {
    const TLookupLine line(fields->Strings(i));
    if (!AnsiSameText(line.FieldName(), Field->FieldName())) continue;
    const std::string linkLine = LinkLineAt(linkList, i);
    TvxTable* table = MatchingTable(*tables, line, linkLine);
    if (!table) break;
    if (table->ReadOnly()) {
      table->Close();
      table->SetReadOnly(false);
      table->Open();
    }
    {
      TPropertyScope exact(*table, &TvxTable::ExactRangeMode, &TvxTable::SetExactRangeMode, true);
      found = vxDoLookupTable(table, DataSet, SplitLine(linkLine));
    }
    if (!found) continue;
    TField* display = table->FieldByName(line.DisplayField());
    if (display->Text() != Field->Text()) {
      table->Edit();
      display->SetText(Field->Text());
    }
  }
  return found;
}

bool vxDataSetSyncLookupTable(TDataSet* DataSet, TDataSet* LookupTable, const std::string& FieldName,
                              std::string& MasterField) {
  auto* table = dynamic_cast<TvxTable*>(LookupTable);
  if (!table) return false;
  TStrings* fields = vxGetLookupFields(DataSet);
  TStrings* linkList = vxGetLookupLinks(DataSet);
  vxDataSetRemoveObsolete(DataSet, fields, linkList, vxGetControlType(DataSet));
  if (!fields) return false;
  for (int i = 0; i < fields->Count(); ++i) {
    const TLookupLine line(fields->Strings(i));
    if (!AnsiSameText(line.FieldName(), FieldName)) continue;
    if (AnsiSameText(BeforeDot(table->TableName()), BeforeDot(line.Tokens[2]))) {
      if (line.ByIndexName()) {
        if (table->IndexName() != line.IndexName()) table->SetIndexName(line.IndexName());
      } else {
        TPropertyScope ignore(*table, &TvxTable::IgnoreMaster, &TvxTable::SetIgnoreMaster, true);
        table->SetToIndexContainingField(line.IndexFields());
      }
    }
    const std::vector<std::string> links = SplitLine(LinkLineAt(linkList, i));
    if (!HasAllFields(DataSet, MasterFields(links))) {
      if (TField* f = DataSet->FindField(FieldName)) f->SetVisible(false);
      return false;
    }
    const bool result = vxDoLookupTable(table, DataSet, links);
    MasterField = links[0];
    return result;
  }
  return false;
}

bool vxDataSetLookupDisplayField(TField* Field, std::string& Value, TField*& LookupField) {
  LookupField = Field;
  TDataSet* dataSet = Field->DataSet();
  std::vector<TvxTable*>* tables = vxDataSetLookupTables(dataSet);
  if (!tables) return false;
  std::string databaseName = vxGetDatabaseName(dataSet), tableName, displayField, linkLine;
  const int i = LookupLine(dataSet, Field->FieldName());
  if (i >= 0) {
    const TLookupLine line(Line(vxGetLookupFields(dataSet), i));
    if (SplitLine(Line(vxGetLookupFields(dataSet), i)).size() > 4) {
      databaseName = line.DatabaseName();
      tableName = line.TableName();
      displayField = line.DisplayField();
      linkLine = LinkLineAt(vxGetLookupLinks(dataSet), i);
    }
  }
  for (TvxTable* t : *tables) {
    if (t->DatabaseName() != databaseName || t->TableName() != tableName || !AnsiSameText(t->LinkLine(), linkLine))
      continue;
    LookupField = t->FieldByName(displayField);
    const TField* master = dataSet->FindField(SplitLine(linkLine)[0]);
    Value = master ? master->Text() : std::string();
    return t->vxFindKey({Variant(Value)});
  }
  return false;
}

TField* vxDataSet_GetFilterLookupField(TDataSet* DataSet, TField* Field, const TvxFilterFieldFunc& FilterField) {
  // The master values of the record under test, read before the table
  // moves: FilterField's parameter is overwritten by the next call.
  auto position = [&FilterField](TvxTable* Table, const std::vector<std::string>& Links) {
    TRestoreScope<bool> guard(FilterLookupGuard, true);
    if (!PairedLinks(Links)) return false;
    return Table->vxFindKey(MasterKeys(Links, [&FilterField](const std::string& m) { return FilterField(m)->AsString(); }));
  };
  if (Field->Calculated()) {
    std::vector<TvxTable*>* tables = vxDataSetLookupTables(DataSet);
    const TStrings* fields = vxGetLookupFields(DataSet);
    if (FilterLookupGuard || !tables || !fields) return nullptr;
    const std::string linkLine = vxDataSetGetLinks(DataSet, Field->FieldName());
    for (int i = 0; i < fields->Count(); ++i) {
      const TLookupLine line(fields->Strings(i));
      if (!AnsiSameText(line.FieldName(), Field->FieldName())) continue;
      TvxTable* table = MatchingTable(*tables, line, LinkLineAt(vxGetLookupLinks(DataSet), i));
      if (!table) continue;
      return position(table, SplitLine(linkLine)) ? table->FieldByName(line.DisplayField()) : nullptr;
    }
    return nullptr;
  }
  if (Field->Lookup()) {
    if (FilterLookupGuard) return nullptr;
    auto* table = dynamic_cast<TvxTable*>(Field->LookupDataSet());
    if (!table) return nullptr;
    const std::vector<std::string> keys = SplitLine(Field->KeyFields());
    const std::vector<std::string> lookupKeys = SplitLine(Field->LookupKeyFields());
    std::vector<std::string> links;
    for (std::size_t k = 0; k < keys.size() && k < lookupKeys.size(); ++k) {
      links.push_back(keys[k]);
      links.push_back(lookupKeys[k]);
    }
    return position(table, links) ? table->FieldByName(Field->LookupResultField()) : nullptr;
  }
  return nullptr;
}

// ---------------------------------------------------------------- query text

std::string vxGetQueryText(const TStrings* Lines, bool IsSQL) {
  std::string text;
  const char* sep = IsSQL ? " " : "\r\n";
  for (int i = 0; i < Lines->Count(); ++i) {
    if (i > 0) text += sep;
    text += Line(Lines, i);
  }
  return text;
}

// ---------------------------------------------------------------- picture masks

void vxPictureByField(TDataSet* DataSet, const std::string& FieldName, bool UseTablePicture, std::string& Picture,
                      bool& AutoFill, bool& UseInGrid) {
  Picture.clear();
  AutoFill = true;
  UseInGrid = true;
  if (const TStrings* list = vxGetPictureMasks(DataSet)) {
    const int i = PictureLine(list, FieldName);
    if (i >= 0) {
      const std::string line = Line(list, i);
      Picture = Token(line, "\t", 2);
      AutoFill = Token(line, "\t", 3) == "T";
      UseInGrid = Token(line, "\t", 4) == "T";
    }
  }
  auto* table = dynamic_cast<TvxTable*>(DataSet);
  if (!UseTablePicture || !table) return;
  const std::string stored = table->GetDBPicture(FieldName);
  if (stored.empty()) return;
  // The table's picture wins, and the line is made to say so. It is handed
  // over rather than looked up again: a closed table has no fields to find it
  // by, and an empty mask would delete the line.
  if (!Picture.empty()) vxSetPictureMask(DataSet, FieldName, stored, AutoFill, UseInGrid, true, true, false);
  Picture = stored;
}

void vxSetPictureMask(TDataSet* DataSet, const std::string& FieldName, std::string Mask, bool AutoFill,
                      bool UseInGrid, bool SetMask, bool SetAutoFill, bool SetUseInGrid) {
  TStrings* list = vxGetPictureMasks(DataSet);
  if (!list) return;
  const std::string stored = vxKalPictureMask(DataSet, FieldName);
  if (!stored.empty()) Mask = stored;
  const int i = PictureLine(list, FieldName);
  if (i >= 0) {
    const std::string line = Line(list, i);
    if (!SetMask) Mask = Token(line, "\t", 2);
    if (!SetAutoFill) AutoFill = Token(line, "\t", 3) == "T";
    if (!SetUseInGrid) UseInGrid = Token(line, "\t", 4) == "T";
    if (Mask.empty())
      list->Delete(i);
    else
      list->SetStrings(i, FieldName + "\t" + Mask + "\t" + Flag(AutoFill) + "\t" + Flag(UseInGrid));
    return;
  }
  if (!Mask.empty()) list->Add(FieldName + "\t" + Mask + "\t" + Flag(AutoFill) + "\t" + Flag(UseInGrid));
}

std::string vxKalPictureMask(TDataSet* DataSet, const std::string& FieldName) {
  auto* table = dynamic_cast<TvxTable*>(DataSet);
  if (!table || !table->FindField(FieldName)) return {};
  return table->GetDBPicture(FieldName);
}

void vxValidatePictureFields(TDataSet* DataSet, const TvxInvalidValueEvent& OnInvalidValue) {
  for (int i = 0; i < DataSet->FieldCount(); ++i) {
    TField* field = DataSet->Fields(i);
    std::string picture;
    bool autoFill, useInGrid;
    vxPictureByField(DataSet, field->FieldName(), true, picture, autoFill, useInGrid);
    if (picture.empty()) continue;
    std::string text = field->AsString();
    // Auto-fill is for typing: a value is complete only as it stands.
    if (text.empty() || TvxPictureValidator(picture, false).Picture(text, false) == prComplete) continue;
    if (field->ReadOnly()) continue;
    field->FocusControl();
    if (OnInvalidValue) OnInvalidValue(DataSet, field);
    DatabaseError(vxInternational()->UserMessages()->PictureValidateError() + field->DisplayName());
  }
}

void vxOpenPictureDB(TvxTable* Table) {
  std::string path;
  {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (registry.OpenKeyReadOnly(vxMasksRegistryKey)) path = registry.ReadString(vxMasksRegistryValue);
  }
  Table->SetDatabaseName(path);
  try {
    Table->SetTableName("PICTURE");
    Table->SetActive(true);
    return;
  } catch (const Exception&) {
  }
  try {
    Table->SetTableName("PICTURES.DBF");
    Table->SetIndexName("");
    Table->SetActive(true);
    return;
  } catch (const Exception&) {
  }
  ShowMessage("Unable to find picture mask database:\rPath: " + Table->DatabaseName() +
                  "\rTable: PICTURE\rSee path specification defined in Windows Registry at\r"
                  "  \\Software\\Belmarr\\Lumerix\\Masks Database Path");
}

// ---------------------------------------------------------------- filtering

namespace {

// The length of the longest run of whole UTF-8 characters of Text within Limit bytes.
std::size_t WholeChars(const std::uint8_t* Text, std::size_t Length, std::size_t Limit) {
  if (Length <= Limit) return Length;
  std::size_t n = Limit;
  while (n > 0 && (Text[n] & 0xC0) == 0x80) --n;
  return n;
}

template <typename T>
void Put(std::uint8_t* Buffer, T Value) {
  std::memcpy(Buffer, &Value, sizeof Value);
}

template <bool WithOptions>
std::uint16_t RecordCallback(std::uintptr_t ClientData, void* Record) {
  auto* dataSet = reinterpret_cast<TDBDataSet*>(ClientData);
  auto* host = dynamic_cast<TvxFilterHost*>(dataSet);
  if (!host || dataSet->ComponentState().Contains(csDestroying) || !host->HasOnFilter()) return 1;
  TvxFilterState& state = host->FilterState();
  if (state.InOnFilter) return 1;
  if (WithOptions && !host->OnFilterOptions().Contains(ofoEnabled)) return 1;
  // Nothing may unwind through the engine: what OnFilter raises is kept and
  // raised again in the engine's caller, the dataset operation.
  try {
    ++state.CallbackDepth;
    TScopeExit leave([&state] { --state.CallbackDepth; });
    bool accept = true;
    {
      TRestoreScope<bool> inOnFilter(state.InOnFilter, true);
      TRestoreScope<std::uint8_t*> record(state.RecordUnderTest, static_cast<std::uint8_t*>(Record));
      host->DoOnFilter(accept);
    }
    if (WithOptions) {
      const TvxOnFilterOptions options = host->OnFilterOptions();
      if (options.Contains(ofoShowHourGlass) && !state.HourGlassShown && !accept) {
        if (Screen && Screen->Cursor() != crHourGlass) Screen->SetCursor(crHourGlass);
        state.HourGlassShown = true;
      }
      if (options.Contains(ofoCancelOnEscape)) {
        if (++state.EscapeCounter >= 32000) state.EscapeCounter = 0;
        if (state.EscapeCounter % 100 == 0 && vxProcessEscapeFilterEvent(dataSet)) {
          host->SetOnFilterOptions(host->OnFilterOptions() - TvxOnFilterOptions{ofoEnabled});
          host->DoOnFilterEscape();
        }
      }
    }
    return accept ? 1 : 0;
  } catch (...) {
    KeepCallbackException(std::current_exception());
    return ORVEX_FILTER_ABORT;
  }
}

}  // namespace

TvxOnFilterOptions vxGetOnFilterOptions(const TDataSet* DataSet) {
  if (!DataSet) return {};
  if (vxIsClass(DataSet->ClassType(), "TvxClientDataSet")) {
    const TPropInfo* p = Prop(DataSet, "Filtered");
    return p && GetOrdProp(DataSet, p) != 0 ? TvxOnFilterOptions{ofoEnabled} : TvxOnFilterOptions{};
  }
  const TPropInfo* p = Prop(DataSet, "OnFilterOptions");
  if (!p || p->Kind != tkSet) return {};
  return TvxOnFilterOptions::FromBits(static_cast<TvxOnFilterOptions::Bits>(GetOrdProp(DataSet, p)));
}

void vxSetOnFilterEnabled(TDataSet* DataSet, bool Enabled) {
  const TPropInfo* p = Prop(DataSet, "OnFilterOptions");
  if (!p || p->Kind != tkSet || !p->HasSetter) return;
  auto options = TvxOnFilterOptions::FromBits(static_cast<TvxOnFilterOptions::Bits>(GetOrdProp(DataSet, p)));
  if (Enabled)
    options.Include(ofoEnabled);
  else
    options.Exclude(ofoEnabled);
  SetOrdProp(DataSet, p, static_cast<std::int64_t>(options.ToBits()));
}

bool vxProcessEscapeFilterEvent(TDataSet* DataSet) {
  const std::vector<TWaitingMessage> keys = PeekKeyMessages();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].Msg != WM_KEYDOWN || keys[i].WParam != VK_ESCAPE) continue;
    // Its key-up goes with it, so that nothing else hears half an Escape.
    for (std::size_t j = i + 1; j < keys.size(); ++j) {
      if (keys[j].Msg == WM_KEYUP && keys[j].WParam == VK_ESCAPE) {
        RemoveKeyMessage(j);
        break;
      }
    }
    RemoveKeyMessage(i);
    vxSetOnFilterEnabled(DataSet, false);
    return true;
  }
  return false;
}

void vxConvertFieldToParam(TField* Field, TParam* Param, std::uint8_t* Buffer) {
  switch (Field->DataType()) {
    case ftString:
    case ftMemo: {
      const std::string s = Field->AsString();
      const auto* text = reinterpret_cast<const std::uint8_t*>(s.data());
      const std::size_t n = WholeChars(text, s.size(), vxFilterValueBufferSize - 1);
      std::memcpy(Buffer, text, n);
      Buffer[n] = 0;
      break;
    }
    case ftSmallint: Put(Buffer, static_cast<std::int16_t>(Field->AsInteger())); break;
    case ftWord: Put(Buffer, static_cast<std::uint16_t>(Field->AsInteger())); break;
    case ftInteger: Put(Buffer, static_cast<std::int32_t>(Field->AsInteger())); break;
    case ftBoolean:
      Buffer[0] = Field->AsBoolean() ? 0xFF : 0;
      Buffer[1] = 0;
      break;
    case ftFloat:
    case ftCurrency: Put(Buffer, Field->AsFloat()); break;
    case ftDate: Put(Buffer, static_cast<std::int32_t>(DateTimeToTimeStamp(Field->AsDateTime()).Date)); break;
    case ftTime: Put(Buffer, static_cast<std::int32_t>(DateTimeToTimeStamp(Field->AsDateTime()).Time)); break;
    case ftDateTime: Put(Buffer, TimeStampToMSecs(DateTimeToTimeStamp(Field->AsDateTime()))); break;
    default: return;
  }
  Param->SetData(Buffer);
}

TNuboFilterCallback vxRecordFilterCallback(bool WithOptions) {
  return WithOptions ? &RecordCallback<true> : &RecordCallback<false>;
}

void vxDataSetSetOnFilterOptions(TDataSet* DataSet, TvxFilterHost& Host, TvxOnFilterOptions& Stored,
                                 TvxOnFilterOptions Value) {
  const bool wasEnabled = Stored.Contains(ofoEnabled);
  Stored = Value;
  if (!wasEnabled || Value.Contains(ofoEnabled) || !DataSet->Active() || !Host.HasOnFilter()) return;
  // Inside the engine's read the cursor may not move: the records show when
  // the read is over.
  if (Host.FilterState().CallbackDepth > 0) {
    Host.FilterState().ShowAllPending = true;
    return;
  }
  DataSet->UpdateCursorPos();
  DataSet->Resync({});
}

void vxDataSetShowPendingRecords(TDataSet* DataSet, TvxFilterHost& Host, TDataEvent Event) {
  TvxFilterState& state = Host.FilterState();
  if (state.ShowAllPending && state.CallbackDepth == 0 && DataSet->State() == dsBrowse &&
      (Event == deDataSetChange || Event == deDataSetScroll || Event == deUpdateState)) {
    state.ShowAllPending = false;
    DataSet->UpdateCursorPos();
    DataSet->Resync({});
  }
}

void vxDataSetResetMouseCursor(TvxFilterHost& Host) {
  TvxFilterState& state = Host.FilterState();
  if (!Host.OnFilterOptions().Contains(ofoShowHourGlass) || !state.HourGlassShown || !Screen ||
      Screen->Cursor() == crArrow)
    return;
  Screen->SetCursor(crArrow);
  state.HourGlassShown = false;
}

TParam* vxDataSetFilterField(TDBDataSet* DataSet, TvxFilterState& State, const std::string& FieldName) {
  TField* field = DataSet->FindField(FieldName);
  if (!field) throw EDatabaseError(FieldName + ": Field '" + FieldName + "' not found");
  if (!State.RecordUnderTest) DatabaseError("vxFilterField: no record is being filtered", DataSet);
  // One byte more than the value may take: a memo that fills the buffer still ends.
  if (State.ValueBuffer.empty()) State.ValueBuffer.assign(vxFilterValueBufferSize + 1, 0);
  if (!State.ValueParam) State.ValueParam = std::make_unique<TParam>();
  std::uint8_t* buffer = State.ValueBuffer.data();
  std::memset(buffer, 0, 4);
  TParam* param = State.ValueParam.get();
  param->Clear();
  const hOrvexCursor cursor = DataSet->Handle();
  std::uint8_t* record = State.RecordUnderTest;
  const auto fieldNo = static_cast<std::uint16_t>(field->FieldNo());
  const TFieldType type = field->DataType();

  if (type == ftMemo || type == ftFmtMemo) {
    Check(NuboOpenBlob(cursor, record, fieldNo, ORVEX_BLOB_READONLY));
    TScopeExit free([&] { NuboFreeBlob(cursor, record, fieldNo); });
    std::size_t got = 0;
    while (got < vxFilterValueBufferSize) {
      const auto want = static_cast<std::uint32_t>(std::min<std::size_t>(ORVEX_BLOB_MAX_READ, vxFilterValueBufferSize - got));
      std::uint32_t read = 0;
      const OrvexResult r = NuboGetBlob(cursor, record, fieldNo, static_cast<std::uint32_t>(got), want, buffer + got, &read);
      if (r == ORVEX_OK) {
        got += want;
        continue;
      }
      if (r == ORVEX_ERR_ENDOFBLOB) {
        got += read;
        break;
      }
      if (r == ORVEX_ERR_BLOBOFFSET) break;
      Check(r);
    }
    // The text ends at the bytes read, in whole characters.
    buffer[WholeChars(buffer, got, got == vxFilterValueBufferSize ? got - 1 : got)] = 0;
    param->SetDataType(type);
    param->SetData(buffer);
    return param;
  }
  if (vxisNonPhysicalField(field)) {
    // Neither a calculated nor a lookup field has a value in the engine's
    // record: a lookup field's comes from its lookup table, moved by the
    // record under test; anything else is Null of the field's type.
    param->SetDataType(type);
    TField* source = vxDataSet_GetFilterLookupField(
        DataSet, field, [DataSet, &State](const std::string& Name) { return vxDataSetFilterField(DataSet, State, Name); });
    if (source) {
      param->Clear();
      param->SetDataType(source->DataType());
      vxConvertFieldToParam(source, param, buffer);
    }
    return param;
  }
  std::uint16_t blank = 0;
  Check(NuboGetField(cursor, fieldNo, record, buffer, &blank));
  if (type == ftBCD && !blank) {
    double value = 0;
    Check(NuboBcdToFloat(buffer, &value));
    Put(buffer, value);
  }
  param->SetDataType(type == ftAutoInc ? ftInteger : type);
  if (!blank) param->SetData(buffer);
  return param;
}

// ---------------------------------------------------------------- searches

bool vxIsValidValue(TFieldType FieldType, const std::string& Text) {
  switch (FieldType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return vxStrToInt(Text);
    case ftFloat:
    case ftCurrency:
    case ftBCD: return vxStrToFloat(Text);
    case ftDate: return vxStrToDate(Text);
    case ftTime: return vxStrToTime(Text);
    case ftDateTime: return vxStrToDateTime(Text) || vxStrToDate(Text);
    default: return true;
  }
}

bool vxFieldIsValidValue(const TField* Field, const std::string& Text) {
  return vxIsValidValue(Field->DataType(), Text);
}

namespace {

// Numbers, dates and times are typed as such; anything else is text.
bool IsTextKey(TFieldType Type) {
  switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime: return false;
    default: return true;
  }
}

}  // namespace

bool vxFieldIsValidLocateValue(const TField* Field, const std::string& Text) {
  if (!Field) return false;
  if (Text.empty() && !IsTextKey(Field->DataType())) return false;
  return vxFieldIsValidValue(Field, Text);
}

namespace {

// The key values of a search on index field FieldIndex: the current texts of
// the index fields before it, then Value.
std::vector<Variant> KeyValues(TTable* Table, const std::string& Value, int FieldIndex) {
  std::vector<Variant> keys;
  for (int i = 0; i < FieldIndex; ++i) keys.emplace_back(Table->IndexFields(i)->AsString());
  keys.emplace_back(Value);
  return keys;
}

// Whether the reached record's index field is what was typed.
bool NearestMatches(const TField* Field, const std::string& Value) {
  switch (Field->DataType()) {
    case ftFloat:
    case ftCurrency:
      if (Value.empty()) return Field->AsString().empty();
      return StrToFloat(Value) == Field->AsFloat();
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return Field->AsString() == Value;
    default: {
      const std::string text = AnsiLowerCase(Field->AsString());
      const std::string value = AnsiLowerCase(Value);
      return text.compare(0, value.size(), value) == 0;
    }
  }
}

}  // namespace

void vxWithControlsHeld(TDataSet* DataSet, const std::function<void()>& Action) {
  THourGlassScope hourGlass;
  DataSet->DisableControls();
  TScopeExit enable([DataSet] { DataSet->EnableControls(); });
  Action();
}

bool vxTableFindNearest(TDataSet* DataSet, const std::string& Value, int FieldIndex) {
  auto* table = dynamic_cast<TTable*>(DataSet);
  if (!table) return false;
  auto* vxTable = dynamic_cast<TvxTable*>(table);
  if (!vxTable) {
    MessageDlg("Incremental Search - TTable component not supported. Use TvxTable instead.", mtWarning, {mbOK}, 0);
    return false;
  }
  if (table->IndexFieldCount() == 0) {
    MessageDlg("Table " + table->Name() + ": Table index not found", mtWarning, {mbOK}, 0);
    return false;
  }
  if (FieldIndex < 0 || FieldIndex >= table->IndexFieldCount()) return false;
  TField* field = table->IndexFields(FieldIndex);
  if (!vxFieldIsValidValue(field, Value)) return false;
  const bool text = IsTextKey(field->DataType());

  if (vxTable->NarrowSearch()) {
    vxWithControlsHeld(table, [&] {
      if (!text) {
        vxTable->vxSetRangeStart({Variant(Value)});
      } else if (!Value.empty()) {
        // The key buffer holds no more characters than the field.
        const int size = table->IndexFields(0)->Size();
        const std::size_t room = static_cast<std::size_t>(std::max(size, 0));
        const TChars value = Utf8ToChars(Value).substr(0, room);
        const TChars upperChars = value + TChars(room, static_cast<TChar>(vxTable->NarrowSearchUpperChar()));
        const std::string lower = CharsToUtf8(value);
        const std::string upper = CharsToUtf8(upperChars.substr(0, room));
        bool descending = false;
        if (!table->IndexName().empty()) {
          vxTable->UpdateIndexes();
          const int i = table->IndexDefs()->IndexOf(table->IndexName());
          descending = i >= 0 && table->IndexDefs()->Items(i)->Options().Contains(ixDescending);
        }
        if (table->IndexName().empty() && !table->IndexFieldNames().empty())
          table->SetRange({Variant(lower)}, {Variant(upper)});
        else if (descending)
          table->SetRange({Variant(upper)}, {Variant(lower)});
        else
          table->SetRange({Variant(lower)}, {Variant(upper)});
      } else {
        vxTable->FastCancelRange();
      }
    });
  } else if (vxDataSetIsSQLBased(table) && vxTable->SyncSQLByRange() && !table->MasterSource()) {
    vxWithControlsHeld(table, [&] {
      if (Value.empty())
        vxTable->FastCancelRange();
      else if (FieldIndex <= 3)
        vxTable->vxSetRangeStart(KeyValues(table, Value, FieldIndex));
    });
  } else if (vxInternational()->UseLocateMethodForSearch()) {
    TLocateOptions options{loPartialKey};
    if (vxTable->isCaseInsensitiveIndex()) options.Include(loCaseInsensitive);
    if (Value.empty()) {
      table->First();
    } else if (FieldIndex == 0) {
      table->Locate(field->FieldName(), Variant(Value), options);
    } else {
      std::string names;
      for (int i = 0; i <= FieldIndex; ++i) names += (i ? ";" : "") + table->IndexFields(i)->FieldName();
      table->Locate(names, Variant::MakeArray(KeyValues(table, Value, FieldIndex)), options);
    }
  } else if (FieldIndex <= 3) {
    table->FindNearest(KeyValues(table, Value, FieldIndex));
  }
  return NearestMatches(table->IndexFields(FieldIndex), Value);
}

void vxTableChangeIndex(TDataSet* DataSet, TIndexDef* IndexDef) {
  auto* table = dynamic_cast<TTable*>(DataSet);
  if (!table) return;
  auto* vxTable = dynamic_cast<TvxTable*>(table);
  if (!vxDataSetIsSQLBased(table) || (vxTable && !vxTable->SyncSQLByRange())) {
    table->SetIndexName(IndexDef->Name());
    return;
  }
  if (table->IndexName() == IndexDef->Name()) return;
  // The table of an SQL server reopens on the new index, on the range of the
  // keys the current record has in it.
  std::vector<std::string> texts;
  for (TField* f : table->GetFieldList(IndexDef->Fields())) texts.push_back(f->AsString());
  vxWithControlsHeld(table, [&] {
    table->Close();
    table->SetIndexName(IndexDef->Name());
    table->Open();
    table->SetRangeStart();
    for (std::size_t i = 0; i < texts.size() && static_cast<int>(i) < table->IndexFieldCount(); ++i)
      table->IndexFields(static_cast<int>(i))->SetAsString(texts[i]);
    table->SetRangeEnd();
    table->ApplyRange();
  });
}

bool vxDataSetFindRecord(TDataSet* DataSet, const std::string& Value, const std::string& FieldName,
                         TvxLocateMatchType MatchType, bool CaseSensitive) {
  if (TField* field = DataSet->FindField(FieldName); field && !DataSet->IsEmpty()) {
    const std::string text = field->AsString();
    if (CaseSensitive ? text == Value : AnsiSameText(text, Value)) return true;
  }
  return vxFindMatch(true, DataSet, FieldName, CaseSensitive, MatchType, Value);
}

bool vxDataSetIsSQLBased(const TDBDataSet* DataSet) {
  TDatabase* db = DataSet->Database();
  if (!db) db = Session().FindDatabase(DataSet->DatabaseName());
  return db && db->IsSQLBased();
}

// ---------------------------------------------------------------- keys and small services

bool vxIsValidChar(std::uint16_t Key) {
  return Key == 8 || Key == 32 || Key == 46 || (Key >= 48 && Key <= 111) || Key > 145;
}

TComponent* vxGetOwnerForm(TComponent* Component) {
  TComponent* c = Component;
  while (c && !vxIsClass(c->ClassType(), "TCustomForm") && c->Owner()) c = c->Owner();
  return c;
}

void vxDataModuleChanged(TComponent*) {}

int vxDataSetCompareBookmarks(TDataSet* DataSet, const TBookmark& B1, const TBookmark& B2) {
  return DataSet->CompareBookmarks(B1, B2);
}

int vxAdjustPixels(int Value, int PixelsPerInch) { return Value * PixelsPerInch / 96; }
int vxmax(int A, int B) { return A > B ? A : B; }
int vxmin(int A, int B) { return A < B ? A : B; }

void vxDebug(const std::string& Text) { ShowMessageBox(Text, "", MB_OK | MB_ICONINFORMATION); }

void vxHelp(HWND Window, const std::string& Data) {
  const std::string program = UpperCase(ParamStr(0));
  if (program.empty() || Pos("OSKELT", program) == 0) {
    WinHelp(Window, "lx_cpp.hlp", HELP_CONTEXT, static_cast<std::uintptr_t>(StrToIntDef(Data, 0)));
    return;
  }
  // At most 127 characters, and only whole ones that fit the buffer.
  std::array<char, 128> keyword{};
  std::size_t used = 0;
  int count = 0;
  for (TChar c : Utf8ToChars(Data)) {
    const std::string bytes = CharsToUtf8(TChars(1, c));
    if (++count > 127 || used + bytes.size() > keyword.size() - 1) break;
    std::memcpy(keyword.data() + used, bytes.data(), bytes.size());
    used += bytes.size();
  }
  WinHelp(Window, "LX30.HLP", HELP_KEY, reinterpret_cast<std::uintptr_t>(keyword.data()));
}

int vxMemAvail(int) { return 0; }

void vxClearAltChar() {
  TKeyboardState state;
  GetKeyboardState(state);
  state[VK_MENU] = 0;
  SetKeyboardState(state);
}

void vxPlayKeystroke(HWND Window, Word Key, Word ExtraKey) {
  TKeyboardState state;
  GetKeyboardState(state);
  state[Key & 0xFF] = 0x81;
  state[ExtraKey & 0xFF] = 0x81;
  PostKeyMessage(Window, WM_KEYDOWN, Key, 1, state);
  PostKeyMessage(Window, WM_KEYUP, Key, 1, state);
}

void vxFixMouseDown() {
  TCustomForm* form = Screen ? Screen->ActiveForm() : nullptr;
  if (!form) return;
  TWinControl* held = nullptr;
  if (form->ControlState().Contains(csLButtonDown)) {
    held = form;
  } else {
    for (int i = 0; i < form->ControlCount() && !held; ++i) {
      auto* w = dynamic_cast<TWinControl*>(form->Controls(i));
      if (w && w->ControlState().Contains(csLButtonDown)) held = w;
    }
  }
  if (held) PostMessage(held->Handle(), WM_LBUTTONUP, 0, 0);
}

bool vxInPaintCopyState(TControlState ControlState) { return ControlState.Contains(csPaintCopy); }

void vxDrawEllipsis(TCanvas* Canvas, const TRect& Rect, TButtonState State, bool Enabled,
                    TControlState ControlState) {
  (void)Enabled;
  const bool down = State == bsDown && !vxInPaintCopyState(ControlState);
  TRect r = Rect;
  DrawEdge(Canvas->Handle(), r, EDGE_RAISED, BF_RECT | BF_MIDDLE | (down ? BF_FLAT : 0u));
  const int width = Rect.Right - Rect.Left, height = Rect.Bottom - Rect.Top;
  const int w = std::max(1, (width + 1) / 8);
  const int shift = down ? 0 : 1;
  const int top = Rect.Top + (height + 1) / 2 - w / 2 - shift;
  const int middle = Rect.Left + width / 2 - w / 2 - shift;
  Canvas->Brush()->SetColor(clBlack);
  Canvas->Brush()->SetStyle(bsSolid);
  for (int x : {middle - 2 * w, middle, middle + 2 * w}) Canvas->FillRect(TRect{x, top, x + w, top + w});
}

void vxDrawDropDownArrow(TCanvas* Canvas, const TRect& Rect, TButtonState State, bool Enabled,
                         TControlState ControlState) {
  const bool pushed = State != bsUp && !vxInPaintCopyState(ControlState);
  TRect r = Rect;
  DrawEdge(Canvas->Handle(), r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | (pushed ? BF_FLAT : 0u));
  TBitmap glyph;
  LoadSystemBitmap(&glyph, OBM_COMBO);
  const int width = Rect.Right - Rect.Left, height = Rect.Bottom - Rect.Top;
  int x = Rect.Left + (width - glyph.Width()) / 2, y = Rect.Top + (height - glyph.Height()) / 2;
  if (pushed) {
    ++x;
    ++y;
  }
  if (!Enabled) {
    // The arrow greyed: its shape in the shadow colour.
    const int cx = Rect.Left + width / 2 + (pushed ? 1 : 0), cy = Rect.Top + height / 2 + (pushed ? 1 : 0);
    Canvas->Brush()->SetColor(clBtnShadow);
    for (int i = 0; i < 4; ++i) Canvas->FillRect(TRect{cx - 3 + i, cy - 2 + i, cx + 4 - i, cy - 1 + i});
    return;
  }
  glyph.SetTransparent(true);
  Canvas->Draw(x, y, &glyph);
}

void vxGetWorkingRect(TRect& Rect) { SystemParametersInfo(SPI_GETWORKAREA, 0, &Rect, 0); }

// A pointer to a protected member formed through the derived class may be
// called on any object of the base: the overrides of that object run.
void TvxCheatCastNotify::DoNotification(TComponent* Component, TComponent* AComponent, TOperation Operation) {
  void (TComponent::*notification)(TComponent*, TOperation) = &TvxCheatCastNotify::Notification;
  (Component->*notification)(AComponent, Operation);
}

void TvxCheatCastKeyDown::DoKeyDown(TWinControl* Control, Word& Key, TShiftState Shift) {
  void (TWinControl::*keyDown)(Word&, TShiftState) = &TvxCheatCastKeyDown::KeyDown;
  (Control->*keyDown)(Key, Shift);
}

}  // namespace vx

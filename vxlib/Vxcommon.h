// What the library's controls and datasets share without knowing each
// other's classes: published properties found by name, class tests, the
// per-field property lines and their readers and writers, picture masks,
// and small services (keys, help, the picture-mask repository).
//
// Per-field lines are edited in place and never sorted: line order means
// something (Selected gives the field order; the first or last matching line
// wins as each routine says). Each list compares field names by its own
// rule, which is part of its format:
//   PictureMasks, Selected          without regard to case
//   ControlType                     the reader exactly, the writer without regard to case
//   LookupFields, LookupLinks       the readers here exactly, the writer without regard to case
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Buttons.h"
#include "Chars.h"
#include "Controls.h"
#include "DataSet.h"
#include "Fields.h"
#include "NuboDataSet.h"
#include "Params.h"
#include "Shell.h"
#include "Strings.h"
#include "Vxengine.h"
#include "Vxpict.h"

namespace vx {

class TvxTable;

// ---------------------------------------------------------------- shared types

using TvxInvalidValueEvent = std::function<void(fw::TDataSet* DataSet, fw::TField* Field)>;

FW_ENUM(TvxOnFilterOption, ofoEnabled, ofoShowHourGlass, ofoCancelOnEscape)
using TvxOnFilterOptions = fw::TFlags<TvxOnFilterOption>;

// The match types of the locate search (Vxlocate).
enum TvxLocateMatchType : int;

// What the OnFilter record callback keeps on its dataset.
struct TvxFilterState {
  std::uint8_t* RecordUnderTest = nullptr;  // the engine's buffer, while OnFilter runs
  bool InOnFilter = false;                  // a nested read accepts without testing
  int CallbackDepth = 0;                    // the engine is inside the callback
  int EscapeCounter = 0;                    // records tested with ofoCancelOnEscape, 0 to 31999
  bool HourGlassShown = false;
  // Every record shows again once the read that switched the test off is over.
  bool ShowAllPending = false;
  // vxFilterField's value: the buffer (made on first use) and the parameter.
  std::vector<std::uint8_t> ValueBuffer;
  std::unique_ptr<fw::TParam> ValueParam;
};

// The OnFilter side of a library dataset (TvxTable; the query, stored
// procedure and QBE datasets take part the same way). The record callback
// finds it from its client data, the dataset.
class TvxFilterHost {
public:
  virtual ~TvxFilterHost() = default;
  virtual bool HasOnFilter() const = 0;
  // Runs OnFilter with the dataset as its own class.
  virtual void DoOnFilter(bool& Accept) = 0;
  virtual void DoOnFilterEscape() = 0;
  virtual TvxOnFilterOptions OnFilterOptions() const = 0;
  virtual void SetOnFilterOptions(TvxOnFilterOptions Value) = 0;
  TvxFilterState& FilterState() { return filterState_; }

private:
  TvxFilterState filterState_;
};

// ---------------------------------------------------------------- properties by name
// Each gives the stated value when the object's class publishes no such property.

fw::TStrings* vxGetPictureMasks(const fw::TDataSet* DataSet);  // nullptr when absent
fw::TStrings* vxGetControlType(const fw::TDataSet* DataSet);
fw::TStrings* vxGetLookupFields(const fw::TDataSet* DataSet);
fw::TStrings* vxGetLookupLinks(const fw::TDataSet* DataSet);
bool vxGetValidateWithMask(const fw::TDataSet* DataSet);  // False when absent
TvxInvalidValueEvent vxGetOnInvalidValue(const fw::TDataSet* DataSet);  // empty when absent or unassigned
std::string vxGetDatabaseName(const fw::TDataSet* DataSet);
// A TvxTable's TableName; "?" for any other dataset.
std::string vxGetTableName(const fw::TDataSet* DataSet);

// Only for descendants of TCustomEdit that publish the property with the
// right kind (DataSource a class, DataField a text): set it and True; else False.
bool vxSetControlDataSource(fw::TComponent* Control, fw::TComponent* DataSource);
bool vxSetControlDataField(fw::TComponent* Control, const std::string& Name);
// "DataField" of a TCustomEdit descendant; else empty.
std::string vxGetControlDataField(const fw::TComponent* Control);
// "DataSource" of any component; nullptr when absent.
fw::TComponent* vxGetControlDataSource(const fw::TComponent* Component);

// ---------------------------------------------------------------- class and field tests

// The class or one of its ancestors is named Name (without regard to case).
bool vxIsClass(fw::TClass ClassType, const std::string& Name);
// One of the library's datasets, or a foreign one that publishes a ControlType list.
bool vxDataSet(const fw::TDataSet* DataSet);
// A TvxTable whose current index has at least one field.
bool vxHasIndex(const fw::TDataSet* DataSet);
// A TvxTable whose Query list has lines.
bool vxIsTableQuery(const fw::TDataSet* DataSet);
// DataSet has a field of that name (without regard to case).
bool vxDataSetIsValidField(const fw::TDataSet* DataSet, const std::string& Name);
// Calculated and lookup fields.
bool vxisNonPhysicalField(const fw::TField* Field);
// Those, and the fields of datasets that are not engine datasets; False without a dataset.
bool vxisNonNuboField(const fw::TField* Field);
bool vxValidFilterableFieldType(fw::TFieldType FieldType);
// "CustomEdit", "LookupCombo" and "Combo": types that edit in a control of their own.
bool isVXEditControl(const std::string& ControlType);

// ---------------------------------------------------------------- Selected lines
// FieldName TAB display width TAB display label; a "~" in the label breaks a
// title's line and reads as a blank where labels are compared.

// List gets a line for each visible field, in field order.
void vxDataSetUpdateSelected(fw::TDataSet* DataSet, fw::TStrings* List);
// Shows the fields that List names, in its order, with its widths and labels;
// every other field is hidden. Line numbers count every line, also those
// naming no field. A width that is not a number raises EConvertError.
void vxDataSetUpdateFieldProperties(fw::TDataSet* DataSet, const fw::TStrings* List);
bool vxFindSelected(const fw::TStrings* List, const std::string& FieldName, int& Index);
std::string vxGetFieldNameFromTitle(const fw::TDataSet* DataSet, const std::string& Title);
// The first line equal to Text without regard to case; -1 when none.
int vxGetListIndex(const fw::TStrings* List, const std::string& Text);

// ---------------------------------------------------------------- ControlType lines
// FieldName ";" ControlType ";" Parameters, the parameters being the rest of
// the line (they may hold ";"; at most 255 characters are read).

void vxDataSet_GetControl(const fw::TDataSet* DataSet, const std::string& FieldName, std::string& ControlType,
                          std::string& Parameters);
// An empty type or "field" removes the field's line.
void vxDataSet_SetControl(fw::TDataSet* DataSet, const std::string& FieldName, const std::string& ControlType,
                          const std::string& Parameters);
// Drops the lines of fields that the dataset does not have; a LookupFields
// line goes with the LookupLinks line of the same number.
void vxDataSetRemoveObsolete(fw::TDataSet* DataSet, fw::TStrings* LookupFields, fw::TStrings* LookupLinks,
                             fw::TStrings* ControlType);
// While Form is designed: drops the edit-control lines whose control is gone.
bool vxDataSetRemoveObsoleteControls(fw::TComponent* Form, fw::TDataSet* DataSet);
// One line's field name, type and parameters; gives the number of its
// ";"-separated tokens.
int vxControlTypeParts(const std::string& Line, std::string& FieldName, std::string& ControlType,
                       std::string& Parameters);
// The component a ControlType line names: a name without "." among Form's
// components; a qualified one ("Form.Control") by the part after its last
// "." among the components of the dataset's owner. nullptr when none.
fw::TComponent* vxFindNamedControl(const fw::TComponent* Form, const fw::TDataSet* DataSet, const std::string& Name);

// ---------------------------------------------------------------- LookupFields and LookupLinks
// LookupFields: FieldName;DatabaseName;TableName;DisplayField;IndexName, or
// with six tokens or more FieldName;DatabaseName;TableName;DisplayField;;
// IndexField;...;Flag. LookupLinks, line for line: MasterField;LookupField pairs.

std::string vxDataSetGetLinks(const fw::TDataSet* DataSet, const std::string& FieldName);
std::string vxDataSetGetDisplayField(const fw::TDataSet* DataSet, const std::string& FieldName);
// Replaces the field's definition; when any of the four names is empty, only removes it.
void vxDataSet_SetLookupLink(fw::TDataSet* DataSet, const std::string& FieldName, const std::string& DatabaseName,
                             const std::string& TableName, const std::string& DisplayField,
                             const std::string& IndexFields, const std::string& Links, const std::string& Flag);

// ---------------------------------------------------------------- lookup fields
// A library dataset shows in a calculated field a value of another table, as
// its LookupFields and LookupLinks lines say. It keeps a hidden read-only
// TvxTable for each table and link line in use (owned by the dataset), opens
// it on first use and moves it once for each record calculated, however many
// lookup fields it serves.

// The hidden tables of a library dataset.
class TvxLookupHost {
public:
  virtual ~TvxLookupHost() = default;
  std::vector<TvxTable*>& LookupTables() { return lookupTables_; }
  // Frees the hidden tables, last first, and empties the list.
  void FreeLookupTables();

private:
  std::vector<TvxTable*> lookupTables_;
};

// The dataset's hidden tables; nullptr for a dataset that keeps none.
std::vector<TvxTable*>* vxDataSetLookupTables(fw::TDataSet* DataSet);
// Fills every library lookup field of the current record. A table that
// cannot open is skipped for this record and tried again on the next; a
// link naming a field DataSet lacks hides its lookup field and leaves the
// later ones of the record unfilled.
void vxDataSetDoOnCalcFields(fw::TDataSet* DataSet, fw::TStrings* LookupFields, fw::TStrings* LookupLinks,
                             std::vector<TvxTable*>& LookupTables);
// Moves LookupTable (a TvxTable) to the record whose key DataSet's master
// fields give; Links are the MasterField, LookupField pairs of a link line.
// A table without an index is searched on the first pair.
bool vxDoLookupTable(fw::TDataSet* LookupTable, fw::TDataSet* DataSet, const std::vector<std::string>& Links);
// Writes Field's text back into the lookup table's display field, leaving
// that table in edit state; whether the record was found.
bool vxSetLookupField(fw::TDataSet* DataSet, fw::TField* Field);
// Moves LookupTable to the record of the lookup field FieldName and onto
// its index; MasterField gets the first master field.
bool vxDataSetSyncLookupTable(fw::TDataSet* DataSet, fw::TDataSet* LookupTable, const std::string& FieldName,
                              std::string& MasterField);
// Moves the hidden table of Field by its first master value: LookupField
// becomes its display field, Value that master value.
bool vxDataSetLookupDisplayField(fw::TField* Field, std::string& Value, fw::TField*& LookupField);
// The lookup table's field that gives Field's value for the record under
// filter test: the master values come from FilterField (the dataset's
// vxFilterField), not from the current record. Nothing while another filter
// lookup is under way, and nothing for a plain field.
using TvxFilterFieldFunc = std::function<fw::TParam*(const std::string& FieldName)>;
fw::TField* vxDataSet_GetFilterLookupField(fw::TDataSet* DataSet, fw::TField* Field,
                                          const TvxFilterFieldFunc& FilterField);

// ---------------------------------------------------------------- query text

// The lines joined by one blank (IsSQL) or by CR LF, nothing after the last.
std::string vxGetQueryText(const fw::TStrings* Lines, bool IsSQL);

// ---------------------------------------------------------------- picture masks
// PictureMasks line: FieldName TAB picture TAB AutoFill "T"/"F" TAB use in
// the grid "T"/"F". A missing flag reads False; a field without a line has
// no picture, AutoFill True and grid use True. A picture that a native table
// stores for the field wins over the line.

void vxPictureByField(fw::TDataSet* DataSet, const std::string& FieldName, bool UseTablePicture,
                      std::string& Picture, bool& AutoFill, bool& UseInGrid);
// Writes the field's line; the Set flags say which of the three values are
// given, the others keep what the line holds. An empty mask removes the line.
void vxSetPictureMask(fw::TDataSet* DataSet, const std::string& FieldName, std::string Mask, bool AutoFill,
                      bool UseInGrid, bool SetMask, bool SetAutoFill, bool SetUseInGrid);
// The picture the native table stores for the field; empty unless DataSet
// is a TvxTable with that field.
std::string vxKalPictureMask(fw::TDataSet* DataSet, const std::string& FieldName);
// Raises EDatabaseError for the first field whose text does not match its
// picture, after focusing it and telling OnInvalidValue.
void vxValidatePictureFields(fw::TDataSet* DataSet, const TvxInvalidValueEvent& OnInvalidValue);

// An edit's typed key against a picture, for anything with Text(),
// SetText(), SelStart(), SelLength() and SetSelStart() (positions and
// lengths in characters). Only a printable key typed where the selection
// reaches the end of the text is taken: the text becomes the picture's
// answer for the prospective text (filled in where the picture gives
// literals, the prospective text otherwise), the caret goes to its end and
// Key becomes 0.
template <typename TEdit>
void vxApplyPictureMask(TEdit* Edit, const std::string& Picture, bool AutoFill, fw::TChar& Key);
// The edit's text is empty, or Picture is, or the text matches it completely.
template <typename TEdit>
bool vxValidPictureValue(TEdit* Edit, const std::string& Picture);

// The registry value that names the picture-mask repository's directory.
inline constexpr const char* vxMasksRegistryKey = "\\Software\\Belmarr\\Lumerix";
inline constexpr const char* vxMasksRegistryValue = "Masks Database Path";
// Opens the repository: "PICTURE", else "PICTURES.DBF", in the directory the
// registry names; says so in a message when neither opens.
void vxOpenPictureDB(TvxTable* Table);

// ---------------------------------------------------------------- filtering

// [ofoEnabled] for a client dataset that is Filtered; else the published
// OnFilterOptions; empty when there is none.
TvxOnFilterOptions vxGetOnFilterOptions(const fw::TDataSet* DataSet);
// Adds or removes ofoEnabled through the published OnFilterOptions' setter.
void vxSetOnFilterEnabled(fw::TDataSet* DataSet, bool Enabled);
// Looks at the key messages waiting for the program: when an Escape is
// among them, it and its key-up go (the other keys stay, in order), the
// dataset's OnFilter test is switched off, and True.
bool vxProcessEscapeFilterEvent(fw::TDataSet* DataSet);
// Size of a dataset's value buffer for vxFilterField.
inline constexpr std::size_t vxFilterValueBufferSize = 0x7FFF;
// Writes Field's value into Buffer (vxFilterValueBufferSize bytes) in the
// native form of Param's DataType and hands it to Param. Texts are cut to
// whole characters within the buffer, NUL included. Types without a native
// form leave Param as it is.
void vxConvertFieldToParam(fw::TField* Field, fw::TParam* Param, std::uint8_t* Buffer);
// The record callbacks the engine calls for OnFilter (client data: the
// dataset, a TvxFilterHost). WithOptions: OnFilterOptions count (the test
// switched off, the hourglass, Escape); without, every record goes to
// OnFilter (the stored procedure's way).
TNuboFilterCallback vxRecordFilterCallback(bool WithOptions);
// What every library dataset does with its OnFilter settings:
// Stored takes Value; switching ofoEnabled off on an open dataset with an
// OnFilter shows every record again, at once or, inside the engine's read,
// once that read is over (vxDataSetShowPendingRecords, from DataEvent).
void vxDataSetSetOnFilterOptions(fw::TDataSet* DataSet, TvxFilterHost& Host, TvxOnFilterOptions& Stored,
                                 TvxOnFilterOptions Value);
void vxDataSetShowPendingRecords(fw::TDataSet* DataSet, TvxFilterHost& Host, fw::TDataEvent Event);
// The arrow again after the callback showed the hourglass.
void vxDataSetResetMouseCursor(TvxFilterHost& Host);
// The value of a field in the record under test, while OnFilter runs; the
// dataset's own parameter, overwritten by the next call. Raises
// EDatabaseError for a field the dataset lacks, or outside OnFilter.
fw::TParam* vxDataSetFilterField(fw::TDBDataSet* DataSet, TvxFilterState& State, const std::string& FieldName);

// ---------------------------------------------------------------- searches

// Whether Text suits a field of that type (the integer, float, date, time
// and date-time tests; True for any other type).
bool vxIsValidValue(fw::TFieldType FieldType, const std::string& Text);
bool vxFieldIsValidValue(const fw::TField* Field, const std::string& Text);
// As above, and not empty for a numeric, date or time field; False without a field.
bool vxFieldIsValidLocateValue(const fw::TField* Field, const std::string& Text);
// The incremental search: moves DataSet (a TvxTable) to the record nearest
// Value in its current index field FieldIndex (from 0; the fields before it
// keep the current record's values) and tells whether that record's field
// begins with Value (numbers: equals it).
bool vxTableFindNearest(fw::TDataSet* DataSet, const std::string& Value, int FieldIndex);
// Switches a table to IndexDef; a table of an SQL database that searches by
// ranges is reopened on it, on the range of the current record's key.
void vxTableChangeIndex(fw::TDataSet* DataSet, fw::TIndexDef* IndexDef);
// True without moving when the current record's field already holds Value;
// else the locate search from the first record.
bool vxDataSetFindRecord(fw::TDataSet* DataSet, const std::string& Value, const std::string& FieldName,
                         TvxLocateMatchType MatchType, bool CaseSensitive);

// Runs Action with the hourglass shown and the dataset's controls held;
// both come back however it ends.
void vxWithControlsHeld(fw::TDataSet* DataSet, const std::function<void()>& Action);
// The dataset's database is an SQL server (its database object says so).
bool vxDataSetIsSQLBased(const fw::TDBDataSet* DataSet);

// ---------------------------------------------------------------- keys and small services

// Backspace, blank, Delete, the digits, letters and numeric-pad keys (48 to
// 111) and every key above 145.
bool vxIsValidChar(std::uint16_t Key);
// Follows Owner up to a form, or to a component without owner.
fw::TComponent* vxGetOwnerForm(fw::TComponent* Component);
// Tells the designer of the owner form that it was modified; forms have no
// designer at run time.
void vxDataModuleChanged(fw::TComponent* Component);
int vxDataSetCompareBookmarks(fw::TDataSet* DataSet, const fw::TBookmark& B1, const fw::TBookmark& B2);
int vxAdjustPixels(int Value, int PixelsPerInch);
int vxmax(int A, int B);
int vxmin(int A, int B);
// An information message box with an OK button.
void vxDebug(const std::string& Text);
// The library's help: the context Data (a number) in "lx_cpp.hlp", or, in
// the host program, the keyword Data in "LX30.HLP".
void vxHelp(fw::HWND Window, const std::string& Data);
// Memory is never short.
int vxMemAvail(int Size);
// Clears the Alt key (virtual key 18) in the keyboard state.
void vxClearAltChar();
// Replays a press and a release of Key into Window, through the message
// loop, with Key and ExtraKey held: the control that handles them reads both
// as down (Alt+Down into a combo: ExtraKey VK_MENU). The keyboard state of
// the moment is left as it is.
void vxPlayKeystroke(fw::HWND Window, fw::Word Key, fw::Word ExtraKey);
// Releases a left button held on the active form: the form itself when it
// holds it, else its first windowed child that does, gets WM_LBUTTONUP.
void vxFixMouseDown();
bool vxInPaintCopyState(fw::TControlState ControlState);
// The faces of a button edit's button: a raised face with three dots, and
// the combo box's arrow. A pressed button draws flat, except in a copy
// that a repeated-row container paints.
void vxDrawEllipsis(fw::TCanvas* Canvas, const fw::TRect& Rect, fw::TButtonState State, bool Enabled,
                    fw::TControlState ControlState);
void vxDrawDropDownArrow(fw::TCanvas* Canvas, const fw::TRect& Rect, fw::TButtonState State, bool Enabled,
                         fw::TControlState ControlState);
// The desktop's work area.
void vxGetWorkingRect(fw::TRect& Rect);

// The library reaches a component's protected Notification and a control's
// protected KeyDown through these, as the component or control itself
// would run them (its own overrides included).
class TvxCheatCastNotify : public fw::TComponent {
public:
  TvxCheatCastNotify() = delete;
  static void DoNotification(fw::TComponent* Component, fw::TComponent* AComponent, fw::TOperation Operation);
};

class TvxCheatCastKeyDown : public fw::TWinControl {
public:
  TvxCheatCastKeyDown() = delete;
  static void DoKeyDown(fw::TWinControl* Control, fw::Word& Key, fw::TShiftState Shift);
};

// ---------------------------------------------------------------- templates

template <typename TEdit>
void vxApplyPictureMask(TEdit* Edit, const std::string& Picture, bool AutoFill, fw::TChar& Key) {
  if (Key < 32) return;
  const fw::TChars text = fw::Utf8ToChars(Edit->Text());
  const int selStart = Edit->SelStart();
  const int selLength = Edit->SelLength();
  const int length = static_cast<int>(text.size());
  if (selStart < length - selLength) return;
  const std::size_t start = static_cast<std::size_t>(std::clamp(selStart, 0, length));
  const std::size_t end = static_cast<std::size_t>(std::clamp(selStart + selLength, 0, length));
  std::string s = fw::CharsToUtf8(text.substr(0, start)) + fw::CharsToUtf8(fw::TChars(1, Key)) +
                  fw::CharsToUtf8(text.substr(end));
  TvxPictureValidator(Picture, AutoFill).Picture(s, AutoFill);
  Edit->SetText(s);
  Edit->SetSelStart(static_cast<int>(fw::Utf8ToChars(s).size()));
  Key = 0;
}

template <typename TEdit>
bool vxValidPictureValue(TEdit* Edit, const std::string& Picture) {
  std::string s = Edit->Text();
  if (s.empty() || Picture.empty()) return true;
  return TvxPictureValidator(Picture, false).Picture(s, false) == prComplete;
}

}  // namespace vx

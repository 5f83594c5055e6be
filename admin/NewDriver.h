// The new ODBC-based driver dialog: a name for the driver, the ODBC driver it
// stands on and the data sources to make aliases for. The ODBC drivers and
// their data sources are read from the driver manager when the form is made.
#pragma once
#include <memory>
#include <string>

#include "Forms.h"
#include "StdCtrls.h"
#include "Strings.h"

namespace dbx {

// The data source names of one ODBC driver.
class tdsnObj : public fw::TObject {
  FW_CLASS(tdsnObj, fw::TObject)
public:
  tdsnObj();
  ~tdsnObj() override;
  fw::TStringList* DSNList() const { return list_.get(); }

private:
  std::unique_ptr<fw::TStringList> list_;
};

// Driver descriptions, each with its tdsnObj, which the list frees.
class TOdbcDriverList : public fw::TStringList {
public:
  TOdbcDriverList() = default;
  ~TOdbcDriverList() override;
  TOdbcDriverList(const TOdbcDriverList&) = delete;
  TOdbcDriverList& operator=(const TOdbcDriverList&) = delete;

  void AddDriver(const std::string& description, std::unique_ptr<tdsnObj> sources);
  tdsnObj* Sources(int index) const { return static_cast<tdsnObj*>(Objects(index)); }
};

// Adds the driver manager's drivers with their data sources. Without a
// driver manager, or one that lacks the entries, nothing is added.
void ReadOdbcDrivers(TOdbcDriverList& drivers);

class TNewDriverForm : public fw::TForm {
  FW_CLASS(TNewDriverForm, fw::TForm)
public:
  explicit TNewDriverForm(fw::TComponent* AOwner);
  ~TNewDriverForm() override;

  fw::TGroupBox* DriverNameGroup = nullptr;
  fw::TEdit* DriverName = nullptr;
  fw::TGroupBox* ODBCDriverGroup = nullptr;
  fw::TComboBox* ComboODBCDriver = nullptr;
  fw::TGroupBox* DSNGroup = nullptr;
  fw::TListBox* ListDSN = nullptr;
  fw::TButton* OKBtn = nullptr;
  fw::TButton* CancelBtn = nullptr;
  fw::TButton* HelpBtn = nullptr;

  TOdbcDriverList* DriverList() const { return drivers_.get(); }

  void FormCreate(fw::TObject* Sender);
  void ComboODBCDriverChange(fw::TObject* Sender);
  void OKBtnClick(fw::TObject* Sender);
  void HelpBtnClick(fw::TObject* Sender);

private:
  std::unique_ptr<TOdbcDriverList> drivers_;
};

}  // namespace dbx

// Statements of the query-by-example language: the text becomes one
// statement of the SQL dialect, which runs it, so that its tables' rules,
// locks, answers and errors are those of any statement. A change keeps
// what it changed in the auxiliary tables when asked to.
#pragma once
#include <memory>
#include <string>

#include "QbeText.h"
#include "Statements.h"

namespace orvex {

class QbeStatement final : public Statement {
public:
  explicit QbeStatement(std::shared_ptr<SqlSession> session);

  void Prepare(const std::string& text) override;
  void PrepareProcedure(const std::string& name) override;
  // An answer cursor for a query; 0 for a change.
  OrvexHandle Execute() override;
  // None: a text holds its values.
  std::uint16_t ParamCount() const override;

  bool AuxiliaryTables() const { return auxiliary_; }
  void SetAuxiliaryTables(bool on) { auxiliary_ = on; }
  bool BlanksAsZero() const { return blanksAsZero_; }
  void SetBlanksAsZero(bool on) { blanksAsZero_ = on; }

private:
  void Translate();
  void BindValues(Statement& s) const;
  void ExecuteKeeping();

  std::shared_ptr<SqlSession> session_;
  std::string text_;
  bool prepared_ = false;
  QbeTranslation translation_;
  QbeOptions translatedWith_;
  bool auxiliary_ = false;
  bool blanksAsZero_ = false;
};

// The engine's date, time and number settings, as the language reads values.
QbeFormats SystemFormats();

}  // namespace orvex

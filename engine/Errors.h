// Result codes as exceptions inside the engine. Every entry point catches them
// and answers the code; the detail of the last failure is kept for the
// error-text entry, which adds it to the code's message.
#pragma once
#include <exception>
#include <functional>
#include <string>

#include "OrvexApi.h"

namespace orvex {

class Error : public std::exception {
public:
  Error(OrvexResult code, std::string detail) : code_(code), detail_(std::move(detail)) {}
  OrvexResult Code() const { return code_; }
  const std::string& Detail() const { return detail_; }
  const char* what() const noexcept override { return detail_.c_str(); }

private:
  OrvexResult code_;
  std::string detail_;
};

[[noreturn]] void Fail(OrvexResult code, std::string detail = {});

// Runs an entry's body, answering the code of an error it raises (and
// keeping its detail), as every entry does.
OrvexResult RunEntry(const std::function<void()>& body) noexcept;

// The English message of a code; a generic text for codes the engine lacks.
const char* MessageOf(OrvexResult code);

// Remembers the failure that an entry is about to answer.
void SetLastError(OrvexResult code, std::string detail);

// The message of code, with the last failure's detail when it was that code,
// cut to fit ORVEX_ERROR_TEXT_SIZE with its NUL.
std::string ErrorText(OrvexResult code);

}  // namespace orvex

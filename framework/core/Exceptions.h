// The framework's exception classes. Failures are exceptions; the application
// shows any that reaches the message loop, except EAbort, which it ignores.
#pragma once
#include <concepts>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "Format.h"
#include "Object.h"

namespace fw {

class Exception : public TObject, public std::exception {
  FW_CLASS(Exception, TObject)
public:
  explicit Exception(std::string message) : message_(std::move(message)), helpContext_(0) {}
  // A template, so that a braced list after the text always means arguments
  // to format (Exception("%d rows", {5})), never a help context.
  template <typename H>
    requires std::integral<H> || std::is_enum_v<H>
  Exception(std::string message, H helpContext)
      : message_(std::move(message)), helpContext_(static_cast<int>(helpContext)) {}
  // CreateFmt: the message is Format(pattern, args).
  Exception(const std::string& pattern, std::initializer_list<TVarRec> args, int helpContext = 0)
      : message_(Format(pattern, args)), helpContext_(helpContext) {}

  const std::string& Message() const { return message_; }
  void SetMessage(std::string m) { message_ = std::move(m); }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int c) { helpContext_ = c; }
  const char* what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
  int helpContext_;
};

// Declares an exception class that adds nothing but its name.
#define FW_EXCEPTION(Name, Base)  \
  class Name : public Base {      \
    FW_CLASS(Name, Base)          \
  public:                         \
    using Base::Base;             \
  };

FW_EXCEPTION(EAbort, Exception)            // the silent exception
FW_EXCEPTION(EConvertError, Exception)
FW_EXCEPTION(EListError, Exception)
FW_EXCEPTION(EStringListError, EListError)
FW_EXCEPTION(EInvalidOperation, Exception)
FW_EXCEPTION(EInvalidCast, Exception)
FW_EXCEPTION(EInvalidPointer, Exception)
FW_EXCEPTION(EOutOfMemory, Exception)
FW_EXCEPTION(EResNotFound, Exception)
FW_EXCEPTION(EStreamError, Exception)
FW_EXCEPTION(EFileStreamError, EStreamError)
FW_EXCEPTION(EFOpenError, EFileStreamError)
FW_EXCEPTION(EFCreateError, EFileStreamError)
FW_EXCEPTION(EReadError, EStreamError)     // a bad form file
FW_EXCEPTION(EWriteError, EStreamError)
FW_EXCEPTION(EClassNotFound, EReadError)
FW_EXCEPTION(EComponentError, Exception)
FW_EXCEPTION(EPropertyError, Exception)
FW_EXCEPTION(EVariantError, Exception)
FW_EXCEPTION(EMathError, Exception)
FW_EXCEPTION(EZeroDivide, EMathError)
FW_EXCEPTION(EOverflow, EMathError)
FW_EXCEPTION(EIntOverflow, Exception)
FW_EXCEPTION(ERangeError, Exception)
FW_EXCEPTION(EOSError, Exception)

// Raises the silent exception: ends the current operation without a message.
[[noreturn]] void Abort();

}  // namespace fw

// Message boxes and dialogs answered by script while the object lives; the
// service installed before comes back when it goes.
#pragma once
#include <memory>

#include "MessageService.h"

namespace fw::test {

class ScriptedMessages {
public:
  ScriptedMessages() : scope_(Make(&service_)) {}

  // The answers to give and what was asked.
  TScriptedMessageService* Service() const { return service_; }
  TScriptedMessageService* operator->() const { return service_; }

private:
  static std::unique_ptr<TMessageService> Make(TScriptedMessageService** out) {
    auto s = std::make_unique<TScriptedMessageService>();
    *out = s.get();
    return s;
  }
  TScriptedMessageService* service_ = nullptr;  // the framework owns it while installed
  TMessageServiceScope scope_;
};

}  // namespace fw::test

// Input requests: the engine asks the user to pick one of up to four
// options (retry or give up on a busy table, say). The one TInputReqClass
// holds the descriptor the engine fills and the registration of the
// callback, made again each time the session starts the engine; the
// callback answers with TInputReqDialog.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Database.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace dbx {

// The descriptor as the engine lays it out (little-endian).
inline constexpr std::size_t kInputReqSize = 778;
inline constexpr int kInputReqMaxOptions = 4;

struct TInputRequest {
  struct TOption {
    std::string Keyword;  // the option's text
    std::string Help;
  };
  int Chosen = 1;     // 1-based, as the engine gave it
  bool Save = false;  // "Don't Prompt Again"
  std::string Message;
  std::vector<TOption> Options;  // at most kInputReqMaxOptions
};

// Reads a descriptor: a count outside 0..4 is brought into it, and each text
// ends at its zero or at the end of its field.
TInputRequest ReadInputRequest(const std::uint8_t* Descriptor);
// Writes the answer's two fields, leaving every other byte as it is.
void WriteInputAnswer(std::uint8_t* Descriptor, int Chosen, bool Save);

class TInputReqDialog : public fw::TForm {
  FW_CLASS(TInputReqDialog, fw::TForm)
public:
  explicit TInputReqDialog(fw::TComponent* AOwner);
  ~TInputReqDialog() override;

  fw::TPanel* MessagePanel = nullptr;
  fw::TLabel* InputMessage = nullptr;
  fw::TPanel* InputOptions = nullptr;
  fw::TPanel* HelpPanel = nullptr;
  fw::TLabel* ErrorHelp = nullptr;
  fw::TCheckBox* NoPromptAgain = nullptr;
  fw::TButton* OKButton = nullptr;
  fw::TButton* CancelButton = nullptr;

  // Fills the dialog from the request: a radio button an option, the
  // engine's choice checked and focused.
  void SetRequest(const TInputRequest& Request);
  // The option the answer names, 0-based; -1 without options.
  int Selected() const { return selected_; }
  fw::TRadioButton* Option(int Index) const;

  void OptionClick(fw::TObject* Sender);

private:
  TInputRequest request_;
  int selected_ = -1;
};

// The engine's input request on Descriptor: ORVEX_CB_ANSWERED once the user
// pressed OK (the answer is then in the descriptor), ORVEX_CB_DEFAULT for
// anything else, a failure too, and the descriptor is left as it was.
std::uint16_t InputRequestCallback(void* Descriptor);

class TInputReqClass : public fw::TObject {
  FW_CLASS(TInputReqClass, fw::TObject)
public:
  TInputReqClass();
  ~TInputReqClass() override;
  TInputReqClass(const TInputReqClass&) = delete;
  TInputReqClass& operator=(const TInputReqClass&) = delete;

  // Points the session's engine at the descriptor and the callback.
  void Register(fw::TSession& Session);
  bool Registered() const { return callback_ != nullptr; }

private:
  std::array<std::uint8_t, kInputReqSize> descriptor_{};
  std::unique_ptr<fw::TNuboCallback> callback_;
};

// The program's one instance between the unit's start and its end, else none.
TInputReqClass* GetInputReqClass();

// Makes the instance and has the session register it whenever it starts the
// engine (at once when it runs already).
void InitInputReq();
void DoneInputReq();

}  // namespace dbx

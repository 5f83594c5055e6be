#include "InputReq.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "NuboDataSet.h"

using namespace fw;

namespace dbx {

static_assert(sizeof(OrvexInputReq) == kInputReqSize);
static_assert(ORVEX_INPUTREQ_OPTIONS == kInputReqMaxOptions);

namespace {

constexpr std::size_t kCountAt = offsetof(OrvexInputReq, optionCount);
constexpr std::size_t kChosenAt = offsetof(OrvexInputReq, chosen);
constexpr std::size_t kSaveAt = offsetof(OrvexInputReq, save);
constexpr std::size_t kMessageAt = offsetof(OrvexInputReq, message);
constexpr std::size_t kMessageSize = sizeof(OrvexInputReq::message);
constexpr std::size_t kOptionsAt = offsetof(OrvexInputReq, options);
constexpr std::size_t kOptionSize = sizeof(OrvexInputReq::options[0]);
constexpr std::size_t kKeywordSize = sizeof(OrvexInputReq::options[0].keyword);
constexpr std::size_t kHelpSize = sizeof(OrvexInputReq::options[0].help);

int ReadInt16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

void WriteInt16(std::uint8_t* p, int value) {
  auto bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
  p[0] = static_cast<std::uint8_t>(bits & 0xFF);
  p[1] = static_cast<std::uint8_t>(bits >> 8);
}

// A text that the engine forgot to end stops at its field's end.
std::string ReadText(const std::uint8_t* p, std::size_t size) {
  const auto* begin = reinterpret_cast<const char*>(p);
  return NativeToAnsi(std::string_view(begin, strnlen(begin, size)));
}

}  // namespace

TInputRequest ReadInputRequest(const std::uint8_t* Descriptor) {
  TInputRequest r;
  int count = std::clamp(ReadInt16(Descriptor + kCountAt), 0, kInputReqMaxOptions);
  r.Chosen = ReadInt16(Descriptor + kChosenAt);
  r.Save = ReadInt16(Descriptor + kSaveAt) != 0;
  r.Message = ReadText(Descriptor + kMessageAt, kMessageSize);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* option = Descriptor + kOptionsAt + static_cast<std::size_t>(i) * kOptionSize;
    r.Options.push_back({ReadText(option, kKeywordSize), ReadText(option + kKeywordSize, kHelpSize)});
  }
  return r;
}

void WriteInputAnswer(std::uint8_t* Descriptor, int Chosen, bool Save) {
  WriteInt16(Descriptor + kChosenAt, Chosen);
  WriteInt16(Descriptor + kSaveAt, Save ? -1 : 0);
}

// ---------------------------------------------------------------- the dialog

FW_PUBLISH(TInputReqDialog) {
  c.Field("MessagePanel", &TInputReqDialog::MessagePanel);
  c.Field("InputMessage", &TInputReqDialog::InputMessage);
  c.Field("InputOptions", &TInputReqDialog::InputOptions);
  c.Field("HelpPanel", &TInputReqDialog::HelpPanel);
  c.Field("ErrorHelp", &TInputReqDialog::ErrorHelp);
  c.Field("NoPromptAgain", &TInputReqDialog::NoPromptAgain);
  c.Field("OKButton", &TInputReqDialog::OKButton);
  c.Field("CancelButton", &TInputReqDialog::CancelButton);
  c.Method("OptionClick", &TInputReqDialog::OptionClick);
}

TInputReqDialog::TInputReqDialog(TComponent* AOwner) : TForm(AOwner) {}

TInputReqDialog::~TInputReqDialog() = default;

void TInputReqDialog::SetRequest(const TInputRequest& Request) {
  request_ = Request;
  InputMessage->SetCaption(request_.Message);
  int count = static_cast<int>(request_.Options.size());
  for (int i = 0; i < count; ++i) {
    auto* button = new TRadioButton(this);
    button->SetParent(InputOptions);
    button->SetCaption(request_.Options[static_cast<std::size_t>(i)].Keyword);
    button->SetTag(i);
    button->SetBounds(5, i * (button->Height() + 2) + 7, InputOptions->Width() - 10, button->Height());
    button->OnClick = [this](TObject* Sender) { OptionClick(Sender); };
  }
  NoPromptAgain->SetChecked(request_.Save);
  if (count == 0) return;
  int chosen = request_.Chosen < 1 || request_.Chosen > count ? 1 : request_.Chosen;
  // The option that has the focus is the one OK takes, so it shows checked.
  TRadioButton* button = Option(chosen - 1);
  button->SetChecked(true);
  SetActiveControl(button);
}

TRadioButton* TInputReqDialog::Option(int Index) const {
  for (int i = 0; i < InputOptions->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TRadioButton*>(InputOptions->Controls(i)); b && b->Tag() == Index) return b;
  return nullptr;
}

void TInputReqDialog::OptionClick(TObject* Sender) {
  auto* button = dynamic_cast<TRadioButton*>(Sender);
  if (!button) return;
  selected_ = static_cast<int>(button->Tag());
  ErrorHelp->SetCaption(request_.Options.at(static_cast<std::size_t>(selected_)).Help);
}

std::uint16_t InputRequestCallback(void* Descriptor) {
  try {
    auto* descriptor = static_cast<std::uint8_t*>(Descriptor);
    std::unique_ptr<TInputReqDialog> dialog(NewForm<TInputReqDialog>(nullptr));
    dialog->SetRequest(ReadInputRequest(descriptor));
    if (dialog->ShowModal() != mrOk) return ORVEX_CB_DEFAULT;
    // Without options there is nothing to choose: the engine's choice stays.
    int chosen = dialog->Selected() < 0 ? ReadInt16(descriptor + kChosenAt) : dialog->Selected() + 1;
    WriteInputAnswer(descriptor, chosen, dialog->NoPromptAgain->Checked());
    return ORVEX_CB_ANSWERED;
  } catch (...) {
    // Nothing may unwind into the engine; its default answer is safe.
    return ORVEX_CB_DEFAULT;
  }
}

// ---------------------------------------------------------------- the registration

FW_IMPLEMENT_CLASS(TInputReqClass)

TInputReqClass::TInputReqClass() = default;

TInputReqClass::~TInputReqClass() = default;

void TInputReqClass::Register(TSession& Session) {
  callback_.reset();
  callback_ = std::make_unique<TNuboCallback>(&Session, ORVEX_CB_INPUTREQ, descriptor_.data(),
                                              static_cast<std::uint16_t>(descriptor_.size()), &InputRequestCallback);
}

namespace {

std::unique_ptr<TInputReqClass>& Instance() {
  static std::unique_ptr<TInputReqClass> instance;
  return instance;
}

}  // namespace

TInputReqClass* GetInputReqClass() { return Instance().get(); }

void InitInputReq() {
  if (Instance()) return;
  Instance() = std::make_unique<TInputReqClass>();
  // The session keeps its start procedures for good: this one looks for the
  // instance each time, so that it does nothing once the unit has ended.
  static bool added = false;
  if (!added) {
    Session().AddStartProc([](TSession& s) {
      if (TInputReqClass* instance = GetInputReqClass()) instance->Register(s);
    });
    added = true;
  }
  if (Session().Active()) Instance()->Register(Session());
}

void DoneInputReq() { Instance().reset(); }

}  // namespace dbx

#include "StdCtrls.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "Forms.h"
#include "QtControls.h"
#include "Scope.h"
#include "Services.h"

namespace fw {

namespace {

// Windows counts a line break of a multi-line text as CR LF; Qt keeps LF.
QString ToQtText(const std::string& s, bool multi) {
  QString q = ToQString(s);
  if (multi) {
    q.replace("\r\n", "\n");
    q.replace('\r', '\n');
  }
  return q;
}

std::string FromQtText(const QString& q, bool multi) {
  if (!multi) return FromQString(q);
  QString t = q;
  t.replace('\n', "\r\n");
  return FromQString(t);
}

// Character position (CR LF counting two in multi-line text) of a Qt index.
int CharPosOf(const QString& q, int qpos, bool multi) {
  int n = 0;
  for (int i = 0; i < qpos && i < q.size(); ++i) {
    if (q[i].isLowSurrogate() && i > 0 && q[i - 1].isHighSurrogate()) continue;
    n += (multi && q[i] == '\n') ? 2 : 1;
  }
  return n;
}

int QtPosOf(const QString& q, int pos, bool multi) {
  int n = 0, i = 0;
  for (; i < q.size() && n < pos; ++i) {
    if (q[i].isHighSurrogate() && i + 1 < q.size() && q[i + 1].isLowSurrogate()) {
      ++i;
      ++n;
      continue;
    }
    n += (multi && q[i] == '\n') ? 2 : 1;
  }
  return i;
}

std::string ApplyCase(const std::string& s, TEditCharCase c) {
  if (c == ecNormal) return s;
  TChars chars = Utf8ToChars(s);
  for (TChar& ch : chars) ch = c == ecUpperCase ? CharUpper(ch) : CharLower(ch);
  return CharsToUtf8(chars);
}

// The text rectangle is the viewport, narrowed by margins; child controls
// sit on the frame, over the whole client area, so that the margins do not
// clip them.
class TMemoWidget : public TBridgedScroll<QPlainTextEdit> {
public:
  using TBridgedScroll<QPlainTextEdit>::TBridgedScroll;
  QWidget* ChildHost() override { return this; }
  void SetMargins(int l, int t, int r, int b) { setViewportMargins(l, t, r, b); }
};

Qt::Alignment QtAlignment(TAlignment a) {
  switch (a) {
    case taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

}  // namespace

// ---------------------------------------------------------------- label

FW_PUBLISH(TCustomLabel) {
  c.Property("Alignment", &TCustomLabel::Alignment, &TCustomLabel::SetAlignment).Default(taLeftJustify);
  c.Property("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize).Default(true);
  c.Property("FocusControl", &TCustomLabel::FocusControl, &TCustomLabel::SetFocusControl);
  c.Property("Layout", &TCustomLabel::Layout, &TCustomLabel::SetLayout).Default(tlTop);
  c.Property("ShowAccelChar", &TCustomLabel::ShowAccelChar, &TCustomLabel::SetShowAccelChar).Default(true);
  c.Property("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent).Default(false);
  c.Property("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap).Default(false);
}

FW_IMPLEMENT_CLASS(TLabel)

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
  SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout v) {
  if (v == layout_) return;
  layout_ = v;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
  if (v == showAccelChar_) return;
  showAccelChar_ = v;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* v) {
  focusControl_ = v;
  if (v) v->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::TextChanged() {
  Invalidate();
  AdjustBounds();
}

void TCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TCustomLabel::DoDrawText(TRect& Rect, unsigned Flags) {
  std::string text = Caption();
  if ((Flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += " ";
  if (!showAccelChar_) Flags |= DT_NOPREFIX;
  TCanvas* c = Canvas();
  c->SetFont(Font());
  if (!Enabled()) {
    OffsetRect(Rect, 1, 1);
    c->Font()->SetColor(clBtnHighlight);
    DrawText(c, text, -1, &Rect, Flags);
    OffsetRect(Rect, -1, -1);
    c->Font()->SetColor(clBtnShadow);
  }
  DrawText(c, text, -1, &Rect, Flags);
}

void TCustomLabel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (!transparent_) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);
  unsigned align = alignment_ == taRightJustify ? DT_RIGHT : alignment_ == taCenter ? DT_CENTER : DT_LEFT;
  unsigned flags = DT_EXPANDTABS | align | (wordWrap_ ? DT_WORDBREAK : 0);
  if (layout_ != tlTop) {
    TRect calc = r;
    DoDrawText(calc, flags | DT_CALCRECT);
    int h = calc.Height();
    r.Top = layout_ == tlBottom ? r.Bottom - h : r.Top + (r.Height() - h) / 2;
  }
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (ComponentState().Contains(csReading) || ComponentState().Contains(csLoading) || !autoSize_) return;
  TRect r = ClientRect();
  r.Right = wordWrap_ ? r.Right : r.Left + 0x7FFF;
  unsigned flags = DT_EXPANDTABS | DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0);
  std::string text = Caption();
  if (text.empty() || (showAccelChar_ && text == "&")) text += " ";
  TCanvas* c = Canvas();
  c->SetFont(Font());
  DrawText(c, text, -1, &r, flags | (showAccelChar_ ? 0 : DT_NOPREFIX));
  int x = Left();
  if (alignment_ == taRightJustify) x += Width() - r.Width();
  SetBounds(x, Top(), r.Width(), r.Height());
}

void TCustomLabel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(static_cast<TChar>(Message.WParam), Caption()) &&
        focusControl_->CanFocus()) {
      focusControl_->SetFocus();
      Message.Result = 1;
    }
    return;
  }
  TGraphicControl::Dispatch(Message);
}

// ---------------------------------------------------------------- group box

FW_IMPLEMENT_CLASS(TCustomGroupBox)
FW_IMPLEMENT_CLASS(TGroupBox)

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csReplicatable});
  SetBounds(0, 0, 185, 105);
}

TControlBridge* TCustomGroupBox::CreateWidget(const TCreateParams& Params) {
  auto* w = new TBridged<QGroupBox>(this, ParentWidgetOf(this));
  w->setTitle(ToQString(Params.Caption));
  return w;
}

void TCustomGroupBox::TextChanged() {
  if (auto* g = dynamic_cast<QGroupBox*>(WidgetOf(this))) g->setTitle(ToQString(Caption()));
  Invalidate();
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  Rect.Top += c->TextHeight("0");
  InflateRect(Rect, -1, -1);
  if (Ctl3D()) InflateRect(Rect, -1, -1);
}

void TCustomGroupBox::WMPaint(TMessage& Message) { DefaultHandler(Message); }

void TCustomGroupBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    if (IsAccel(static_cast<TChar>(Message.WParam), Caption()) && CanFocus()) {
      SelectFirst();
      Message.Result = 1;
      return;
    }
  }
  TCustomControl::Dispatch(Message);
}

// ---------------------------------------------------------------- buttons

FW_IMPLEMENT_CLASS(TButtonControl)

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  clickFocus_ = true;
  SetTabStop(true);
}

FW_PUBLISH(TButton) {
  c.Property("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
  c.Property("Default", &TButton::Default, &TButton::SetDefault).Default(false);
  c.Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(0);
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetControlStyle({csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 75, 25);
}

TControlBridge* TButton::CreateWidget(const TCreateParams& Params) {
  auto* b = new TBridged<QPushButton>(this, ParentWidgetOf(this));
  b->setText(ToQString(Params.Caption));
  b->setAutoDefault(false);
  return b;
}

void TButton::CreateWnd() {
  TButtonControl::CreateWnd();
  auto* b = static_cast<QPushButton*>(WidgetOf(this));
  b->setDefault(active_ || default_);
  QObject::connect(b, &QPushButton::clicked, [this] { Guarded(this, [this] { Click(); }); });
}

void TButton::TextChanged() {
  if (auto* b = dynamic_cast<QPushButton*>(WidgetOf(this))) b->setText(ToQString(Caption()));
}

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  TCustomForm* form = GetParentForm(this);
  if (!form || !form->ActiveControl() || !dynamic_cast<TButton*>(form->ActiveControl())) active_ = v;
  if (auto* b = dynamic_cast<QPushButton*>(WidgetOf(this))) b->setDefault(active_);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TButtonControl::Click();
}

void TButton::CMDialogKey(TMessage& Message) {
  Word key = Message.CharCode();
  if (((key == VK_RETURN && active_) || (key == VK_ESCAPE && cancel_)) &&
      KeyDataToShiftState(Message.KeyData()).Empty() && CanFocus()) {
    Click();
    Message.Result = 1;
  }
}

void TButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(static_cast<TChar>(Message.WParam), Caption()) && CanFocus()) {
    Click();
    Message.Result = 1;
  }
}

void TButton::CMFocusChanged(TMessage& Message) {
  auto* sender = reinterpret_cast<TWinControl*>(Message.LParam);
  if (dynamic_cast<TButton*>(sender)) active_ = sender == this;
  else active_ = default_;
  if (auto* b = dynamic_cast<QPushButton*>(WidgetOf(this))) b->setDefault(active_);
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGKEY: return CMDialogKey(Message);
    case CM_DIALOGCHAR: return CMDialogChar(Message);
    case CM_FOCUSCHANGED: return CMFocusChanged(Message);
    default: TButtonControl::Dispatch(Message);
  }
}

void TButton::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_BUTTON | (active_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    return;
  }
  TButtonControl::DefaultHandler(Message);
}

FW_PUBLISH(TCustomCheckBox) {
  c.Property("Alignment", &TCustomCheckBox::Alignment, &TCustomCheckBox::SetAlignment).Default(taRightJustify);
  c.Property("AllowGrayed", &TCustomCheckBox::AllowGrayed, &TCustomCheckBox::SetAllowGrayed).Default(false);
  c.Property("Checked", &TCustomCheckBox::Checked, &TCustomCheckBox::SetChecked).Stored(false);
  c.Property("State", &TCustomCheckBox::State, &TCustomCheckBox::SetState).Default(cbUnchecked);
}

FW_IMPLEMENT_CLASS(TCheckBox)

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  SetControlStyle({csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 97, 17);
}

TControlBridge* TCustomCheckBox::CreateWidget(const TCreateParams& Params) {
  auto* b = new TBridged<QCheckBox>(this, ParentWidgetOf(this));
  b->setText(ToQString(Params.Caption));
  return b;
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  auto* b = static_cast<QCheckBox*>(WidgetOf(this));
  ApplyState();
  b->setLayoutDirection(alignment_ == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
  // Qt has toggled its box already; the framework decides the new state.
  QObject::connect(b, &QCheckBox::clicked, [this] {
    if (applying_) return;
    Guarded(this, [this] {
      Toggle();
      ApplyState();
    });
  });
}

void TCustomCheckBox::ApplyState() {
  auto* b = dynamic_cast<QCheckBox*>(WidgetOf(this));
  if (!b) return;
  applying_ = true;
  b->setTristate(allowGrayed_);
  b->setCheckState(state_ == cbChecked ? Qt::Checked : state_ == cbGrayed ? Qt::PartiallyChecked : Qt::Unchecked);
  applying_ = false;
}

void TCustomCheckBox::TextChanged() {
  if (auto* b = dynamic_cast<QCheckBox*>(WidgetOf(this))) b->setText(ToQString(Caption()));
}

void TCustomCheckBox::SetState(TCheckBoxState v) {
  if (v == state_) return;
  state_ = v;
  ApplyState();
  if (!ComponentState().Contains(csLoading)) Click();
}

void TCustomCheckBox::SetAllowGrayed(bool v) {
  allowGrayed_ = v;
  ApplyState();
}

void TCustomCheckBox::SetAlignment(TLeftRight v) {
  alignment_ = v;
  if (bridge_) WidgetOf(this)->setLayoutDirection(v == taLeftJustify ? Qt::RightToLeft : Qt::LeftToRight);
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    if (IsAccel(static_cast<TChar>(Message.WParam), Caption()) && CanFocus()) {
      SetFocus();
      if (Focused()) Toggle();
      Message.Result = 1;
    }
    return;
  }
  TButtonControl::Dispatch(Message);
}

void TCustomCheckBox::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_BUTTON;
    return;
  }
  TButtonControl::DefaultHandler(Message);
}

FW_PUBLISH(TRadioButton) {
  c.Property("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment).Default(taRightJustify);
  c.Property("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetControlStyle({csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 113, 17);
}

TControlBridge* TRadioButton::CreateWidget(const TCreateParams& Params) {
  auto* b = new TBridged<QRadioButton>(this, ParentWidgetOf(this));
  b->setText(ToQString(Params.Caption));
  b->setAutoExclusive(false);
  return b;
}

void TRadioButton::CreateWnd() {
  TButtonControl::CreateWnd();
  auto* b = static_cast<QRadioButton*>(WidgetOf(this));
  b->setChecked(checked_);
  QObject::connect(b, &QRadioButton::clicked, [this] {
    if (applying_) return;
    Guarded(this, [this] {
      if (auto* rb = dynamic_cast<QRadioButton*>(WidgetOf(this))) {
        applying_ = true;
        rb->setChecked(checked_);
        applying_ = false;
      }
      SetChecked(true);
    });
  });
}

void TRadioButton::TextChanged() {
  if (auto* b = dynamic_cast<QRadioButton*>(WidgetOf(this))) b->setText(ToQString(Caption()));
}

void TRadioButton::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (auto* b = dynamic_cast<QRadioButton*>(WidgetOf(this))) {
    applying_ = true;
    b->setChecked(v);
    applying_ = false;
  }
  if (!v) return;
  if (Parent())
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); other && other != this)
        other->SetChecked(false);
  if (!ComponentState().Contains(csLoading)) Click();
}

void TRadioButton::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    if (IsAccel(static_cast<TChar>(Message.WParam), Caption()) && CanFocus()) {
      SetFocus();
      if (Focused()) SetChecked(true);
      Message.Result = 1;
    }
    return;
  }
  TButtonControl::Dispatch(Message);
}

void TRadioButton::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_BUTTON | DLGC_RADIOBUTTON;
    return;
  }
  TButtonControl::DefaultHandler(Message);
}

// ---------------------------------------------------------------- edit

FW_PUBLISH(TCustomEdit) {
  c.Property("Alignment", &TCustomEdit::Alignment, &TCustomEdit::SetAlignment).Default(taLeftJustify);
  c.Property("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
  c.Property("AutoSize", &TCustomEdit::AutoSize, &TCustomEdit::SetAutoSize).Default(true);
  c.Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle).Default(bsSingle);
  c.Property("CharCase", &TCustomEdit::CharCase, &TCustomEdit::SetCharCase).Default(ecNormal);
  c.Property("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection).Default(true);
  c.Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength).Default(0);
  c.Property("OEMConvert", &TCustomEdit::OEMConvert, &TCustomEdit::SetOEMConvert).Default(false);
  c.Property("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar).Default(0);
  c.Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly).Default(false);
  c.Event("OnChange", &TCustomEdit::OnChange);
}

FW_IMPLEMENT_CLASS(TEdit)

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle({csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
  SetColor(clWindow);
  SetTabStop(true);
  clickFocus_ = true;
  SetBounds(0, 0, 121, 25);
}

TCustomEdit::~TCustomEdit() = default;

bool TCustomEdit::MultiLine() const {
  if (HandleAllocated()) return dynamic_cast<QPlainTextEdit*>(WidgetOf(this)) != nullptr;
  TCreateParams p;
  const_cast<TCustomEdit*>(this)->CreateParams(p);
  return (p.Style & ES_MULTILINE) != 0;
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (borderStyle_ == bsSingle) {
    if (Ctl3D()) Params.ExStyle |= WS_EX_CLIENTEDGE;
    else Params.Style |= WS_BORDER;
  }
  if (charCase_ == ecUpperCase) Params.Style |= ES_UPPERCASE;
  if (charCase_ == ecLowerCase) Params.Style |= ES_LOWERCASE;
  if (!hideSelection_) Params.Style |= ES_NOHIDESEL;
  if (readOnly_) Params.Style |= ES_READONLY;
  if (passwordChar_) Params.Style |= ES_PASSWORD;
  if (alignment_ == taRightJustify) Params.Style |= ES_RIGHT;
  if (alignment_ == taCenter) Params.Style |= ES_CENTER;
}

TControlBridge* TCustomEdit::CreateWidget(const TCreateParams& Params) {
  if (Params.Style & ES_MULTILINE) {
    auto* m = new TMemoWidget(this, ParentWidgetOf(this));
    m->setLineWrapMode((Params.Style & ES_AUTOHSCROLL) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    m->setVerticalScrollBarPolicy((Params.Style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m->setHorizontalScrollBarPolicy((Params.Style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m->setTabChangesFocus(false);
    if (!(Params.ExStyle & WS_EX_CLIENTEDGE) && !(Params.Style & WS_BORDER)) m->setFrameShape(QFrame::NoFrame);
    return m;
  }
  auto* e = new TBridged<QLineEdit>(this, ParentWidgetOf(this));
  e->setFrame((Params.ExStyle & WS_EX_CLIENTEDGE) || (Params.Style & WS_BORDER));
  return e;
}

void TCustomEdit::CreateWnd() {
  {
    TRestoreScope creating(creating_, true);
    TWinControl::CreateWnd();
    bool multi = MultiLine();
    QString text = ToQtText(ApplyCase(text_, charCase_), multi);
    if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) {
      e->setText(text);
      e->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
      e->setReadOnly(readOnly_);
      e->setEchoMode(passwordChar_ ? QLineEdit::Password : QLineEdit::Normal);
      e->setAlignment(QtAlignment(alignment_));
      e->setModified(modified_);
      e->setSelection(QtPosOf(text, selStart_, false), QtPosOf(text, selStart_ + selLength_, false) -
                                                             QtPosOf(text, selStart_, false));
      if (selLength_ == 0) e->setCursorPosition(QtPosOf(text, selStart_, false));
      QObject::connect(e, &QLineEdit::textChanged, [this] { NativeChanged(); });
    } else if (auto* m = dynamic_cast<QPlainTextEdit*>(WidgetOf(this))) {
      m->setPlainText(text);
      m->setReadOnly(readOnly_);
      m->document()->setModified(modified_);
      QTextCursor cur = m->textCursor();
      cur.setPosition(QtPosOf(text, selStart_, true));
      cur.setPosition(QtPosOf(text, selStart_ + selLength_, true), QTextCursor::KeepAnchor);
      m->setTextCursor(cur);
      QObject::connect(m, &QPlainTextEdit::textChanged, [this] { NativeChanged(); });
    }
    ApplyTextRect();
    ApplyWidgetState();
  }
  if (autoSize_) AdjustHeight();
}

void TCustomEdit::DestroyWnd() {
  if (!bridge_) return;
  text_ = GetText();
  selStart_ = SelStart();
  selLength_ = SelLength();
  modified_ = Modified();
  TWinControl::DestroyWnd();
}

void TCustomEdit::NativeChanged() {
  if (creating_) return;
  Guarded(this, [this] { Change(); });
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

std::string TCustomEdit::GetText() const {
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) return FromQString(e->text());
  if (auto* m = dynamic_cast<QPlainTextEdit*>(WidgetOf(this))) return FromQtText(m->toPlainText(), true);
  return text_;
}

void TCustomEdit::ApplyWidgetState() {
  TWinControl::ApplyWidgetState();
  if (!bridge_) return;
  ApplyBaseColors(WidgetOf(this), Color(), Font()->Color());
}

void TCustomEdit::FontChanged() {
  TWinControl::FontChanged();
  if (autoSize_ && HandleAllocated()) AdjustHeight();
}

void TCustomEdit::AdjustHeight() {
  if (!autoSize_ || borderStyle_ != bsSingle || MultiLine()) return;
  QFontMetrics fm(Font()->QtFont());
  int extra = GetSystemMetrics(SM_CYBORDER) * (Ctl3D() ? 8 : 6);
  SetHeight(fm.height() + extra);
}

void TCustomEdit::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  if (v && HandleAllocated()) AdjustHeight();
}

void TCustomEdit::SetMaxLength(int v) {
  maxLength_ = v < 0 ? 0 : v;
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) e->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TCustomEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) e->setReadOnly(v);
  if (auto* m = dynamic_cast<QPlainTextEdit*>(WidgetOf(this))) m->setReadOnly(v);
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase v) {
  if (v == charCase_) return;
  charCase_ = v;
  std::string t = ApplyCase(GetText(), v);
  if (t != GetText()) SetText(t);
}

void TCustomEdit::SetPasswordChar(TChar v) {
  if (v == passwordChar_) return;
  passwordChar_ = v;
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) e->setEchoMode(v ? QLineEdit::Password : QLineEdit::Normal);
  Invalidate();
}

void TCustomEdit::SetHideSelection(bool v) { hideSelection_ = v; }

void TCustomEdit::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) e->setAlignment(QtAlignment(v));
}

bool TCustomEdit::Modified() const {
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) return e->isModified();
  if (auto* m = dynamic_cast<QPlainTextEdit*>(WidgetOf(this))) return m->document()->isModified();
  return modified_;
}

void TCustomEdit::SetModified(bool v) {
  modified_ = v;
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) e->setModified(v);
  if (auto* m = dynamic_cast<QPlainTextEdit*>(WidgetOf(this))) m->document()->setModified(v);
}

bool TCustomEdit::CanUndo() const {
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) return e->isUndoAvailable();
  if (auto* m = dynamic_cast<QPlainTextEdit*>(WidgetOf(this))) return m->document()->isUndoAvailable();
  return false;
}

int TCustomEdit::SelStart() const {
  int s = 0, e = 0;
  const_cast<TCustomEdit*>(this)->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return s;
}

int TCustomEdit::SelLength() const {
  int s = 0, e = 0;
  const_cast<TCustomEdit*>(this)->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
  return e - s;
}

void TCustomEdit::SetSelStart(int v) { Perform(EM_SETSEL, static_cast<WPARAM>(v), v); }

void TCustomEdit::SetSelLength(int v) {
  int s = SelStart();
  Perform(EM_SETSEL, static_cast<WPARAM>(s), s + v);
}

std::string TCustomEdit::SelText() const {
  std::string t = GetText();
  TChars chars = Utf8ToChars(t);
  int s = SelStart(), l = SelLength();
  if (s < 0 || s > static_cast<int>(chars.size())) return std::string();
  return CharsToUtf8(chars.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(l)));
}

void TCustomEdit::SetSelText(const std::string& v) {
  Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(v.c_str()));
}

void TCustomEdit::SelectAll() { Perform(EM_SETSEL, 0, -1); }

void TCustomEdit::DoEnter() {
  if (autoSelect_ && !ControlState().Contains(csLButtonDown) && !MultiLine()) SelectAll();
  TWinControl::DoEnter();
}

int TCustomEdit::ChildOffset() const {
  // On a multi-line edit's frame the client area starts inside Qt's frame.
  if (auto* m = dynamic_cast<QPlainTextEdit*>(WidgetOf(this))) return m->frameWidth();
  return TWinControl::ChildOffset();
}

void TCustomEdit::ApplyTextRect() {
  if (!hasTextRect_ || !bridge_) return;
  TRect c = ClientRect();
  int l = std::max(0, textRect_.Left), t = std::max(0, textRect_.Top);
  int r = std::max(0, c.Right - textRect_.Right), b = std::max(0, c.Bottom - textRect_.Bottom);
  if (auto* e = dynamic_cast<QLineEdit*>(WidgetOf(this))) e->setTextMargins(l, t, r, b);
  if (auto* m = dynamic_cast<TMemoWidget*>(WidgetOf(this))) m->SetMargins(l, t, r, b);
}

void TCustomEdit::WMPaste(TMessage& Message) { DefaultHandler(Message); }

void TCustomEdit::WMCut(TMessage& Message) { DefaultHandler(Message); }

void TCustomEdit::CMTextChanged(TMessage&) {
  TextChanged();
  if (!HandleAllocated()) Change();
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PASTE: return WMPaste(Message);
    case WM_CUT: return WMCut(Message);
    case CM_TEXTCHANGED: return CMTextChanged(Message);
    default: TWinControl::Dispatch(Message);
  }
}

void TCustomEdit::DefaultHandler(TMessage& Message) {
  auto* line = dynamic_cast<QLineEdit*>(WidgetOf(this));
  auto* memo = dynamic_cast<QPlainTextEdit*>(WidgetOf(this));
  bool multi = MultiLine();
  switch (Message.Msg) {
    case WM_GETDLGCODE: {
      Message.Result = DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
      if (multi && (params_.Style & ES_WANTRETURN)) Message.Result |= DLGC_WANTALLKEYS;
      return;
    }
    case WM_SETTEXT: {
      const char* s = reinterpret_cast<const char*>(Message.LParam);
      std::string v = ApplyCase(s ? s : "", charCase_);
      text_ = v;
      if (line) line->setText(ToQString(v));
      else if (memo) memo->setPlainText(ToQtText(v, true));
      else selStart_ = selLength_ = 0;
      return;
    }
    case WM_CHAR: {
      switch (Message.WParam) {
        case 22: Perform(WM_PASTE, 0, 0); return;
        case 24: Perform(WM_CUT, 0, 0); return;
        case 3: Perform(WM_COPY, 0, 0); return;
        case 26: Perform(WM_UNDO, 0, 0); return;
        default: break;
      }
      if (charCase_ != ecNormal) {
        auto ch = static_cast<TChar>(Message.WParam);
        Message.WParam = charCase_ == ecUpperCase ? CharUpper(ch) : CharLower(ch);
      }
      if (memo && maxLength_ > 0 && Message.WParam >= 32 && SelLength() == 0 &&
          static_cast<int>(CharLength(GetText())) >= maxLength_) {
        MessageBeep(0);
        return;
      }
      break;
    }
    case EM_GETSEL: {
      int s = selStart_, e = selStart_ + selLength_;
      if (line) {
        QString q = line->text();
        int qs = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        int qe = line->hasSelectedText() ? qs + static_cast<int>(line->selectedText().size()) : qs;
        s = CharPosOf(q, qs, false);
        e = CharPosOf(q, qe, false);
      } else if (memo) {
        QString q = memo->toPlainText();
        QTextCursor c = memo->textCursor();
        s = CharPosOf(q, c.selectionStart(), true);
        e = CharPosOf(q, c.selectionEnd(), true);
      }
      if (Message.WParam) *reinterpret_cast<int*>(Message.WParam) = s;
      if (Message.LParam) *reinterpret_cast<int*>(Message.LParam) = e;
      Message.Result = MakeLParam(s, e);
      return;
    }
    case EM_SETSEL: {
      int s = static_cast<int>(static_cast<std::intptr_t>(Message.WParam));
      int e = static_cast<int>(Message.LParam);
      int len = static_cast<int>(CharLength(GetText()));
      if (multi) len = static_cast<int>(CharLength(GetText()));
      if (s < 0) {  // deselect, keep the caret
        s = e = SelStart();
      }
      if (e < 0 || e > len) e = len;
      if (s > len) s = len;
      if (line) {
        QString q = line->text();
        int qs = QtPosOf(q, s, false), qe = QtPosOf(q, e, false);
        if (qs == qe) line->setCursorPosition(qs);
        else line->setSelection(qs, qe - qs);
      } else if (memo) {
        QString q = memo->toPlainText();
        QTextCursor c = memo->textCursor();
        c.setPosition(QtPosOf(q, s, true));
        c.setPosition(QtPosOf(q, e, true), QTextCursor::KeepAnchor);
        memo->setTextCursor(c);
      } else {
        selStart_ = std::min(s, e);
        selLength_ = std::abs(e - s);
      }
      return;
    }
    case EM_REPLACESEL: {
      const char* s = reinterpret_cast<const char*>(Message.LParam);
      std::string v = ApplyCase(s ? s : "", charCase_);
      if (line) line->insert(ToQString(v));
      else if (memo) memo->insertPlainText(ToQtText(v, true));
      else {
        TChars chars = Utf8ToChars(text_);
        std::size_t st = std::min<std::size_t>(static_cast<std::size_t>(selStart_), chars.size());
        std::size_t ln = std::min<std::size_t>(static_cast<std::size_t>(selLength_), chars.size() - st);
        TChars ins = Utf8ToChars(v);
        chars.replace(st, ln, ins);
        text_ = CharsToUtf8(chars);
        selStart_ = static_cast<int>(st + ins.size());
        selLength_ = 0;
        Perform(CM_TEXTCHANGED, 0, 0);
      }
      return;
    }
    case WM_PASTE:
      if (readOnly_) return;
      if (line) line->paste();
      else if (memo) memo->paste();
      else if (QApplication::instance()) SetSelText(FromQString(QApplication::clipboard()->text()));
      return;
    case WM_CUT:
      if (readOnly_) {
        Perform(WM_COPY, 0, 0);
        return;
      }
      if (line) line->cut();
      else if (memo) memo->cut();
      else {
        Perform(WM_COPY, 0, 0);
        SetSelText(std::string());
      }
      return;
    case WM_COPY:
      if (line) line->copy();
      else if (memo) memo->copy();
      else if (QApplication::instance()) QApplication::clipboard()->setText(ToQString(SelText()));
      return;
    case WM_CLEAR:
      if (readOnly_) return;
      if (line) line->del();
      else if (memo) memo->textCursor().removeSelectedText();
      else SetSelText(std::string());
      return;
    case WM_UNDO:
    case EM_UNDO:
      if (line) line->undo();
      else if (memo) memo->undo();
      return;
    case EM_CANUNDO: Message.Result = CanUndo() ? 1 : 0; return;
    case EM_EMPTYUNDOBUFFER:
      if (memo) memo->document()->clearUndoRedoStacks();
      else if (line) {
        bool m = line->isModified();
        QString t = line->text();
        creating_ = true;
        line->setText(t);  // Qt's line edit forgets its undo with a new text
        creating_ = false;
        line->setModified(m);
      }
      return;
    case EM_GETMODIFY: Message.Result = Modified() ? 1 : 0; return;
    case EM_SETMODIFY: SetModified(Message.WParam != 0); return;
    case EM_SETREADONLY: SetReadOnly(Message.WParam != 0); return;
    case EM_LIMITTEXT: SetMaxLength(static_cast<int>(Message.WParam)); return;
    case EM_GETLINECOUNT:
      Message.Result = memo ? memo->document()->blockCount() : 1;
      return;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (Message.LParam) {
        textRect_ = *reinterpret_cast<const TRect*>(Message.LParam);
        hasTextRect_ = true;
        ApplyTextRect();
      } else {
        hasTextRect_ = false;
        if (line) line->setTextMargins(0, 0, 0, 0);
        if (auto* m = dynamic_cast<TMemoWidget*>(WidgetOf(this))) m->SetMargins(0, 0, 0, 0);
      }
      return;
    case EM_GETRECT:
      if (Message.LParam) *reinterpret_cast<TRect*>(Message.LParam) = hasTextRect_ ? textRect_ : ClientRect();
      return;
    case EM_SCROLLCARET:
      if (memo) memo->ensureCursorVisible();
      return;
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (auto* area = dynamic_cast<QAbstractScrollArea*>(WidgetOf(this))) {
        QScrollBar* sb = Message.Msg == WM_VSCROLL ? area->verticalScrollBar() : area->horizontalScrollBar();
        switch (static_cast<int>(Message.WParam & 0xFFFF)) {
          case SB_LINEUP: sb->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
          case SB_LINEDOWN: sb->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
          case SB_PAGEUP: sb->triggerAction(QAbstractSlider::SliderPageStepSub); break;
          case SB_PAGEDOWN: sb->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
          case SB_TOP: sb->triggerAction(QAbstractSlider::SliderToMinimum); break;
          case SB_BOTTOM: sb->triggerAction(QAbstractSlider::SliderToMaximum); break;
          case SB_THUMBPOSITION:
          case SB_THUMBTRACK: sb->setValue(static_cast<int>((Message.WParam >> 16) & 0xFFFF)); break;
          default: break;
        }
      }
      return;
    default: break;
  }
  TWinControl::DefaultHandler(Message);
}

// ---------------------------------------------------------------- memo

FW_IMPLEMENT_CLASS(TMemoStrings)

std::vector<std::string> TMemoStrings::Lines() const {
  std::string t = edit_->GetText();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < t.size()) {
    std::size_t end = t.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(t.substr(start));
      break;
    }
    lines.push_back(t.substr(start, end - start));
    start = end + ((t[end] == '\r' && end + 1 < t.size() && t[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

void TMemoStrings::SetLines(const std::vector<std::string>& lines) {
  std::string t;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) t += "\r\n";
    t += lines[i];
  }
  edit_->SetText(t);
}

int TMemoStrings::Count() const { return static_cast<int>(Lines().size()); }

std::string TMemoStrings::Strings(int index) const {
  auto lines = Lines();
  CheckIndex(index, static_cast<int>(lines.size()));
  return lines[static_cast<std::size_t>(index)];
}

void TMemoStrings::SetStrings(int index, const std::string& s) {
  auto lines = Lines();
  CheckIndex(index, static_cast<int>(lines.size()));
  lines[static_cast<std::size_t>(index)] = s;
  SetLines(lines);
}

void TMemoStrings::Insert(int index, const std::string& s) {
  auto lines = Lines();
  CheckIndex(index, static_cast<int>(lines.size()) + 1);
  lines.insert(lines.begin() + index, s);
  SetLines(lines);
}

void TMemoStrings::Delete(int index) {
  auto lines = Lines();
  CheckIndex(index, static_cast<int>(lines.size()));
  lines.erase(lines.begin() + index);
  SetLines(lines);
}

void TMemoStrings::Clear() { edit_->SetText(std::string()); }

void TMemoStrings::SetText(const std::string& text) {
  // The lines of the text, without an empty line after the last break.
  std::string t = text;
  if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0) t.resize(t.size() - 2);
  else if (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  edit_->SetText(t);
}

FW_PUBLISH(TCustomMemo) {
  c.Property("Lines", &TCustomMemo::Lines, &TCustomMemo::SetLines);
  c.Property("ScrollBars", &TCustomMemo::ScrollBars, &TCustomMemo::SetScrollBars).Default(ssNone);
  c.Property("WantReturns", &TCustomMemo::WantReturns, &TCustomMemo::SetWantReturns).Default(true);
  c.Property("WantTabs", &TCustomMemo::WantTabs, &TCustomMemo::SetWantTabs).Default(false);
  c.Property("WordWrap", &TCustomMemo::WordWrap, &TCustomMemo::SetWordWrap).Default(true);
}

FW_IMPLEMENT_CLASS(TMemo)

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), lines_(std::make_unique<TMemoStrings>(this)) {
  SetBounds(Left(), Top(), 185, 89);
  SetAutoSize(false);
  SetControlStyle(ControlStyle() - TControlStyle{csFixedHeight});
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::CreateParams(TCreateParams& Params) {
  TCustomEdit::CreateParams(Params);
  Params.Style |= ES_MULTILINE;
  if (wordWrap_) Params.Style &= ~ES_AUTOHSCROLL;
  if (wantReturns_) Params.Style |= ES_WANTRETURN;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= WS_HSCROLL;
}

void TCustomMemo::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  RecreateWnd();
}

void TCustomMemo::SetWantReturns(bool v) {
  if (v == wantReturns_) return;
  wantReturns_ = v;
  if (HandleAllocated()) params_.Style = v ? (params_.Style | ES_WANTRETURN) : (params_.Style & ~ES_WANTRETURN);
}

void TCustomMemo::KeyPress(TChar& Key) {
  TCustomEdit::KeyPress(Key);
  if (Key == 13 && !wantReturns_) Key = 0;
}

void TCustomMemo::DefaultHandler(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomEdit::DefaultHandler(Message);
    Message.Result |= DLGC_WANTALLKEYS;
    if (wantTabs_) Message.Result |= DLGC_WANTTAB;
    else Message.Result &= ~DLGC_WANTTAB;
    if (!wantReturns_) Message.Result &= ~DLGC_WANTALLKEYS;
    return;
  }
  TCustomEdit::DefaultHandler(Message);
}

}  // namespace fw

#include "Dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "Exceptions.h"
#include "Printer.h"
#include "QtGraphics.h"

namespace fw {

namespace {

std::string OptionNames(const TEnumInfo* info, std::uint64_t bits) {
  std::string s;
  for (std::size_t i = 0; i < info->Names.size() && i < 64; ++i) {
    if (!(bits & (std::uint64_t{1} << i))) continue;
    if (!s.empty()) s += ',';
    s += info->Names[i];
  }
  return s;
}

int ToInt(const std::string& s, int fallback) {
  try {
    std::size_t used = 0;
    int v = std::stoi(s, &used);
    return used == s.size() ? v : fallback;
  } catch (const std::exception&) {
    return fallback;
  }
}

std::string Value(const TDialogRequest& r, const std::string& name) {
  auto it = r.Values.find(name);
  return it == r.Values.end() ? std::string() : it->second;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

TModalResult ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return IDHELP;
  }
  return mrNone;
}

int MessageDlgPos(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y) {
  TMessageRequest r;
  r.Kind = TMessageKind::MessageDlg;
  r.Text = Msg;
  switch (DlgType) {
    case mtWarning:
      r.Caption = "Warning";
      r.Icon = TMessageIcon::Warning;
      break;
    case mtError:
      r.Caption = "Error";
      r.Icon = TMessageIcon::Error;
      break;
    case mtInformation:
      r.Caption = "Information";
      r.Icon = TMessageIcon::Information;
      break;
    case mtConfirmation:
      r.Caption = "Confirm";
      r.Icon = TMessageIcon::Question;
      break;
    case mtCustom: r.Caption = Application ? Application->Title() : std::string(); break;
  }
  for (int b = mbYes; b <= mbHelp; ++b)
    if (Buttons.Contains(static_cast<TMsgDlgBtn>(b))) r.Buttons.push_back(ModalResultOf(static_cast<TMsgDlgBtn>(b)));
  if (r.Buttons.empty()) r.Buttons.push_back(mrOk);
  r.DefaultButton = Buttons.Contains(mbOK) ? mrOk : Buttons.Contains(mbYes) ? mrYes : r.Buttons.front();
  r.CancelButton = Buttons.Contains(mbCancel) ? mrCancel : Buttons.Contains(mbNo) ? mrNo : Buttons.Contains(mbOK) ? mrOk : 0;
  r.HelpContext = HelpCtx;
  r.HelpFile = Application ? Application->HelpFile() : std::string();
  r.X = X;
  r.Y = Y;
  for (;;) {
    int answer = MessageService().MessageBox(r);
    // Help opens the help and leaves the question open.
    if (answer == IDHELP && Buttons.Contains(mbHelp)) {
      if (Application) Application->HelpContext(HelpCtx);
      continue;
    }
    return answer;
  }
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  return MessageDlgPos(Msg, DlgType, Buttons, HelpCtx, -1, -1);
}

void ShowMessage(const std::string& Msg) {
  TMessageRequest r;
  r.Kind = TMessageKind::ShowMessage;
  r.Text = Msg;
  r.Caption = Application ? Application->Title() : std::string();
  r.Buttons = {mrOk};
  r.DefaultButton = mrOk;
  r.CancelButton = mrOk;
  MessageService().MessageBox(r);
}

bool InputQuery(const std::string& ACaption, const std::string& APrompt, std::string& Value) {
  TDialogRequest r;
  r.Kind = "InputQuery";
  r.Caption = ACaption;
  r.Values["Prompt"] = APrompt;
  r.Values["Value"] = Value;
  if (!MessageService().ExecuteDialog(r)) return false;
  Value = r.Values["Value"];
  return true;
}

std::string InputBox(const std::string& ACaption, const std::string& APrompt, const std::string& ADefault) {
  std::string v = ADefault;
  InputQuery(ACaption, APrompt, v);
  return v;
}

// ---------------------------------------------------------------- common dialogs

FW_PUBLISH(TCommonDialog) {
  c.Property("Ctl3D", &TCommonDialog::Ctl3D, &TCommonDialog::SetCtl3D).Default(true);
  c.Property("HelpContext", &TCommonDialog::HelpContext, &TCommonDialog::SetHelpContext).Default(0);
  c.Event("OnClose", &TCommonDialog::OnClose);
  c.Event("OnShow", &TCommonDialog::OnShow);
}

bool TCommonDialog::Ask(TDialogRequest& request) {
  request.HelpContext = helpContext_;
  if (OnShow) OnShow(this);
  bool ok = MessageService().ExecuteDialog(request);
  if (OnClose) OnClose(this);
  return ok;
}

FW_PUBLISH(TOpenDialog) {
  c.Property("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
  c.Property("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
  c.Property("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
  c.Property("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
  c.Property("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
  c.Property("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions);
  c.Property("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
  TDialogRequest r;
  r.Kind = Kind();
  r.Caption = title_.empty() ? DefaultTitle() : title_;
  r.Values["FileName"] = fileName_;
  r.Values["Filter"] = filter_;
  r.Values["FilterIndex"] = std::to_string(filterIndex_);
  r.Values["DefaultExt"] = defaultExt_;
  r.Values["InitialDir"] = initialDir_;
  r.Values["Options"] = OptionNames(FwEnumInfo(TOpenOption{}), options_.ToBits());
  for (;;) {
    TDialogRequest ask = r;
    if (!Ask(ask)) return false;
    std::string name = Value(ask, "FileName");
    if (name.empty()) return false;
    if (!defaultExt_.empty() && std::filesystem::path(name).extension().empty()) {
      std::string ext = defaultExt_[0] == '.' ? defaultExt_ : "." + defaultExt_;
      name += ext;
    }
    if (!CheckAnswer(name)) {
      r.Values["FileName"] = name;
      continue;
    }
    fileName_ = name;
    filterIndex_ = ToInt(Value(ask, "FilterIndex"), filterIndex_);
    files_->Clear();
    files_->Add(name);
    return true;
  }
}

bool TOpenDialog::CheckAnswer(const std::string& name) {
  std::string caption = title_.empty() ? DefaultTitle() : title_;
  std::filesystem::path p(name);
  if ((Options().Contains(ofPathMustExist) || Options().Contains(ofFileMustExist)) && p.has_parent_path() &&
      !Exists(p.parent_path().string())) {
    ShowMessageBox(name + "\nPath does not exist.\nPlease verify the correct path was given.", caption,
                   MB_OK | MB_ICONWARNING);
    return false;
  }
  if (Options().Contains(ofFileMustExist) && !Exists(name)) {
    ShowMessageBox(name + "\nFile not found.\nPlease verify the correct file name was given.", caption,
                   MB_OK | MB_ICONWARNING);
    return false;
  }
  return true;
}

FW_IMPLEMENT_CLASS(TSaveDialog)

bool TSaveDialog::CheckAnswer(const std::string& name) {
  if (!TOpenDialog::CheckAnswer(name)) return false;
  if (Options().Contains(ofOverwritePrompt) && Exists(name)) {
    std::string caption = Title().empty() ? DefaultTitle() : Title();
    return ShowMessageBox(name + " already exists.\nDo you want to replace it?", caption,
                          MB_YESNO | MB_ICONWARNING) == IDYES;
  }
  return true;
}

FW_PUBLISH(TFontDialog) {
  c.Property("Device", &TFontDialog::Device, &TFontDialog::SetDevice).Default(fdScreen);
  c.Property("Font", &TFontDialog::Font, &TFontDialog::SetFont);
}

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), font_(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
  TDialogRequest r;
  r.Kind = "Font";
  r.Caption = "Font";
  r.Values["Name"] = font_->Name();
  r.Values["Size"] = std::to_string(font_->Size());
  r.Values["Style"] = OptionNames(FwEnumInfo(TFontStyle{}), font_->Style().ToBits());
  r.Values["Color"] = ColorToString(font_->Color());
  r.Values["Device"] = FwEnumInfo(TFontDialogDevice{})->NameOf(device_);
  if (!Ask(r)) return false;
  if (!Value(r, "Name").empty()) font_->SetName(Value(r, "Name"));
  int size = ToInt(Value(r, "Size"), 0);
  if (size > 0) font_->SetSize(size);
  TFontStyles style;
  std::string styles = Value(r, "Style");
  const TEnumInfo* info = FwEnumInfo(TFontStyle{});
  std::size_t start = 0;
  while (start <= styles.size()) {
    std::size_t comma = styles.find(',', start);
    std::string item = styles.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    int e = info->ValueOf(item);
    if (e >= 0) style.Include(static_cast<TFontStyle>(e));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  font_->SetStyle(style);
  if (!Value(r, "Color").empty()) {
    try {
      font_->SetColor(StringToColor(Value(r, "Color")));
    } catch (const EConvertError&) {
    }
  }
  return true;
}

FW_PUBLISH(TPrintDialog) {
  c.Property("Copies", &TPrintDialog::Copies, &TPrintDialog::SetCopies).Stored(false);
  c.Property("FromPage", &TPrintDialog::FromPage, &TPrintDialog::SetFromPage).Default(0);
  c.Property("MaxPage", &TPrintDialog::MaxPage, &TPrintDialog::SetMaxPage).Default(0);
  c.Property("MinPage", &TPrintDialog::MinPage, &TPrintDialog::SetMinPage).Default(0);
  c.Property("Options", &TPrintDialog::Options, &TPrintDialog::SetOptions);
  c.Property("PrintRange", &TPrintDialog::PrintRange, &TPrintDialog::SetPrintRange).Default(prAllPages);
  c.Property("PrintToFile", &TPrintDialog::PrintToFile, &TPrintDialog::SetPrintToFile).Default(false);
  c.Property("ToPage", &TPrintDialog::ToPage, &TPrintDialog::SetToPage).Default(0);
}

int TPrintDialog::Copies() const { return Printer()->Copies(); }

void TPrintDialog::SetCopies(int v) { Printer()->SetCopies(v); }

bool TPrintDialog::Execute() {
  TDialogRequest r;
  r.Kind = "Print";
  r.Caption = "Print";
  r.Values["Copies"] = std::to_string(Copies());
  r.Values["FromPage"] = std::to_string(fromPage_);
  r.Values["ToPage"] = std::to_string(toPage_);
  r.Values["MinPage"] = std::to_string(minPage_);
  r.Values["MaxPage"] = std::to_string(maxPage_);
  r.Values["PrintToFile"] = printToFile_ ? "1" : "0";
  r.Values["Printer"] = Printer()->PrinterName();
  r.Values["FileName"] = Printer()->OutputFileName();
  if (!Ask(r)) return false;
  int copies = ToInt(Value(r, "Copies"), Copies());
  if (copies > 0) SetCopies(copies);
  fromPage_ = ToInt(Value(r, "FromPage"), fromPage_);
  toPage_ = ToInt(Value(r, "ToPage"), toPage_);
  printToFile_ = Value(r, "PrintToFile") == "1";
  Printer()->SetPrinterName(Value(r, "Printer"));
  Printer()->SetOutputFileName(Value(r, "FileName"));
  return true;
}

FW_IMPLEMENT_CLASS(TPrinterSetupDialog)

bool TPrinterSetupDialog::Execute() {
  TPrinter* printer = Printer();
  auto lines = [](const std::vector<std::string>& items) {
    std::string s;
    for (const std::string& i : items) s += (s.empty() ? "" : "\n") + i;
    return s;
  };
  TDialogRequest r;
  r.Kind = "PrinterSetup";
  r.Caption = "Print Setup";
  r.Values["Printers"] = lines(printer->Printers());
  r.Values["Printer"] = printer->PrinterName();
  r.Values["FileName"] = printer->OutputFileName();
  r.Values["PaperSizes"] = lines(TPrinter::PaperSizes());
  r.Values["PaperSize"] = printer->PaperSize();
  r.Values["Orientation"] = printer->Orientation() == poLandscape ? "poLandscape" : "poPortrait";
  if (!Ask(r)) return false;
  printer->SetPrinterName(Value(r, "Printer"));
  printer->SetOutputFileName(Value(r, "FileName"));
  printer->SetPaperSize(Value(r, "PaperSize"));
  printer->SetOrientation(Value(r, "Orientation") == "poLandscape" ? poLandscape : poPortrait);
  return true;
}

// ---------------------------------------------------------------- directories

bool SelectDirectory(std::string& Directory, TSelectDirOpts Options, int HelpCtx) {
  const std::string caption = "Select Directory";
  TDialogRequest r;
  r.Kind = "SelectDirectory";
  r.Caption = caption;
  r.HelpContext = HelpCtx;
  r.Values["Directory"] = Directory;
  r.Values["Options"] = OptionNames(FwEnumInfo(TSelectDirOpt{}), Options.ToBits());
  for (;;) {
    TDialogRequest ask = r;
    if (!MessageService().ExecuteDialog(ask)) return false;
    std::string dir = Value(ask, "Directory");
    if (dir.empty()) return false;
    r.Values["Directory"] = dir;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
      if (Exists(dir)) {
        ShowMessageBox(dir + "\nis not a folder.", caption, MB_OK | MB_ICONWARNING);
        continue;
      }
      if (!Options.Contains(sdAllowCreate)) {
        ShowMessageBox("The folder " + dir + " does not exist.", caption, MB_OK | MB_ICONWARNING);
        continue;
      }
      if (Options.Contains(sdPrompt) &&
          ShowMessageBox("The folder " + dir + " does not exist. Create it?", caption, MB_YESNO | MB_ICONQUESTION) !=
              IDYES)
        continue;
      if (Options.Contains(sdPerformCreate)) {
        std::filesystem::create_directories(dir, ec);
        if (ec || !std::filesystem::is_directory(dir, ec)) {
          ShowMessageBox("Cannot create the folder " + dir + ".", caption, MB_OK | MB_ICONSTOP);
          continue;
        }
      }
    }
    Directory = dir;
    return true;
  }
}

// ---------------------------------------------------------------- the Qt service

namespace {

QMessageBox::StandardButton StandardButtonOf(int answer) {
  switch (answer) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    case IDCLOSE: return QMessageBox::Close;
    case IDHELP: return QMessageBox::Help;
    default: return QMessageBox::NoButton;
  }
}

// A file name with '*' or '?' lists the files it matches, as a filter.
bool IsWildcardName(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// Qt's filter from the framework's "Text files|*.txt|All files|*.*". A
// wildcard file name stands in for the chosen entry's patterns, which some
// filters give as bare extensions ("Database (*.gdb)|gdb").
QString QtFilter(const std::string& filter, int index, QString* selected, const std::string& wildcard = {}) {
  QStringList parts = ToQString(filter).split('|');
  QStringList out;
  if (!wildcard.empty() && parts.size() < 2) {
    out << ToQString(wildcard);
    if (selected) *selected = out.back();
  }
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = !wildcard.empty() && i / 2 + 1 == index ? ToQString(wildcard) : parts[i + 1];
    patterns.replace(';', ' ');
    // "Database (*.gdb)" already shows its pattern
    QString shown = " (" + patterns + ")";
    QString entry = parts[i].endsWith(shown) ? parts[i] : parts[i] + shown;
    out << entry;
    if (i / 2 + 1 == index && selected) *selected = entry;
  }
  return out.join(";;");
}

// The print setup: the system's printers and a PDF file with its name, the
// paper and the orientation.
bool ExecutePrinterSetup(TDialogRequest& request, QWidget* parent) {
  auto v = [&](const char* name) { return ToQString(Value(request, name)); };
  QDialog d(parent);
  d.setWindowTitle(ToQString(request.Caption));
  auto* form = new QFormLayout;

  auto* printers = new QComboBox;
  for (const QString& name : v("Printers").split('\n', Qt::SkipEmptyParts)) printers->addItem(name, name);
  printers->addItem("PDF file", QString());
  printers->setCurrentIndex(std::max(0, printers->findData(v("Printer"))));
  form->addRow("&Printer:", printers);

  auto* file = new QLineEdit(v("FileName"));
  file->setPlaceholderText("asked for when printing");
  auto* browse = new QPushButton("&Browse...");
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file, 1);
  fileRow->addWidget(browse);
  auto* fileLabel = new QLabel("PDF &file:");
  fileLabel->setBuddy(file);
  form->addRow(fileLabel, fileRow);
  QObject::connect(browse, &QPushButton::clicked, &d, [&d, file] {
    QString start = file->text().isEmpty() ? QDir::currentPath() : file->text();
    QString name = QFileDialog::getSaveFileName(&d, "PDF File", start, "PDF files (*.pdf)");
    if (!name.isEmpty()) file->setText(name);
  });
  auto showFile = [printers, file, browse] {
    const bool pdf = printers->currentData().toString().isEmpty();
    file->setEnabled(pdf);
    browse->setEnabled(pdf);
  };
  QObject::connect(printers, &QComboBox::currentIndexChanged, &d, showFile);
  showFile();

  auto* paper = new QComboBox;
  paper->addItem("Printer's default", QString());
  for (const QString& name : v("PaperSizes").split('\n', Qt::SkipEmptyParts)) paper->addItem(name, name);
  paper->setCurrentIndex(std::max(0, paper->findData(v("PaperSize"))));
  form->addRow("Paper &size:", paper);

  auto* portrait = new QRadioButton("P&ortrait");
  auto* landscape = new QRadioButton("&Landscape");
  (v("Orientation") == "poLandscape" ? landscape : portrait)->setChecked(true);
  auto* orientation = new QHBoxLayout;
  orientation->addWidget(portrait);
  orientation->addWidget(landscape);
  orientation->addStretch();
  form->addRow("Orientation:", orientation);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  auto* layout = new QVBoxLayout(&d);
  layout->addLayout(form);
  layout->addWidget(buttons);
  d.setMinimumWidth(d.fontMetrics().averageCharWidth() * 60);
  if (d.exec() != QDialog::Accepted) return false;
  request.Values["Printer"] = FromQString(printers->currentData().toString());
  request.Values["FileName"] = FromQString(file->text().trimmed());
  request.Values["PaperSize"] = FromQString(paper->currentData().toString());
  request.Values["Orientation"] = landscape->isChecked() ? "poLandscape" : "poPortrait";
  return true;
}

bool AskForDirectory(TDialogRequest& request, QWidget* parent) {
  QString dir = QFileDialog::getExistingDirectory(parent, ToQString(request.Caption),
                                                  ToQString(Value(request, "Directory")));
  if (dir.isEmpty()) return false;
  request.Values["Directory"] = FromQString(dir);
  return true;
}

}  // namespace

int TQtMessageService::MessageBox(const TMessageRequest& request) {
  EnsureQtApplication();
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(ToQString(request.Caption));
  box.setText(ToQString(request.Text));
  switch (request.Icon) {
    case TMessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case TMessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case TMessageIcon::None: break;
  }
  std::vector<std::pair<QAbstractButton*, int>> buttons;
  for (int answer : request.Buttons) {
    QAbstractButton* b = nullptr;
    QMessageBox::StandardButton sb = StandardButtonOf(answer);
    if (sb != QMessageBox::NoButton) {
      b = box.addButton(sb);
    } else {
      const char* text = answer == mrAll ? "&All" : answer == mrNoToAll ? "N&o to All" : "Yes to &All";
      b = box.addButton(text, QMessageBox::AcceptRole);
    }
    buttons.emplace_back(b, answer);
    if (answer == request.DefaultButton)
      if (auto* pb = qobject_cast<QPushButton*>(b)) box.setDefaultButton(pb);
    if (answer == request.CancelButton) box.setEscapeButton(b);
  }
  if (request.X >= 0 && request.Y >= 0) box.move(request.X, request.Y);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (auto& [b, answer] : buttons)
    if (b == clicked) return answer;
  return request.CancelButton ? request.CancelButton : request.DefaultButton;
}

bool TQtMessageService::ExecuteDialog(TDialogRequest& request) {
  EnsureQtApplication();
  QWidget* parent = QApplication::activeWindow();
  const std::string& kind = request.Kind;
  auto v = [&](const char* name) { return Value(request, name); };
  if (kind == "Open" || kind == "Save") {
    QFileDialog d(parent, ToQString(request.Caption), ToQString(v("InitialDir")));
    d.setAcceptMode(kind == "Save" ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::AnyFile);
    // The framework asks about existing files itself.
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    QString selected;
    bool wildcard = IsWildcardName(v("FileName"));
    QString filter =
        QtFilter(v("Filter"), ToInt(v("FilterIndex"), 1), &selected, wildcard ? v("FileName") : std::string());
    if (!filter.isEmpty()) d.setNameFilter(filter);
    if (!selected.isEmpty()) d.selectNameFilter(selected);
    if (!v("FileName").empty() && !wildcard) d.selectFile(ToQString(v("FileName")));
    if (!v("DefaultExt").empty()) d.setDefaultSuffix(ToQString(v("DefaultExt")));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return false;
    request.Values["FileName"] = FromQString(d.selectedFiles().first());
    QStringList filters = d.nameFilters();
    request.Values["FilterIndex"] = std::to_string(filters.indexOf(d.selectedNameFilter()) + 1);
    return true;
  }
  if (kind == "Font") {
    QFont f(ToQString(v("Name")));
    f.setPointSize(std::max(1, ToInt(v("Size"), 8)));
    std::string style = v("Style");
    f.setBold(style.find("fsBold") != std::string::npos);
    f.setItalic(style.find("fsItalic") != std::string::npos);
    f.setUnderline(style.find("fsUnderline") != std::string::npos);
    f.setStrikeOut(style.find("fsStrikeOut") != std::string::npos);
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, f, parent, ToQString(request.Caption));
    if (!ok) return false;
    request.Values["Name"] = FromQString(chosen.family());
    request.Values["Size"] = std::to_string(chosen.pointSize() > 0 ? chosen.pointSize() : 8);
    std::string s;
    auto add = [&](bool on, const char* name) {
      if (!on) return;
      if (!s.empty()) s += ',';
      s += name;
    };
    add(chosen.bold(), "fsBold");
    add(chosen.italic(), "fsItalic");
    add(chosen.underline(), "fsUnderline");
    add(chosen.strikeOut(), "fsStrikeOut");
    request.Values["Style"] = s;
    return true;
  }
  if (kind == "InputQuery") {
    bool ok = false;
    QString text = QInputDialog::getText(parent, ToQString(request.Caption), ToQString(v("Prompt")), QLineEdit::Normal,
                                         ToQString(v("Value")), &ok);
    if (!ok) return false;
    request.Values["Value"] = FromQString(text);
    return true;
  }
  if (kind == "Print") {
    QPrinter* printer = Printer()->QtPrinter();
    printer->setCopyCount(std::max(1, ToInt(v("Copies"), 1)));
    if (!v("FileName").empty()) printer->setOutputFileName(ToQString(v("FileName")));
    QPrintDialog d(printer, parent);
    d.setWindowTitle(ToQString(request.Caption));
    if (d.exec() != QDialog::Accepted) return false;
    request.Values["Copies"] = std::to_string(printer->copyCount());
    const bool native = printer->outputFormat() == QPrinter::NativeFormat;
    request.Values["Printer"] = native ? FromQString(printer->printerName()) : std::string();
    request.Values["FileName"] = FromQString(printer->outputFileName());
    request.Values["PrintToFile"] = printer->outputFileName().isEmpty() ? "0" : "1";
    request.Values["FromPage"] = std::to_string(printer->fromPage());
    request.Values["ToPage"] = std::to_string(printer->toPage());
    return true;
  }
  if (kind == "SelectDirectory") return AskForDirectory(request, parent);
  if (kind == "PrinterSetup") return ExecutePrinterSetup(request, parent);
  return false;
}

void TQtMessageService::Beep(unsigned) {
  if (QApplication::instance()) QApplication::beep();
}

}  // namespace fw

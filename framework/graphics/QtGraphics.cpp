#include "QtGraphics.h"

#include <QApplication>
#include <QFont>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace fw {

namespace {

struct QtApp {
  std::vector<std::string> args{"velloria"};
  std::vector<char*> argv;
  int argc = 0;
  std::unique_ptr<QApplication> app;
  // Qt's own statics may be gone when this one is destroyed at exit, and the
  // application must not outlive them: one that was not shut down in time is
  // left to the end of the process.
  ~QtApp() { (void)app.release(); }
};

QtApp& TheQtApp() {
  static QtApp a;
  return a;
}

// The form files name the classic faces of the system they were designed on;
// fonts of the same metrics keep their captions within the controls.
void SubstituteClassicFonts() {
  QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans"});
  QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
  QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "DejaVu Serif"});
  QFont::insertSubstitutions("Courier New", {"Liberation Mono", "DejaVu Sans Mono"});
}

}  // namespace

void SetQtApplicationArguments(int argc, char** argv) {
  QtApp& a = TheQtApp();
  if (a.app) return;
  a.args.assign(argv, argv + argc);
  if (a.args.empty()) a.args.push_back("velloria");
}

QApplication* EnsureQtApplication() {
  if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return existing;
  QtApp& a = TheQtApp();
  if (!a.app) {
    a.argv.clear();
    for (auto& s : a.args) a.argv.push_back(s.data());
    a.argv.push_back(nullptr);
    a.argc = static_cast<int>(a.args.size());
    a.app = std::make_unique<QApplication>(a.argc, a.argv.data());
    SubstituteClassicFonts();
  }
  return a.app.get();
}

void ShutdownQtApplication() { TheQtApp().app.reset(); }

QColor ToQColor(TColor c) {
  TColor rgb = ColorToRGB(c);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

}  // namespace fw

// The Qt side of the graphics layer, for framework/ui and framework/graphics
// only: the one Qt application of the program and the conversions between
// the framework's values and Qt's.
#pragma once
#include <QColor>
#include <QRect>
#include <QString>
#include <string>

#include "Graphics.h"

class QApplication;

namespace fw {

// The program's Qt application, made on first use (with the program's
// arguments when the ui layer gave them). Every use of Qt goes through it, so
// that fonts and printers work before the ui layer has started.
QApplication* EnsureQtApplication();
void SetQtApplicationArguments(int argc, char** argv);
// Destroys the application made by EnsureQtApplication; the ui layer calls it
// when the program's application object goes, before the program's statics.
void ShutdownQtApplication();

QColor ToQColor(TColor c);  // system colours by their classic value
TColor FromQColor(const QColor& c);
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect FromQRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }
inline QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
inline std::string FromQString(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace fw

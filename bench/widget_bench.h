// What the benchmarks of widgets share: Qt's offscreen platform unless
// another is asked for, the clock, one paint, and the figures' lines.
#pragma once
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <memory>

#include "Forms.h"
#include "QtControls.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Millis(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Paints what the widget shows now into a picture, as a screen update would.
inline void PaintOnce(QWidget* w) { w->grab(); }

inline void Print(const char* name, double value, const char* unit) { std::printf("%s: %.2f %s\n", name, value, unit); }

// The application on the offscreen platform (or QT_QPA_PLATFORM's), with
// messages written to the console.
inline void StartWidgets() {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  fw::SetMessageService(std::make_unique<fw::TConsoleMessageService>());
  fw::EnsureQtApplication();
}

}  // namespace bench

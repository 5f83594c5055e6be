// A fixture for tests with widgets: a scripted message service, forms shown
// on Qt's offscreen platform, and the event loop run until a condition holds.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <functional>

#include "Forms.h"
#include "MessageService.h"
#include "QtControls.h"
#include "QtGraphics.h"
#include "ScriptedMessages.h"

namespace fw::test {

// The widget that shows a scrolling control's rows.
inline QWidget* Viewport(TControl* c) { return static_cast<QAbstractScrollArea*>(WidgetOf(c))->viewport(); }

// A mouse event to w at a point of its own, with the buttons held after it.
inline void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                mods);
  QCoreApplication::sendEvent(w, &e);
}

// A mouse event at a point of the screen, as the window system sends it to w.
inline void SendMouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
  Mouse(w, type, w->mapFromGlobal(global), buttons);
}

// The thumb of a scroll bar dragged to Pos and let go there.
inline void DragThumb(QAbstractSlider* bar, int pos) {
  bar->setSliderDown(true);
  bar->setSliderPosition(pos);
  bar->setSliderDown(false);
}

class UiTest : public ::testing::Test {
protected:
  UiTest() { EnsureQtApplication(); }
  ~UiTest() override { Application->ProcessMessages(); }

  // Runs the event loop until done() or about two seconds have passed.
  static bool PumpUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > 2000) return false;
      Application->ProcessMessages();
    }
    return true;
  }
  static void Pump() {
    for (int i = 0; i < 3; ++i) Application->ProcessMessages();
  }
  // A key press to w and its release to the widget that has the focus then,
  // as the keyboard does it.
  static void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(w, &press);
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(target, &release);
  }
  static void ShowActive(TCustomForm* f) {
    f->Show();
    ASSERT_TRUE(PumpUntil([f] { return f->Active(); })) << "the form did not become active";
  }

private:
  ScriptedMessages script_;

protected:
  TScriptedMessageService* messages = script_.Service();
};

}  // namespace fw::test

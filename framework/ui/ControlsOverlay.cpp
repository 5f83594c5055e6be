// Lines drawn over a control outside its painting. A control is drawn on
// only while it paints, so the lines live in a see-through widget laid over
// the control's client area, which inverts what lies below it when it paints.
#include <QPainter>
#include <QResizeEvent>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "Controls.h"
#include "QtControls.h"

namespace fw {

namespace {

class TInvertOverlay : public QWidget {
public:
  static constexpr const char* Name = "InvertedLines";
  explicit TInvertOverlay(QWidget* parent) : QWidget(parent) {
    setObjectName(Name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    parent->installEventFilter(this);
  }
  void Toggle(const QLine& line) {
    auto it = std::find(lines_.begin(), lines_.end(), line);
    if (it != lines_.end()) lines_.erase(it);
    else lines_.push_back(line);
    setGeometry(parentWidget()->rect());
    raise();
    setVisible(!lines_.empty());
    update();
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.setPen(QPen(Qt::white, 1));
    for (const QLine& l : lines_) p.drawLine(l);
  }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == parentWidget() && e->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(o, e);
  }

private:
  std::vector<QLine> lines_;
};

// The framework's lines leave out their end point; Qt's keep it.
int Short(int from, int to) { return to > from ? to - 1 : to < from ? to + 1 : to; }

}  // namespace

void InvertLine(TControl* Control, int X1, int Y1, int X2, int Y2) {
  QWidget* client = ClientWidgetOf(Control);
  if (!client) return;
  TPoint off;
  if (auto* wc = dynamic_cast<TWinControl*>(Control); wc && client == WidgetOf(Control)) off = wc->ClientOffset();
  // Found by name: the class has no meta-object of its own to be found by.
  auto* overlay = static_cast<TInvertOverlay*>(
      client->findChild<QWidget*>(TInvertOverlay::Name, Qt::FindDirectChildrenOnly));
  if (!overlay) overlay = new TInvertOverlay(client);
  overlay->Toggle(QLine(X1 + off.X, Y1 + off.Y, Short(X1, X2) + off.X, Short(Y1, Y2) + off.Y));
}

}  // namespace fw

// Paints the seating planner's, the administrator's and the framework's icons
// and button glyphs and writes them as PNG files: one file a picture, plus one strip per
// image list in list order, which the form files load. The PNGs are committed; the build never runs this.
//
// Run it from the top of the source tree after a build:
//   build/normal/tools/draw-icons/draw-icons resources/icons [build/normal/icons-sheet.png]
// The optional second argument also renders a contact sheet (every picture at
// its own size and magnified, with its name) for checking them by eye.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

// One palette for every picture, so that the two icon columns and the command
// buttons read as one set.
namespace pal {
const QColor ink(0x1e, 0x2a, 0x38);        // outlines
const QColor blue(0x2f, 0x6f, 0xd6);
const QColor darkBlue(0x1c, 0x47, 0x9a);
const QColor pink(0xe0, 0x45, 0x7b);
const QColor green(0x33, 0xa8, 0x48);
const QColor darkGreen(0x1d, 0x6e, 0x2e);
const QColor red(0xd9, 0x26, 0x2b);
const QColor darkRed(0x8e, 0x12, 0x17);
const QColor yellow(0xf7, 0xc5, 0x31);
const QColor orange(0xf0, 0x8c, 0x2a);
const QColor brown(0x9a, 0x62, 0x33);
const QColor darkBrown(0x5e, 0x3a, 0x1c);
const QColor teal(0x1f, 0x9e, 0x9a);
const QColor gold(0xe0, 0xa8, 0x1e);
const QColor grey(0x8a, 0x94, 0xa2);
const QColor lightGrey(0xd8, 0xdd, 0xe3);
const QColor paper(0xff, 0xff, 0xff);
const QColor glass(0xcf, 0xe6, 0xff);
}  // namespace pal

QPen Pen(const QColor& c, qreal w) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void Outline(QPainter& p, qreal w = 1.0) {
  p.setPen(Pen(pal::ink, w));
}

// A head-and-shoulders figure: the one shape for every person in the set.
void Bust(QPainter& p, qreal cx, qreal top, qreal scale, const QColor& fill) {
  const qreal headR = 2.5 * scale;
  const qreal bodyW = 8.6 * scale;
  const qreal bodyTop = top + 2 * headR + 0.9 * scale;
  const qreal bodyBottom = top + 12.6 * scale;
  QPainterPath body;
  body.moveTo(cx - bodyW / 2, bodyBottom);
  body.lineTo(cx - bodyW / 2, bodyTop + 3 * scale);
  body.cubicTo(cx - bodyW / 2, bodyTop - 0.2 * scale, cx + bodyW / 2, bodyTop - 0.2 * scale,
               cx + bodyW / 2, bodyTop + 3 * scale);
  body.lineTo(cx + bodyW / 2, bodyBottom);
  body.closeSubpath();
  Outline(p);
  p.setBrush(fill);
  p.drawPath(body);
  p.drawEllipse(QPointF(cx, top + headR), headR, headR);
}

void Star(QPainter& p, QPointF c, qreal outer, qreal inner, const QColor& fill) {
  QPolygonF star;
  for (int i = 0; i < 10; ++i) {
    qreal r = i % 2 ? inner : outer;
    qreal a = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
    star << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
  }
  p.setPen(Pen(pal::darkBrown, 0.8));
  p.setBrush(fill);
  p.drawPolygon(star);
}

// A green plus on a white disc, for the "new ..." glyphs; c on whole pixels
// keeps the bars sharp.
void PlusBadge(QPainter& p, QPointF c) {
  p.setPen(Pen(pal::darkGreen, 1.0));
  p.setBrush(pal::paper);
  p.drawEllipse(c, 4.5, 4.5);
  p.setPen(QPen(pal::green, 2.0, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(c.x() - 3.0, c.y()), QPointF(c.x() + 3.0, c.y()));
  p.drawLine(QPointF(c.x(), c.y() - 3.0), QPointF(c.x(), c.y() + 3.0));
}

// ---- the pictures (16 x 16 unless the table says otherwise)

void Couple(QPainter& p) {
  Bust(p, 5.2, 1.6, 0.95, pal::blue);
  Bust(p, 10.8, 2.6, 0.95, pal::pink);
}

void Child(QPainter& p) {
  // A small whole figure with a big head, waving: unlike the adults' busts.
  QPainterPath limbs;
  limbs.moveTo(6.9, 11.0);
  limbs.lineTo(6.5, 14.4);
  limbs.moveTo(9.1, 11.0);
  limbs.lineTo(9.5, 14.4);
  limbs.moveTo(6.0, 8.8);
  limbs.lineTo(2.6, 6.6);
  limbs.moveTo(10.0, 8.8);
  limbs.lineTo(13.4, 6.6);
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::ink, 2.8));
  p.drawPath(limbs);
  p.setPen(Pen(pal::orange, 1.2));
  p.drawPath(limbs);
  QPainterPath dress;
  dress.moveTo(6.4, 7.6);
  dress.lineTo(9.6, 7.6);
  dress.lineTo(11.2, 12.0);
  dress.lineTo(4.8, 12.0);
  dress.closeSubpath();
  Outline(p);
  p.setBrush(pal::orange);
  p.drawPath(dress);
  p.drawEllipse(QPointF(8, 3.9), 3.1, 3.1);
}

// The two sex symbols are drawn twice, dark under bright, so that they stay
// readable on the tree's selection colour too.
void Female(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  for (auto [c, w] : {std::pair{pal::ink, 3.6}, std::pair{pal::pink, 2.0}}) {
    p.setPen(Pen(c, w));
    p.drawEllipse(QPointF(8, 5.8), 4.0, 4.0);
    p.drawLine(QPointF(8, 9.9), QPointF(8, 14.6));
    p.drawLine(QPointF(5.4, 12.4), QPointF(10.6, 12.4));
  }
}

void Male(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  for (auto [c, w] : {std::pair{pal::ink, 3.6}, std::pair{pal::blue, 2.0}}) {
    p.setPen(Pen(c, w));
    p.drawEllipse(QPointF(6.3, 9.7), 4.0, 4.0);
    p.drawLine(QPointF(9.2, 6.8), QPointF(13.6, 2.4));
    p.drawLine(QPointF(9.8, 2.4), QPointF(13.6, 2.4));
    p.drawLine(QPointF(13.6, 2.4), QPointF(13.6, 6.2));
  }
}

void Guest(QPainter& p) {
  Bust(p, 8, 1.0, 1.1, pal::teal);
}

void WeddingParty(QPainter& p) {
  // Two wedding rings, the front one with a stone.
  auto ring = [&p](QPointF c) {
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(pal::darkBrown, 3.0));
    p.drawEllipse(c, 3.6, 3.6);
    p.setPen(Pen(pal::gold, 1.6));
    p.drawEllipse(c, 3.6, 3.6);
  };
  ring(QPointF(5.4, 10.4));
  ring(QPointF(10.4, 9.2));
  // Lay the first ring back over the second where they cross, so they interlock.
  p.save();
  p.setClipRect(QRectF(6.0, 5.0, 4.0, 3.8));
  ring(QPointF(5.4, 10.4));
  p.restore();
  QPolygonF stone;
  stone << QPointF(10.4, 1.2) << QPointF(12.6, 3.4) << QPointF(10.4, 5.8) << QPointF(8.2, 3.4);
  p.setPen(Pen(pal::darkBlue, 0.9));
  p.setBrush(pal::glass);
  p.drawPolygon(stone);
}

void Happy(QPainter& p) {
  Outline(p);
  p.setBrush(pal::yellow);
  p.drawEllipse(QPointF(8, 8), 6.9, 6.9);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::ink);
  p.drawEllipse(QPointF(5.6, 6.0), 1.0, 1.4);
  p.drawEllipse(QPointF(10.4, 6.0), 1.0, 1.4);
  QPainterPath mouth;
  mouth.moveTo(4.2, 9.0);
  mouth.quadTo(8, 14.0, 11.8, 9.0);
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::ink, 1.4));
  p.drawPath(mouth);
}

void Tick(QPainter& p) {
  QPainterPath tick;
  tick.moveTo(2.4, 8.6);
  tick.lineTo(6.2, 12.6);
  tick.lineTo(13.8, 3.4);
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::darkGreen, 4.4));
  p.drawPath(tick);
  p.setPen(Pen(pal::green, 2.6));
  p.drawPath(tick);
}

void NotAllowed(QPainter& p) {
  p.setPen(Pen(pal::darkRed, 1.0));
  p.setBrush(pal::red);
  p.drawEllipse(QPointF(8, 8), 7.0, 7.0);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::paper);
  p.drawRoundedRect(QRectF(3.2, 6.4, 9.6, 3.2), 0.6, 0.6);
}

void NoSmoking(QPainter& p) {
  // The cigarette first, then the red ring and bar across it. Its outline sits
  // on pixel centres so that the white body stays sharp at 16 x 16.
  p.setPen(Pen(pal::ink, 1.0));
  p.setBrush(pal::paper);
  p.drawRect(QRectF(5.5, 6.5, 7.0, 3.0));
  p.setBrush(pal::orange);  // filter
  p.drawRect(QRectF(2.5, 6.5, 3.0, 3.0));
  p.setPen(Qt::NoPen);
  p.setBrush(pal::red);  // the lit end
  p.drawRect(QRectF(12.0, 7.0, 1.0, 2.0));
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::red, 1.8));
  p.drawEllipse(QPointF(8, 8), 6.7, 6.7);
  p.drawLine(QPointF(3.4, 3.4), QPointF(12.6, 12.6));
}

void Wheelchair(QPainter& p) {
  p.setPen(Pen(pal::darkBlue, 1.0));
  p.setBrush(pal::blue);
  p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2.6, 2.6);
  p.setBrush(pal::paper);
  p.drawEllipse(QPointF(7.0, 3.5), 1.5, 1.5);
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::paper, 1.7));
  QPainterPath seat;  // back, seat and leg of the sitting figure
  seat.moveTo(6.4, 5.9);
  seat.lineTo(6.8, 9.4);
  seat.lineTo(10.4, 9.4);
  seat.lineTo(12.0, 13.0);
  seat.lineTo(13.4, 12.4);
  p.drawPath(seat);
  p.drawLine(QPointF(6.6, 7.2), QPointF(9.8, 7.2));
  p.setPen(Pen(pal::paper, 1.4));
  // The wheel, open where the figure leans forward.
  p.drawArc(QRectF(2.2, 6.6, 7.8, 7.8), 100 * 16, 230 * 16);
}

void Highchair(QPainter& p) {
  // Side view: tall splayed legs with a footrest, the seat and its back, and
  // the tray in front.
  p.setBrush(Qt::NoBrush);
  QPainterPath legs;
  legs.moveTo(4.6, 9.0);
  legs.lineTo(2.4, 15.0);
  legs.moveTo(10.4, 9.0);
  legs.lineTo(12.8, 15.0);
  legs.moveTo(3.6, 12.4);
  legs.lineTo(11.8, 12.4);
  legs.moveTo(10.0, 8.0);
  legs.lineTo(10.6, 5.0);
  p.setPen(Pen(pal::darkBrown, 2.8));
  p.drawPath(legs);
  p.setPen(Pen(pal::orange, 1.4));
  p.drawPath(legs);
  p.setPen(Pen(pal::darkBrown, 1.0));
  p.setBrush(pal::orange);
  QPolygonF back;
  back << QPointF(2.6, 1.0) << QPointF(5.6, 1.0) << QPointF(6.2, 8.0) << QPointF(3.4, 8.0);
  p.drawPolygon(back);
  p.drawRect(QRectF(3.0, 7.5, 8.5, 2.5));   // seat
  p.drawRect(QRectF(8.5, 3.5, 6.5, 2.0));   // tray
}

QPainterPath LeafPath() {
  QPainterPath leaf;
  leaf.moveTo(2.6, 13.4);
  leaf.cubicTo(1.2, 6.0, 6.8, 1.4, 14.4, 1.6);
  leaf.cubicTo(14.6, 9.4, 9.6, 14.6, 2.6, 13.4);
  leaf.closeSubpath();
  return leaf;
}

// A leaf in the 16 x 16 square; smaller ones go through the painter's transform.
void Leaf(QPainter& p) {
  p.setPen(Pen(pal::darkGreen, 1.0));
  p.setBrush(pal::green);
  p.drawPath(LeafPath());
  p.setPen(Pen(pal::darkGreen, 1.0));
  p.drawLine(QPointF(4.4, 11.6), QPointF(11.6, 4.4));
  p.setPen(Pen(pal::darkGreen, 1.4));
  p.drawLine(QPointF(2.6, 13.4), QPointF(1.0, 15.0));
}

// A fish swimming left, its body centred on c.
void Fish(QPainter& p, QPointF c, qreal s) {
  QPainterPath fish;
  fish.moveTo(c.x() - 4.2 * s, c.y());
  fish.cubicTo(c.x() - 2.4 * s, c.y() - 3.2 * s, c.x() + 1.8 * s, c.y() - 3.0 * s, c.x() + 2.8 * s, c.y());
  fish.lineTo(c.x() + 4.8 * s, c.y() - 2.4 * s);
  fish.lineTo(c.x() + 4.8 * s, c.y() + 2.4 * s);
  fish.lineTo(c.x() + 2.8 * s, c.y());
  fish.cubicTo(c.x() + 1.8 * s, c.y() + 3.0 * s, c.x() - 2.4 * s, c.y() + 3.2 * s, c.x() - 4.2 * s, c.y());
  fish.closeSubpath();
  p.setPen(Pen(pal::darkBlue, 0.9));
  p.setBrush(pal::blue);
  p.drawPath(fish);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::paper);
  p.drawEllipse(QPointF(c.x() - 2.4 * s, c.y() - 0.5 * s), 0.8 * s, 0.8 * s);
}

// A little bird facing left, its body centred on c.
void Bird(QPainter& p, QPointF c, qreal s) {
  QPainterPath body;
  body.moveTo(c.x() - 2.4 * s, c.y() - 1.2 * s);
  body.cubicTo(c.x() - 1.0 * s, c.y() - 2.0 * s, c.x() + 1.6 * s, c.y() - 1.0 * s, c.x() + 4.6 * s, c.y() - 2.6 * s);
  body.cubicTo(c.x() + 4.0 * s, c.y() + 2.4 * s, c.x() + 1.4 * s, c.y() + 3.2 * s, c.x() - 1.2 * s, c.y() + 2.6 * s);
  body.cubicTo(c.x() - 3.0 * s, c.y() + 2.0 * s, c.x() - 3.4 * s, c.y() + 0.2 * s, c.x() - 2.4 * s, c.y() - 1.2 * s);
  body.closeSubpath();
  p.setPen(Pen(pal::darkBrown, 0.9));
  p.setBrush(pal::orange);
  p.drawPath(body);
  p.drawEllipse(QPointF(c.x() - 2.2 * s, c.y() - 2.2 * s), 1.8 * s, 1.8 * s);
  QPolygonF beak;
  beak << QPointF(c.x() - 3.8 * s, c.y() - 2.8 * s) << QPointF(c.x() - 5.6 * s, c.y() - 1.8 * s)
       << QPointF(c.x() - 3.8 * s, c.y() - 1.2 * s);
  p.setBrush(pal::yellow);
  p.drawPolygon(beak);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::ink);
  p.drawEllipse(QPointF(c.x() - 2.4 * s, c.y() - 2.5 * s), 0.55 * s, 0.55 * s);
}

void SmallLeaf(QPainter& p, qreal x, qreal y, qreal s) {
  p.save();
  p.translate(x, y);
  p.scale(s, s);
  Leaf(p);
  p.restore();
}

void VegetarianFish(QPainter& p) {
  SmallLeaf(p, 0, 0, 0.66);
  Fish(p, QPointF(10.0, 11.6), 1.1);
}

void VegetarianFowl(QPainter& p) {
  SmallLeaf(p, 0, 0, 0.66);
  Bird(p, QPointF(10.0, 11.0), 1.1);
}

void VegetarianFishFowl(QPainter& p) {
  SmallLeaf(p, 0, 0, 0.56);
  Bird(p, QPointF(12.0, 4.6), 0.78);
  Fish(p, QPointF(9.4, 12.6), 0.95);
}

void Kosher(QPainter& p) {
  p.setPen(Pen(pal::darkBlue, 1.6));
  p.setBrush(pal::paper);
  p.drawEllipse(QPointF(8, 8), 6.6, 6.6);
  p.setPen(Pen(pal::darkBlue, 2.0));
  p.drawLine(QPointF(6.0, 4.4), QPointF(6.0, 11.6));
  p.drawLine(QPointF(6.4, 8.4), QPointF(10.4, 4.4));
  p.drawLine(QPointF(7.6, 7.4), QPointF(10.6, 11.6));
}

// ---- glyphs of the command buttons (18 x 18) and of the two "None" buttons

void NoneGlyph(QPainter& p) {
  // An eraser over a line: take the icon off.
  p.setPen(Pen(pal::grey, 1.2));
  p.drawLine(QPointF(1.5, 14.6), QPointF(14.5, 14.6));
  p.save();
  p.translate(8.4, 7.6);
  p.rotate(-35);
  Outline(p, 0.9);
  p.setBrush(pal::pink);
  p.drawRoundedRect(QRectF(-6.2, -2.8, 6.0, 5.6), 1.0, 1.0);
  p.setBrush(pal::glass);
  p.drawRoundedRect(QRectF(-0.2, -2.8, 6.4, 5.6), 1.0, 1.0);
  p.restore();
}

void CreateGlyph(QPainter& p) {
  // A small tree of nodes and a star: the tree made new.
  p.setPen(Pen(pal::ink, 1.0));
  p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 14.5));
  p.drawLine(QPointF(4.5, 8.5), QPointF(7.5, 8.5));
  p.drawLine(QPointF(4.5, 14.5), QPointF(7.5, 14.5));
  Outline(p, 1.0);
  p.setBrush(pal::brown);
  p.drawRect(QRectF(1.5, 1.5, 6.0, 4.0));
  p.setBrush(pal::teal);
  p.drawRect(QRectF(7.5, 6.5, 6.0, 4.0));
  p.drawRect(QRectF(7.5, 12.5, 6.0, 4.0));
  Star(p, QPointF(13.6, 4.4), 4.2, 1.8, pal::yellow);
}

void OpenGlyph(QPainter& p) {
  QPainterPath back;
  back.moveTo(1.5, 15.0);
  back.lineTo(1.5, 3.5);
  back.lineTo(6.5, 3.5);
  back.lineTo(8.0, 5.0);
  back.lineTo(14.5, 5.0);
  back.lineTo(14.5, 15.0);
  back.closeSubpath();
  Outline(p);
  p.setBrush(pal::gold);
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(1.5, 15.0);
  front.lineTo(4.5, 8.5);
  front.lineTo(17.0, 8.5);
  front.lineTo(14.5, 15.0);
  front.closeSubpath();
  p.setBrush(pal::yellow);
  p.drawPath(front);
}

void SaveGlyph(QPainter& p) {
  QPainterPath disk;
  disk.moveTo(2.0, 2.0);
  disk.lineTo(14.0, 2.0);
  disk.lineTo(16.0, 4.0);
  disk.lineTo(16.0, 16.0);
  disk.lineTo(2.0, 16.0);
  disk.closeSubpath();
  Outline(p);
  p.setBrush(pal::blue);
  p.drawPath(disk);
  p.setBrush(pal::lightGrey);  // shutter
  p.drawRect(QRectF(5.0, 2.0, 7.5, 4.8));
  p.setPen(Qt::NoPen);
  p.setBrush(pal::darkBlue);
  p.drawRect(QRectF(9.6, 2.9, 1.6, 3.0));
  Outline(p, 0.8);
  p.setBrush(pal::paper);  // label
  p.drawRect(QRectF(4.2, 9.5, 9.6, 6.5));
  p.setPen(Pen(pal::grey, 0.8));
  p.drawLine(QPointF(5.6, 11.6), QPointF(12.4, 11.6));
  p.drawLine(QPointF(5.6, 13.8), QPointF(12.4, 13.8));
}

void PrintGlyph(QPainter& p) {
  Outline(p, 0.9);
  p.setBrush(pal::paper);
  p.drawRect(QRectF(5.0, 1.5, 8.0, 6.0));  // paper going in
  p.setBrush(pal::grey);
  p.drawRoundedRect(QRectF(1.5, 6.5, 15.0, 7.0), 1.5, 1.5);
  p.setBrush(pal::paper);
  p.drawRect(QRectF(4.5, 11.0, 9.0, 5.5));  // the printed page
  p.setPen(Pen(pal::ink, 0.8));
  p.drawLine(QPointF(6.0, 13.0), QPointF(12.0, 13.0));
  p.drawLine(QPointF(6.0, 14.8), QPointF(10.5, 14.8));
  p.setPen(Qt::NoPen);
  p.setBrush(pal::green);
  p.drawEllipse(QPointF(14.0, 8.8), 0.9, 0.9);
}

void NewTableGlyph(QPainter& p) {
  // A round table seen from above with its chairs, and a plus.
  Outline(p, 0.8);
  p.setBrush(pal::darkBrown);
  for (int i = 0; i < 6; ++i) {
    qreal a = i * std::numbers::pi / 3;
    p.drawEllipse(QPointF(7.5 + 6.0 * std::cos(a), 7.5 + 6.0 * std::sin(a)), 1.5, 1.5);
  }
  Outline(p, 1.0);
  p.setBrush(pal::brown);
  p.drawEllipse(QPointF(7.5, 7.5), 4.2, 4.2);
  PlusBadge(p, QPointF(13.0, 13.0));
}

void NewGuestGlyph(QPainter& p) {
  Bust(p, 7.0, 1.0, 1.05, pal::teal);
  PlusBadge(p, QPointF(13.0, 13.0));
}

void DeleteGlyph(QPainter& p) {
  p.setPen(Pen(pal::darkRed, 4.4));
  p.drawLine(QPointF(4.0, 4.0), QPointF(14.0, 14.0));
  p.drawLine(QPointF(14.0, 4.0), QPointF(4.0, 14.0));
  p.setPen(Pen(pal::red, 2.6));
  p.drawLine(QPointF(4.0, 4.0), QPointF(14.0, 14.0));
  p.drawLine(QPointF(14.0, 4.0), QPointF(4.0, 14.0));
}

void HelpGlyph(QPainter& p) {
  p.setPen(Pen(pal::darkBlue, 1.0));
  p.setBrush(pal::blue);
  p.drawEllipse(QPointF(9, 9), 8.0, 8.0);
  QPainterPath q;
  q.moveTo(6.2, 7.0);
  q.cubicTo(6.2, 3.2, 11.8, 3.2, 11.8, 6.8);
  q.cubicTo(11.8, 9.0, 9.0, 9.0, 9.0, 11.2);
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::paper, 2.2));
  p.drawPath(q);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::paper);
  p.drawEllipse(QPointF(9.0, 14.0), 1.4, 1.4);
}

void Magnifier(QPainter& p, QPointF c, qreal r, qreal handle) {
  qreal d = r * 0.7071;
  p.setPen(Pen(pal::darkBrown, 3.4));
  p.drawLine(QPointF(c.x() + d + 1.0, c.y() + d + 1.0), QPointF(c.x() + d + 1.0 + handle, c.y() + d + 1.0 + handle));
  p.setPen(Pen(pal::ink, 1.6));
  p.setBrush(pal::glass);
  p.drawEllipse(c, r, r);
  p.setPen(Pen(pal::paper, 1.0));
  p.drawArc(QRectF(c.x() - r + 1.8, c.y() - r + 1.8, 2 * r - 3.6, 2 * r - 3.6), 100 * 16, 70 * 16);
}

void FindFirstGlyph(QPainter& p) {
  Magnifier(p, QPointF(7.0, 7.0), 5.0, 4.0);
}

void FindNextGlyph(QPainter& p) {
  Magnifier(p, QPointF(8.5, 6.5), 4.6, 3.0);
  // An arrow on to the next one, clear of the handle.
  QPolygonF arrow;
  arrow << QPointF(0.8, 12.4) << QPointF(4.6, 12.4) << QPointF(4.6, 10.0) << QPointF(9.4, 14.2)
        << QPointF(4.6, 18.0) << QPointF(4.6, 15.8) << QPointF(0.8, 15.8);
  p.setPen(Pen(pal::darkGreen, 0.9));
  p.setBrush(pal::green);
  p.drawPolygon(arrow);
}

void ExitGlyph(QPainter& p) {
  // An open door with an arrow walking out of it.
  Outline(p, 1.0);
  p.setBrush(pal::lightGrey);
  p.drawRect(QRectF(1.5, 1.5, 9.0, 15.0));
  QPolygonF door;
  door << QPointF(1.5, 1.5) << QPointF(6.5, 3.5) << QPointF(6.5, 18.0) << QPointF(1.5, 16.5);
  p.setBrush(pal::brown);
  p.drawPolygon(door);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::gold);
  p.drawEllipse(QPointF(5.2, 10.0), 0.8, 0.8);
  QPolygonF arrow;
  arrow << QPointF(7.5, 8.0) << QPointF(12.0, 8.0) << QPointF(12.0, 5.0) << QPointF(17.0, 9.6)
        << QPointF(12.0, 14.2) << QPointF(12.0, 11.2) << QPointF(7.5, 11.2);
  p.setPen(Pen(pal::darkGreen, 0.9));
  p.setBrush(pal::green);
  p.drawPolygon(arrow);
}

// ---- the catalogue

using PaintFn = void (*)(QPainter&);

struct Picture {
  const char* name;  // file name without ".png"; nullptr for an empty image
  PaintFn paint;
  int size;
};

// In list order: index i of the strip is entry i.
const std::vector<Picture> kStateImages = {
    {nullptr, nullptr, 16},  // "None"
    {"state-couple", Couple, 16},
    {"state-child", Child, 16},
    {"state-female", Female, 16},
    {"state-male", Male, 16},
    {"state-guest", Guest, 16},
    {"state-wedding-party", WeddingParty, 16},
    {"state-happy", Happy, 16},
    {"state-ok", Tick, 16},
    {"state-not-allowed", NotAllowed, 16},
};

const std::vector<Picture> kNodeImages = {
    {nullptr, nullptr, 16},  // "None"
    // Printed for both happy icons, so it is the same happy face.
    {"node-happy-printed", Happy, 16},
    {"node-ok", Tick, 16},
    {"node-not-allowed", NotAllowed, 16},
    {"node-no-smoking", NoSmoking, 16},
    {"node-disabled", Wheelchair, 16},
    {"node-highchair", Highchair, 16},
    {"node-vegetarian", Leaf, 16},
    {"node-vegetarian-fish", VegetarianFish, 16},
    {"node-vegetarian-fowl", VegetarianFowl, 16},
    {"node-vegetarian-fish-fowl", VegetarianFishFowl, 16},
    {"node-kosher", Kosher, 16},
    {"node-happy", Happy, 16},
};

const std::vector<Picture> kGlyphs = {
    {"glyph-none", NoneGlyph, 16},
    {"glyph-create", CreateGlyph, 18},
    {"glyph-open-tree", OpenGlyph, 18},
    {"glyph-save-tree", SaveGlyph, 18},
    {"glyph-print-tree", PrintGlyph, 18},
    {"glyph-new-table", NewTableGlyph, 18},
    {"glyph-new-guest", NewGuestGlyph, 18},
    {"glyph-delete-item", DeleteGlyph, 18},
    {"glyph-tree-help", HelpGlyph, 18},
    {"glyph-find-first", FindFirstGlyph, 18},
    {"glyph-find-next", FindNextGlyph, 18},
    {"glyph-exit", ExitGlyph, 18},
};

QImage Render(const Picture& pic) {
  QImage img(pic.size, pic.size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  if (pic.paint) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    pic.paint(p);
  }
  return img;
}

// ---- the administrator's pictures: object icons (16 x 16, and 32 x 32 drawn
// from the same shapes at twice the scale), the overlay of open objects, the
// state images of pending edits, the inspector's button glyphs and the
// window's speed buttons.

// A database: a cylinder of stacked discs.
void Cylinder(QPainter& p, const QColor& body, const QColor& top) {
  Outline(p, 0.9);
  QPainterPath side;
  side.moveTo(2.5, 3.8);
  side.lineTo(2.5, 12.2);
  side.arcTo(QRectF(2.5, 10.4, 11.0, 3.6), 180, 180);
  side.lineTo(13.5, 3.8);
  side.closeSubpath();
  p.setBrush(body);
  p.drawPath(side);
  p.setBrush(Qt::NoBrush);
  for (qreal y : {6.6, 9.4}) p.drawArc(QRectF(2.5, y, 11.0, 3.6), 180 * 16, 180 * 16);
  p.setBrush(top);
  p.drawEllipse(QRectF(2.5, 2.0, 11.0, 3.6));
}

void DbIcon(QPainter& p) { Cylinder(p, pal::blue, pal::glass); }

void DbOdbcIcon(QPainter& p) {
  Cylinder(p, pal::teal, pal::glass);
  // a plug: the database reached through a driver manager
  p.setPen(Pen(pal::ink, 0.9));
  p.setBrush(pal::yellow);
  p.drawRoundedRect(QRectF(9.0, 9.0, 5.5, 4.5), 1.0, 1.0);
  p.setPen(Pen(pal::ink, 1.2));
  p.drawLine(QPointF(10.5, 9.0), QPointF(10.5, 7.2));
  p.drawLine(QPointF(13.0, 9.0), QPointF(13.0, 7.2));
  p.drawLine(QPointF(11.75, 13.5), QPointF(11.75, 15.2));
}

void DriverIcon(QPainter& p) {
  // a gear
  QPainterPath gear;
  const QPointF c(8, 8);
  for (int i = 0; i < 32; ++i) {
    qreal r = (i / 2) % 2 ? 5.4 : 7.3;
    qreal a = (i + 0.5) * std::numbers::pi / 16;
    QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    if (i == 0) gear.moveTo(pt);
    else gear.lineTo(pt);
  }
  gear.closeSubpath();
  gear.addEllipse(c, 2.2, 2.2);
  gear.setFillRule(Qt::OddEvenFill);
  Outline(p, 0.9);
  p.setBrush(pal::orange);
  p.drawPath(gear);
}

void SystemIcon(QPainter& p) {
  // a screen on a stand, a slider on it: the engine's own settings
  Outline(p, 0.9);
  p.setBrush(pal::lightGrey);
  p.drawRoundedRect(QRectF(1.5, 2.0, 13.0, 9.5), 1.0, 1.0);
  p.setBrush(pal::teal);
  p.drawRect(QRectF(3.0, 3.5, 10.0, 6.5));
  p.setBrush(pal::grey);
  p.drawRect(QRectF(6.5, 11.5, 3.0, 2.0));
  p.drawRect(QRectF(4.0, 13.5, 8.0, 1.5));
  p.setPen(Pen(pal::paper, 1.0));
  p.drawLine(QPointF(4.5, 6.75), QPointF(11.5, 6.75));
  p.setPen(Pen(pal::ink, 0.8));
  p.setBrush(pal::yellow);
  p.drawRect(QRectF(7.0, 5.0, 2.0, 3.5));
}

void ExploreObjectIcon(QPainter& p) {
  // a folder
  Outline(p, 0.9);
  QPolygonF back;
  back << QPointF(1.5, 3.5) << QPointF(6.0, 3.5) << QPointF(7.5, 5.0) << QPointF(14.5, 5.0) << QPointF(14.5, 13.5)
       << QPointF(1.5, 13.5);
  p.setBrush(pal::gold);
  p.drawPolygon(back);
  QPolygonF front;
  front << QPointF(1.5, 13.5) << QPointF(3.2, 7.0) << QPointF(15.2, 7.0) << QPointF(14.5, 13.5);
  p.setBrush(pal::yellow);
  p.drawPolygon(front);
}

// A small table of rows and columns at (x, y).
void Table(QPainter& p, qreal x, qreal y, const QColor& head) {
  Outline(p, 0.9);
  p.setBrush(pal::paper);
  p.drawRect(QRectF(x, y, 10.0, 9.0));
  p.setBrush(head);
  p.drawRect(QRectF(x, y, 10.0, 2.5));
  p.setPen(Pen(pal::grey, 0.7));
  for (qreal ry : {y + 4.7, y + 6.9}) p.drawLine(QPointF(x + 0.6, ry), QPointF(x + 9.4, ry));
  p.drawLine(QPointF(x + 4.0, y + 2.8), QPointF(x + 4.0, y + 8.6));
}

void EObjectIcon(QPainter& p) { Table(p, 3.0, 3.5, pal::blue); }

void EObjectSetIcon(QPainter& p) {
  Table(p, 5.0, 1.5, pal::darkBlue);
  Table(p, 3.0, 3.5, pal::darkBlue);
  Table(p, 1.0, 5.5, pal::blue);
}

// The overlay of open objects: a green bolt in the lower left corner.
void ActiveOverlay(QPainter& p) {
  QPolygonF bolt;
  bolt << QPointF(4.2, 8.2) << QPointF(1.0, 12.6) << QPointF(3.4, 12.6) << QPointF(2.0, 15.6) << QPointF(6.4, 10.6)
       << QPointF(4.0, 10.6) << QPointF(5.6, 8.2);
  p.setPen(Pen(pal::darkGreen, 0.8));
  p.setBrush(pal::green);
  p.drawPolygon(bolt);
}

// ---- state images: a pencil for pending changes, a star for a new object,
// a cross for a deletion; a red mark where the edits do not validate.

void Pencil(QPainter& p) {
  p.save();
  p.translate(8, 8);
  p.rotate(45);
  Outline(p, 0.8);
  p.setBrush(pal::yellow);
  p.drawRect(QRectF(-1.8, -6.5, 3.6, 9.5));
  p.setBrush(pal::pink);
  p.drawRect(QRectF(-1.8, -7.5, 3.6, 1.5));
  QPolygonF tip;
  tip << QPointF(-1.8, 3.0) << QPointF(1.8, 3.0) << QPointF(0, 6.2);
  p.setBrush(pal::lightGrey);
  p.drawPolygon(tip);
  p.restore();
}

void NewStar(QPainter& p) { Star(p, QPointF(8, 8), 6.8, 3.0, pal::yellow); }

void DeletedCross(QPainter& p) {
  for (auto [c, w] : {std::pair{pal::darkRed, 3.6}, std::pair{pal::red, 2.2}}) {
    p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
  }
}

void InvalidMark(QPainter& p) {
  p.setPen(Pen(pal::darkRed, 0.8));
  p.setBrush(pal::red);
  p.drawEllipse(QPointF(11.5, 11.5), 3.8, 3.8);
  p.setPen(QPen(pal::paper, 1.4, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(11.5, 9.2), QPointF(11.5, 12.0));
  p.drawPoint(QPointF(11.5, 13.6));
}

void ModifiedInvalid(QPainter& p) { Pencil(p); InvalidMark(p); }
void NewInvalid(QPainter& p) { NewStar(p); InvalidMark(p); }
void DeletedInvalid(QPainter& p) { DeletedCross(p); InvalidMark(p); }

// ---- the inspector's list button: a down arrow for a value list, three
// dots for an editor; drawn in the button's text colour.

void InspectArrow(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  for (int row = 0; row < 4; ++row) p.drawRect(QRectF(row, row, 7 - 2 * row, 1));
}

void InspectDots(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  for (int i = 0; i < 3; ++i) p.drawRect(QRectF(i * 4, 0, 2, 2));
}

// ---- the speed buttons (16 x 16)

void SbOpen(QPainter& p) {
  Cylinder(p, pal::blue, pal::glass);
  ActiveOverlay(p);
}

void SbDelete(QPainter& p) { DeletedCross(p); }

void SbCancel(QPainter& p) {
  // an arrow turning back
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::darkRed, 2.2));
  p.drawArc(QRectF(3.0, 3.5, 10.0, 9.0), 200 * 16, -250 * 16);
  QPolygonF head;
  head << QPointF(0.8, 8.0) << QPointF(6.2, 8.0) << QPointF(3.0, 12.2);
  p.setPen(Pen(pal::darkRed, 0.8));
  p.setBrush(pal::red);
  p.drawPolygon(head);
}

void SbApply(QPainter& p) {
  // a tick
  for (auto [c, w] : {std::pair{pal::darkGreen, 3.8}, std::pair{pal::green, 2.4}}) {
    p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(2.5, 8.5) << QPointF(6.2, 12.5) << QPointF(13.5, 3.5));
  }
}

void SbBlobs(QPainter& p) {
  // a picture: the contents of a blob
  Outline(p, 0.9);
  p.setBrush(pal::paper);
  p.drawRect(QRectF(1.5, 2.5, 13.0, 11.0));
  p.setPen(Qt::NoPen);
  p.setBrush(pal::glass);
  p.drawRect(QRectF(2.5, 3.5, 11.0, 9.0));
  p.setBrush(pal::green);
  QPolygonF hill;
  hill << QPointF(2.5, 12.5) << QPointF(6.5, 7.0) << QPointF(9.5, 10.5) << QPointF(11.0, 9.0) << QPointF(13.5, 12.5);
  p.drawPolygon(hill);
  p.setBrush(pal::yellow);
  p.drawEllipse(QPointF(11.0, 5.8), 1.4, 1.4);
}

void SbRawAttrs(QPainter& p) {
  // a list of lines with a magnifier
  p.setPen(Pen(pal::grey, 1.2));
  for (qreal y : {3.5, 6.5, 9.5, 12.5}) p.drawLine(QPointF(1.5, y), QPointF(9.5, y));
  Magnifier(p, QPointF(10.0, 8.5), 3.2, 4.0);
}

void SbTransaction(QPainter& p) {
  // a padlock: a transaction holds its changes together
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(pal::ink, 1.6));
  p.drawArc(QRectF(4.5, 1.5, 7.0, 8.0), 0, 180 * 16);
  p.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
  p.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
  Outline(p, 0.9);
  p.setBrush(pal::gold);
  p.drawRoundedRect(QRectF(3.0, 7.0, 10.0, 7.5), 1.2, 1.2);
  p.setBrush(pal::ink);
  p.drawEllipse(QPointF(8, 10.5), 1.0, 1.0);
}

void SbRollback(QPainter& p) {
  SbTransaction(p);
  p.setPen(QPen(pal::red, 1.8, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(1.5, 14.5), QPointF(14.5, 1.5));
}

void SbExecute(QPainter& p) {
  QPolygonF play;
  play << QPointF(4.0, 2.5) << QPointF(13.5, 8.0) << QPointF(4.0, 13.5);
  p.setPen(Pen(pal::darkGreen, 0.9));
  p.setBrush(pal::green);
  p.drawPolygon(play);
}

void QueryArrow(QPainter& p, bool up) {
  // a sheet with an arrow: the query before or after this one
  Outline(p, 0.9);
  p.setBrush(pal::paper);
  p.drawRect(QRectF(1.5, 1.5, 8.0, 11.0));
  p.setPen(Pen(pal::grey, 0.8));
  for (qreal y : {4.0, 6.0, 8.0, 10.0}) p.drawLine(QPointF(3.0, y), QPointF(8.0, y));
  QPolygonF arrow;
  if (up)
    arrow << QPointF(12.0, 6.0) << QPointF(15.5, 10.5) << QPointF(13.3, 10.5) << QPointF(13.3, 15.0)
          << QPointF(10.7, 15.0) << QPointF(10.7, 10.5) << QPointF(8.5, 10.5);
  else
    arrow << QPointF(12.0, 15.5) << QPointF(15.5, 11.0) << QPointF(13.3, 11.0) << QPointF(13.3, 6.5)
          << QPointF(10.7, 6.5) << QPointF(10.7, 11.0) << QPointF(8.5, 11.0);
  p.setPen(Pen(pal::darkBlue, 0.8));
  p.setBrush(pal::blue);
  p.drawPolygon(arrow);
}

// The engine error dialog's sign: a red disc with a white cross.
void ErrorSign(QPainter& p) {
  p.setPen(Pen(pal::darkRed, 0.9));
  p.setBrush(pal::red);
  p.drawEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
  p.setPen(QPen(pal::paper, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(5.2, 5.2), QPointF(10.8, 10.8));
  p.drawLine(QPointF(10.8, 5.2), QPointF(5.2, 10.8));
}

// The administrator's own picture: a database seen through a magnifying glass.
void ProgramIcon(QPainter& p) {
  p.save();
  p.translate(-1.0, 0.0);
  p.scale(0.85, 0.85);
  Cylinder(p, pal::blue, pal::glass);
  p.restore();
  p.setPen(QPen(pal::darkBrown, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(12.2, 12.2), QPointF(15.0, 15.0));
  p.setPen(Pen(pal::ink, 1.0));
  QColor lens = pal::glass;
  lens.setAlpha(150);
  p.setBrush(lens);
  p.drawEllipse(QPointF(10.0, 10.0), 3.4, 3.4);
}

void SbPrevQuery(QPainter& p) { QueryArrow(p, true); }
void SbNextQuery(QPainter& p) { QueryArrow(p, false); }

struct AdminPicture {
  const char* name;
  PaintFn paint;
  int width;
  int height;
  qreal scale;
};

const std::vector<AdminPicture> kAdminPictures = {
    {"dbx-active", ActiveOverlay, 16, 16, 1},
    {"dbx-db", DbIcon, 16, 16, 1},
    {"dbx-dbodbc", DbOdbcIcon, 16, 16, 1},
    {"dbx-driver", DriverIcon, 16, 16, 1},
    {"dbx-eobject", EObjectIcon, 16, 16, 1},
    {"dbx-eobjectset", EObjectSetIcon, 16, 16, 1},
    {"dbx-exploreobject", ExploreObjectIcon, 16, 16, 1},
    {"dbx-system", SystemIcon, 16, 16, 1},
    {"l-db", DbIcon, 32, 32, 2},
    {"l-driver", DriverIcon, 32, 32, 2},
    {"l-eobject", EObjectIcon, 32, 32, 2},
    {"l-eobjectset", EObjectSetIcon, 32, 32, 2},
    {"l-exploreobject", ExploreObjectIcon, 32, 32, 2},
    {"l-system", SystemIcon, 32, 32, 2},
    {"dbx-inspect-arrow", InspectArrow, 7, 4, 1},
    {"dbx-inspect-dots", InspectDots, 10, 2, 1},
    {"sb-open", SbOpen, 16, 16, 1},
    {"sb-delete", SbDelete, 16, 16, 1},
    {"sb-cancel", SbCancel, 16, 16, 1},
    {"sb-apply", SbApply, 16, 16, 1},
    {"sb-blobs", SbBlobs, 16, 16, 1},
    {"sb-raw-attrs", SbRawAttrs, 16, 16, 1},
    {"sb-transaction", SbTransaction, 16, 16, 1},
    {"sb-rollback", SbRollback, 16, 16, 1},
    {"sb-execute", SbExecute, 16, 16, 1},
    {"sb-prev-query", SbPrevQuery, 16, 16, 1},
    {"sb-next-query", SbNextQuery, 16, 16, 1},
    {"dbx-error", ErrorSign, 32, 32, 2},
    {"dbx-program", ProgramIcon, 32, 32, 2},
};

// The state images by index of the list: 0 is never shown.
const std::vector<Picture> kObjectStates = {
    {nullptr, nullptr, 16},
    {"state-modified-invalid", ModifiedInvalid, 16},
    {"state-new-invalid", NewInvalid, 16},
    {"state-deleted-invalid", DeletedInvalid, 16},
    {"state-modified", Pencil, 16},
    {"state-new", NewStar, 16},
    {"state-deleted", DeletedCross, 16},
};

// The data grids' record indicator (the framework's grid and the library's):
// black on white, pixel for pixel, because the grids AND it onto the cell (or
// swap the two colours for others).
void IndicatorArrow(QPainter& p) {
  QPolygon arrow;
  arrow << QPoint(2, 1) << QPoint(7, 6) << QPoint(2, 11);
  p.setPen(Qt::black);
  p.setBrush(Qt::black);
  p.drawPolygon(arrow);
}

// A text beam: the record is being edited.
void IndicatorEdit(QPainter& p) {
  p.setPen(Qt::black);
  p.drawLine(4, 2, 4, 10);
  p.drawLine(2, 1, 3, 1);
  p.drawLine(5, 1, 6, 1);
  p.drawLine(2, 11, 3, 11);
  p.drawLine(5, 11, 6, 11);
}

// An asterisk: a new record.
void IndicatorInsert(QPainter& p) {
  p.setPen(Qt::black);
  p.drawLine(4, 2, 4, 10);
  p.drawLine(1, 6, 7, 6);
  p.drawLine(1, 3, 7, 9);
  p.drawLine(7, 3, 1, 9);
}

struct IndicatorPicture {
  const char* name;
  PaintFn paint;
};

const std::vector<IndicatorPicture> kGridIndicators = {
    {"vxdbgarrow", IndicatorArrow},
    {"vxdbedit", IndicatorEdit},
    {"vxdbinsert", IndicatorInsert},
};

// ---- the data navigator's buttons: 13 x 13 on a clear ground, the lines on
// whole pixels so that they stay sharp; the button greys them when disabled.

constexpr int kNavSize = 13;
constexpr int kNavMiddle = kNavSize / 2;

// A solid triangle pointing left or right, its tip at x.
void NavTriangle(QPainter& p, int x, bool left) {
  const int m = kNavMiddle, d = left ? 4 : -4;
  QPolygon t;
  t << QPoint(x, m) << QPoint(x + d, m - 4) << QPoint(x + d, m + 4);
  p.setPen(pal::ink);
  p.setBrush(pal::ink);
  p.drawPolygon(t);
}

// The bar that marks an end of the records.
void NavBar(QPainter& p, int x) { p.fillRect(QRect(x, kNavMiddle - 4, 2, 9), pal::ink); }

void NavFirst(QPainter& p) {
  NavBar(p, 2);
  NavTriangle(p, 5, true);
}
void NavPrior(QPainter& p) { NavTriangle(p, 4, true); }
void NavNext(QPainter& p) { NavTriangle(p, 8, false); }
void NavLast(QPainter& p) {
  NavTriangle(p, 7, false);
  NavBar(p, 9);
}

void NavInsert(QPainter& p) {
  p.fillRect(QRect(kNavMiddle - 1, 2, 2, kNavSize - 4), pal::ink);
  p.fillRect(QRect(2, kNavMiddle - 1, kNavSize - 4, 2), pal::ink);
}

void NavDelete(QPainter& p) { p.fillRect(QRect(2, kNavMiddle - 1, kNavSize - 4, 2), pal::ink); }

// An arrow up: the record opens for editing.
void NavEdit(QPainter& p) {
  const int m = kNavMiddle;
  QPolygon head;
  head << QPoint(m, 2) << QPoint(m + 4, 6) << QPoint(m - 4, 6);
  p.setPen(pal::ink);
  p.setBrush(pal::ink);
  p.drawPolygon(head);
  p.fillRect(QRect(m - 1, 7, 3, 4), pal::ink);
}

void NavPost(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(pal::darkGreen, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF() << QPointF(2.5, 6.5) << QPointF(5.0, 9.5) << QPointF(10.5, 3.0));
}

void NavCancel(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(pal::darkRed, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(3.5, 3.5), QPointF(9.5, 9.5));
  p.drawLine(QPointF(9.5, 3.5), QPointF(3.5, 9.5));
}

// A ring with an arrow head where it opens: the records read again.
void NavRefresh(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(pal::ink, 1.8, Qt::SolidLine, Qt::FlatCap));
  p.drawArc(QRectF(2.5, 2.5, 8.0, 8.0), 60 * 16, 300 * 16);
  QPolygonF head;
  head << QPointF(6.8, 0.4) << QPointF(10.6, 2.7) << QPointF(6.8, 5.0);
  p.setPen(Qt::NoPen);
  p.setBrush(pal::ink);
  p.drawPolygon(head);
}

struct NavPicture {
  const char* name;
  PaintFn paint;
};

// In the order of the navigator's buttons.
const std::vector<NavPicture> kNavGlyphs = {
    {"nav-first", NavFirst},   {"nav-prior", NavPrior},   {"nav-next", NavNext},   {"nav-last", NavLast},
    {"nav-insert", NavInsert}, {"nav-delete", NavDelete}, {"nav-edit", NavEdit},   {"nav-post", NavPost},
    {"nav-cancel", NavCancel}, {"nav-refresh", NavRefresh},
};

QImage RenderNav(const NavPicture& pic) {
  QImage img(kNavSize, kNavSize, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  pic.paint(p);
  return img;
}

QImage RenderIndicator(const IndicatorPicture& pic) {
  QImage img(9, 13, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  pic.paint(p);
  return img;
}

QImage RenderAdmin(const AdminPicture& pic) {
  QImage img(pic.width, pic.height, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  // the glyphs of the inspector's button are crisp pixels; the icons are smooth
  if (pic.width > 12) p.setRenderHint(QPainter::Antialiasing);
  p.scale(pic.scale, pic.scale);
  pic.paint(p);
  return img;
}

QImage Strip(const std::vector<Picture>& list) {
  QImage strip(16 * static_cast<int>(list.size()), 16, QImage::Format_ARGB32);
  strip.fill(Qt::transparent);
  QPainter p(&strip);
  for (std::size_t i = 0; i < list.size(); ++i) p.drawImage(static_cast<int>(16 * i), 0, Render(list[i]));
  return strip;
}

bool Save(const QImage& img, const QString& path) {
  if (img.save(path, "PNG")) return true;
  std::fprintf(stderr, "draw-icons: cannot write %s\n", qPrintable(path));
  return false;
}

// Every picture on white and on the tree's selection colour, at its own size
// and four times larger with its pixels kept square, then the two strips.
QImage ContactSheet() {
  struct Entry { QString label; QImage img; };
  std::vector<Entry> entries;
  auto addList = [&entries](const std::vector<Picture>& list, const char* prefix) {
    for (std::size_t i = 0; i < list.size(); ++i) {
      const Picture& pic = list[i];
      QString label = prefix ? QString("%1 %2: %3").arg(prefix).arg(i).arg(pic.name ? pic.name : "(none)")
                             : QString(pic.name);
      entries.push_back({label, Render(pic)});
    }
  };
  addList(kStateImages, "ImageList1");
  addList(kNodeImages, "ImageList2");
  addList(kGlyphs, nullptr);
  addList(kObjectStates, "EOStateImages");
  for (const AdminPicture& pic : kAdminPictures) entries.push_back({QString(pic.name), RenderAdmin(pic)});
  for (const IndicatorPicture& pic : kGridIndicators) entries.push_back({QString(pic.name), RenderIndicator(pic)});
  for (const NavPicture& pic : kNavGlyphs) entries.push_back({QString(pic.name), RenderNav(pic)});

  const int cols = 3, cellW = 290, cellH = 84;
  const int rows = (static_cast<int>(entries.size()) + cols - 1) / cols;
  const int stripTop = rows * cellH + 10;
  QImage sheet(cols * cellW, stripTop + 3 * 90, QImage::Format_ARGB32);
  sheet.fill(Qt::white);
  QPainter p(&sheet);
  QFont font("DejaVu Sans");
  font.setPixelSize(12);
  p.setFont(font);
  const QColor selection(0x30, 0x8c, 0xc6);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    int x = static_cast<int>(i % cols) * cellW + 8, y = static_cast<int>(i / cols) * cellH + 6;
    const QImage& img = entries[i].img;
    p.setPen(Qt::black);
    p.drawText(x, y + 12, entries[i].label);
    p.drawImage(x, y + 24, img);
    p.fillRect(x, y + 48, 24, 24, selection);
    p.drawImage(x + (24 - img.width()) / 2, y + 48 + (24 - img.height()) / 2, img);
    p.fillRect(x + 34, y + 18, img.width() * 4, img.height() * 4, QColor(0xee, 0xee, 0xee));
    p.drawImage(QRect(x + 34, y + 18, img.width() * 4, img.height() * 4), img);
  }
  int y = stripTop;
  for (auto [name, list] : {std::pair{"imagelist1.png", &kStateImages}, std::pair{"imagelist2.png", &kNodeImages},
                            std::pair{"eostateimages.png", &kObjectStates}}) {
    QImage strip = Strip(*list);
    p.setPen(Qt::black);
    p.drawText(8, y + 12, name);
    p.drawImage(8 + 120, y + 2, strip);
    p.drawImage(QRect(8, y + 22, strip.width() * 4, 64), strip);
    y += 90;
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: draw-icons ICON-DIR [CONTACT-SHEET.png]\n");
    return 2;
  }
  // The contact sheet writes text, which needs a running application; no screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString dir = QString::fromLocal8Bit(argv[1]);

  bool ok = true;
  for (const auto* list : {&kStateImages, &kNodeImages, &kGlyphs})
    for (const Picture& pic : *list)
      if (pic.name) ok = Save(Render(pic), dir + "/" + pic.name + ".png") && ok;
  ok = Save(Strip(kStateImages), dir + "/imagelist1.png") && ok;
  ok = Save(Strip(kNodeImages), dir + "/imagelist2.png") && ok;
  for (const AdminPicture& pic : kAdminPictures) ok = Save(RenderAdmin(pic), dir + "/" + pic.name + ".png") && ok;
  ok = Save(Strip(kObjectStates), dir + "/eostateimages.png") && ok;
  for (const IndicatorPicture& pic : kGridIndicators)
    ok = Save(RenderIndicator(pic), dir + "/" + pic.name + ".png") && ok;
  for (const NavPicture& pic : kNavGlyphs) ok = Save(RenderNav(pic), dir + "/" + pic.name + ".png") && ok;
  if (argc == 3) ok = Save(ContactSheet(), QString::fromLocal8Bit(argv[2])) && ok;
  return ok ? 0 : 1;
}

// The drawing primitives of the image generator (see paint.h): boxes, glows, arcs with arrow
// heads and chevrons, shared by all the art so that weights and radii stay the same everywhere.
#include "paint.h"

#include <QtGui/QRadialGradient>
#include <QtGui/QLinearGradient>

#include <cmath>
#include <numbers>

namespace imagegen {

namespace {
double rad(double degrees) { return degrees * std::numbers::pi / 180.0; }

// The point at `degrees` on the circle, counter-clockwise on screen (y grows downwards).
QPointF onCircle(QPointF c, double r, double degrees) {
  return {c.x() + r * std::cos(rad(degrees)), c.y() - r * std::sin(rad(degrees))};
}

QPainterPath roundedPath(const QRectF& r, double radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}
}  // namespace

QColor alpha(const QColor& c, double a) {
  QColor out = c;
  out.setAlphaF(static_cast<float>(a));
  return out;
}

QImage canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QImage painted(QImage image, const std::function<void(QPainter&)>& paint) {
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  paint(p);
  p.end();
  return image;
}

void roundedBox(QPainter& p, const QRectF& r, double radius, const QColor& fill,
                const QColor& border, double width) {
  p.save();
  p.setPen(Qt::NoPen);
  if (border.isValid()) {
    // Border first as the outer shape, then the fill inset by the border width: crisp edges
    // without half-pixel pens.
    p.setBrush(border);
    p.drawPath(roundedPath(r, radius));
    const QRectF inner = r.adjusted(width, width, -width, -width);
    p.setBrush(fill);
    p.drawPath(roundedPath(inner, std::max(0.0, radius - width)));
  } else {
    p.setBrush(fill);
    p.drawPath(roundedPath(r, radius));
  }
  p.restore();
}

void roundedBoxGradient(QPainter& p, const QRectF& r, double radius, const QColor& top,
                        const QColor& bottom, const QColor& border, double width) {
  p.save();
  p.setPen(Qt::NoPen);
  QRectF inner = r;
  double innerRadius = radius;
  if (border.isValid()) {
    p.setBrush(border);
    p.drawPath(roundedPath(r, radius));
    inner = r.adjusted(width, width, -width, -width);
    innerRadius = std::max(0.0, radius - width);
  }
  QLinearGradient g(inner.topLeft(), inner.bottomLeft());
  g.setColorAt(0.0, top);
  g.setColorAt(1.0, bottom);
  p.setBrush(g);
  p.drawPath(roundedPath(inner, innerRadius));
  p.restore();
}

void glow(QPainter& p, QPointF centre, double radius, const QColor& c) {
  p.save();
  QRadialGradient g(centre, radius);
  g.setColorAt(0.0, c);
  g.setColorAt(0.6, alpha(c, c.alphaF() * 0.45));
  g.setColorAt(1.0, alpha(c, 0.0));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(centre, radius, radius);
  p.restore();
}

void disc(QPainter& p, QPointF centre, double radius, const QColor& c) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(centre, radius, radius);
  p.restore();
}

QPen linePen(const QColor& c, double width) {
  QPen pen(c, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void drawGlyph(QPainter& p, const QRectF& box, const Glyph& glyph, const QColor& c,
               double weight) {
  p.save();
  p.translate(box.topLeft());
  p.scale(box.width() / 24.0, box.height() / 24.0);
  p.setBrush(Qt::NoBrush);
  const QPen pen = linePen(c, weight);
  p.setPen(pen);
  glyph(p, pen, c);
  p.restore();
}

void arcArrow(QPainter& p, QPointF c, double r, double a0, double a1, double head) {
  QPainterPath arc;
  arc.moveTo(onCircle(c, r, a0));
  arc.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), a0, a1 - a0);
  p.save();
  p.setBrush(Qt::NoBrush);
  p.drawPath(arc);
  // Arrow head: two strokes back from the end, along the tangent of travel.
  const QPointF tip = onCircle(c, r, a1);
  const double sign = a1 > a0 ? 1.0 : -1.0;
  // Direction of travel on screen at a1.
  const QPointF dir(-std::sin(rad(a1)) * sign, -std::cos(rad(a1)) * sign);
  const QPointF normal(dir.y(), -dir.x());
  const QPointF back = tip - dir * head;
  QPainterPath arrow;
  arrow.moveTo(back + normal * head * 0.8);
  arrow.lineTo(tip);
  arrow.lineTo(back - normal * head * 0.8);
  p.drawPath(arrow);
  p.restore();
}

void chevron(QPainter& p, QPointF c, double size, double dirDegrees) {
  const double h = size / 2.0;
  // A "<"-shape pointing right before rotation: arms from (-h/2, -h) to (h/2, 0) to (-h/2, h).
  p.save();
  p.translate(c);
  p.rotate(-dirDegrees);
  p.setBrush(Qt::NoBrush);
  QPainterPath path;
  path.moveTo(-h / 2, -h);
  path.lineTo(h / 2, 0);
  path.lineTo(-h / 2, h);
  p.drawPath(path);
  p.restore();
}

void triangle(QPainter& p, QPointF c, double size, double dirDegrees, const QColor& colour) {
  const double h = size / 2.0;
  p.save();
  p.translate(c);
  p.rotate(-dirDegrees);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  QPainterPath path;
  path.moveTo(h * 0.6, 0);
  path.lineTo(-h * 0.6, -h);
  path.lineTo(-h * 0.6, h);
  path.closeSubpath();
  p.drawPath(path);
  p.restore();
}

}  // namespace imagegen

// The drawing kit of the image generator: one palette and a few primitives, so that every image
// of the controller shares the same colours, corner radii and line weights. Everything is drawn
// with QPainter on a transparent QImage; nothing here draws text, so the output does not depend
// on the fonts of the machine that builds it.
#pragma once

#include <QtCore/QPointF>
#include <QtCore/QRectF>
#include <QtGui/QColor>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <functional>
#include <vector>

namespace imagegen {

// The palette. Dark slate for the window, one accent blue for hover and selection, light panels
// for the lists and cards that carry dark text.
namespace colour {
inline const QColor strip{0x1b, 0x1f, 0x22};        // title strip
inline const QColor navTop{0x1e, 0x22, 0x26};       // navigation column, top
inline const QColor navBottom{0x15, 0x18, 0x1b};    // navigation column, bottom
inline const QColor contentTop{0x26, 0x2c, 0x30};   // content area, top
inline const QColor contentBottom{0x2c, 0x33, 0x38};
inline const QColor edge{0x0e, 0x10, 0x12};         // outer window edge, separators
inline const QColor track{0x10, 0x13, 0x15};        // scroll bar track
inline const QColor accent{0x3a, 0x8e, 0xe6};
inline const QColor accentLight{0x5c, 0xa5, 0xf0};
inline const QColor accentDark{0x2a, 0x72, 0xc2};
inline const QColor glyphDark{0xae, 0xb6, 0xbc};    // normal line icons on dark
inline const QColor glyphLight{0x55, 0x61, 0x6a};   // normal line icons on light
inline const QColor panel{0xe9, 0xed, 0xf0};        // light panels
inline const QColor panelBorder{0xc6, 0xce, 0xd4};
inline const QColor card{0xfa, 0xfb, 0xfc};         // cards and fields on light
inline const QColor field{0xf6, 0xf8, 0xf9};
inline const QColor fieldBorder{0xa9, 0xb3, 0xba};
inline const QColor darkField{0x1c, 0x20, 0x23};
inline const QColor darkFieldBorder{0x46, 0x4f, 0x55};
inline const QColor header{0x35, 0x3d, 0x43};       // dark header cells
inline const QColor disabledFill{0xdd, 0xe2, 0xe6};
inline const QColor disabledBorder{0xcc, 0xd2, 0xd7};
inline const QColor disabledGlyph{0xb4, 0xbc, 0xc2};
inline const QColor ok{0x35, 0xb0, 0x6c};
inline const QColor fail{0xe0, 0x4f, 0x4f};
inline const QColor failLight{0xf0, 0x66, 0x66};
inline const QColor warn{0xe8, 0x9b, 0x2a};
inline const QColor white{0xff, 0xff, 0xff};
}  // namespace colour

// The colour with another alpha (0..1).
QColor alpha(const QColor& c, double a);

// A transparent image of w x h.
QImage canvas(int w, int h);
// `image` after `paint` drew on it, with antialiasing on.
QImage painted(QImage image, const std::function<void(QPainter&)>& paint);

// A rounded rectangle whose border of `width` lies inside `r`; `border` invalid: no border.
void roundedBox(QPainter& p, const QRectF& r, double radius, const QColor& fill,
                const QColor& border = QColor(), double width = 1.0);
// The same with a vertical gradient from `top` to `bottom`.
void roundedBoxGradient(QPainter& p, const QRectF& r, double radius, const QColor& top,
                        const QColor& bottom, const QColor& border = QColor(), double width = 1.0);
// A soft radial glow of `c` around `centre`, fading out at `radius`.
void glow(QPainter& p, QPointF centre, double radius, const QColor& c);
// A filled disc.
void disc(QPainter& p, QPointF centre, double radius, const QColor& c);

// Line icons are drawn in a 24 x 24 unit box. A Glyph paints into that box with the painter
// already scaled; `stroke` is the pen to use for lines (round caps and joins, in units), and
// `colour` the same colour for fills.
using Glyph = std::function<void(QPainter& p, const QPen& stroke, const QColor& colour)>;
// Draws `glyph` into `box` with lines of `weight` units in `c`.
void drawGlyph(QPainter& p, const QRectF& box, const Glyph& glyph, const QColor& c,
               double weight = 2.0);

// A round-capped pen of `width` in `c`.
QPen linePen(const QColor& c, double width);
// An arc of radius r around c from angle a0 to a1 (degrees, counter-clockwise on screen, 0 at
// three o'clock) with an arrow head at a1.
void arcArrow(QPainter& p, QPointF c, double r, double a0, double a1, double head);
// An open chevron pointing `dir` (0 right, 90 up, 180 left, 270 down) centred on c.
void chevron(QPainter& p, QPointF c, double size, double dirDegrees);
// A filled triangle pointing `dir` centred on c.
void triangle(QPainter& p, QPointF c, double size, double dirDegrees, const QColor& colour);

}  // namespace imagegen

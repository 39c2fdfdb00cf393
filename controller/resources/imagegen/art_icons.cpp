// Icon art: the navigation buttons, the settings menu tiles, the new-task mark, the task
// card's icons and the message boxes' icons. Every pictogram is a line drawing in a 24-unit
// box (see paint.h) so that one glyph serves every size; "_n" draws it grey, "_f" in the
// accent colour with a highlight.
//
// Navigation buttons are 171 x 132 with the glyph in the upper middle (y 28-88): the page
// caption lies over the button's top edge. Settings tiles are 96 x 96 light tiles with the
// glyph in the upper half (y 14-54); their lower part (y 58-90) stays plain for the caption
// in dark text laid over it.
#include "art.h"
#include "paint.h"

#include <cmath>
#include <numbers>

namespace imagegen {

namespace {

using namespace colour;

// --- Glyphs (24-unit box) --------------------------------------------------------------------

void database(QPainter& p, const QPen&, const QColor&) {
  p.drawEllipse(QRectF(4, 3, 16, 6));
  p.drawLine(QPointF(4, 6), QPointF(4, 18));
  p.drawLine(QPointF(20, 6), QPointF(20, 18));
  QPainterPath arcs;
  arcs.arcMoveTo(QRectF(4, 9, 16, 6), 180);
  arcs.arcTo(QRectF(4, 9, 16, 6), 180, 180);
  arcs.arcMoveTo(QRectF(4, 15, 16, 6), 180);
  arcs.arcTo(QRectF(4, 15, 16, 6), 180, 180);
  p.drawPath(arcs);
}

void logList(QPainter& p, const QPen&, const QColor& c) {
  p.drawRoundedRect(QRectF(5, 4, 14, 17), 2.2, 2.2);
  p.drawRoundedRect(QRectF(9, 2.5, 6, 3), 1, 1);
  for (double y : {10.0, 13.5, 17.0}) {
    disc(p, QPointF(8.6, y), 0.9, c);
    p.drawLine(QPointF(11, y), QPointF(y == 17.0 ? 14 : 16, y));
  }
}

void gear(QPainter& p, const QPen&, const QColor&) {
  const QPointF c(12, 12);
  const double outer = 9.6, inner = 7.0;
  const int teeth = 8;
  QPainterPath path;
  const auto at = [&](double r, double deg) {
    const double a = deg * std::numbers::pi / 180.0;
    return QPointF(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
  };
  for (int i = 0; i < teeth; ++i) {
    const double mid = i * 360.0 / teeth + 22.5;
    const QPointF points[] = {at(inner, mid - 17), at(outer, mid - 9), at(outer, mid + 9),
                              at(inner, mid + 17)};
    if (i == 0) {
      path.moveTo(points[0]);
    } else {
      path.lineTo(points[0]);
    }
    for (int k = 1; k < 4; ++k) path.lineTo(points[k]);
  }
  path.closeSubpath();
  p.drawPath(path);
  p.drawEllipse(c, 3.2, 3.2);
}

void sliders(QPainter& p, const QPen&, const QColor&) {
  const std::pair<double, double> rows[] = {{6, 15}, {12, 8}, {18, 13}};
  for (const auto& [y, knob] : rows) {
    p.drawLine(QPointF(3, y), QPointF(knob - 2.6, y));
    p.drawLine(QPointF(knob + 2.6, y), QPointF(21, y));
    p.drawEllipse(QPointF(knob, y), 2.6, 2.6);
  }
}

void globe(QPainter& p, const QPen&, const QColor&) {
  p.drawEllipse(QPointF(12, 12), 9, 9);
  p.drawEllipse(QRectF(8, 3, 8, 18));
  p.drawLine(QPointF(3, 12), QPointF(21, 12));
  p.drawLine(QPointF(4.6, 7.5), QPointF(19.4, 7.5));
  p.drawLine(QPointF(4.6, 16.5), QPointF(19.4, 16.5));
}

void envelope(QPainter& p, const QPen&, const QColor&) {
  p.drawRoundedRect(QRectF(3, 6, 18, 13), 2, 2);
  QPainterPath flap;
  flap.moveTo(3.8, 7.2);
  flap.lineTo(12, 13.5);
  flap.lineTo(20.2, 7.2);
  p.drawPath(flap);
}

void document(QPainter& p, const QPen&, const QColor&) {
  QPainterPath page;
  page.moveTo(6, 3);
  page.lineTo(14, 3);
  page.lineTo(19, 8);
  page.lineTo(19, 21);
  page.lineTo(6, 21);
  page.closeSubpath();
  p.drawPath(page);
  QPainterPath fold;
  fold.moveTo(14, 3);
  fold.lineTo(14, 8);
  fold.lineTo(19, 8);
  p.drawPath(fold);
  p.drawLine(QPointF(9, 12.5), QPointF(16, 12.5));
  p.drawLine(QPointF(9, 16.5), QPointF(16, 16.5));
}

void tiles(QPainter& p, const QPen&, const QColor&) {
  p.drawRoundedRect(QRectF(4, 4, 7, 7), 1.6, 1.6);
  p.drawEllipse(QRectF(13, 4, 7, 7));
  p.drawRoundedRect(QRectF(4, 13, 7, 7), 1.6, 1.6);
  p.drawRoundedRect(QRectF(13, 13, 7, 7), 1.6, 1.6);
}

void syncArrows(QPainter& p, const QPen&, const QColor&) {
  arcArrow(p, QPointF(12, 12), 7.5, 20, 160, 2.6);
  arcArrow(p, QPointF(12, 12), 7.5, 200, 340, 2.6);
}

void monitor(QPainter& p, const QPen&, const QColor&) {
  p.drawRoundedRect(QRectF(3, 4, 18, 12), 2, 2);
  p.drawLine(QPointF(12, 16), QPointF(12, 19.5));
  p.drawLine(QPointF(8, 20), QPointF(16, 20));
}

void clock(QPainter& p, const QPen&, const QColor&) {
  p.drawEllipse(QPointF(12, 12), 9, 9);
  QPainterPath hands;
  hands.moveTo(12, 7);
  hands.lineTo(12, 12);
  hands.lineTo(15.5, 14);
  p.drawPath(hands);
}

void nasBox(QPainter& p, const QPen&, const QColor& c) {
  p.drawRoundedRect(QRectF(6, 3, 12, 18), 2, 2);
  p.drawLine(QPointF(9, 8), QPointF(15, 8));
  p.drawLine(QPointF(9, 12), QPointF(15, 12));
  disc(p, QPointF(12, 17), 1.1, c);
}

void arrowUpTray(QPainter& p, const QPen&, const QColor&) {
  p.drawLine(QPointF(12, 15), QPointF(12, 6.5));
  QPainterPath head;
  head.moveTo(8.5, 10);
  head.lineTo(12, 6.5);
  head.lineTo(15.5, 10);
  p.drawPath(head);
  p.drawLine(QPointF(7.5, 18), QPointF(16.5, 18));
}

void arrowDownTray(QPainter& p, const QPen&, const QColor&) {
  p.drawLine(QPointF(12, 6.5), QPointF(12, 15));
  QPainterPath head;
  head.moveTo(8.5, 11.5);
  head.lineTo(12, 15);
  head.lineTo(15.5, 11.5);
  p.drawPath(head);
  p.drawLine(QPointF(7.5, 18), QPointF(16.5, 18));
}

void tick(QPainter& p, const QPen&, const QColor&) {
  QPainterPath path;
  path.moveTo(7, 12.5);
  path.lineTo(10.5, 16);
  path.lineTo(17, 8.5);
  p.drawPath(path);
}

void exclamation(QPainter& p, const QPen&, const QColor& c) {
  p.drawLine(QPointF(12, 6.5), QPointF(12, 13));
  disc(p, QPointF(12, 17), 1.4, c);
}

void information(QPainter& p, const QPen&, const QColor& c) {
  disc(p, QPointF(12, 7), 1.4, c);
  p.drawLine(QPointF(12, 11), QPointF(12, 17.5));
}

void question(QPainter& p, const QPen&, const QColor& c) {
  QPainterPath hook;
  hook.arcMoveTo(QRectF(8.5, 5, 7, 7), 160);
  hook.arcTo(QRectF(8.5, 5, 7, 7), 160, -230);
  hook.quadTo(QPointF(12, 12.5), QPointF(12, 14));
  p.drawPath(hook);
  disc(p, QPointF(12, 17.5), 1.4, c);
}

void plus(QPainter& p, const QPen&, const QColor&) {
  p.drawLine(QPointF(12, 7), QPointF(12, 17));
  p.drawLine(QPointF(7, 12), QPointF(17, 12));
}

// --- Compositions ----------------------------------------------------------------------------

// A navigation button: glyph in the upper middle; selected: accent glyph, soft glow and an
// accent bar at the column's left edge.
QImage navButton(const Glyph& glyph, bool selected) {
  return painted(canvas(171, 132), [&](QPainter& p) {
    const QRectF box(55.5, 28, 60, 60);
    if (selected) {
      glow(p, box.center(), 52, alpha(accent, 0.20));
      roundedBox(p, QRectF(0, 30, 4, 56), 2, accent);
    }
    drawGlyph(p, box, glyph, selected ? accentLight : glyphDark, 1.5);
  });
}

// A settings menu tile.
QImage settingsTile(const Glyph& glyph, bool current) {
  return painted(canvas(96, 96), [&](QPainter& p) {
    // A soft drop shadow under the tile.
    roundedBox(p, QRectF(3, 5, 90, 90), 10, alpha(QColor(0, 0, 0), 0.30));
    if (current) {
      roundedBox(p, QRectF(3, 3, 90, 90), 10, QColor(0xf2, 0xf7, 0xfe), accent, 2.0);
    } else {
      roundedBox(p, QRectF(3, 3, 90, 90), 10, panel, panelBorder, 1.0);
    }
    const QRectF box(28, 28, 40, 40);  // centred in the tile: the caption stands below it
    if (current) glow(p, box.center(), 30, alpha(accent, 0.14));
    drawGlyph(p, box, glyph, current ? accent : glyphLight, 1.7);
  });
}

// A task card icon (40 x 40) on the light card; hover adds a light accent disc.
QImage cardIcon(const Glyph& glyph, bool hover) {
  return painted(canvas(40, 40), [&](QPainter& p) {
    if (hover) disc(p, QPointF(20, 20), 19.5, alpha(accent, 0.13));
    drawGlyph(p, QRectF(5, 5, 30, 30), glyph, hover ? accent : glyphLight, 1.8);
  });
}

// A white glyph on a coloured disc, optionally with a soft outer ring (hover).
QImage badge(int size, const Glyph& glyph, const QColor& fill, bool ring, double weight) {
  return painted(canvas(size, size), [&](QPainter& p) {
    const QPointF c(size / 2.0, size / 2.0);
    const double r = size / 2.0 - 0.5;
    if (ring) {
      disc(p, c, r, alpha(fill, 0.35));
      disc(p, c, r - size * 0.1, fill);
    } else {
      disc(p, c, r, fill);
    }
    const double inset = ring ? size * 0.14 : size * 0.06;
    drawGlyph(p, QRectF(inset, inset, size - 2 * inset, size - 2 * inset), glyph, white, weight);
  });
}

}  // namespace

void addIconArt(std::vector<Art>& out) {
  const auto add = [&out](const char* name, std::function<QImage()> draw) {
    out.push_back({QString::fromLatin1(name), std::move(draw), {}});
  };

  // Navigation column.
  add("icon_backups.png", [] { return navButton(database, false); });
  add("icon_backups_f.png", [] { return navButton(database, true); });
  add("icon_logs.png", [] { return navButton(logList, false); });
  add("icon_logs_f.png", [] { return navButton(logList, true); });
  add("icon_settings_n.png", [] { return navButton(gear, false); });
  add("icon_settings_f.png", [] { return navButton(gear, true); });
  add("icon_new_backup.png", [] { return badge(48, plus, accent, false, 2.2); });

  // Settings menu tiles.
  const std::pair<const char*, Glyph> menu[] = {
      {"icon_backup_configuration", sliders}, {"icon_language", globe},
      {"icon_email_notification", envelope},  {"icon_log", document},
      {"icon_misc", tiles}};
  for (const auto& [base, glyph] : menu) {
    const QString name = QString::fromLatin1(base);
    const Glyph g = glyph;
    out.push_back({name + QStringLiteral("_n.png"), [g] { return settingsTile(g, false); }, {}});
    out.push_back({name + QStringLiteral("_f.png"), [g] { return settingsTile(g, true); }, {}});
  }
  // The backup-and-restore entry: "_sf" is its current look.
  add("icon_backups_n.png", [] { return settingsTile(syncArrows, false); });
  add("icon_backups_sf.png", [] { return settingsTile(syncArrows, true); });

  // Task card icons.
  add("icon_source.png", [] { return cardIcon(monitor, false); });
  add("icon_source_f.png", [] { return cardIcon(monitor, true); });
  add("icon_status.png", [] { return cardIcon(clock, false); });
  add("icon_status_f.png", [] { return cardIcon(clock, true); });
  add("icon_distination.png", [] { return cardIcon(nasBox, false); });
  add("icon_distination_f.png", [] { return cardIcon(nasBox, true); });
  // Running states take the state icon's place, so they share its size.
  add("icon_backup.png", [] { return badge(40, arrowUpTray, accent, false, 2.2); });
  add("icon_restore.png", [] { return badge(40, arrowDownTray, QColor(0x2b, 0xa3, 0x86), false, 2.2); });
  add("icon_-check_item.png", [] { return badge(24, tick, ok, false, 2.6); });
  add("icon_fail_item.png", [] { return badge(24, exclamation, fail, false, 2.6); });
  add("icon_fail_item_f.png", [] { return badge(24, exclamation, failLight, true, 2.4); });
  // Message boxes (the style sheets' messagebox-*-icon): the window's badges, 40 px.
  add("icon_box_information.png", [] { return badge(40, information, accent, false, 2.2); });
  add("icon_box_question.png", [] { return badge(40, question, accent, false, 2.2); });
  add("icon_box_warning.png", [] { return badge(40, exclamation, warn, false, 2.2); });
  add("icon_box_critical.png", [] { return badge(40, exclamation, fail, false, 2.2); });
}

}  // namespace imagegen

// Window art: the main window's background with its title strip and navigation column, the
// folder browser's background, the light panels and cards, the input and combo frames, the log
// and device list headers, the scroll bar handles, arrows and tracks, and the tabs.
//
// Frame images are shown as border images with a 5 px border (10 px for the device list
// header), so their corners and edges stay inside that margin and their middle is flat: they
// stretch to any widget size. Images shown at their own size (backgrounds, task cards, log
// headers) are drawn at the size of the widget that shows them.
#include "art.h"
#include "paint.h"

#include <QtGui/QLinearGradient>

namespace imagegen {

namespace {

using namespace colour;

// A rectangle with only some corners rounded.
QPainterPath cornerPath(const QRectF& r, double radius, bool tl, bool tr, bool br, bool bl) {
  QPainterPath path;
  const double d = 2 * radius;
  path.moveTo(r.left() + (tl ? radius : 0), r.top());
  if (tr) {
    path.lineTo(r.right() - radius, r.top());
    path.arcTo(QRectF(r.right() - d, r.top(), d, d), 90, -90);
  } else {
    path.lineTo(r.right(), r.top());
  }
  if (br) {
    path.lineTo(r.right(), r.bottom() - radius);
    path.arcTo(QRectF(r.right() - d, r.bottom() - d, d, d), 0, -90);
  } else {
    path.lineTo(r.right(), r.bottom());
  }
  if (bl) {
    path.lineTo(r.left() + radius, r.bottom());
    path.arcTo(QRectF(r.left(), r.bottom() - d, d, d), 270, -90);
  } else {
    path.lineTo(r.left(), r.bottom());
  }
  if (tl) {
    path.lineTo(r.left(), r.top() + radius);
    path.arcTo(QRectF(r.left(), r.top(), d, d), 180, -90);
  }
  path.closeSubpath();
  return path;
}

void fillRect(QPainter& p, const QRectF& r, const QColor& c) { p.fillRect(r, c); }

void verticalGradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0.0, top);
  g.setColorAt(1.0, bottom);
  p.fillRect(r, g);
}

// The main window: title strip y 0-55, a dark line under it, navigation column x 0-171 with a
// separator at 172, content area from x 173. A one-pixel edge frames the frameless window.
QImage mainBackground() {
  return painted(canvas(800, 600), [&](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    verticalGradient(p, QRectF(173, 57, 627, 543), contentTop, contentBottom);
    verticalGradient(p, QRectF(0, 57, 172, 543), navTop, navBottom);
    fillRect(p, QRectF(0, 0, 800, 56), strip);
    fillRect(p, QRectF(0, 56, 800, 1), QColor(0x12, 0x15, 0x17));
    fillRect(p, QRectF(172, 57, 1, 543), edge);
    fillRect(p, QRectF(173, 57, 1, 543), alpha(white, 0.035));
    // A faint light line along the strip's top edge gives it depth.
    fillRect(p, QRectF(1, 1, 798, 1), alpha(white, 0.04));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawImage(QPointF(18, 13), drawMark(30));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, 799, 599);
  });
}

// The folder browser (401 x 368): title strip y 0-27 with an accent line under it, light body,
// a white well behind the folder tree (35, 78, 331 x 237) and a rule above the buttons.
QImage browserBackground() {
  return painted(canvas(401, 368), [&](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    fillRect(p, QRectF(0, 0, 401, 368), panel);
    fillRect(p, QRectF(0, 0, 401, 28), strip);
    fillRect(p, QRectF(0, 28, 401, 2), accent);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawImage(QPointF(9, 5), drawMark(18));
    roundedBox(p, QRectF(33, 76, 335, 241), 3, white, panelBorder);
    p.setRenderHint(QPainter::Antialiasing, false);
    fillRect(p, QRectF(20, 321, 361, 1), QColor(0xd3, 0xd9, 0xde));
    fillRect(p, QRectF(20, 322, 361, 1), alpha(white, 0.8));
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, 400, 367);
  });
}

// A stretchable frame: rounded box with border and an optional one-pixel shade under the top
// edge (fields look slightly sunken).
QImage frame(int w, int h, const QColor& fill, const QColor& border, const QColor& shade = {},
             double radius = 4) {
  return painted(canvas(w, h), [&](QPainter& p) {
    roundedBox(p, QRectF(0, 0, w, h), radius, fill, border);
    if (shade.isValid()) {
      p.setRenderHint(QPainter::Antialiasing, false);
      fillRect(p, QRectF(3, 1, w - 6, 1), shade);
    }
  });
}

// The task list's card (583 x 204): white with a quiet border; the selected one has an accent
// border, a light accent tint and an accent bar along its left edge.
QImage taskCard(bool selected) {
  return painted(canvas(583, 204), [&](QPainter& p) {
    const QRectF r(0.5, 0.5, 582, 203);
    if (selected) {
      roundedBox(p, r, 6, QColor(0xf3, 0xf8, 0xfe), accent, 1.5);
      QPainterPath bar = cornerPath(QRectF(1.5, 1.5, 5, 201), 5, true, false, false, true);
      p.setPen(Qt::NoPen);
      p.setBrush(accent);
      p.drawPath(bar);
    } else {
      roundedBox(p, r, 6, card, QColor(0xd0, 0xd7, 0xdc));
      p.setRenderHint(QPainter::Antialiasing, false);
      fillRect(p, QRectF(6, 1, 571, 1), white);
    }
  });
}

// A dark header cell of the log table or the device list. `left`/`right` round that top
// corner; `divider` draws the separator at the right edge; `lit` is the lighter variant.
QImage headerCell(int w, int h, bool left, bool right, bool divider, bool lit) {
  return painted(canvas(w, h), [&](QPainter& p) {
    const QRectF r(0, 0, w, h);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, lit ? QColor(0x45, 0x4f, 0x56) : QColor(0x3a, 0x43, 0x49));
    g.setColorAt(1.0, lit ? QColor(0x3d, 0x46, 0x4d) : header);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(cornerPath(r, 4, left, right, false, false));
    p.setRenderHint(QPainter::Antialiasing, false);
    fillRect(p, QRectF(0, h - 2, w, 2), lit ? accentLight : accent);
    if (divider) {
      fillRect(p, QRectF(w - 2, 6, 1, h - 12), QColor(0x27, 0x2d, 0x32));
      fillRect(p, QRectF(w - 1, 6, 1, h - 12), alpha(white, 0.08));
    }
  });
}

// The rule under the task list: a two-pixel engraved line fading out at both ends.
QImage rule() {
  return painted(canvas(560, 2), [&](QPainter& p) {
    const auto faded = [](const QColor& c) {
      QLinearGradient g(0, 0, 560, 0);
      g.setColorAt(0.0, alpha(c, 0.0));
      g.setColorAt(0.12, c);
      g.setColorAt(0.88, c);
      g.setColorAt(1.0, alpha(c, 0.0));
      return g;
    };
    p.fillRect(QRectF(0, 0, 560, 1), faded(QColor(0xbf, 0xc7, 0xce)));
    p.fillRect(QRectF(0, 1, 560, 1), faded(white));
  });
}

// Scroll bar handle: a pill of 9 px across a 15 px bar, transparent around it.
QImage scrollHandle(bool vertical, bool disabled) {
  return painted(vertical ? canvas(15, 40) : canvas(40, 15), [&](QPainter& p) {
    const QRectF pill = vertical ? QRectF(3, 1, 9, 38) : QRectF(1, 3, 38, 9);
    const QColor c = disabled ? QColor(0x30, 0x37, 0x3c) : QColor(0x5a, 0x65, 0x6d);
    roundedBox(p, pill, 4.5, c);
    if (!disabled) {
      // A lighter top edge on the pill.
      p.setRenderHint(QPainter::Antialiasing, false);
      if (vertical) {
        fillRect(p, QRectF(5, 2, 5, 1), alpha(white, 0.12));
      } else {
        fillRect(p, QRectF(5, 4, 30, 1), alpha(white, 0.12));
      }
    }
  });
}

// Scroll arrow button: track colour with a small triangle.
QImage scrollArrow(double dir, bool disabled) {
  return painted(canvas(15, 15), [&](QPainter& p) {
    p.fillRect(QRectF(0, 0, 15, 15), track);
    triangle(p, QPointF(7.5, 7.5), 7, dir, disabled ? QColor(0x38, 0x40, 0x45) : QColor(0x8f, 0x99, 0xa0));
  });
}

// Scroll page area: track colour with a thin groove along the bar (repeats seamlessly).
QImage scrollPage(bool vertical, bool disabled) {
  return painted(canvas(15, 15), [&](QPainter& p) {
    p.fillRect(QRectF(0, 0, 15, 15), disabled ? QColor(0x15, 0x18, 0x1a) : track);
    if (!disabled) {
      const QRectF groove = vertical ? QRectF(7, 0, 1, 15) : QRectF(0, 7, 15, 1);
      p.fillRect(groove, QColor(0x1f, 0x24, 0x28));
    }
  });
}

QImage tab(bool disabled) {
  return painted(canvas(100, 30), [&](QPainter& p) {
    const QRectF r(0, 0, 100, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(disabled ? QColor(0x24, 0x29, 0x2d) : QColor(0x2f, 0x36, 0x3b));
    p.drawPath(cornerPath(r, 5, true, true, false, false));
    p.setRenderHint(QPainter::Antialiasing, false);
    fillRect(p, QRectF(0, 28, 100, 2), disabled ? QColor(0x3a, 0x42, 0x47) : accent);
  });
}

QImage tabArrow(double dir, bool disabled) {
  return painted(canvas(16, 16), [&](QPainter& p) {
    p.setPen(linePen(disabled ? QColor(0x4a, 0x53, 0x5a) : glyphDark, 2));
    chevron(p, QPointF(8, 8), 8, dir);
  });
}

}  // namespace

void addWindowArt(std::vector<Art>& out) {
  const auto add = [&out](const char* name, std::function<QImage()> draw) {
    out.push_back({QString::fromLatin1(name), std::move(draw), {}});
  };

  add("bg.png", mainBackground);
  add("local_directory_bg.png", browserBackground);

  // Light panels behind the lists and trees.
  const QColor listBorder(0xc2, 0xca, 0xd0);
  add("content_area_01_bg.png", [=] { return frame(200, 160, card, listBorder, {}, 5); });
  add("content_area_02_bg.png", [=] { return frame(487, 133, card, listBorder, {}, 5); });
  add("content_area_02_bg_n.png", [=] { return frame(200, 120, card, listBorder, {}, 5); });
  add("content_area_02_bg_d.png",
      [] { return frame(200, 120, QColor(0xd3, 0xd8, 0xdc), QColor(0xbd, 0xc4, 0xca), {}, 5); });
  add("content_area_03_bg.png", [] { return frame(590, 509, panel, panelBorder, {}, 5); });
  add("device_content.png", [=] { return frame(240, 160, card, listBorder, {}, 5); });
  add("device_header1.png", [] { return headerCell(120, 36, true, false, true, false); });
  add("device_header2.png", [] { return headerCell(120, 36, false, true, false, false); });
  add("line.png", rule);

  // Task cards.
  add("btn_common_04_n.png", [] { return taskCard(false); });
  add("btn_common_04_f.png", [] { return taskCard(true); });

  // Log table header cells, and their lighter variants.
  add("log_header1.png", [] { return headerCell(131, 33, true, false, true, false); });
  add("log_header2.png", [] { return headerCell(116, 33, false, false, true, false); });
  add("log_header3.png", [] { return headerCell(205, 33, false, true, false, false); });
  add("log_2_1.png", [] { return headerCell(131, 33, true, false, true, true); });
  add("log_2_2.png", [] { return headerCell(116, 33, false, false, true, true); });
  add("log_2_3.png", [] { return headerCell(205, 33, false, true, false, true); });

  // Input fields: light ones on the wizard and restore pages, dark ones on the settings pages.
  const QColor lightShade(0xe2, 0xe6, 0xe9);
  add("input_box.png", [=] { return frame(220, 32, field, fieldBorder, lightShade); });
  add("input_box_02.png", [=] { return frame(140, 26, field, fieldBorder, lightShade); });
  add("input_box_d.png", [] { return frame(220, 32, disabledFill, disabledBorder); });
  add("input_box_restore.png",
      [=] { return frame(300, 32, white, QColor(0x9c, 0xab, 0xb6), lightShade); });
  const QColor darkShade(0x14, 0x17, 0x19);
  // The e-mail fields: dark slate fields with white text on the light panel of their page.
  const QColor slateField(0x3a, 0x41, 0x47), slateBorder(0x56, 0x60, 0x67),
      slateShade(0x2c, 0x32, 0x37);
  add("input_box_black_01.png", [=] { return frame(220, 32, slateField, slateBorder, slateShade); });
  add("input_box_black_01_d.png",
      [] { return frame(220, 32, QColor(0xd4, 0xd9, 0xdd), QColor(0xbf, 0xc6, 0xcb)); });
  add("input_box_black_02.png", [=] { return frame(160, 32, slateField, slateBorder, slateShade); });

  // Combo and spin box frames (dark).
  const QColor comboFill(0x1f, 0x24, 0x27), comboBorder(0x4b, 0x54, 0x5b);
  add("drop_down_menu_tiny_bg.png", [=] { return frame(76, 36, comboFill, comboBorder, darkShade); });
  add("drop_down_menu_wide_bg.png", [=] { return frame(200, 36, comboFill, comboBorder, darkShade); });

  // Scroll bars.
  add("scroll_vertical_bar.png", [] { return scrollHandle(true, false); });
  add("scroll_vertical_bar_d.png", [] { return scrollHandle(true, true); });
  add("scroll_horizontal_bar.png", [] { return scrollHandle(false, false); });
  add("scroll_arrow_up.png", [] { return scrollArrow(90, false); });
  add("scroll_arrow_up_d.png", [] { return scrollArrow(90, true); });
  add("scroll_arrow_down.png", [] { return scrollArrow(270, false); });
  add("scroll_arrow_down_d.png", [] { return scrollArrow(270, true); });
  add("scroll_arrow_left.png", [] { return scrollArrow(180, false); });
  add("scroll_arrow_right.png", [] { return scrollArrow(0, false); });
  add("scroll_bg_top.png", [] { return scrollPage(true, false); });
  add("scroll_bg_top_d.png", [] { return scrollPage(true, true); });
  add("scroll_bg_base.png", [] { return scrollPage(true, false); });
  add("scroll_bg_base_d.png", [] { return scrollPage(true, true); });
  add("scroll_bg_left.png", [] { return scrollPage(false, false); });
  add("scroll_bg_right.png", [] { return scrollPage(false, false); });

  // Tabs.
  add("tab_bg_n.png", [] { return tab(false); });
  add("tab_bg_d.png", [] { return tab(true); });
  add("tab_arrow_left_n.png", [] { return tabArrow(180, false); });
  add("tab_arrow_left_d.png", [] { return tabArrow(180, true); });
  add("tab_arrow_right_n.png", [] { return tabArrow(0, false); });
  add("tab_arrow_right_d.png", [] { return tabArrow(0, true); });
}

}  // namespace imagegen

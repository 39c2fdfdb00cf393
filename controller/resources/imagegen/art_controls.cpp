// Control art: radio and check box indicators, the task list's page arrows, the text buttons,
// the title bar buttons, the combo and spin box arrows, the time colon and the folder icon.
//
// States: "_n" normal (grey), "_f" hover, checked or selected (accent), "_d" disabled (washed
// out). Text buttons are stretched border images with a 5 px border; everything else is shown
// at its own size.
#include "art.h"
#include "paint.h"

namespace imagegen {

namespace {

using namespace colour;

enum class State { normal, focus, disabled };

const QColor indicatorBorder(0x8f, 0x9a, 0xa2);

// Radio indicator, 25 x 25.
QImage radio(State s) {
  return painted(canvas(25, 25), [&](QPainter& p) {
    const QPointF c(12.5, 12.5);
    switch (s) {
      case State::normal:
        disc(p, c, 10.5, indicatorBorder);
        disc(p, c, 9.0, field);
        break;
      case State::focus:
        disc(p, c, 10.5, accent);
        disc(p, c, 8.8, white);
        disc(p, c, 5.0, accent);
        break;
      case State::disabled:
        disc(p, c, 10.5, disabledBorder);
        disc(p, c, 9.0, disabledFill);
        break;
    }
  });
}

// Check box indicator, 21 x 21.
QImage checkBox(State s) {
  return painted(canvas(21, 21), [&](QPainter& p) {
    const QRectF r(1, 1, 19, 19);
    switch (s) {
      case State::normal:
        roundedBox(p, r, 4, field, indicatorBorder, 1.5);
        break;
      case State::focus: {
        roundedBox(p, r, 4, accent, accentDark, 1.0);
        p.setPen(linePen(white, 2.3));
        QPainterPath tick;
        tick.moveTo(5.5, 10.8);
        tick.lineTo(9.0, 14.2);
        tick.lineTo(15.5, 7.2);
        p.drawPath(tick);
        break;
      }
      case State::disabled:
        roundedBox(p, r, 4, disabledFill, disabledBorder, 1.5);
        break;
    }
  });
}

// Check box indicator of a folder some of whose subfolders are chosen, 21 x 21: a dash.
QImage partlyChecked() {
  return painted(canvas(21, 21), [&](QPainter& p) {
    roundedBox(p, QRectF(1, 1, 19, 19), 4, accent, accentDark, 1.0);
    p.setPen(linePen(white, 2.3));
    p.drawLine(QPointF(6.0, 10.5), QPointF(15.0, 10.5));
  });
}

// Page arrow of the task list (on the light page), 32 x 32.
QImage pageArrow(double dir, State s) {
  return painted(canvas(32, 32), [&](QPainter& p) {
    const QPointF c(16, 16);
    QColor mark;
    switch (s) {
      case State::normal:
        disc(p, c, 14.5, QColor(0xb3, 0xbd, 0xc4));
        disc(p, c, 13.5, white);
        mark = glyphLight;
        break;
      case State::focus:
        disc(p, c, 14.5, accent);
        mark = white;
        break;
      case State::disabled:
        disc(p, c, 14.5, disabledBorder);
        disc(p, c, 13.5, QColor(0xee, 0xf1, 0xf3));
        mark = disabledGlyph;
        break;
    }
    p.setPen(linePen(mark, 2.4));
    // The chevron sits a little towards its point so it looks centred.
    chevron(p, c + QPointF(dir == 0 ? 1.0 : -1.0, 0), 11, dir);
  });
}

struct ButtonLook {
  QColor fill, border, highlight, shade;
};

// A text button frame.
QImage button(int w, int h, const ButtonLook& look) {
  return painted(canvas(w, h), [&](QPainter& p) {
    roundedBox(p, QRectF(0, 0, w, h), 4, look.fill, look.border);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (look.highlight.isValid()) p.fillRect(QRectF(3, 1, w - 6, 1), look.highlight);
    if (look.shade.isValid()) p.fillRect(QRectF(3, h - 2, w - 6, 1), look.shade);
  });
}

// The accent button of the dark pages.
ButtonLook darkButton(State s) {
  switch (s) {
    case State::normal:
      return {accent, accentDark, alpha(white, 0.18), {}};
    case State::focus:
      return {accentLight, accent, alpha(white, 0.25), {}};
    case State::disabled:
      return {QColor(0x3a, 0x42, 0x48), QColor(0x48, 0x51, 0x57), {}, {}};
  }
  return {};
}

// The light button of the light pages and panels.
ButtonLook lightButton(State s) {
  switch (s) {
    case State::normal:
      return {QColor(0xf8, 0xf9, 0xfa), QColor(0xa9, 0xb4, 0xbc), white, QColor(0xdc, 0xe1, 0xe5)};
    case State::focus:
      return {QColor(0xe6, 0xf1, 0xfd), accent, white, QColor(0xcc, 0xe0, 0xf6)};
    case State::disabled:
      return {QColor(0xec, 0xef, 0xf1), QColor(0xd3, 0xd9, 0xdd), {}, {}};
  }
  return {};
}

// Title bar buttons, 32 x 32: a grey mark; under the mouse a filled square (accent for
// minimise, red for close) with a white mark.
QImage titleButton(bool close, bool hover) {
  return painted(canvas(32, 32), [&](QPainter& p) {
    if (hover) roundedBox(p, QRectF(2, 2, 28, 28), 6, close ? fail : accent);
    p.setPen(linePen(hover ? white : glyphDark, 2.0));
    if (close) {
      p.drawLine(QPointF(11, 11), QPointF(21, 21));
      p.drawLine(QPointF(21, 11), QPointF(11, 21));
    } else {
      p.drawLine(QPointF(10, 16.5), QPointF(22, 16.5));
    }
  });
}

// The folder browser's close button, 20 x 29 (the button's own size on its 28 px strip).
QImage smallClose(bool hover) {
  return painted(canvas(20, 29), [&](QPainter& p) {
    const QPointF c(10, 14);
    double arm = 4.0;
    if (hover) {
      disc(p, c, 9, fail);
      arm = 3.5;
    }
    p.setPen(linePen(hover ? white : glyphDark, 1.8));
    p.drawLine(c + QPointF(-arm, -arm), c + QPointF(arm, arm));
    p.drawLine(c + QPointF(arm, -arm), c + QPointF(-arm, arm));
  });
}

const QColor arrowOnDark(0xdc, 0xe1, 0xe5);

QImage bigArrowDown() {
  return painted(canvas(26, 26), [&](QPainter& p) {
    p.setPen(linePen(arrowOnDark, 2.0));
    chevron(p, QPointF(13, 14), 10, 270);
  });
}

QImage smallArrow(bool up) {
  return painted(canvas(15, 14), [&](QPainter& p) {
    triangle(p, QPointF(7.5, up ? 7.5 : 6.5), 8, up ? 90 : 270, arrowOnDark);
  });
}

QImage colon() {
  return painted(canvas(8, 36), [&](QPainter& p) {
    disc(p, QPointF(4, 13.5), 1.9, arrowOnDark);
    disc(p, QPointF(4, 22.5), 1.9, arrowOnDark);
  });
}

QImage folder() {
  return painted(canvas(16, 16), [&](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(accentDark);
    QPainterPath back;
    back.moveTo(1, 4);
    back.quadTo(1, 2.5, 2.5, 2.5);
    back.lineTo(5.8, 2.5);
    back.lineTo(7.3, 4);
    back.lineTo(13.5, 4);
    back.quadTo(15, 4, 15, 5.5);
    back.lineTo(15, 12.5);
    back.lineTo(1, 12.5);
    back.closeSubpath();
    p.drawPath(back);
    roundedBoxGradient(p, QRectF(1, 5.5, 14, 8.5), 1.5, accentLight, accent);
  });
}

}  // namespace

void addControlArt(std::vector<Art>& out) {
  const auto add = [&out](QString name, std::function<QImage()> draw) {
    out.push_back({std::move(name), std::move(draw), {}});
  };
  const std::pair<State, const char*> states[] = {
      {State::normal, "_n"}, {State::focus, "_f"}, {State::disabled, "_d"}};

  for (const auto& [state, suffix] : states) {
    const QString sfx = QString::fromLatin1(suffix) + QStringLiteral(".png");
    const State s = state;
    add(QStringLiteral("check_box_01") + sfx, [s] { return radio(s); });
    add(QStringLiteral("check_box_02") + sfx, [s] { return checkBox(s); });
    add(QStringLiteral("arrow_left") + sfx, [s] { return pageArrow(180, s); });
    add(QStringLiteral("arrow_right") + sfx, [s] { return pageArrow(0, s); });
    add(QStringLiteral("btn_common_01") + sfx, [s] { return button(100, 34, darkButton(s)); });
    add(QStringLiteral("btn_common_03") + sfx, [s] { return button(64, 26, lightButton(s)); });
    add(QStringLiteral("btn_common_05") + sfx, [s] { return button(110, 30, lightButton(s)); });
    add(QStringLiteral("btn_common_06") + sfx, [s] { return button(88, 26, lightButton(s)); });
  }

  add(QStringLiteral("check_box_02_p.png"), partlyChecked);
  add(QStringLiteral("icon_minify_n.png"), [] { return titleButton(false, false); });
  add(QStringLiteral("icon_minify_f.png"), [] { return titleButton(false, true); });
  add(QStringLiteral("icon_close_n.png"), [] { return titleButton(true, false); });
  add(QStringLiteral("icon_close_f.png"), [] { return titleButton(true, true); });
  add(QStringLiteral("icon_close_ln.png"), [] { return smallClose(false); });
  add(QStringLiteral("icon_close_lf.png"), [] { return smallClose(true); });

  add(QStringLiteral("big_arrow_down.png"), bigArrowDown);
  add(QStringLiteral("small_arrow_up.png"), [] { return smallArrow(true); });
  add(QStringLiteral("small_arrow_down.png"), [] { return smallArrow(false); });
  add(QStringLiteral("colon.png"), colon);
  add(QStringLiteral("folder.png"), folder);
}

}  // namespace imagegen

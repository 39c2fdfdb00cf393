// Device art: one picture per NAS model the wizard knows (53 x 80, the device list's icon
// size), the generic NAS for any other model, the program's mark and the window icon
// brelkin.ico. Models differ by bay count, case colour, shape (tower or desktop) and the colour
// of their lights, so two models never look alike.
#include "art.h"
#include "paint.h"

#include <QtCore/QBuffer>
#include <QtCore/QtEndian>

namespace imagegen {

namespace {

using namespace colour;

struct CaseColour {
  QColor top, bottom, front, bay, bayEdge;
};

const CaseColour graphite{{0x45, 0x4e, 0x55}, {0x33, 0x3a, 0x3f}, {0x27, 0x2d, 0x31},
                          {0x4b, 0x55, 0x5c}, {0x5b, 0x66, 0x6e}};
const CaseColour black{{0x2c, 0x31, 0x35}, {0x1b, 0x1e, 0x21}, {0x13, 0x15, 0x17},
                       {0x30, 0x36, 0x3b}, {0x40, 0x47, 0x4d}};
const CaseColour silver{{0xdc, 0xe0, 0xe4}, {0xb5, 0xbc, 0xc2}, {0x9c, 0xa5, 0xab},
                        {0xe4, 0xe8, 0xeb}, {0xf5, 0xf7, 0xf8}};
const CaseColour pearl{{0xf8, 0xf9, 0xfa}, {0xdc, 0xe1, 0xe4}, {0xc9, 0xd0, 0xd5},
                       {0xf5, 0xf7, 0xf8}, {0xff, 0xff, 0xff}};
const CaseColour steelBlue{{0x4a, 0x63, 0x78}, {0x34, 0x47, 0x58}, {0x29, 0x39, 0x47},
                           {0x55, 0x6f, 0x87}, {0x68, 0x84, 0x9d}};
const CaseColour plain{{0x87, 0x90, 0x97}, {0x6b, 0x74, 0x7b}, {0x5a, 0x62, 0x68},
                       {0x8e, 0x97, 0x9d}, {0x9f, 0xa8, 0xae}};

const QColor ledBlue = accentLight;
const QColor ledGreen(0x48, 0xd0, 0x86);
const QColor ledOff(0x9a, 0xa2, 0xa8);

struct Model {
  const char* name;
  int bays;
  bool desktop;  // wide box with upright bays side by side, else a tower with stacked bays
  const CaseColour* colours;
  QColor led;
};

const Model models[] = {
    {"KMR-415", 1, false, &pearl, ledBlue},
    {"KMR-420", 2, false, &graphite, ledBlue},
    {"KMR-420B", 2, false, &black, ledBlue},
    {"KMR-420L", 2, false, &silver, ledGreen},
    {"KMR-420LW", 2, false, &pearl, ledGreen},
    {"KMR-421", 2, false, &steelBlue, ledBlue},
    {"KMR-423", 3, false, &graphite, ledGreen},
    {"KMR-425", 5, false, &graphite, ledBlue},
    {"KMR-427L", 4, false, &silver, ledBlue},
    {"KMR-443", 3, false, &black, ledGreen},
    {"KMR-445", 5, false, &black, ledBlue},
    {"KMR-2100-04", 4, true, &black, ledBlue},
    {"KMR-2200-05", 5, true, &silver, ledGreen},
    {"NAS-generic", 2, false, &plain, ledOff},
};

void bay(QPainter& p, const QRectF& r, const CaseColour& c, const QColor& led, bool upright) {
  roundedBox(p, r, 1.8, c.bay, c.bayEdge, 0.8);
  p.setPen(linePen(alpha(c.front, 0.9), 1.2));
  if (upright) {
    p.drawLine(QPointF(r.center().x(), r.top() + 4), QPointF(r.center().x(), r.bottom() - 8));
    disc(p, QPointF(r.center().x(), r.bottom() - 3.5), 1.3, led);
  } else {
    p.drawLine(QPointF(r.left() + 4, r.center().y()), QPointF(r.right() - 9, r.center().y()));
    disc(p, QPointF(r.right() - 4, r.center().y()), 1.3, led);
  }
}

QImage device(const Model& m) {
  return painted(canvas(53, 80), [&](QPainter& p) {
    const CaseColour& c = *m.colours;
    if (m.desktop) {
      // Shadow, case, front panel, bays side by side, power light at the right.
      roundedBox(p, QRectF(3, 23, 48, 42), 5, alpha(QColor(0, 0, 0), 0.28));
      roundedBoxGradient(p, QRectF(2, 20, 49, 42), 5, c.top, c.bottom);
      roundedBox(p, QRectF(5, 24, 43, 34), 3, c.front);
      const double gap = 2.0, left = 7.5, width = 33.0;
      const double w = (width - gap * (m.bays - 1)) / m.bays;
      for (int i = 0; i < m.bays; ++i) {
        bay(p, QRectF(left + i * (w + gap), 26, w, 30), c, m.led, true);
      }
      disc(p, QPointF(44.5, 30), 1.8, m.led);
      p.setPen(linePen(alpha(c.bayEdge, 0.7), 1.0));
      p.drawLine(QPointF(44.5, 36), QPointF(44.5, 52));
    } else {
      // Shadow, case, front panel, power light, stacked bays.
      roundedBox(p, QRectF(6, 5, 43, 74), 5, alpha(QColor(0, 0, 0), 0.28));
      roundedBoxGradient(p, QRectF(5, 3, 43, 74), 5, c.top, c.bottom);
      roundedBox(p, QRectF(9, 8, 35, 64), 3, c.front);
      disc(p, QPointF(26.5, 14), 2.6, c.bayEdge);
      disc(p, QPointF(26.5, 14), 1.5, m.led);
      const double gap = 3.0, top = 20.0;
      // A one-bay case keeps a bay of two-bay height and shows a vent grille below it.
      const double height = m.bays == 1 ? 22.0 : 48.0;
      const double h = (height - gap * (m.bays - 1)) / m.bays;
      for (int i = 0; i < m.bays; ++i) {
        bay(p, QRectF(12, top + i * (h + gap), 29, h), c, m.led, false);
      }
      if (m.bays == 1) {
        p.setPen(linePen(c.bottom.darker(115), 1.6));
        for (double y = 50; y <= 64; y += 4.5) p.drawLine(QPointF(16, y), QPointF(37, y));
      }
    }
  });
}

// The window icon: Windows icon container with one entry per size. Small sizes are stored as
// 32-bit bitmaps (every reader knows them), the largest as PNG.
QByteArray iconFile() {
  const int sizes[] = {16, 24, 32, 48, 64, 256};
  const int count = static_cast<int>(std::size(sizes));
  std::vector<QByteArray> entries;
  for (int size : sizes) {
    const QImage image = drawMark(size).convertToFormat(QImage::Format_ARGB32);
    QByteArray data;
    if (size >= 256) {
      QBuffer buffer(&data);
      buffer.open(QIODevice::WriteOnly);
      image.save(&buffer, "PNG");
    } else {
      // BITMAPINFOHEADER, height doubled for the AND mask that follows the colour rows.
      const int maskStride = ((size + 31) / 32) * 4;
      const quint32 imageBytes = size * size * 4 + maskStride * size;
      QByteArray header(40, '\0');
      qToLittleEndian<quint32>(40, header.data());
      qToLittleEndian<qint32>(size, header.data() + 4);
      qToLittleEndian<qint32>(size * 2, header.data() + 8);
      qToLittleEndian<quint16>(1, header.data() + 12);
      qToLittleEndian<quint16>(32, header.data() + 14);
      qToLittleEndian<quint32>(imageBytes, header.data() + 20);
      data += header;
      QByteArray mask(maskStride * size, '\0');
      for (int y = size - 1; y >= 0; --y) {  // bottom-up rows
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const int maskRow = size - 1 - y;
        for (int x = 0; x < size; ++x) {
          const QRgb px = line[x];
          const char bgra[4] = {static_cast<char>(qBlue(px)), static_cast<char>(qGreen(px)),
                                static_cast<char>(qRed(px)), static_cast<char>(qAlpha(px))};
          data.append(bgra, 4);
          if (qAlpha(px) == 0) mask[maskRow * maskStride + x / 8] |= static_cast<char>(0x80 >> (x % 8));
        }
      }
      data += mask;
    }
    entries.push_back(data);
  }

  QByteArray out(6 + 16 * count, '\0');
  qToLittleEndian<quint16>(0, out.data());
  qToLittleEndian<quint16>(1, out.data() + 2);
  qToLittleEndian<quint16>(static_cast<quint16>(count), out.data() + 4);
  quint32 offset = 6 + 16 * count;
  for (int i = 0; i < count; ++i) {
    char* e = out.data() + 6 + 16 * i;
    e[0] = static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
    e[1] = e[0];
    qToLittleEndian<quint16>(1, e + 4);
    qToLittleEndian<quint16>(32, e + 6);
    qToLittleEndian<quint32>(static_cast<quint32>(entries[i].size()), e + 8);
    qToLittleEndian<quint32>(offset, e + 12);
    offset += static_cast<quint32>(entries[i].size());
  }
  for (const QByteArray& data : entries) out += data;
  return out;
}

}  // namespace

QImage drawMark(int size) {
  return painted(canvas(size, size), [&](QPainter& p) {
    const double s = size;
    roundedBoxGradient(p, QRectF(0, 0, s, s), s * 0.24, accentLight, accentDark);
    p.setPen(linePen(white, std::max(1.4, s * 0.09)));
    arcArrow(p, QPointF(s / 2, s / 2), s * 0.27, 25, 165, std::max(1.5, s * 0.1));
    arcArrow(p, QPointF(s / 2, s / 2), s * 0.27, 205, 345, std::max(1.5, s * 0.1));
  });
}

void addDeviceArt(std::vector<Art>& out) {
  for (const Model& m : models) {
    out.push_back({QStringLiteral("icon_%1.png").arg(QLatin1String(m.name)),
                   [&m] { return device(m); }, {}});
  }
  out.push_back({QStringLiteral("brelkin.ico"), {}, iconFile});
}

}  // namespace imagegen

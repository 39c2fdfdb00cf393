// imagegen: draws the controller's images at build time, so that no picture is kept as a binary
// file in the source tree. Usage: imagegen <output folder> <file name>...
//
// The build lists the file names it compiles into the resource tree; the generator writes
// exactly those and fails when a listed name has no drawing or a drawing is not listed, so the
// list in CMake and the catalogue here cannot drift apart.
#include "art.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QSaveFile>
#include <QtCore/QSet>
#include <QtGui/QImageWriter>

#include <cstdio>
#include <map>

using namespace imagegen;

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(bytes);
  return file.commit();
}

bool writePng(const QString& path, const QImage& image) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&file, "png");
  writer.setQuality(0);  // for PNG: the strongest zlib compression (lossless either way)
  if (!writer.write(image.convertToFormat(QImage::Format_ARGB32))) return false;
  return file.commit();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: imagegen <output folder> <file name>...\n");
    return 2;
  }
  std::vector<Art> catalogue;
  addWindowArt(catalogue);
  addControlArt(catalogue);
  addIconArt(catalogue);
  addDeviceArt(catalogue);

  std::map<QString, const Art*> byName;
  for (const Art& art : catalogue) {
    if (!byName.emplace(art.name, &art).second) {
      std::fprintf(stderr, "imagegen: %s is drawn twice\n", qPrintable(art.name));
      return 1;
    }
  }

  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "imagegen: cannot create %s\n", argv[1]);
    return 1;
  }

  int failures = 0;
  QSet<QString> asked;
  for (int i = 2; i < argc; ++i) {
    const QString name = QString::fromLocal8Bit(argv[i]);
    asked.insert(name);
    const auto found = byName.find(name);
    if (found == byName.end()) {
      std::fprintf(stderr, "imagegen: no drawing for %s\n", argv[i]);
      ++failures;
      continue;
    }
    const Art& art = *found->second;
    const QString path = folder + QLatin1Char('/') + name;
    const bool written = art.bytes ? writeBytes(path, art.bytes()) : writePng(path, art.draw());
    if (!written) {
      std::fprintf(stderr, "imagegen: cannot write %s\n", qPrintable(path));
      ++failures;
    }
  }
  for (const Art& art : catalogue) {
    if (!asked.contains(art.name)) {
      std::fprintf(stderr, "imagegen: %s is drawn but not in the build's list\n",
                   qPrintable(art.name));
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

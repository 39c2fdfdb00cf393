// The image generator's catalogue: every image of the controller's resource tree, by file name,
// with the function that draws it. Each group of images (window, controls, icons, devices) adds
// its entries; main.cpp writes the ones the build asks for.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtGui/QImage>

#include <functional>
#include <vector>

namespace imagegen {

struct Art {
  QString name;                       // file name under images/, e.g. "bg.png"
  std::function<QImage()> draw;       // the PNG's picture
  std::function<QByteArray()> bytes;  // instead of draw: the file's bytes (the window icon)
};

void addWindowArt(std::vector<Art>& out);   // backgrounds, panels, frames, scroll bars, tabs
void addControlArt(std::vector<Art>& out);  // indicators, arrows, buttons, title bar
void addIconArt(std::vector<Art>& out);     // navigation, settings menu, task panel icons
void addDeviceArt(std::vector<Art>& out);   // NAS models, the program's mark and brelkin.ico

// The program's mark (rounded accent square with two turning arrows) at `size` px: the window
// icon and the title strip's logo.
QImage drawMark(int size);

}  // namespace imagegen

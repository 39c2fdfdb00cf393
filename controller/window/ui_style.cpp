#include "ui_style.h"

namespace form_style {

QString url(const QString& image) { return QStringLiteral("url(:/images/%1)").arg(image); }

QStringList languageFamilies(const QString& language) {
  if (language.contains(QLatin1String("Simplified Chinese"), Qt::CaseInsensitive)) {
    return {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")};
  }
  if (language.contains(QLatin1String("Traditional Chinese"), Qt::CaseInsensitive)) {
    return {QStringLiteral("MingLiU"), QStringLiteral("PMingLiU"), QStringLiteral("WenQuanYi Micro Hei")};
  }
  return {QStringLiteral("Calibri"), QStringLiteral("Carlito"), QStringLiteral("DejaVu Sans")};
}

QString cssFamilies(const QString& language) {
  QStringList quoted;
  for (const QString& family : languageFamilies(language)) quoted << u'"' + family + u'"';
  return quoted.join(QStringLiteral(", "));
}

namespace {
QString frame(const QString& image) {
  return QStringLiteral("border-image:%1 5 5 5 5 stretch stretch;border-width:5px;").arg(url(image));
}
}  // namespace

QString label(const QString& color) {
  return QStringLiteral("QLabel{color:%1;background-color:transparent;border:none;}").arg(color);
}

QString imageLabel(const QString& image) {
  return QStringLiteral(
             "QLabel{image:%1;background-color:transparent;border:none;}")
      .arg(url(image));
}

QString frameButton(const QString& base, const QString& color, const QString& disabledColor,
                    bool disabledImage) {
  QString sheet = QStringLiteral(
                      "QToolButton{%1color:%2;background-color:transparent;padding:0px 6px;}"
                      "QToolButton:hover{%3}"
                      "QToolButton:pressed{%3}")
                      .arg(frame(base + QStringLiteral("_n.png")), color,
                           frame(base + QStringLiteral("_f.png")));
  if (disabledImage || !disabledColor.isEmpty()) {
    sheet += QStringLiteral("QToolButton:disabled{%1color:%2;}")
                 .arg(disabledImage ? frame(base + QStringLiteral("_d.png")) : QString(),
                      disabledColor.isEmpty() ? color : disabledColor);
  }
  return sheet;
}

QString iconButton(const QString& normal, const QString& hover) {
  return QStringLiteral(
             "QToolButton{background-image:%1;background-repeat:no-repeat;"
             "background-position:center;border:none;background-color:transparent;}"
             "QToolButton:hover{background-image:%2;border:none;background-color:transparent;}")
      .arg(url(normal), url(hover));
}

namespace {
QString indicator(const QString& widget, const QString& base, bool disabledImage, int size) {
  QString sheet =
      QStringLiteral(
          "%1{background-color:transparent;border:none;spacing:0px;}"
          "%1::indicator{width:%2px;height:%2px;}"
          "%1::indicator:unchecked{image:%3;}"
          "%1::indicator:unchecked:hover{image:%4;}"
          "%1::indicator:checked{image:%4;}")
          .arg(widget)
          .arg(size)
          .arg(url(base + QStringLiteral("_n.png")), url(base + QStringLiteral("_f.png")));
  if (disabledImage) {
    sheet += QStringLiteral("%1::indicator:disabled{image:%2;}")
                 .arg(widget, url(base + QStringLiteral("_d.png")));
  }
  return sheet;
}
}  // namespace

QString radio(const QString& base, bool disabledImage) {
  return indicator(QStringLiteral("QRadioButton"), base, disabledImage, 25);
}

QString checkBox(const QString& base, bool disabledImage) {
  return indicator(QStringLiteral("QCheckBox"), base, disabledImage, 21);
}

QString lineEdit(const QString& image, const QString& color, const QString& disabledImage,
                 const QString& disabledColor) {
  QString sheet = QStringLiteral("QLineEdit{%1color:%2;background-color:transparent;padding:0px 4px;}")
                      .arg(frame(image), color);
  if (!disabledImage.isEmpty() || !disabledColor.isEmpty()) {
    sheet += QStringLiteral("QLineEdit:disabled{%1color:%2;}")
                 .arg(disabledImage.isEmpty() ? QString() : frame(disabledImage),
                      disabledColor.isEmpty() ? color : disabledColor);
  }
  return sheet;
}

QString comboBox(const QString& frameImage, const QString& arrow, const QString& color) {
  return QStringLiteral(
             "QComboBox{%1color:%2;background-color:transparent;padding:0px 4px;}"
             "QComboBox::drop-down{width:26px;height:26px;border:none;subcontrol-position:center right;"
             "subcontrol-origin:padding;}"
             "QComboBox::down-arrow{image:%3;width:26px;height:26px;}"
             "QComboBox QAbstractItemView{background-color:#2b3034;color:#ffffff;"
             "selection-background-color:#3a84c9;selection-color:#ffffff;border:1px solid #4a5258;"
             "outline:none;}")
      .arg(frame(frameImage), color, url(arrow));
}

QString spinBox(const QString& frameImage, const QString& color) {
  return QStringLiteral(
             "QSpinBox{%1color:%2;background-color:transparent;padding:0px 4px;}"
             "QSpinBox::up-button{width:15px;height:14px;border:none;subcontrol-origin:border;"
             "subcontrol-position:top right;margin:3px 3px 0px 0px;}"
             "QSpinBox::down-button{width:15px;height:14px;border:none;subcontrol-origin:border;"
             "subcontrol-position:bottom right;margin:0px 3px 3px 0px;}"
             "QSpinBox::up-arrow{image:%3;width:15px;height:14px;}"
             "QSpinBox::down-arrow{image:%4;width:15px;height:14px;}")
      .arg(frame(frameImage), color, url(QStringLiteral("small_arrow_up.png")),
           url(QStringLiteral("small_arrow_down.png")));
}

QString panel(const QString& objectName, const QString& image) {
  return QStringLiteral("#%1{%2background-color:transparent;}").arg(objectName, frame(image));
}

QString transparentPanel(const QString& objectName) {
  return QStringLiteral("#%1{border:none;background-color:transparent;}").arg(objectName);
}

QString verticalScrollBar() {
  return QStringLiteral(
      "QScrollBar:vertical{background-color:#101315;width:15px;margin:15px 0px 15px 0px;border:none;}"
      "QScrollBar::handle:vertical{border-image:url(:/images/scroll_vertical_bar.png) 5 0 5 0 stretch stretch;"
      "border-width:5px 0px 5px 0px;min-height:30px;}"
      "QScrollBar::handle:vertical:disabled{border-image:url(:/images/scroll_vertical_bar_d.png) 5 0 5 0 "
      "stretch stretch;}"
      "QScrollBar::sub-line:vertical{image:url(:/images/scroll_arrow_up.png);height:15px;"
      "subcontrol-position:top;subcontrol-origin:margin;border:none;background:#101315;}"
      "QScrollBar::add-line:vertical{image:url(:/images/scroll_arrow_down.png);height:15px;"
      "subcontrol-position:bottom;subcontrol-origin:margin;border:none;background:#101315;}"
      "QScrollBar::sub-line:vertical:disabled{image:url(:/images/scroll_arrow_up_d.png);}"
      "QScrollBar::add-line:vertical:disabled{image:url(:/images/scroll_arrow_down_d.png);}"
      "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:none;}");
}

QString horizontalScrollBar() {
  return QStringLiteral(
      "QScrollBar:horizontal{background-color:#101315;height:15px;margin:0px 15px 0px 15px;border:none;}"
      "QScrollBar::handle:horizontal{border-image:url(:/images/scroll_horizontal_bar.png) 0 5 0 5 stretch "
      "stretch;border-width:0px 5px 0px 5px;min-width:30px;}"
      "QScrollBar::sub-line:horizontal{image:url(:/images/scroll_arrow_left.png);width:15px;"
      "subcontrol-position:left;subcontrol-origin:margin;border:none;background:#101315;}"
      "QScrollBar::add-line:horizontal{image:url(:/images/scroll_arrow_right.png);width:15px;"
      "subcontrol-position:right;subcontrol-origin:margin;border:none;background:#101315;}"
      "QScrollBar::add-page:horizontal,QScrollBar::sub-page:horizontal{background:none;}");
}

QString imagePanel(const QString& objectName, const QString& image) {
  return QStringLiteral("#%1 {background-image:%2;border:none;background-color:transparent;}")
      .arg(objectName, url(image));
}

QString backgroundImage(const QString& image) {
  return QStringLiteral("background-image:%1;border:none;background-color:transparent;").arg(url(image));
}

QString stateIconButton(const QString& base) {
  return QStringLiteral(
             "QToolButton{background-image:%1;background-repeat:no-repeat;background-position:center;"
             "border:none;background-color:transparent;}"
             "QToolButton:hover{background-image:%2;}"
             "QToolButton:pressed{background-image:%2;}"
             "QToolButton:disabled{background-image:%3;}")
      .arg(url(base + QStringLiteral("_n.png")), url(base + QStringLiteral("_f.png")),
           url(base + QStringLiteral("_d.png")));
}

QString stretchedImageLabel(const QString& image) {
  return QStringLiteral(
             "QLabel{border-image:%1 0 0 0 0 stretch stretch;border-width:0px;"
             "background-color:transparent;}")
      .arg(url(image));
}

}  // namespace form_style

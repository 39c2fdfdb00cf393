// Style sheets of the form's widgets, built from the resource images by their state suffix:
// "_n" normal, "_f" hover, checked or selected, "_d" disabled (images under ":/images/").
//
// Frame images (buttons, input fields, combo and spin boxes, panels) are drawn with a 5 px
// border and used as border-image, so they stretch to any widget size. Icons and indicators
// keep their own size. Every sheet names its selector: a sheet without one applies to every
// child widget, which repaints a panel image under each label.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace form_style {

// The font families of a stored language name: the one its pages are drawn for ("宋体" for
// Simplified Chinese, "MingLiU" for Traditional Chinese, "Calibri" for every other), then the
// stand-ins of a machine without it (the same lists as the language's style sheet).
QStringList languageFamilies(const QString& language);
// The same families quoted for a style sheet's font: "Calibri", "Carlito", "DejaVu Sans".
QString cssFamilies(const QString& language);

// ":/images/<name>" inside url(...).
QString url(const QString& image);

// A text label: colour and transparent background.
QString label(const QString& color);
// A label that shows one image (icon or line) and no frame.
QString imageLabel(const QString& image);

// A tool button on a stretched frame image `base` + _n/_f/_d (with `disabledImage`), text in
// `color`, and in `disabledColor` when disabled (empty: the same colour).
QString frameButton(const QString& base, const QString& color, const QString& disabledColor = {},
                    bool disabledImage = true);
// A tool button that is an icon: `normal` image, `hover` image under the mouse.
QString iconButton(const QString& normal, const QString& hover);

// Radio button (indicator 25 x 25) and check box (indicator 21 x 21) with the images
// base + _n (unchecked), _f (checked, and under the mouse), _d (disabled) when asked.
QString radio(const QString& base, bool disabledImage);
QString checkBox(const QString& base, bool disabledImage);

// A line edit on a stretched frame image; `disabled` image and colour when given.
QString lineEdit(const QString& image, const QString& color, const QString& disabledImage = {},
                 const QString& disabledColor = {});

// A combo box on the stretched `frame` image with the `arrow` image as its drop-down button
// (26 x 26) and a dark list below it.
QString comboBox(const QString& frame, const QString& arrow, const QString& color);
// A spin box on the stretched `frame` image with up and down arrow buttons (15 x 14).
QString spinBox(const QString& frame, const QString& color);

// A container's background image, selected by the container's object name only.
QString panel(const QString& objectName, const QString& image);
// A transparent container without border, selected by object name.
QString transparentPanel(const QString& objectName);

// The scroll bars of the item views: dark track, 15 px wide, image handles and arrows.
QString verticalScrollBar();
QString horizontalScrollBar();

// A container whose background is one image at its own size (the task panels), selected by
// the container's object name; the same sheet the task list sets at run time.
QString imagePanel(const QString& objectName, const QString& image);
// The sheet of a label that shows one icon at its own size as background, without selector
// (a label has no children for it to reach); the same form the task list sets at run time.
QString backgroundImage(const QString& image);
// An icon tool button with the images base + _n (normal), _f (hover) and _d (disabled).
QString stateIconButton(const QString& base);
// A label that shows one image stretched over its whole rectangle (a separator line).
QString stretchedImageLabel(const QString& image);

}  // namespace form_style

// The window's message boxes.
//
// Their texts often carry what came from outside: a task's name or path, a log record's
// content, a reason the file system, a NAS or a task tree gave. QMessageBox chooses rich text
// by itself for a text that looks like markup, so a file name "<h1>x</h1>" would be drawn as
// a heading; every box of the window therefore shows its text as plain text. The functions
// take the arguments of QMessageBox's own static functions.
#pragma once

#include <QtWidgets/QMessageBox>

namespace message_box {

QMessageBox::StandardButton warning(
    QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton critical(
    QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
QMessageBox::StandardButton information(
    QWidget* parent, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A warning with an OK button that does not wait: modal to `parent`'s window and deleted
// when it closes.
void openWarning(QWidget* parent, const QString& title, const QString& text);

}  // namespace message_box

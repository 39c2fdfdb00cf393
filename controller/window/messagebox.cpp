// The window's message boxes, all with plain text (messagebox.h).
#include "messagebox.h"

namespace message_box {

namespace {

QMessageBox::StandardButton ask(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                                const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, title, text, buttons, parent);
  box.setTextFormat(Qt::PlainText);
  // Without a default of the caller's the box picks its first accepting button, as
  // QMessageBox's static functions do.
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  if (box.exec() == -1) return QMessageBox::Cancel;
  return box.standardButton(box.clickedButton());
}

}  // namespace

QMessageBox::StandardButton warning(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) {
  return ask(QMessageBox::Warning, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton critical(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton defaultButton) {
  return ask(QMessageBox::Critical, parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton information(QWidget* parent, const QString& title,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) {
  return ask(QMessageBox::Information, parent, title, text, buttons, defaultButton);
}

void openWarning(QWidget* parent, const QString& title, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace message_box

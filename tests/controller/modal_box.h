// Answers the next message box of the window under test. Armed before the click that opens
// the box (whose exec() blocks the test): it polls for a modal message box every 10 ms,
// records its title and text, and presses the chosen button. A box that never comes leaves
// seen() false after the time-out.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

class ModalBox : public QObject {
 public:
  explicit ModalBox(QMessageBox::StandardButton answer, int timeoutMs = 5000)
      : answer_(answer), remaining_(timeoutMs / 10) {
    connect(&timer_, &QTimer::timeout, this, &ModalBox::poll);
    timer_.start(10);
  }

  bool seen() const { return seen_; }
  QString title() const { return title_; }
  QString text() const { return text_; }
  QMessageBox::StandardButtons buttons() const { return buttons_; }
  QMessageBox::StandardButton defaultButton() const { return defaultButton_; }

 private:
  static QMessageBox* findBox() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return box;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
    }
    return nullptr;
  }

  void poll() {
    if (--remaining_ < 0) {
      timer_.stop();
      return;
    }
    QMessageBox* box = findBox();
    if (!box) return;
    timer_.stop();
    seen_ = true;
    title_ = box->windowTitle();
    text_ = box->text();
    buttons_ = box->standardButtons();
    if (QPushButton* button = box->defaultButton()) defaultButton_ = box->standardButton(button);
    if (QAbstractButton* button = box->button(answer_)) {
      button->click();
    } else {
      box->close();
    }
  }

  QMessageBox::StandardButton answer_;
  int remaining_;
  QTimer timer_;
  bool seen_ = false;
  QString title_;
  QString text_;
  QMessageBox::StandardButtons buttons_;
  QMessageBox::StandardButton defaultButton_ = QMessageBox::NoButton;
};

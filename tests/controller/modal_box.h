// Answers the modal dialogs of the window under test. Armed before the click that opens them
// (whose exec() blocks the test), a helper polls every 10 ms for the next modal dialog,
// records it and answers it. It waits as long as it lives: a dialog that opens late, on a
// loaded machine, is answered all the same, and a test that expects none checks seen()
// after waiting for what it does expect.
#pragma once

#include <QtCore/QList>
#include <QtCore/QMetaObject>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <utility>

namespace modal_detail {

// The message box on screen: the active modal one, else any visible one (a window-modal box
// opened with open() is not "active modal" for the application).
inline QMessageBox* shownBox() {
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return box;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  }
  return nullptr;
}

}  // namespace modal_detail

// Answers the next message box with one button and records what it said.
class ModalBox : public QObject {
 public:
  explicit ModalBox(QMessageBox::StandardButton answer) : answer_(answer) {
    connect(&timer_, &QTimer::timeout, this, &ModalBox::poll);
    timer_.start(10);
  }

  bool seen() const { return seen_; }
  QString title() const { return title_; }
  QString text() const { return text_; }
  Qt::TextFormat textFormat() const { return textFormat_; }
  QMessageBox::StandardButtons buttons() const { return buttons_; }
  QMessageBox::StandardButton defaultButton() const { return defaultButton_; }

 private:
  void poll() {
    QMessageBox* box = modal_detail::shownBox();
    if (!box) return;
    timer_.stop();
    seen_ = true;
    title_ = box->windowTitle();
    text_ = box->text();
    textFormat_ = box->textFormat();
    buttons_ = box->standardButtons();
    if (QPushButton* button = box->defaultButton()) defaultButton_ = box->standardButton(button);
    if (QAbstractButton* button = box->button(answer_)) {
      button->click();
    } else {
      box->close();
    }
  }

  QMessageBox::StandardButton answer_;
  QTimer timer_;
  bool seen_ = false;
  QString title_;
  QString text_;
  Qt::TextFormat textFormat_ = Qt::AutoText;
  QMessageBox::StandardButtons buttons_;
  QMessageBox::StandardButton defaultButton_ = QMessageBox::NoButton;
};

// Answers the modal dialogs the window opens, in order: a file dialog gets a path and is
// accepted, a message box is recorded and answered with a button.
class ModalScript : public QObject {
 public:
  struct Step {
    QString file;  // non-empty: a file dialog, answered with this path
    QMessageBox::StandardButton button = QMessageBox::Ok;
  };
  struct Seen {
    QString kind;  // "file" or "box"
    QString title;
    QString text;  // a file dialog: the folder it opened in
  };

  explicit ModalScript(QList<Step> steps) : steps_(std::move(steps)) {
    connect(&timer_, &QTimer::timeout, this, &ModalScript::poll);
    timer_.start(10);
  }
  static Step file(const QString& path) { return {path, QMessageBox::NoButton}; }
  static Step box(QMessageBox::StandardButton button) { return {QString(), button}; }

  const QList<Seen>& seen() const { return seen_; }
  QString boxTexts() const {
    QStringList out;
    for (const Seen& s : seen_) {
      if (s.kind == "box") out << s.title + " / " + s.text;
    }
    return out.join(" | ");
  }

 private:
  void poll() {
    if (steps_.isEmpty()) {
      timer_.stop();
      return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_) return;
    const Step step = steps_.first();
    if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && !step.file.isEmpty()) {
      steps_.removeFirst();
      last_ = modal;
      seen_.append({"file", dialog->windowTitle(), dialog->directory().absolutePath()});
      dialog->selectFile(step.file);
      // Accepted from the event loop: an accept that asks a question runs a loop of its own.
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal); box && step.file.isEmpty()) {
      steps_.removeFirst();
      last_ = modal;
      seen_.append({"box", box->windowTitle(), box->text()});
      if (QAbstractButton* button = box->button(step.button)) {
        QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
      } else {
        QMetaObject::invokeMethod(box, "close", Qt::QueuedConnection);
      }
    }
  }

  QList<Step> steps_;
  QList<Seen> seen_;
  QPointer<QWidget> last_;
  QTimer timer_;
};

// The title row of the frameless main window: a strip across its top with a minimise and a
// close button at the right end; pressing anywhere else on the strip and moving the mouse
// moves the whole window.
//
// Where the windowing system can move a window itself (X11 with a window manager, Wayland,
// through QWindow::startSystemMove) the bar hands the drag over to it: Wayland ignores a
// client's move(). Elsewhere (no window manager, offscreen) the bar moves the window by
// move(), keeping the pressed point under the cursor.
#pragma once

#include <QtCore/QPoint>
#include <QtCore/QString>
#include <QtWidgets/QWidget>

class QHBoxLayout;
class QMouseEvent;
class QToolButton;

class TitleBar : public QWidget {
  Q_OBJECT

 public:
  // The bar has the fixed size (width, height). The close button calls the parent's slot
  // CloseWindow() (or closes the parent when it has none); minimise minimises the parent.
  TitleBar(int width, int height, int minimizeWidth, int minimizeHeight, int closeWidth,
           int closeHeight, const QString& minimizeStyle, const QString& closeStyle,
           QWidget* parent);

  QToolButton* minimizeButton() const { return minimizeButton_; }
  QToolButton* closeButton() const { return closeButton_; }
  bool dragging() const { return dragging_; }

 public slots:
  void showSmall();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void closeParent();
  void retranslate();

  QToolButton* minimizeButton_ = nullptr;
  QToolButton* closeButton_ = nullptr;
  QHBoxLayout* layout_ = nullptr;
  int width_;
  int height_;
  int minimizeWidth_;
  int minimizeHeight_;
  int closeWidth_;
  int closeHeight_;
  QString minimizeStyle_;
  QString closeStyle_;
  bool dragging_ = false;
  QPoint pressGlobal_;  // global mouse position of the last press
  QPoint offset_;       // the pressed point in the parent's coordinates
};

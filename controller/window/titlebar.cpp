// The title bar's buttons and the drag that moves the window (see titlebar.h).
#include "titlebar.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>
#include <QtGui/QMouseEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QToolButton>

TitleBar::TitleBar(int width, int height, int minimizeWidth, int minimizeHeight, int closeWidth,
                   int closeHeight, const QString& minimizeStyle, const QString& closeStyle,
                   QWidget* parent)
    : QWidget(parent),
      width_(width),
      height_(height),
      minimizeWidth_(minimizeWidth),
      minimizeHeight_(minimizeHeight),
      closeWidth_(closeWidth),
      closeHeight_(closeHeight),
      minimizeStyle_(minimizeStyle),
      closeStyle_(closeStyle) {
  setObjectName("titleBar");
  setAutoFillBackground(true);
  setMinimumSize(width_, height_);
  setMaximumSize(width_, height_);
  setStyleSheet("border:none;background-color:transparent;");

  minimizeButton_ = new QToolButton(this);
  minimizeButton_->setObjectName("titleBarMinimize");
  closeButton_ = new QToolButton(this);
  closeButton_->setObjectName("titleBarClose");
  minimizeButton_->setMinimumSize(minimizeWidth_, minimizeHeight_);
  closeButton_->setMinimumSize(closeWidth_, closeHeight_);
  minimizeButton_->setStyleSheet(minimizeStyle_);
  closeButton_->setStyleSheet(closeStyle_);
  // The buttons never take the keyboard focus from the page below.
  minimizeButton_->setFocusPolicy(Qt::NoFocus);
  closeButton_->setFocusPolicy(Qt::NoFocus);

  layout_ = new QHBoxLayout(this);
  layout_->addStretch();
  layout_->addWidget(minimizeButton_);
  layout_->addWidget(closeButton_);
  layout_->setSpacing(0);

  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  connect(closeButton_, &QToolButton::clicked, this, &TitleBar::closeParent);
  connect(minimizeButton_, &QToolButton::clicked, this, &TitleBar::showSmall);
  retranslate();
}

void TitleBar::showSmall() {
  if (QWidget* parent = parentWidget()) parent->showMinimized();
}

// The bar knows its parent only as a widget: the main window's CloseWindow() does the
// window's closing work; any other parent is simply closed.
void TitleBar::closeParent() {
  QWidget* parent = parentWidget();
  if (!parent) return;
  if (parent->metaObject()->indexOfSlot("CloseWindow()") >= 0) {
    QMetaObject::invokeMethod(parent, "CloseWindow");
  } else {
    parent->close();
  }
}

void TitleBar::mousePressEvent(QMouseEvent* event) {
  dragging_ = true;
  pressGlobal_ = event->globalPosition().toPoint();
  offset_ = mapToParent(event->position().toPoint());
  // Let the windowing system move the window where it can; it then owns the drag and the
  // bar receives no more moves for it.
  QWidget* parent = parentWidget();
  if (event->button() == Qt::LeftButton && parent && parent->windowHandle() &&
      parent->windowHandle()->startSystemMove()) {
    dragging_ = false;
  }
  event->accept();
}

void TitleBar::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  if (QWidget* parent = parentWidget()) {
    parent->move(event->globalPosition().toPoint() - offset_);
  }
  event->accept();
}

void TitleBar::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  event->accept();
}

void TitleBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) retranslate();
  QWidget::changeEvent(event);
}

// The buttons show only an image: their accessible names say what they do.
void TitleBar::retranslate() {
  minimizeButton_->setAccessibleName(QCoreApplication::translate("Dialog", "Minimize"));
  closeButton_->setAccessibleName(QCoreApplication::translate("Dialog", "Close"));
}

// The title bar of the frameless window: its fixed size, its two buttons, and the drag that
// moves the window by the mouse's offset. Offscreen, QWindow::startSystemMove is not
// available, so the bar moves the window itself, which is what is checked here. The mouse
// events are built with explicit local and global positions.
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QToolButton>

#include "controller_test.h"
#include "titlebar.h"

// A top-level window like the main window: the bar's close button calls its CloseWindow().
class Window : public QWidget {
  Q_OBJECT
 public:
  int closes = 0;
 public slots:
  void CloseWindow() { ++closes; }
};

class TitleBarTest : public QObject {
  Q_OBJECT

  static void send(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
                   Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }
  // A move whose global position is `global` (the cursor has left the bar's old place).
  static void moveTo(QWidget* target, QPoint global) {
    QMouseEvent event(QEvent::MouseMove, QPointF(target->mapFromGlobal(global)), QPointF(global),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }

  struct Fixture {
    Window window;
    TitleBar* bar;
    Fixture() {
      window.setWindowFlags(Qt::FramelessWindowHint);
      window.resize(800, 600);
      window.move(100, 100);
      bar = new TitleBar(800, 56, 32, 32, 32, 32, "QToolButton{}", "QToolButton{}", &window);
      window.show();
    }
  };

 private slots:
  void hasFixedSizeAndButtons() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.bar->resize(300, 200);  // a layout asking for another size gets the fixed one
    QCOMPARE(f.bar->size(), QSize(800, 56));
    QCOMPARE(f.bar->minimumSize(), QSize(800, 56));
    QCOMPARE(f.bar->maximumSize(), QSize(800, 56));
    QVERIFY(f.bar->minimizeButton()->width() >= 32 && f.bar->minimizeButton()->height() >= 32);
    QVERIFY(f.bar->closeButton()->x() > f.bar->minimizeButton()->x());
    QVERIFY(f.bar->closeButton()->geometry().right() > 700);  // at the right end
    QCOMPARE(f.bar->minimizeButton()->accessibleName(), QString("Minimize"));
    QCOMPARE(f.bar->closeButton()->accessibleName(), QString("Close"));
  }

  // Press, move, move, release, move: the window follows by the mouse's offset while the
  // button is down and stays put after the release.
  void dragMovesTheWindowByTheOffset() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const QPoint start = f.window.pos();
    const QPoint pressGlobal = f.bar->mapToGlobal(QPoint(100, 20));
    send(f.bar, QEvent::MouseButtonPress, QPoint(100, 20), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(f.bar->dragging());

    moveTo(f.bar, pressGlobal + QPoint(50, 30));
    QTRY_COMPARE(f.window.pos(), start + QPoint(50, 30));
    moveTo(f.bar, pressGlobal + QPoint(-20, 45));
    QTRY_COMPARE(f.window.pos(), start + QPoint(-20, 45));

    send(f.bar, QEvent::MouseButtonRelease, f.bar->mapFromGlobal(pressGlobal + QPoint(-20, 45)),
         Qt::LeftButton, Qt::NoButton);
    QVERIFY(!f.bar->dragging());
    moveTo(f.bar, pressGlobal + QPoint(200, 200));
    QTest::qWait(50);
    QCOMPARE(f.window.pos(), start + QPoint(-20, 45));
  }

  // A click on a button belongs to the button: close calls CloseWindow() once, minimise
  // minimises, and neither moves the window or starts a drag.
  void buttonsDoNotDrag() {
    Fixture f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    const QPoint start = f.window.pos();
    QTest::mouseClick(f.bar->closeButton(), Qt::LeftButton);
    QCOMPARE(f.window.closes, 1);
    QVERIFY(!f.bar->dragging());
    QCOMPARE(f.window.pos(), start);

    QTest::mouseClick(f.bar->minimizeButton(), Qt::LeftButton);
    QTRY_VERIFY(f.window.isMinimized());
    QVERIFY(!f.bar->dragging());
    QCOMPARE(f.window.closes, 1);
  }

  // A parent without CloseWindow() is simply closed.
  void closeWithoutSlotClosesTheParent() {
    QWidget window;
    window.resize(400, 300);
    auto* bar = new TitleBar(400, 56, 32, 32, 32, 32, {}, {}, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(bar->closeButton(), Qt::LeftButton);
    QTRY_VERIFY(!window.isVisible());
  }
};

TESSALY_TEST_MAIN(TitleBarTest, QApplication)
#include "window_titlebar_test.moc"

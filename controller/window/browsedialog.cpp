// The folder browser (see browsedialog.h): its form, the tree of local folders, new folders
// named after the ones already there, the drag by the title strip and the keys.
#include "browsedialog.h"

#include <dirent.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QtDebug>
#include <QtGui/QIcon>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>

#include <cerrno>

#include "messagebox.h"
#include "ui_style.h"

namespace {

const char kDialogStyle[] =
    "#BrowseDialog {background-image: url(:/images/local_directory_bg.png);}";
const char kTreeStyle[] = "#browseLocalTView {\ncolor: #2e3132;}";

// The tree's scroll bars: a black track 15 px across between two 15 px arrows, an image
// handle, image page areas; the vertical bar has a drawing of each for when it is disabled.
const char kVerticalBarStyle[] =
    "QScrollBar:vertical{width:15px;margin:15px 0px 15px 0px;background:#000000;border:none;}"
    "QScrollBar::handle:vertical{border-image:url(:/images/scroll_vertical_bar.png) 5 5 5 5 "
    "stretch stretch;border-width:5px;min-height:20px;}"
    "QScrollBar::handle:vertical:disabled{border-image:url(:/images/scroll_vertical_bar_d.png) "
    "5 5 5 5 stretch stretch;}"
    "QScrollBar::sub-line:vertical{image:url(:/images/scroll_arrow_up.png);height:15px;"
    "subcontrol-position:top;subcontrol-origin:margin;border:none;}"
    "QScrollBar::sub-line:vertical:disabled{image:url(:/images/scroll_arrow_up_d.png);}"
    "QScrollBar::add-line:vertical{image:url(:/images/scroll_arrow_down.png);height:15px;"
    "subcontrol-position:bottom;subcontrol-origin:margin;border:none;}"
    "QScrollBar::add-line:vertical:disabled{image:url(:/images/scroll_arrow_down_d.png);}"
    "QScrollBar::sub-page:vertical{border-image:url(:/images/scroll_bg_top.png);}"
    "QScrollBar::sub-page:vertical:disabled{border-image:url(:/images/scroll_bg_top_d.png);}"
    "QScrollBar::add-page:vertical{border-image:url(:/images/scroll_bg_base.png);}"
    "QScrollBar::add-page:vertical:disabled{border-image:url(:/images/scroll_bg_base_d.png);}";
const char kHorizontalBarStyle[] =
    "QScrollBar:horizontal{height:15px;margin:0px 15px 0px 15px;background:#000000;border:none;}"
    "QScrollBar::handle:horizontal{border-image:url(:/images/scroll_horizontal_bar.png) 5 5 5 5 "
    "stretch stretch;border-width:5px;min-width:20px;}"
    "QScrollBar::sub-line:horizontal{image:url(:/images/scroll_arrow_left.png);width:15px;"
    "subcontrol-position:left;subcontrol-origin:margin;border:none;}"
    "QScrollBar::add-line:horizontal{image:url(:/images/scroll_arrow_right.png);width:15px;"
    "subcontrol-position:right;subcontrol-origin:margin;border:none;}"
    "QScrollBar::sub-page:horizontal{border-image:url(:/images/scroll_bg_left.png);}"
    "QScrollBar::add-page:horizontal{border-image:url(:/images/scroll_bg_right.png);}";

QToolButton* frameButton(QDialog* dialog, const char* name, const QRect& geometry) {
  auto* button = new QToolButton(dialog);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  button->setStyleSheet(form_style::frameButton(QStringLiteral("btn_common_06"),
                                                QStringLiteral("#101315"),
                                                QStringLiteral("#a4a7a8")));
  return button;
}

}  // namespace

// ---- the form -------------------------------------------------------------------------

void Ui_BrowseDialog::setupUi(QDialog* BrowseDialog) {
  if (BrowseDialog->objectName().isEmpty()) BrowseDialog->setObjectName("BrowseDialog");
  BrowseDialog->resize(401, 368);
  BrowseDialog->setModal(false);
  BrowseDialog->setMouseTracking(true);
  BrowseDialog->setWindowIcon(QIcon(QStringLiteral(":/images/brelkin.ico")));
  BrowseDialog->setAutoFillBackground(false);
  BrowseDialog->setStyleSheet(QString::fromLatin1(kDialogStyle));

  browseLocalWidget = new QWidget(BrowseDialog);
  browseLocalWidget->setObjectName("browseLocalWidget");
  browseLocalWidget->setGeometry(QRect(0, 28, 401, 340));
  browseLocalWidget->setStyleSheet(QString());

  browseLocalTView = new QTreeView(browseLocalWidget);
  browseLocalTView->setObjectName("browseLocalTView");
  browseLocalTView->setGeometry(QRect(35, 50, 331, 237));
  browseLocalTView->setMouseTracking(true);
  browseLocalTView->setAutoFillBackground(true);
  browseLocalTView->setStyleSheet(QString::fromLatin1(kTreeStyle));
  browseLocalTView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  browseLocalTView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  browseLocalTView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  browseLocalTView->setSelectionBehavior(QAbstractItemView::SelectItems);
  browseLocalTView->setRootIsDecorated(true);
  browseLocalTView->setHeaderHidden(true);

  localTLabel = new QLabel(browseLocalWidget);
  localTLabel->setObjectName("localTLabel");
  localTLabel->setGeometry(QRect(35, 16, 340, 20));
  localTLabel->setStyleSheet(QString());

  browseLocalOK = frameButton(BrowseDialog, "browseLocalOK", QRect(190, 330, 88, 26));
  browseLocalCancel = frameButton(BrowseDialog, "browseLocalCancel", QRect(280, 330, 88, 26));
  browseLocalNew = frameButton(BrowseDialog, "browseLocalNew", QRect(35, 330, 136, 26));

  browseCloseTBtn = new QToolButton(BrowseDialog);
  browseCloseTBtn->setObjectName("browseCloseTBtn");
  browseCloseTBtn->setGeometry(QRect(375, 0, 20, 29));
  browseCloseTBtn->setAutoFillBackground(false);
  // The button's text stays in the form but is not drawn over its icon.
  browseCloseTBtn->setStyleSheet(
      form_style::iconButton(QStringLiteral("icon_close_ln.png"),
                             QStringLiteral("icon_close_lf.png")) +
      QStringLiteral("QToolButton{color:transparent;}"));

  browseTLabel = new QLabel(BrowseDialog);
  browseTLabel->setObjectName("browseTLabel");
  browseTLabel->setGeometry(QRect(35, 0, 340, 29));
  browseTLabel->setStyleSheet(QStringLiteral("color: #ffffff;"));

  retranslateUi(BrowseDialog);
  QMetaObject::connectSlotsByName(BrowseDialog);
}

void Ui_BrowseDialog::retranslateUi(QDialog* BrowseDialog) {
  BrowseDialog->setWindowTitle(QString());
  localTLabel->setText(QCoreApplication::translate("BrowseDialog", "Open Directory"));
  browseLocalOK->setText(QCoreApplication::translate("BrowseDialog", "OK"));
  browseLocalCancel->setText(QCoreApplication::translate("BrowseDialog", "Cancel"));
  browseLocalNew->setText(QCoreApplication::translate("BrowseDialog", "Make New Folder"));
  browseCloseTBtn->setText(QStringLiteral("..."));
  browseCloseTBtn->setAccessibleName(QCoreApplication::translate("BrowseDialog", "Close"));
  browseTLabel->setText(QCoreApplication::translate("BrowseDialog", "Browse For Folder"));
  browseLocalTView->setAccessibleName(QCoreApplication::translate("BrowseDialog", "Browse For Folder"));
}

// ---- the dialog -----------------------------------------------------------------------

BrowseDialog::BrowseDialog(const QString& languageName, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui_BrowseDialog>()) {
  ui_->setupUi(this);

  QTreeView* tree = ui_->browseLocalTView;
  tree->installEventFilter(this);
  tree->verticalScrollBar()->installEventFilter(this);
  tree->horizontalScrollBar()->installEventFilter(this);

  // Frameless only: with a parent the dialog is a child drawn inside the parent window.
  setWindowFlags(Qt::FramelessWindowHint);
  setMouseTracking(true);

  tree->verticalScrollBar()->setStyleSheet(QString::fromLatin1(kVerticalBarStyle));
  tree->horizontalScrollBar()->setStyleSheet(QString::fromLatin1(kHorizontalBarStyle));
  setHeaderLayout();

  connect(tree, &QTreeView::clicked, this, &BrowseDialog::GetLocalPath);
  // Connected before the tree takes the model, so that it runs before the tree's own
  // handling, which would move the choice to a neighbour of a removed folder.
  connect(&model_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
          &BrowseDialog::dropRemovedChoice);

  ui_->browseLocalNew->setFixedWidth(
      languageName.contains(QLatin1String("French"), Qt::CaseInsensitive) ? 150 : 136);

  ui_->browseLocalNew->setEnabled(false);
  ui_->browseLocalOK->setEnabled(false);
  editing_ = false;
  dragging_ = false;
  ui_->browseCloseTBtn->raise();
}

BrowseDialog::~BrowseDialog() {
  // The tree (a child, deleted after the members) must not hold the model past its end.
  ui_->browseLocalTView->setModel(nullptr);
}

void BrowseDialog::setHeaderLayout() {
  // A long folder name makes the tree scroll sideways instead of being cut.
  QHeaderView* header = ui_->browseLocalTView->header();
  header->setSectionsMovable(false);
  header->setSectionResizeMode(QHeaderView::ResizeToContents);
  header->setStretchLastSection(false);
}

void BrowseDialog::InitLocalTree() {
  QTreeView* tree = ui_->browseLocalTView;
  tree->setModel(&model_);
  for (int column = 1; column <= 3; ++column) tree->hideColumn(column);
  // The empty root is the top of the file system: "/" is the one item at the top.
  model_.setRootPath(QString());
  model_.setReadOnly(false);
  model_.setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
  setHeaderLayout();
}

void BrowseDialog::GetLocalPath(const QModelIndex& /*index*/) {
  if (!ui_->browseLocalTView->currentIndex().isValid()) return;
  editing_ = false;
  ui_->browseLocalNew->setEnabled(true);
  ui_->browseLocalOK->setEnabled(true);
}

void BrowseDialog::dropRemovedChoice(const QModelIndex& parent, int first, int last) {
  QTreeView* tree = ui_->browseLocalTView;
  for (QModelIndex at = tree->currentIndex(); at.isValid(); at = at.parent()) {
    if (at.parent() != parent || at.row() < first || at.row() > last) continue;
    // The chosen folder, or one above it, is gone from disk: nothing is chosen any more.
    tree->selectionModel()->clear();
    editing_ = false;
    ui_->browseLocalNew->setEnabled(false);
    ui_->browseLocalOK->setEnabled(false);
    return;
  }
}

void BrowseDialog::on_browseLocalOK_clicked() {
  editing_ = false;
  const QModelIndex current = ui_->browseLocalTView->currentIndex();
  if (!current.isValid()) return;
  // Native form: on Linux the path as it is ("\" is a character of a name there).
  selectedPath_ = QDir::toNativeSeparators(model_.filePath(current));
  emit GetLocalPathSign(selectedPath_);
  emit ColseBrowseDlgSign();
  accept();
}

void BrowseDialog::on_browseLocalCancel_clicked() {
  editing_ = false;
  emit ColseBrowseDlgSign();
  reject();
}

void BrowseDialog::on_browseCloseTBtn_clicked() {
  editing_ = false;
  emit ColseBrowseDlgSign();
  close();
}

bool BrowseDialog::listSubfolders(const QString& path) {
  // A failed listing leaves no names of another folder behind.
  subFolders_.clear();
  const QByteArray native = QFile::encodeName(path);
  DIR* dir = ::opendir(native.constData());
  if (dir == nullptr) {
    qDebug("Invalid file handle. Error is %u.", static_cast<unsigned>(errno));
    return false;
  }
  // Every entry counts, whatever its kind: a new folder cannot take the name of a file
  // either. Only "." and ".." are left out.
  while (const dirent* entry = ::readdir(dir)) {
    const QString name = QFile::decodeName(entry->d_name);
    if (name == QLatin1String(".") || name == QLatin1String("..")) continue;
    subFolders_.append(name);
  }
  ::closedir(dir);
  return true;
}

QString BrowseDialog::newFolderName() const {
  const QString base = tr("New Folder");
  QString name = base;
  int counter = 0;
  for (qsizetype k = 0; k < subFolders_.size();) {
    if (subFolders_.at(k).compare(name, Qt::CaseInsensitive) == 0) {
      name = base + tr(" (%1)").arg(++counter);
      k = 0;
    } else {
      ++k;
    }
  }
  return name;
}

void BrowseDialog::on_browseLocalNew_clicked() {
  editing_ = false;
  QTreeView* tree = ui_->browseLocalTView;
  const QModelIndex current = tree->currentIndex();
  if (!current.isValid()) return;
  selectedPath_ = model_.filePath(current);
  listSubfolders(selectedPath_);
  const QString name = newFolderName();

  QModelIndex made;
  if (!model_.index(0, 0, current).isValid()) {
    // A folder not opened yet is opened; the new folder shows among the others.
    tree->expand(current);
    made = model_.mkdir(current, name);
    if (made.isValid()) {
      newFolder_ = made;
      return;
    }
  } else {
    made = model_.mkdir(current, name);
    if (made.isValid()) {
      newFolder_ = made;
      tree->setCurrentIndex(made);
      tree->edit(made);
      editing_ = true;
      return;
    }
  }
  message_box::information(this, tr("Create Directory"), tr("Failed to create the directory."),
                           QMessageBox::Ok);
}

// ---- drag -----------------------------------------------------------------------------

void BrowseDialog::mousePressEvent(QMouseEvent* event) {
  // Only a press on the title strip starts a drag: a press elsewhere followed by a move
  // into the strip must not jump the dialog by an offset of another press.
  dragging_ = titleStrip().contains(event->position().toPoint());
  if (dragging_) {
    dialogAtPress_ = pos();
    pressGlobal_ = event->globalPosition().toPoint();
    offset_ = pressGlobal_ - dialogAtPress_;
  }
  QDialog::mousePressEvent(event);
}

void BrowseDialog::mouseMoveEvent(QMouseEvent* event) {
  // A drag that began on the strip follows the cursor even when one quick move has taken
  // the cursor past the strip before the dialog caught up.
  if (dragging_) move(event->globalPosition().toPoint() - offset_);
  // Inside the parent: one pixel from each edge (x 1..398, y 1..231 in an 800 x 600 window).
  if (QWidget* parent = parentWidget(); parent && !isWindow()) {
    const int maxX = qMax(1, parent->width() - width() - 1);
    const int maxY = qMax(1, parent->height() - height() - 1);
    const QPoint clamped(qBound(1, x(), maxX), qBound(1, y(), maxY));
    if (clamped != pos()) move(clamped);
  }
  QDialog::mouseMoveEvent(event);
}

void BrowseDialog::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QDialog::mouseReleaseEvent(event);
}

// ---- keys -----------------------------------------------------------------------------

bool BrowseDialog::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      const bool back = key->key() == Qt::Key_Backtab ||
                        (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
      // A focus move is the key's whole work: it goes no further up (the main window would
      // move the focus once more).
      if (back) {
        if (focusNextPrevChild(false)) return true;
      } else if (key->key() == Qt::Key_Tab) {
        if (focusNextPrevChild(true)) return true;
      }
    }
  }
  return QDialog::event(event);
}

void BrowseDialog::keyPressEvent(QKeyEvent* event) {
  // Escape would end the dialog behind the user's back; it does nothing here.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void BrowseDialog::keyReleaseEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Up:
    case Qt::Key_Down:
      editing_ = false;
      setHeaderLayout();
      break;
    default:
      break;
  }
  QDialog::keyReleaseEvent(event);
}

bool BrowseDialog::eventFilter(QObject* watched, QEvent* event) {
  QTreeView* tree = ui_->browseLocalTView;
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) editing_ = false;
  } else if (event->type() == QEvent::MouseButtonPress &&
             (watched == tree->verticalScrollBar() || watched == tree->horizontalScrollBar())) {
    editing_ = false;
  }
  return QDialog::eventFilter(watched, event);
}

void BrowseDialog::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) ui_->retranslateUi(this);
  QDialog::changeEvent(event);
}

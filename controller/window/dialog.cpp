// The main window's frame: what the window builds and in which order, the connections that
// tie the back-end to the pages, the navigation between the five page containers, the keys
// and the closing. The pages themselves live in dialog_<page>.cpp.
//
// The window's threads only pace work that runs here, on the window's thread: their signals
// arrive as queued calls. They are stopped cooperatively (each stop() wakes its thread and
// waits for it) when the window closes, whichever way it is closed (the title bar's button,
// the window manager, the end of the session), and at the latest by the destructor.
#include "dialog.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QVBoxLayout>

#include <initializer_list>
#include <utility>

#include "checkaccountmode.h"
#include "copycontroller.h"
#include "datafolder.h"
#include "getbackupversion.h"
#include "getsenstusthrd.h"
#include "getsharefolderlist.h"
#include "messagebox.h"
#include "refreshlog.h"
#include "startup.h"
#include "titlebar.h"
#include "ui_style.h"
#include "updateglobalsetting.h"
#include "updatesessionconfig.h"
#include "watchfilethrd.h"

namespace {

const char kMinimizeStyle[] =
    "QToolButton {background-image:url(:/images/icon_minify_n.png);border:none;background-color:transparent;}"
    "                           .QToolButton:hover {background-image:url(:/images/icon_minify_f.png);border:none;background-color:transparent;}";
const char kCloseStyle[] =
    "QToolButton {background-image:url(:/images/icon_close_n.png);border:none;background-color:transparent;}"
    "                            .QToolButton:hover {background-image:url(:/images/icon_close_f.png);border:none;background-color:transparent;}";

constexpr int kTitleBarHeight = 56;
constexpr int kTitleButtonSize = 32;

}  // namespace

Dialog::Dialog(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);

  // The wizard's share-folder tree commits a folder being named when its scroll bars are
  // pressed (see eventFilter).
  ui.shareFolderTWidget->installEventFilter(this);
  ui.shareFolderTWidget->verticalScrollBar()->installEventFilter(this);
  ui.shareFolderTWidget->horizontalScrollBar()->installEventFilter(this);

  // Every page but the task list fills the area right of the navigation column; the task
  // list sits inside its frame.
  const QRect pageArea(QPoint(173, 58), QPoint(795, 599));
  ui.newDisplay->setGeometry(pageArea);
  ui.restoreWidget->setGeometry(pageArea);
  ui.logWidget->setGeometry(pageArea);
  ui.settingWidget->setGeometry(pageArea);
  ui.currWidget->setGeometry(QRect(QPoint(190, 74), QPoint(779, 582)));

  ui.newSessionBut->hide();
  ui.titleLabel->hide();

  setWindowFlags(Qt::FramelessWindowHint);
  setMouseTracking(true);

  titleBar_ = new TitleBar(width(), kTitleBarHeight, kTitleButtonSize, kTitleButtonSize,
                           kTitleButtonSize, kTitleButtonSize, QString::fromLatin1(kMinimizeStyle),
                           QString::fromLatin1(kCloseStyle), this);
  layout_ = new QVBoxLayout(this);
  layout_->addWidget(titleBar_);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  layout_->addStretch();

  for (QAbstractScrollArea* view : std::initializer_list<QAbstractScrollArea*>{
           ui.restoreLWidget, ui.localFolders, ui.cusLWidget, ui.shareFolderTWidget,
           ui.logTaWidget, ui.deviceTWidget}) {
    view->verticalScrollBar()->setStyleSheet(form_style::verticalScrollBar());
    view->horizontalScrollBar()->setStyleSheet(form_style::horizontalScrollBar());
    view->verticalScrollBar()->setContextMenuPolicy(Qt::NoContextMenu);
    view->horizontalScrollBar()->setContextMenuPolicy(Qt::NoContextMenu);
  }
  for (QHeaderView* header : {ui.localFolders->header(), ui.shareFolderTWidget->header()}) {
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(false);
  }
  ui.deviceTWidget->header()->setSectionsMovable(false);

  // The NAS finder (EasySearch) is made by the wizard's device step when it first searches.
  connect(ui.scheduleCbBox, &QComboBox::currentIndexChanged, this, &Dialog::SetScheduleCbBox);
  link_ = new Copycontroller(int(QCoreApplication::applicationPid() & 0xffffffff), this);
  connect(link_, &Copycontroller::UpdateSessionStatus, this, &Dialog::UpdateSessionListStatus);
  connect(link_, &Copycontroller::ServiceAnswered, this, &Dialog::NoteServiceAnswer);

  QString dataFolderError;
  dataFolder_ = dataFolderPath(&dataFolderError);
  // The task store, read once here; the task list reads it again whenever it is shown.
  setUpSessionList();

  logReader_ = new GetLogInformation(dataFolder_, this);

  statusPoll_ = new GetSenStusThrd(this);
  connect(statusPoll_, &GetSenStusThrd::QueryStatus, this, &Dialog::QueryStatus);

  settingsStore_ = new updateglobalsetting(dataFolder_, this);
  settings_ = settingsStore_->ReadGlobalSetting();
  CurrentSetWidget(6);
  ui.settingSTBtn->hide();
  ui.settingCTBtn->hide();
  ui.settingDTBtn->hide();
  connect(ui.setENCBoBox, &QComboBox::currentIndexChanged, this, &Dialog::setENCBoBox);

  versionThread_ = new GetBackupVersion(this);
  connect(versionThread_, &GetBackupVersion::GetVersionSign, this, &Dialog::DoGetVersion);
  accountThread_ = new CheckAccountMode(this);
  connect(accountThread_, &CheckAccountMode::CheckAccountModeSign, this,
          &Dialog::DoCheckAccountMode);
  shareFolderThread_ = new GetShareFolderList(this);
  connect(shareFolderThread_, &GetShareFolderList::GetShareFolderSign, this,
          &Dialog::DoGetShareFolder);
  connect(ui.linkLabel, &QLabel::linkActivated, this, &Dialog::OpenUrl);

  logReader_->ReadLog();

  pollPaused = false;
  statusPoll_->start();

  applyLanguageFonts();
  ui.weeklyDayLabel->hide();

  logRefresh_ = new RefreshLog(this);
  connect(logRefresh_, &RefreshLog::RefreshLogSign, this, &Dialog::ShowLogTable);
  logRefresh_->start();

  // The application's one translator, which the language page switches.
  languageSwitch_ = LanguageSwitch::instance();
  ui.label_6->hide();
  ui.setBARCBox->hide();

  StartWatchLogFile();

  if (haveTasks()) {
    mainPage = MainPage::TaskList;
  } else {
    resetWizard();
    showWizardPage(WizardStep::Name);
    ui.backupsLabel_4->show();
    mainPage = MainPage::Wizard;
  }
  on_curSessionBut_clicked();

  applyAccessibleIds();

  // The answer port is one per machine: a second user's controller cannot receive answers.
  if (!link_->isListening()) QTimer::singleShot(0, this, &Dialog::warnAnswerPortTaken);
  if (dataFolder_.isEmpty()) {
    QTimer::singleShot(0, this, [this, dataFolderError] { warnNoDataFolder(dataFolderError); });
  }
}

Dialog::~Dialog() { stopThreads(); }

// ---- threads and the folder watch -----------------------------------------------------

void Dialog::StartWatchLogFile() {
  logWatch_ = new WatchFileThrd(dataFolder_, this);
  connect(logWatch_, &WatchFileThrd::FindModification, this, &Dialog::RefreshLogTable);
  // Without a watch (no folder, no inotify) the log page still re-reads on its minute tick.
  logWatch_->startWatch();
}

void Dialog::StopWatchLogFile() {
  if (logWatch_) logWatch_->stop();
}

void Dialog::stopThreads() {
  if (threadsStopped_) return;
  threadsStopped_ = true;
  statusPoll_->stop();
  StopWatchLogFile();
  logRefresh_->stop();
  // The one-shot threads end right after their one signal; a running thread is never
  // deleted.
  versionThread_->wait();
  accountThread_->wait();
  shareFolderThread_->wait();
}

// ---- navigation -----------------------------------------------------------------------

void Dialog::setNavStyle(NavPage page) {
  using form_style::iconButton;
  ui.curSessionBut->setStyleSheet(
      iconButton(page == NavPage::Tasks ? "icon_backups_f.png" : "icon_backups.png",
                 "icon_backups_f.png"));
  ui.logBut->setStyleSheet(
      iconButton(page == NavPage::Log ? "icon_logs_f.png" : "icon_logs.png", "icon_logs_f.png"));
  ui.advancedBut->setStyleSheet(
      iconButton(page == NavPage::Settings ? "icon_settings_f.png" : "icon_settings_n.png",
                 "icon_settings_f.png"));
}

void Dialog::showPage(Page page) {
  const NavPage nav = page == Page::Log        ? NavPage::Log
                      : page == Page::Settings ? NavPage::Settings
                                               : NavPage::Tasks;
  setNavStyle(nav);
  navPage_ = nav;
  setLogPageShown(page == Page::Log);

  const std::pair<Page, QWidget*> containers[] = {
      {Page::Wizard, ui.newDisplay},    {Page::Tasks, ui.currWidget},
      {Page::Restore, ui.restoreWidget}, {Page::Log, ui.logWidget},
      {Page::Settings, ui.settingWidget}};
  for (const auto& [which, widget] : containers) {
    if (which != page) widget->hide();
  }
  for (const auto& [which, widget] : containers) {
    if (which == page) widget->show();
  }
}

void Dialog::on_advancedBut_clicked() {
  showPage(Page::Settings);
  for (QLineEdit* edit :
       {ui.setENLEdit, ui.setENLEdit_2, ui.setENLEdit_3, ui.setENLEdit_4, ui.setENLEdit_5}) {
    edit->setTextMargins(4, 0, 4, 0);
  }
  // The settings button always leads to the settings menu.
  CurrentSetWidget(6);
}

bool Dialog::showNamedPage(const QString& name) {
  if (name == "tasks") {
    mainPage = MainPage::TaskList;
    on_curSessionBut_clicked();
  } else if (name == "wizard") {
    ui.newbuPBtn->click();
    if (!ui.newDisplay->isVisible()) {
      showWizardPage(WizardStep::Name);
      ui.backupsLabel_4->show();
      mainPage = MainPage::Wizard;
      on_curSessionBut_clicked();
    }
  } else if (name == "restore1" || name == "restore2") {
    // The restore page of the first or second task of the list's first page.
    on_curSessionBut_clicked();
    selectEntry(name.back().digitValue());
    showNamedPage("restore");
  } else if (name == "restore") {
    ui.restbuBtn->click();
    if (!ui.restoreWidget->isVisible()) {
      mainPage = MainPage::Restore;
      on_curSessionBut_clicked();
    }
  } else if (name == "log") {
    ui.logBut->click();
  } else if (name == "settings") {
    ui.advancedBut->click();
  } else if (name.startsWith("wizard") && name.size() == 7 && name.at(6) >= '1' &&
             name.at(6) <= '9') {
    // One step of the wizard as it first shows, without the steps before it.
    showNamedPage("wizard");
    showWizardPage(static_cast<WizardStep>(name.at(6).digitValue()));
  } else if (name.startsWith("settings") && name.size() == 9 && name.at(8) >= '0' &&
             name.at(8) <= '5') {
    ui.advancedBut->click();
    openSettingsPage(name.at(8).digitValue());
  } else {
    return false;
  }
  return true;
}

// ---- start page -----------------------------------------------------------------------

bool Dialog::haveTasks() const { return !sessionStore_->GetSessionList()->isEmpty(); }

// ---- the answer port ------------------------------------------------------------------

void Dialog::warnAnswerPortTaken() {
  message_box::openWarning(
      this, tr("Warning"),
      tr("Another TessalySync is running on this computer and receives the answers of the "
         "service. The states of the backup tasks will not update in this window."));
}

// ---- the data folder --------------------------------------------------------------------

void Dialog::warnNoDataFolder(const QString& why) {
  message_box::openWarning(
      this, tr("Error"),
      tr("The configuration folder %1 cannot be used: %2. No backup task and no setting can be "
         "saved until it can be made.")
          .arg(dataFolderName(), why));
}

// ---- keys, events, closing ------------------------------------------------------------

void Dialog::keyPressEvent(QKeyEvent* event) {
  // Escape would reject the dialog and end the program.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void Dialog::keyReleaseEvent(QKeyEvent* event) {
  // The wizard's share step commits a folder being named on Up, Down, Tab and Return.
  if (navPage_ == NavPage::Tasks && wizardPage == WizardStep::Folder &&
      wizard_.newFolderPending) {
    switch (event->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Tab:
      case Qt::Key_Return:
      case Qt::Key_Enter:
        commitNewFolder();
        break;
      default:
        break;
    }
  }
  QWidget::keyReleaseEvent(event);
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
  // The wizard's share step commits a folder being named on a scroll-bar press; nothing is
  // swallowed.
  if (event->type() == QEvent::MouseButtonPress && navPage_ == NavPage::Tasks &&
      wizardPage == WizardStep::Folder && wizard_.newFolderPending && !wizard_.busy &&
      (watched == ui.shareFolderTWidget->verticalScrollBar() ||
       watched == ui.shareFolderTWidget->horizontalScrollBar())) {
    commitNewFolder();
  }
  return QDialog::eventFilter(watched, event);
}

void Dialog::CloseWindow() { close(); }

// Every way of closing comes here: the title bar's close button, the window manager's
// close (Alt+F4), the end of the session.
void Dialog::closeEvent(QCloseEvent* event) {
  // A folder being named in the wizard's share tree is made (with the tree's account), then
  // the wizard's NAS account ends.
  commitNewFolder(false);
  endNasAccount();
  stopThreads();
  QDialog::closeEvent(event);
}

void Dialog::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    ui.retranslateUi(this);
    applyAccessibleIds();
  }
  QDialog::changeEvent(event);
}

void Dialog::applyAccessibleIds() {
  if (qEnvironmentVariable("TESSALY_ACCESSIBLE_IDS") != "1") return;
  QList<QWidget*> widgets = findChildren<QWidget*>();
  widgets.prepend(this);
  for (QWidget* widget : widgets) {
    if (!widget->objectName().isEmpty()) widget->setAccessibleDescription(widget->objectName());
  }
}

// The controller's main window: a frameless dialog whose form holds five pages on one spot
// (new-task wizard, task list, restore, log, settings), of which one shows at a time, the
// navigation column on the left and the title bar on top. The window owns every back-end
// object; the back-end reaches it only through signals, which arrive as queued calls.
//
// The class is one because the form's on_<object>_<signal> slots belong to it; its
// implementation is split by page: dialog.cpp (frame, navigation, shared state), and one
// dialog_<page>.cpp per page; the wizard's frame is dialog_wizard.cpp and each of its steps
// has a file of its own, dialog_wizard_<n>_<step>.cpp. Each page's state lives in a small
// struct that only its files touch.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QPair>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtWidgets/QDialog>

#include <cstdint>
#include <functional>
#include <vector>

#include "getloginformation.h"
#include "ui_dialog.h"
#include "wizardlogic.h"

class Copycontroller;
class UpdateSessionConfig;
class EasySearch;
class CFileSystemModel;
class QTreeWidgetItem;
struct SessionRecord;
class updateglobalsetting;
struct GlobalSettingRecord;
class RefreshLog;
class GetSenStusThrd;
class GetBackupVersion;
class CheckAccountMode;
class GetShareFolderList;
class WatchFileThrd;
class TitleBar;
class LanguageSwitch;
class QVBoxLayout;
class ShareCall;
namespace tessaly::share {
struct entry_t;
}

// Breaks `text` into lines of at most `width` characters, each line but the last ending in
// "\n": a line breaks after its last folder separator ("/" or "\") or blank when it has one
// past its first character, else after `width` characters. A text of at most `width`
// characters, or a width of 0, comes back unchanged. (The log table's columns, the task
// list's tool tips.)
QString wrapText(const QString& text, int width);

// A stored ISO 8601 time as the log table shows it: local time, "yyyy-MM-dd hh:mm"; "" when
// the text is not a time.
QString logTimeText(const QString& iso);

// The settings' e-mail schedule as its widgets show it: the schedule combo (0 monthly,
// 1 weekly, 2 daily), the day combo (index 0 = day 1), the weekday combo (0 Sunday to
// 6 Saturday), hour and minute.
struct EmailScheduleTime {
  int schedule = 0;
  int dayIndex = 0;
  int weekdayIndex = 0;
  int hour = 0;
  int minute = 0;
};
// The stored time of the periodic log mail: the local day and time put on a reference date
// in January 2001 (monthly: the chosen day; weekly: the 1st, a Monday, to the 7th, a Sunday;
// daily: the 1st), converted to UTC, in ISO 8601 with exactly one trailing "Z". Values
// outside their widget's range count as the widget's first value.
QString emailTimeText(const EmailScheduleTime& time);
// The widget values for a stored schedule word and time (the local time of the stored UTC
// time). A word that is none of "monthly", "weekly", "daily" gives the monthly widgets at
// their first values; so does a time that does not parse, for its schedule.
EmailScheduleTime emailScheduleTime(const QString& schedule, const QString& time);

class Dialog : public QDialog {
  Q_OBJECT

 public:
  explicit Dialog(QWidget* parent = nullptr);
  ~Dialog() override;

  // The five page containers of the form, of which one shows at a time.
  enum class Page { Wizard, Tasks, Restore, Log, Settings };
  // The navigation column's areas ("current page number"): the task button's area (task
  // list, wizard, restore), the log, the settings.
  enum class NavPage { Tasks = 1, Log = 2, Settings = 3 };
  // Which view the task button's area shows.
  enum class MainPage { TaskList, Wizard, Restore };
  // What Backup Now does for the selected task.
  enum class BackupButtonMode { StartsBackup, StopsBackup };
  // Which step opened the wizard's last share connection: the share step with a throw-away
  // account, or the account step with the typed one.
  enum class ConnectOrigin { None, GuestProbe, TypedAccount };
  using WizardStep = wizard_logic::WizardStep;
  using WizardMode = wizard_logic::WizardMode;

  NavPage currentNavPage() const { return navPage_; }

  // With TESSALY_ACCESSIBLE_IDS=1 in the environment, gives every widget of the window that
  // has an object name that name as its accessible description (for UI automation), again
  // after every re-translation of the form.
  void applyAccessibleIds();

  // A look-and-test aid: shows the page named "tasks", "wizard" (its first step),
  // "restore", "log" or "settings" as its navigation does, "wizard1" to "wizard9" one step
  // of the wizard, "settings0" to "settings5" one settings sub-page, "restore1" and
  // "restore2" the restore page of the list's first or second task. False for any other name.
  bool showNamedPage(const QString& name);

  // ---- frame (dialog.cpp) -------------------------------------------------------------
 public slots:
  void CloseWindow();
  void on_advancedBut_clicked();
  void on_curSessionBut_clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void StartWatchLogFile();
  void StopWatchLogFile();
  // Hides the other four page containers, shows `page`, marks its navigation button and
  // tells the log page whether it is shown.
  void showPage(Page page);
  void setNavStyle(NavPage page);
  // Stops the pacing threads and the folder watch and waits for them; once only. The
  // closing of the window does it (by any path), and the destructor when it was not closed.
  void stopThreads();
  // Tells the user once that another controller on this computer receives the service's
  // answers, so this window's task states will not update.
  void warnAnswerPortTaken();
  // Tells the user that the data folder neither exists nor could be made (and why): the
  // stores then read and write nothing.
  void warnNoDataFolder(const QString& why);
  // True when SESSION_CONFIG.dat holds at least one task.
  bool haveTasks() const;

  // ---- log page (dialog_log.cpp) ------------------------------------------------------
 public slots:
  void on_logBut_clicked();
  void UpdateLogTable();
  void RefreshLogTable();
  void ShowLogTable();
  void on_clearTBtn_clicked();

 private:
  // The navigation enters or leaves the log page.
  void setLogPageShown(bool shown);

  struct LogPageState {
    bool shown = false;    // the page is on screen
    bool pending = false;  // LOG.dat was read again since the table was drawn
    bool reading = false;  // RefreshLogTable is reading LOG.dat
    QList<LogRecord> drawn;  // the records the table shows
  };
  LogPageState logPage_;

  // ---- task list page (dialog_tasks.cpp) ----------------------------------------------
 public slots:
  // One detail answer of the service: uuid, state text, next and last run time, the task's
  // source folders joined with "\n", the destination (not used here).
  void UpdateSessionListStatus(QString uuid, QString state, QString nextTime, QString lastTime,
                               QString paths, QString firstPath);
  // The status poll: a version query, then one detail query per task, 3 ms apart.
  void QueryStatus();
  // Any answer of the service: it runs.
  void NoteServiceAnswer();
  void on_pageDownBtn_clicked();
  void on_pageUpBtn_clicked();
  void on_bunowPBtn_clicked();
  void on_delbuPhBtn_clicked();

 public:
  // Breaks `text` into lines whose width in `font` is at most `width` - 5 pixels, each line
  // but the last ending in "\n": a line breaks after its last folder separator or blank
  // when it has one past its first character, else after the most characters that fit.
  // Every line takes at least one character, so tiny widths end too. A text that fits comes
  // back unchanged.
  static QString wrapTextToWidth(const QFont& font, const QString& text, int width);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Creates the task store on the data folder and reads it; the page fills itself again
  // whenever the form is translated again.
  void setUpSessionList();
  // Reads the task store again, keeps the service's last answers for the tasks still there
  // and finds the selected task again by its uuid. An edit of a task in the wizard ends.
  void reloadSessionList();
  // Fills both entries from pageCursor; afterwards pageCursor names the page's second
  // position.
  void fillSessionPage();
  // fillSessionPage for the page already shown.
  void refillSessionPage();
  void fillSessionEntry(int entry, int number);
  // Backup Now/Stop Backup, Restore and Delete from the selected task's state.
  void updateSessionButtons();
  // The n-th task (1-based), or null.
  SessionRecord* findSessionRecord(int n);
  int sessionCount() const;
  // Entry 1 or 2 when `windowPos` lies in a shown entry, else 0.
  int shownEntryAt(const QPoint& windowPos) const;
  void selectEntry(int entry);
  // Waits `ms` milliseconds while the window's events are processed.
  void Delay(int ms);
  // The service has answered none of the poll's queries for a few seconds (it is not
  // running), or answers again: the page and the task buttons follow.
  void checkServiceSilence();
  void setServiceSilent(bool silent);
  // While the service is silent a task command says so in a box instead of acting: true
  // then.
  bool refusedWhileServiceSilent();

  struct TaskPageState {
    // 1-based number of the task the next fill shows first; after a fill, the page's
    // second position (so a page shows tasks 2k-1 and 2k).
    int pageCursor = 1;
    // The selected task (0: none) and copies of its fields, for the restore page.
    int selectedIndex = 0;
    QString selectedUuid, selectedDestination, selectedUser, selectedPassword, selectedName;
    // The task numbers the two entries show; 0 for a hidden entry.
    int entryIndex1 = 0, entryIndex2 = 0;
    // uuid, destination and name of the tasks on the page, in entry order.
    QStringList pageUuids, pageDestinations, pageNames;
    QString entryUser1, entryPassword1, entryUser2, entryPassword2;
    // What the failure mark of the entry's last run tells: the content of its last error
    // record, or of its incomplete record.
    QString entryError1, entryError2;
    bool entryFailed1 = false, entryFailed2 = false;  // the entry shows the failure mark
    BackupButtonMode backupButtonMode = BackupButtonMode::StartsBackup;
    // What the wizard is opened for and the uuid of the task being edited; set by the edit
    // hand-offs.
    WizardMode wizardMode = WizardMode::NewTask;
    QString editKey;
    // (source folder, uuid) pairs from the first answer for each task.
    QList<QPair<QString, QString>> answeredPaths;
    // The service's last answer per task (lower-case uuid), kept over re-readings of the
    // store: state text, next run, last run.
    QHash<QString, QStringList> answers;
    bool polling = false;  // QueryStatus is in its loop
    // The service answered none of the queries sent since its last answer for a few
    // seconds: the page says that it is not running.
    bool serviceSilent = false;
    bool awaitingAnswer = false;  // a query went out since the service's last answer
    QElapsedTimer askedAt;        // when the first of those queries went out
    QString lastReadError;  // the reason last shown for an unreadable task file
  };
  TaskPageState taskPage_;
  UpdateSessionConfig* sessionStore_ = nullptr;
  QLabel* serviceNotice_ = nullptr;  // over the task list's headings while the service is silent

  // ---- new-task wizard: frame (dialog_wizard.cpp) -------------------------------------
  // Each step's page lives in dialog_wizard_<n>_<step>.cpp; the edit modes the task list
  // opens, and step 9 (the destination summary), in dialog_wizard_edit.cpp.
 public slots:
  // Both open the wizard: anew for a new task, else for the edit the task list asked for.
  void on_newSessionBut_clicked();
  void on_newbuPBtn_clicked();
  void on_newBtnNext_clicked();
  void on_newBtnBack_clicked();
  void on_newBtnCancel_clicked();
  void on_refreshTBtn_clicked();

 private:
  // One step's page: what shows it, what checks its answers when Next is pressed (none for
  // a step without Next) and what it starts once it shows (the device search, the share
  // list; none for the others).
  struct StepPage {
    WizardStep step;
    void (Dialog::*show)();
    wizard_logic::StepResult (Dialog::*check)();
    void (Dialog::*start)();
  };
  static const StepPage& stepPage(WizardStep step);
  // Hides every wizard widget, sets Back, Next and Cancel from the step's rule, shows and
  // places the widgets of the step and starts what the step does when it appears.
  void showWizardPage(WizardStep step);
  // Back, Next, Cancel and Refresh from the step, the mode and whether a slow step runs.
  void updateWizardButtons();
  // Acts on what the check of the shown step came to: shows the step the rules lead to, or
  // ends the wizard.
  void moveWizardOn(wizard_logic::StepResult result);
  // The end of the wizard: the new task added, or the edited task renamed or rescheduled.
  // An error box and the step stays when the task file cannot be written.
  void finishWizard();
  // A slow step (search, share listing, ping) starts or ends: wait cursor, buttons off.
  void setWizardBusy(bool busy);
  void resetWizard();
  // The end of a finish or an edit: the service reloads, the task list is read and shown.
  void leaveWizardToTaskList();
  void deleteLocalModel();
  void wizardWarning(const QString& text);
  // Places `widget` on the page at `rect` and shows it.
  static void placeWizardWidget(QWidget* widget, const QRect& rect);
  // The list steps' panel below the title, with `view` inset in it by the panel's frame.
  static QRect wizardListPanel();
  void showWizardList(QWidget* panel, QWidget* view);

  // ---- the task list's edits of a task, step 9 (dialog_wizard_edit.cpp) ----------------
 protected:
  // A double-click on an icon of a task that is not running opens the wizard to edit it: the
  // source icon to rename it, the state icon to change its schedule, the destination icon
  // to show where it goes.
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Fills the wizard from the task being edited (taskPage_.editKey) for the edit mode and
  // shows the mode's step; an edit of a task that is gone ends (the mode is a new task again).
  void prepareWizardEdit();
  void prepareDestinationSummary(const SessionRecord& record);
  void showSummaryStep();

  // ---- step 1, the name (dialog_wizard_1_name.cpp) -------------------------------------
  void showNameStep();
  wizard_logic::StepResult checkName();
  void prepareRename(const SessionRecord& record);

  // ---- step 2, the source folders (dialog_wizard_2_sources.cpp) ------------------------
  void showSourcesStep();
  wizard_logic::StepResult checkSources();

  // ---- step 3, the file types (dialog_wizard_3_types.cpp) ------------------------------
 public slots:
  void on_allFilesRBtn_clicked();
  void on_speExtRBtn_clicked();
  void on_cusCBox_clicked();
  void on_cusAddPBtn_clicked();
  void on_cusRemPBtn_clicked();

 private:
  void showFileTypesStep();
  wizard_logic::StepResult checkFileTypes();
  void updateTypeControls();

  // ---- step 4, the device (dialog_wizard_4_device.cpp) ---------------------------------
 public slots:
  void on_deviceTWidget_pressed();
  void DoCheckAccountMode();
  void OpenUrl(const QString& url);

 private:
  void showDeviceStep();
  wizard_logic::StepResult checkDevice();
  EasySearch* easySearch();
  // The network numbers of the usable local IPv4 addresses; their masks go to
  // wizard_.localNetmasks in the same order.
  QList<uint32_t> collectLocalNetworks();
  void searchDevices();
  void selectDevice();
  // Whether the device at this IPv4 address answers one ping (run without blocking the
  // window, with a deadline).
  bool hostAnswers(const QString& address);

  // ---- step 5, the share (dialog_wizard_5_share.cpp) -----------------------------------
 public slots:
  // The share list of step 5; on step 6 the share opened with the wizard's account.
  void DoGetShareFolder();

 private:
  void showShareStep();
  void showShareList();
  wizard_logic::StepResult checkShare();
  // Opens the share of wizard_.shareRoot with the wizard's account into the folder tree;
  // false (and for a typed account a box saying why) when the share refused it or was not
  // found.
  bool openChosenShare();

  // ---- step 6, the account (dialog_wizard_6_account.cpp) -------------------------------
  void showAccountStep();
  wizard_logic::StepResult checkAccount();

  // ---- step 7, the folder in the share (dialog_wizard_7_folder.cpp) --------------------
 public slots:
  void on_shareFolderTWidget_doubleClicked();
  void on_shareFolderTWidget_pressed();
  void on_createFolderBtn_clicked();
  void on_actionNew_Folder_triggered();

 private:
  void showFolderStep();
  wizard_logic::StepResult checkFolder();
  void openShareFolder(const QString& share);
  // Without a parent: a top-level share item named `path`; with one: the folders under
  // "\\" + address + `path` listed into it. The names of the folders listed.
  QStringList addShareFolderItem(const QString& path, QTreeWidgetItem* parent);
  // "\" + each level's text from the top down.
  static QString shareItemPath(const QTreeWidgetItem* item);
  void addNewFolderItem(const QString& path, QTreeWidgetItem* parent);
  // Makes the folder that is being named; false (the item removed, and with `report` the
  // user told) when it cannot be made.
  bool commitNewFolder(bool report = true);
  // The wizard's account becomes the folder tree's: its share calls log on with it.
  void logOnNasAccount();
  // The folder tree has no account any more.
  void endNasAccount();
  // The folder tree's share calls. Each runs on a thread of its own with the tree's account
  // (sharecall.h) while the window waits for it, its events going on and the wizard busy.
  // 0, or -1 with errno set: ETIMEDOUT for a server that did not answer in time, EACCES for
  // an account the share layer does not take, ENOTCONN without an account.
  int listShareFolder(const QString& unc, std::vector<tessaly::share::entry_t>* entries);
  int makeShareFolder(const QString& unc);
  int runTreeCall(const std::function<int(ShareCall&)>& call);

  // ---- step 8, the backup kind and the schedule (dialog_wizard_8_schedule.cpp) ---------
 public slots:
  void on_increBuRBtn_clicked();
  void on_fullBuRBtn_clicked();
  void SetScheduleCbBox(int index);

 private:
  void showScheduleStep();
  wizard_logic::StepResult checkSchedule();
  void prepareReschedule(const SessionRecord& record);

  // The wizard's answers and the state of its steps.
  struct WizardState {
    QString taskName;
    QStringList videoExtensions, pictureExtensions, audioExtensions, customExtensions;
    QStringList sourceFolders;
    QString userName, password;
    QString deviceAddress, deviceModel, deviceName;
    // "\\" + address + "\" + share, and "\\" + address + the chosen folder's path.
    QString shareRoot, destinationPath;
    QString backupKind = QStringLiteral("incremental");
    QString scheduleKind = QStringLiteral("manually");
    QStringList scheduleTimes;
    CFileSystemModel* localModel = nullptr;  // the local folder tree, while the wizard runs
    bool busy = false;        // a slow step runs; Next, Back, Cancel and Refresh are off
    bool cursorSet = false;   // the wait cursor of a slow step is on
    bool searching = false;   // the device search runs
    QList<uint32_t> localNetmasks;
    ConnectOrigin connectOrigin = ConnectOrigin::None;
    bool impersonating = false;  // the folder tree has an account (treeUser, treePassword)
    QString treeUser, treePassword;
    bool pathNotFound = false, accountRefused = false;  // the last share listing's result
    bool newFolderPending = false;
    QTreeWidgetItem* pendingFolderItem = nullptr;
    QString pendingFolderParent;
  };
  WizardState wizard_;
  EasySearch* easySearch_ = nullptr;  // made when the device step first searches

  // ---- restore page (dialog_restore.cpp) ----------------------------------------------
 public slots:
  // The task list's Restore: the restore page for the selected task, its versions read
  // once the device answers.
  void on_restbuBtn_clicked();
  // The version thread's signal: the selected task's versions into the list.
  void DoGetVersion();
  // "Original path" and "New path".
  void on_restorePathRBtn_clicked();
  void on_restorePathRBtn_2_clicked();
  // Browse: the folder browser for the new path.
  void on_restoreBTBtn_clicked();
  void on_restoreTBtn_clicked();
  void on_cancelTBtn_clicked();
  // The folder browser's answers: the chosen folder, and its end.
  void GetLocalPath(QString path);
  void SetColseFlag();

 private:
  // The navigation, the version list, the target choice, Restore and Cancel on or off
  // (off while the folder browser is open).
  void setRestorePageEnabled(bool enabled);
  // Wait cursor with Restore and Cancel off, or the normal cursor with them on.
  void setRestoreBusy(bool busy);
  // Leaves the restore page's target controls as the page starts: "Original path".
  void resetRestoreTarget();
  // Whether the selected task's destination can be reached: a local folder that exists, or
  // a share whose device (an IPv4 address) answers a ping.
  bool restoreDestinationReachable();
  void restoreRefusal(bool error, const QString& text);

  // The numbers and the times of the versions the list shows, row by row.
  QStringList versionNumbers, versionTexts;
  bool browserOpen = false;  // the folder browser is open
  bool restoreBusy_ = false;  // the restore page's wait cursor is on

  // ---- settings pages (dialog_settings.cpp) -------------------------------------------
 public slots:
  // The menu's six buttons open sub-pages 0 (export and import) to 5 (miscellaneous).
  void on_setConfigBtn_clicked();
  void on_setLanguageBtn_clicked();
  void on_setEmailBtn_clicked();
  void on_setLogBtn_clicked();
  void on_setBackupBtn_clicked();
  void on_setMiscBtn_clicked();
  // Cancel, Save and Default (on page 0 "<< Back") of the shown sub-page.
  void on_settingCTBtn_clicked();
  void on_settingSTBtn_clicked();
  void on_settingDTBtn_clicked();
  // Shows the time widgets of the chosen e-mail schedule.
  void setENCBoBox(int index);
  // The e-mail account fields are used with the account method only.
  void on_setENRBtn_clicked();
  void on_setENRBtn_2_clicked();
  // Non-zero shows the three bottom buttons, zero hides them.
  void DoCurrentIndex(int show);
  void on_setSCEBtn_clicked();
  void on_setSCIBtn_clicked();

 private:
  // Shows settings sub-page n (0 to 5) or, for any other n, the settings menu.
  void CurrentSetWidget(int n);
  void openSettingsPage(int n);
  // Puts the record's values into the widgets of sub-page n.
  void fillSettingsPage(int n);
  // The first refusal of the e-mail page's values, with the field it is about; "" when the
  // values may be saved.
  QString checkEmailPage(QLineEdit** field) const;
  void showSettingsWriteError(const QString& reason);
  // Installs the language's translation and style sheet, re-translates the window and sets
  // the language's fonts.
  void switchLanguage(const QString& language);
  // The fonts and bottom-button places of the stored language.
  void applyLanguageFonts();
  // Writes or removes the autostart entry; a failure is shown.
  void applyAutoStart(bool on);

  struct SettingsPageState {
    // The sub-page last opened from the menu (0 to 5); Save and Default act on it.
    int settingsPage = 0;
  };
  SettingsPageState settingsState_;

  // ---- shared state (dialog.cpp) ------------------------------------------------------
 private:
  Ui_Dialog ui;

  TitleBar* titleBar_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
  Copycontroller* link_ = nullptr;
  QString dataFolder_;
  GetLogInformation* logReader_ = nullptr;
  updateglobalsetting* settingsStore_ = nullptr;
  GlobalSettingRecord* settings_ = nullptr;  // owned by settingsStore_
  GetSenStusThrd* statusPoll_ = nullptr;
  GetBackupVersion* versionThread_ = nullptr;
  CheckAccountMode* accountThread_ = nullptr;
  GetShareFolderList* shareFolderThread_ = nullptr;
  RefreshLog* logRefresh_ = nullptr;
  WatchFileThrd* logWatch_ = nullptr;
  LanguageSwitch* languageSwitch_ = nullptr;  // the application's one translator
  bool threadsStopped_ = false;

  NavPage navPage_ = NavPage::Tasks;
  // Which view the task button shows.
  MainPage mainPage = MainPage::TaskList;
  // Set while the wizard or a delete works on the task list: the status poll waits.
  bool pollPaused = false;
  // The wizard's step shown (its page).
  WizardStep wizardPage = WizardStep::Name;
};

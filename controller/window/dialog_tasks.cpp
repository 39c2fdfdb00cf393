// The task list page, the window's home: the tasks of the task store two at a time, each
// entry with its name, file types, state, schedule, last and next run, destination, account
// and model; the page arrows; the selection; the state poll; Backup Now and Stop Backup;
// Delete.
//
// Every 3 seconds the poll asks the service for the details of every task. Each answer
// stores the task's state and run times in its record and fills the page again, so the
// page always shows the last answers. The service sends its state texts in its own
// language; serviceStateOf() recognises them in every language of its catalogue, and the
// page shows them through the window's own translation. A text the table does not know
// leaves the task's state as it was.
//
// Each poll also asks the service for its version, so that its silence shows even without a
// task: when none of the queries sent since its last answer has been answered for a few
// seconds, the service is not running. The page then says so (with how to start it) in place
// of the task states, and Backup Now, Restore and Delete say so instead of acting; the first
// answer brings the page back. A window that cannot receive answers (another controller holds
// the answer port) judges nothing.
//
// The poll's waits process the window's events, so a delete, a re-reading of the store or
// an answer can run inside the poll's loop: the loop therefore walks a copy of the uuids
// and skips a task that is gone. Tasks are always found by their uuid compared exactly.
#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QEvent>
#include <QtCore/QEventLoop>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QFontMetrics>
#include <QtGui/QMouseEvent>
#include <QtGui/QTextDocument>
#include <QtWidgets/QMessageBox>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>

#include "copycontroller.h"
#include "dialog.h"
#include "messagebox.h"
#include "servicestate.h"
#include "ui_style.h"
#include "updatesessionconfig.h"

namespace {

constexpr int kTipWidth = 30;  // characters per line of the file-type and destination tips
constexpr int kPollWaitMs = 3;
// Two polls without an answer: the service is not running.
constexpr int kServiceSilenceMs = 6500;
const QString kAllFilesFilter = QStringLiteral(".*, .*, .*, .*");

// The widgets of one entry.
struct EntryWidgets {
  QWidget* frame;
  QLabel* name;
  QLabel* types;
  QLabel* state;
  QLabel* schedule;
  QLabel* last;
  QLabel* next;
  QLabel* destination;
  QLabel* account;
  QLabel* model;
  QLabel* sourceIcon;
  QLabel* stateIcon;
  QLabel* destinationIcon;
  QLabel* result;
};

EntryWidgets entryWidgets(const Ui_Dialog& ui, int entry) {
  if (entry == 1) {
    return {ui.sessionWidget1, ui.sourceLabel1, ui.sourceLabel2, ui.statusLabel1,
            ui.statusLabel2,   ui.statusLabel3, ui.statusLabel4, ui.destiLabel1,
            ui.destiLabel2,    ui.destiLabel3,  ui.sourcePBtn,   ui.statusPBtn,
            ui.destiPBtn,      ui.backupStatus};
  }
  return {ui.sessionWidget1_2, ui.sourceLabel1_2, ui.sourceLabel2_2, ui.statusLabel1_2,
          ui.statusLabel2_2,   ui.statusLabel3_2, ui.statusLabel4_2, ui.destiLabel1_2,
          ui.destiLabel2_2,    ui.destiLabel3_2,  ui.sourcePBtn_2,   ui.statusPBtn_2,
          ui.destiPBtn_2,      ui.backupStatus_2};
}

// Style sheets are set only when they change: every change re-polishes the widget, and the
// mouse moves set them many times a second.
void setSheet(QWidget* widget, const QString& sheet) {
  if (widget->styleSheet() != sheet) widget->setStyleSheet(sheet);
}

void setIcon(QLabel* icon, const QString& image) {
  setSheet(icon, form_style::backgroundImage(image));
}

void setFrame(QWidget* frame, bool lit) {
  setSheet(frame, form_style::imagePanel(frame->objectName(), lit
                                                                  ? QStringLiteral("btn_common_04_f.png")
                                                                  : QStringLiteral("btn_common_04_n.png")));
}

// A widget's rectangle in the window's coordinates.
QRect rectInWindow(const QWidget* window, const QWidget* widget) {
  return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

bool sameUuid(const QString& a, const QString& b) {
  return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// The text broken into lines of at most `limit` pixels (see Dialog::wrapTextToWidth).
QString breakToWidth(const QFontMetrics& metrics, const QString& text, int limit) {
  if (metrics.horizontalAdvance(text) <= limit) return text;
  QString result;
  QString rest = text;
  while (rest.size() > 1 && metrics.horizontalAdvance(rest) > limit) {
    // The longest head that fits, but at least one character.
    qsizetype fit = 1;
    qsizetype low = 1;
    qsizetype high = rest.size() - 1;
    while (low <= high) {
      const qsizetype middle = (low + high) / 2;
      if (metrics.horizontalAdvance(rest.left(middle)) <= limit) {
        fit = middle;
        low = middle + 1;
      } else {
        high = middle - 1;
      }
    }
    // A character outside the basic plane stays whole.
    if (rest.at(fit - 1).isHighSurrogate()) fit += fit > 1 ? -1 : 1;
    const QString head = rest.left(fit);
    const qsizetype cut = std::max({head.lastIndexOf(QLatin1Char('\\')),
                                    head.lastIndexOf(QLatin1Char('/')),
                                    head.lastIndexOf(QLatin1Char(' '))});
    const qsizetype take = cut > 0 ? cut + 1 : fit;
    if (take >= rest.size()) break;
    result += rest.left(take);
    result += QLatin1Char('\n');
    rest = rest.mid(take);
  }
  return result + rest;
}

// A text of a task card takes one line, or two where it does not fit one; what does not fit
// two is elided at the end of the second (a long path, a long name).
constexpr int kCardLines = 2;
// The room between two texts of a card's column.
constexpr int kCardRowGap = 8;
// The height of a one-line text (the form's rows).
constexpr int kCardRowHeight = 16;

// The text as the label can show it: broken at the label's width onto at most kCardLines
// lines, the last line that fits elided.
QString fitted(QLabel* label, const QString& text) {
  label->ensurePolished();
  const QFontMetrics metrics(label->font());
  // A glyph may reach a pixel or two past its advance: the lines keep that room.
  const int width = std::max(0, label->contentsRect().width() - 3);
  QStringList broken = breakToWidth(metrics, text, width).split(QLatin1Char('\n'));
  if (broken.size() > kCardLines) {
    const QString tail = broken.mid(kCardLines - 1).join(QString());
    broken = broken.mid(0, kCardLines - 1);
    broken << metrics.elidedText(tail, Qt::ElideRight, width);
  }
  return broken.join(QLatin1Char('\n'));
}

// A tool tip that shows `text` as it stands: a tool tip is drawn as rich text whenever its
// text looks like markup (a task named "<b>x</b>"), so such a text goes in escaped.
QString plainToolTip(const QString& text) {
  return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}

// Puts `shown` into the label, as high as its lines.
void setShown(QLabel* label, const QString& shown) {
  label->setText(shown);
  const int lines = int(shown.count(QLatin1Char('\n'))) + 1;
  label->resize(label->width(),
                std::max(kCardRowHeight, lines * QFontMetrics(label->font()).lineSpacing() + 2));
}

// Shows `text` in the label as far as it fits, with `tip` as its tool tip.
void showText(QLabel* label, const QString& text, const QString& tip) {
  setShown(label, fitted(label, text));
  label->setToolTip(plainToolTip(tip));
}

// Shows `text`; the whole text is the tool tip only when it had to be shortened.
void showText(QLabel* label, const QString& text) {
  const QString shown = fitted(label, text);
  setShown(label, shown);
  label->setToolTip(QString(shown).remove(QLatin1Char('\n')) == text ? QString() : plainToolTip(text));
}

// The texts of one column of a card, one under the other from the column's first row, each
// as high as its lines.
void stackColumn(std::initializer_list<QLabel*> labels, int top) {
  int y = top;
  for (QLabel* label : labels) {
    label->move(label->x(), y);
    y += label->height() + kCardRowGap;
  }
}

// What the page and the task commands say while the service does not answer.
QString serviceDownText() {
  return QCoreApplication::translate(
      "Dialog", "The TessalySync service is not running. Start it with: systemctl start TessalySync");
}

QString translated(const QString& english) {
  return QCoreApplication::translate("Dialog", english.toUtf8().constData());
}

// Keeps the task list's texts when the form is translated again: retranslateUi empties the
// entries' labels, and this filter sees the language change right after it (a widget hands
// the event on to its children after its own changeEvent).
class RetranslateWatch : public QObject {
 public:
  RetranslateWatch(QObject* parent, std::function<void()> refill)
      : QObject(parent), refill_(std::move(refill)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::LanguageChange) refill_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> refill_;
};

}  // namespace

QString Dialog::wrapTextToWidth(const QFont& font, const QString& text, int width) {
  return breakToWidth(QFontMetrics(font), text, width - 5);
}

// ---- the store ------------------------------------------------------------------------

void Dialog::setUpSessionList() {
  sessionStore_ = new UpdateSessionConfig(dataFolder_, this);
  // Over the column headings, shown only while the service is silent.
  serviceNotice_ = new QLabel(ui.currWidget);
  serviceNotice_->setObjectName(QStringLiteral("serviceLabel"));
  serviceNotice_->setGeometry(QRect(5, 2, 583, 32));
  serviceNotice_->setAlignment(Qt::AlignCenter);
  serviceNotice_->setWordWrap(true);
  serviceNotice_->setMouseTracking(true);
  serviceNotice_->setStyleSheet(form_style::label(QStringLiteral("#b00c0d")));
  serviceNotice_->hide();
  reloadSessionList();
  ui.currWidget->installEventFilter(new RetranslateWatch(this, [this] {
    serviceNotice_->setText(serviceDownText());
    refillSessionPage();
    updateSessionButtons();
  }));
}

void Dialog::reloadSessionList() {
  TaskPageState& t = taskPage_;
  if (!sessionStore_->ReadSessionConfig()) {
    // A damaged task file lists no task and is never rewritten; say so once per reason. A
    // missing data folder was told at the start.
    if (!dataFolder_.isEmpty() && sessionStore_->lastError() != t.lastReadError) {
      t.lastReadError = sessionStore_->lastError();
      message_box::openWarning(this, tr("Error"),
                               tr("The backup tasks cannot be read: %1").arg(t.lastReadError));
    }
  } else {
    t.lastReadError.clear();
  }

  // The task being edited may be gone or may now be another one: an edit ends with every
  // re-reading of the task file, and the task area shows the list instead of its page.
  if (t.wizardMode != WizardMode::NewTask) {
    t.wizardMode = WizardMode::NewTask;
    t.editKey.clear();
    if (mainPage == MainPage::Wizard) mainPage = MainPage::TaskList;
  }

  SessionList& list = *sessionStore_->GetSessionList();
  QHash<QString, QStringList> kept;
  t.selectedIndex = 0;
  for (qsizetype i = 0; i < list.size(); ++i) {
    SessionRecord& record = list[i];
    const QString key = record.uuid.toLower();
    if (const auto it = t.answers.constFind(key); it != t.answers.constEnd()) {
      record.status = it->at(0);
      record.nextRunTime = it->at(1);
      record.lastRunTime = it->at(2);
      kept.insert(key, *it);
    }
    if (sameUuid(record.uuid, t.selectedUuid)) t.selectedIndex = int(i) + 1;
  }
  t.answers = kept;
  t.answeredPaths.removeIf([&kept](const QPair<QString, QString>& pair) {
    return !kept.contains(pair.second.toLower());
  });
  if (t.selectedIndex == 0) {
    t.selectedUuid.clear();
    t.selectedDestination.clear();
    t.selectedUser.clear();
    t.selectedPassword.clear();
    t.selectedName.clear();
  }
}

SessionRecord* Dialog::findSessionRecord(int n) {
  SessionList& list = *sessionStore_->GetSessionList();
  if (n < 1 || n > list.size()) return nullptr;
  return &list[n - 1];
}

int Dialog::sessionCount() const { return int(sessionStore_->GetSessionList()->size()); }

// ---- filling the page -----------------------------------------------------------------

void Dialog::fillSessionPage() {
  TaskPageState& t = taskPage_;
  t.pageUuids.clear();
  t.pageDestinations.clear();
  t.pageNames.clear();
  t.entryError1.clear();
  t.entryError2.clear();
  t.entryFailed1 = t.entryFailed2 = false;
  t.entryIndex1 = t.entryIndex2 = 0;

  const int count = sessionCount();
  if (count == 0) {
    ui.sessionWidget1->hide();
    ui.sessionWidget1_2->hide();
    ui.pageUpBtn->setEnabled(false);
    ui.pageDownBtn->setEnabled(false);
    t.pageCursor = 2;  // as after a fill of the first page
    return;
  }
  // Tasks removed elsewhere (an import, another controller) can leave the cursor past the
  // end: show the last page rather than none.
  if (t.pageCursor > count) t.pageCursor = 2 * ((count - 1) / 2) + 1;
  ui.pageUpBtn->setEnabled(t.pageCursor > 1);
  ui.pageDownBtn->setEnabled(t.pageCursor + 1 < count);

  fillSessionEntry(1, t.pageCursor);
  ++t.pageCursor;
  if (t.pageCursor <= count) {
    fillSessionEntry(2, t.pageCursor);
  } else {
    ui.sessionWidget1_2->hide();
  }
}

void Dialog::refillSessionPage() {
  if (taskPage_.pageCursor > 1) --taskPage_.pageCursor;
  fillSessionPage();
}

void Dialog::fillSessionEntry(int entry, int number) {
  TaskPageState& t = taskPage_;
  const SessionRecord& record = *findSessionRecord(number);
  const EntryWidgets w = entryWidgets(ui, entry);
  (entry == 1 ? t.entryIndex1 : t.entryIndex2) = number;
  t.pageUuids << record.uuid;
  t.pageDestinations << record.destinationPath;
  t.pageNames << record.name;
  (entry == 1 ? t.entryUser1 : t.entryUser2) = record.user;
  (entry == 1 ? t.entryPassword1 : t.entryPassword2) = record.password;

  const QString name = tr("Task: %1").arg(record.name);
  showText(w.name, name, name);
  const QString types = tr("File Types: %1")
                            .arg(record.extensions.contains(kAllFilesFilter) ? tr("All Files")
                                                                             : record.extensions);
  showText(w.types, types, wrapText(types, kTipWidth));
  const QString destination = tr("Destination: %1").arg(record.destinationPath);
  showText(w.destination, destination, wrapText(destination, kTipWidth));
  const QString account =
      tr("Account: %1").arg(record.user.isEmpty() ? tr("Anonymous") : record.user);
  showText(w.account, account, account);
  const QString model = tr("Model: %1").arg(record.model.isEmpty() ? tr("Brelkin NAS") : record.model);
  showText(w.model, model, model);

  const bool manual = record.scheduleKind.contains(QLatin1String("manually"), Qt::CaseInsensitive);
  showText(w.last, tr("Last: %1").arg(logTimeText(record.lastRunTime)));
  showText(w.next, tr("Next: %1").arg(manual ? tr("Manually") : logTimeText(record.nextRunTime)));
  QString kind;
  if (manual) {
    kind = tr("Manually");
  } else if (record.scheduleKind.contains(QLatin1String("monthly"), Qt::CaseInsensitive)) {
    kind = tr("Monthly");
  } else if (record.scheduleKind.contains(QLatin1String("weekly"), Qt::CaseInsensitive)) {
    kind = tr("Weekly");
  } else if (record.scheduleKind.contains(QLatin1String("daily"), Qt::CaseInsensitive)) {
    kind = tr("Daily");
  }
  showText(w.schedule, tr("Schedule: %1").arg(kind));

  // The mark of the last run, from the log records of that run: success only for a run the
  // service logged as completed; failure for an error or an incomplete run (its box tells
  // why); none for a stopped run or one the log holds nothing of.
  QString& error = entry == 1 ? t.entryError1 : t.entryError2;
  bool& failed = entry == 1 ? t.entryFailed1 : t.entryFailed2;
  const bool ran = !record.lastRunTime.isEmpty();
  const RunResult last = ran ? lastRunResult(logReader_->GetLogList()->records, record.uuid,
                                             record.lastRunTime)
                             : RunResult{};
  failed = last.outcome == RunOutcome::Failed || last.outcome == RunOutcome::Incomplete;
  error = failed ? last.text : QString();
  const bool marked = failed || last.outcome == RunOutcome::Completed;
  setIcon(w.result, failed ? QStringLiteral("icon_fail_item.png")
                           : QStringLiteral("icon_-check_item.png"));
  w.result->setAccessibleName(failed   ? tr("Last backup did not succeed")
                              : marked ? tr("Last backup completed")
                                       : tr("Result of the last backup"));

  setFrame(w.frame, number == t.selectedIndex);
  if (number == t.selectedIndex) {
    t.selectedUuid = record.uuid;
    t.selectedDestination = record.destinationPath;
    t.selectedName = record.name;
    t.selectedUser = record.user;
    t.selectedPassword = record.password;
  }

  setIcon(w.sourceIcon, QStringLiteral("icon_source.png"));
  setIcon(w.destinationIcon, QStringLiteral("icon_distination.png"));
  const ServiceState state = serviceStateOf(record.status);
  switch (state) {
    case ServiceState::NotStarted:
      setIcon(w.stateIcon, QStringLiteral("icon_status.png"));
      w.result->setVisible(marked);
      break;
    case ServiceState::BackupRunning:
      setIcon(w.stateIcon, QStringLiteral("icon_backup.png"));
      w.result->hide();
      break;
    case ServiceState::RestoreRunning:
      setIcon(w.stateIcon, QStringLiteral("icon_restore.png"));
      w.result->setVisible(marked);
      break;
    case ServiceState::Unknown:
      break;
  }
  if (t.serviceSilent) {
    // What the service last said is no longer known to hold.
    setIcon(w.stateIcon, QStringLiteral("icon_status.png"));
    showText(w.state, tr("TessalySync service is not running"));
  } else if (state != ServiceState::Unknown) {
    showText(w.state, translated(serviceStateText(state)));
  }
  const int top = w.name->y();
  stackColumn({w.name, w.types}, top);
  stackColumn({w.state, w.schedule, w.last, w.next}, top);
  stackColumn({w.destination, w.account, w.model}, top);
  w.frame->show();
}

void Dialog::updateSessionButtons() {
  TaskPageState& t = taskPage_;
  const SessionRecord* record = findSessionRecord(t.selectedIndex);
  if (!record) {
    ui.bunowPBtn->setEnabled(false);
    ui.restbuBtn->setEnabled(false);
    ui.delbuPhBtn->setEnabled(false);
    return;
  }
  if (t.serviceSilent) {
    // The commands stay at hand, to say why they cannot act.
    ui.bunowPBtn->setEnabled(true);
    ui.restbuBtn->setEnabled(true);
    ui.delbuPhBtn->setEnabled(true);
    ui.bunowPBtn->setText(tr("Backup Now"));
    return;
  }
  switch (serviceStateOf(record->status)) {
    case ServiceState::NotStarted:
      ui.bunowPBtn->setEnabled(true);
      ui.restbuBtn->setEnabled(true);
      ui.delbuPhBtn->setEnabled(true);
      ui.bunowPBtn->setText(tr("Backup Now"));
      t.backupButtonMode = BackupButtonMode::StartsBackup;
      break;
    case ServiceState::BackupRunning:
      ui.bunowPBtn->setEnabled(true);
      ui.restbuBtn->setEnabled(false);
      ui.delbuPhBtn->setEnabled(false);
      ui.bunowPBtn->setText(tr("Stop Backup"));
      t.backupButtonMode = BackupButtonMode::StopsBackup;
      break;
    case ServiceState::RestoreRunning:
      ui.bunowPBtn->setEnabled(false);
      ui.restbuBtn->setEnabled(false);
      ui.delbuPhBtn->setEnabled(false);
      ui.bunowPBtn->setText(tr("Backup Now"));
      break;
    case ServiceState::Unknown:
      break;
  }
}

// ---- paging ---------------------------------------------------------------------------

void Dialog::on_pageDownBtn_clicked() {
  ++taskPage_.pageCursor;
  fillSessionPage();
  updateSessionButtons();
}

void Dialog::on_pageUpBtn_clicked() {
  if (taskPage_.pageCursor >= 4) taskPage_.pageCursor -= 3;
  fillSessionPage();
  updateSessionButtons();
}

// ---- the service's answers ------------------------------------------------------------

void Dialog::Delay(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

void Dialog::QueryStatus() {
  // A poll tick that arrives during the waits of the running poll is not needed.
  if (pollPaused || taskPage_.polling) return;
  taskPage_.polling = true;
  checkServiceSilence();
  if (link_ && link_->QueryVersion() && !taskPage_.awaitingAnswer) {
    taskPage_.awaitingAnswer = true;
    taskPage_.askedAt.start();
  }
  QStringList uuids;
  for (const SessionRecord& record : *sessionStore_->GetSessionList()) uuids << record.uuid;

  const QPointer<Dialog> self(this);
  for (const QString& uuid : uuids) {
    // A delete, an import or the wizard may have changed the list during the last wait.
    if (pollPaused) break;
    const SessionList& list = *sessionStore_->GetSessionList();
    const bool present = std::any_of(list.begin(), list.end(), [&uuid](const SessionRecord& r) {
      return r.uuid == uuid;
    });
    if (!present) continue;
    if (link_) link_->QuerySessionDetail(uuid);
    Delay(kPollWaitMs);
    if (!self) return;
  }
  taskPage_.polling = false;
}

void Dialog::NoteServiceAnswer() {
  taskPage_.awaitingAnswer = false;
  setServiceSilent(false);
}

void Dialog::checkServiceSilence() {
  const TaskPageState& t = taskPage_;
  setServiceSilent(link_ && link_->isListening() && t.awaitingAnswer &&
                   t.askedAt.elapsed() >= kServiceSilenceMs);
}

void Dialog::setServiceSilent(bool silent) {
  if (taskPage_.serviceSilent == silent) return;
  taskPage_.serviceSilent = silent;
  serviceNotice_->setText(serviceDownText());
  serviceNotice_->setVisible(silent);
  if (silent) serviceNotice_->raise();
  for (QLabel* heading : {ui.sourceLabel, ui.statusLabel, ui.label}) heading->setVisible(!silent);
  refillSessionPage();
  updateSessionButtons();
}

bool Dialog::refusedWhileServiceSilent() {
  if (!taskPage_.serviceSilent) return false;
  message_box::warning(this, tr("Warning"), serviceDownText(), QMessageBox::Ok);
  return true;
}

void Dialog::UpdateSessionListStatus(QString uuid, QString state, QString nextTime,
                                     QString lastTime, QString paths, QString firstPath) {
  Q_UNUSED(firstPath);
  if (pollPaused) return;
  TaskPageState& t = taskPage_;
  SessionList& list = *sessionStore_->GetSessionList();
  const auto record = std::find_if(list.begin(), list.end(), [&uuid](const SessionRecord& r) {
    return sameUuid(r.uuid, uuid);
  });
  if (record != list.end()) {
    // A state text that no language of the service knows changes nothing.
    if (serviceStateOf(state) != ServiceState::Unknown) record->status = state;
    record->nextRunTime = nextTime;
    record->lastRunTime = lastTime;
    t.answers.insert(record->uuid.toLower(),
                     {record->status, record->nextRunTime, record->lastRunTime});

    const bool gathered = std::any_of(
        t.answeredPaths.begin(), t.answeredPaths.end(),
        [&uuid](const QPair<QString, QString>& pair) { return sameUuid(pair.second, uuid); });
    if (!gathered) {
      for (const QString& path : paths.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        t.answeredPaths.append({path, record->uuid});
      }
    }
  }
  refillSessionPage();
  updateSessionButtons();
}

// ---- the task commands ----------------------------------------------------------------

void Dialog::on_bunowPBtn_clicked() {
  const TaskPageState& t = taskPage_;
  if (t.selectedUuid.isEmpty() || !link_ || refusedWhileServiceSilent()) return;
  if (t.backupButtonMode == BackupButtonMode::StartsBackup) {
    link_->SendBackupStart(t.selectedUuid);
  } else {
    link_->SendBackupStop(t.selectedUuid);
  }
  // The new state shows with the answer to this query, not only at the next poll.
  link_->QuerySessionDetail(t.selectedUuid);
}

void Dialog::on_delbuPhBtn_clicked() {
  TaskPageState& t = taskPage_;
  if (t.selectedIndex == 0 || t.selectedUuid.isEmpty() || refusedWhileServiceSilent()) return;
  const QString uuid = t.selectedUuid;
  pollPaused = true;
  if (message_box::warning(this, tr("Warning"), tr("Are you sure you want to delete this backup?"),
                           QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::No) != QMessageBox::Yes) {
    pollPaused = false;
    return;
  }
  ui.bunowPBtn->setEnabled(false);
  ui.restbuBtn->setEnabled(false);
  ui.delbuPhBtn->setEnabled(false);

  if (!sessionStore_->DeleteSession(uuid)) {
    // The task file is as it was, and so is the list.
    message_box::warning(this, tr("Error"), sessionStore_->lastError());
    updateSessionButtons();
    pollPaused = false;
    return;
  }
  t.answers.remove(uuid.toLower());
  t.answeredPaths.removeIf(
      [&uuid](const QPair<QString, QString>& pair) { return sameUuid(pair.second, uuid); });

  // Back to the page shown, or to the one before when the last page became empty.
  const int count = sessionCount();
  if (t.pageCursor > 1) --t.pageCursor;
  if (t.pageCursor > count && t.pageCursor > 2) t.pageCursor -= 2;
  // The selection stays at the same number, which now names the following task, when
  // that task is on the page; else nothing is selected.
  const bool shown = t.selectedIndex <= count && (t.selectedIndex == t.pageCursor ||
                                                  t.selectedIndex == t.pageCursor + 1);
  if (!shown) t.selectedIndex = 0;
  t.selectedUuid.clear();
  t.selectedDestination.clear();
  t.selectedUser.clear();
  t.selectedPassword.clear();
  t.selectedName.clear();
  fillSessionPage();  // takes the selection copies from the selected entry
  updateSessionButtons();
  if (link_) link_->SendReload();
  pollPaused = false;
}

// ---- the mouse ------------------------------------------------------------------------

int Dialog::shownEntryAt(const QPoint& windowPos) const {
  if (!ui.currWidget->isVisible()) return 0;
  for (int entry : {1, 2}) {
    const QWidget* frame = entryWidgets(ui, entry).frame;
    if (frame->isVisible() && (entry == 1 ? taskPage_.entryIndex1 : taskPage_.entryIndex2) > 0 &&
        rectInWindow(this, frame).contains(windowPos)) {
      return entry;
    }
  }
  return 0;
}

void Dialog::selectEntry(int entry) {
  TaskPageState& t = taskPage_;
  const int position = entry - 1;
  if (position >= t.pageUuids.size()) return;
  setFrame(ui.sessionWidget1, entry == 1);
  setFrame(ui.sessionWidget1_2, entry == 2);
  t.selectedUuid = t.pageUuids.at(position);
  t.selectedDestination = t.pageDestinations.at(position);
  t.selectedName = t.pageNames.at(position);
  t.selectedUser = entry == 1 ? t.entryUser1 : t.entryUser2;
  t.selectedPassword = entry == 1 ? t.entryPassword1 : t.entryPassword2;
  t.selectedIndex = entry == 1 ? t.entryIndex1 : t.entryIndex2;
  updateSessionButtons();
}

// A press selects the entry under it; on an entry's failure icon it also shows the error
// of the last run. A double-click lands here first, so it selects too; the wizard's edit
// modes (mouseDoubleClickEvent on the entry's three icons) hook in with shownEntryAt.
void Dialog::mousePressEvent(QMouseEvent* event) {
  QDialog::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  const int entry = shownEntryAt(at);
  if (entry == 0) return;
  selectEntry(entry);
  const QLabel* result = entryWidgets(ui, entry).result;
  const bool failed = entry == 1 ? taskPage_.entryFailed1 : taskPage_.entryFailed2;
  if (failed && result->isVisible() && rectInWindow(this, result).contains(at)) {
    const QString error = entry == 1 ? taskPage_.entryError1 : taskPage_.entryError2;
    message_box::warning(this, tr("Backup Result"), tr("Error: %1").arg(error), QMessageBox::Ok);
  }
}

// The entry under the cursor and the selected entry are lit; the icons of a task that is
// not running, and a failure icon, light up under the cursor.
void Dialog::mouseMoveEvent(QMouseEvent* event) {
  QDialog::mouseMoveEvent(event);
  if (!ui.currWidget->isVisible()) return;
  const QPoint at = event->position().toPoint();
  for (int entry : {1, 2}) {
    const EntryWidgets w = entryWidgets(ui, entry);
    const int number = entry == 1 ? taskPage_.entryIndex1 : taskPage_.entryIndex2;
    const SessionRecord* record = findSessionRecord(number);
    if (!w.frame->isVisible() || !record) continue;
    setFrame(w.frame, rectInWindow(this, w.frame).contains(at) || number == taskPage_.selectedIndex);
    auto over = [this, &at](const QWidget* widget) {
      return widget->isVisible() && rectInWindow(this, widget).contains(at);
    };
    if (serviceStateOf(record->status) == ServiceState::NotStarted) {
      setIcon(w.sourceIcon, over(w.sourceIcon) ? QStringLiteral("icon_source_f.png")
                                               : QStringLiteral("icon_source.png"));
      setIcon(w.stateIcon, over(w.stateIcon) ? QStringLiteral("icon_status_f.png")
                                             : QStringLiteral("icon_status.png"));
      setIcon(w.destinationIcon, over(w.destinationIcon)
                                     ? QStringLiteral("icon_distination_f.png")
                                     : QStringLiteral("icon_distination.png"));
    }
    if (entry == 1 ? taskPage_.entryFailed1 : taskPage_.entryFailed2) {
      setIcon(w.result, over(w.result) ? QStringLiteral("icon_fail_item_f.png")
                                       : QStringLiteral("icon_fail_item.png"));
    }
  }
}

// ---- the task area --------------------------------------------------------------------

// The task button's area shows the view the task area is in: the list, the wizard or the
// restore page. The list reads the store again, so that what the wizard, a restore or an
// import changed shows at once.
void Dialog::on_curSessionBut_clicked() {
  switch (mainPage) {
    case MainPage::Wizard:
      pollPaused = true;
      showPage(Page::Wizard);
      break;
    case MainPage::Restore:
      showPage(Page::Restore);
      break;
    case MainPage::TaskList:
      reloadSessionList();
      refillSessionPage();
      updateSessionButtons();
      showPage(Page::Tasks);
      pollPaused = false;
      break;
  }
}

// The settings menu and its six sub-pages: export and import of the tasks, the language,
// the e-mail reports, the log, backup and restore, and the miscellaneous page.
//
// Each sub-page shows the values of the global settings record and saves only its own
// section of GLOBAL_SETTING.dat; after every write the service is told to reload and the
// record is read again, so that the pages always show what the file holds. A write that
// fails is shown and changes nothing else: no reload, no language switch, no autostart
// change. The language page also switches the running window's translation, style sheet
// and fonts through the application's one translator; the miscellaneous page keeps the
// user's autostart entry.
#include "dialog.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtGui/QFont>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QMessageBox>

#include <algorithm>
#include <iterator>

#include "autostart.h"
#include "config_format.h"
#include "copycontroller.h"
#include "messagebox.h"
#include "startup.h"
#include "ui_style.h"
#include "updateglobalsetting.h"
#include "updatesessionconfig.h"
#include "wizardlogic.h"

namespace {

// The language list in the order of the language combo; the stored names.
QString languageName(int index) {
  const auto& names = tessaly::config_format::kLanguageNames;
  if (index < 0 || index >= static_cast<int>(names.size())) return {};
  const std::string_view name = names[static_cast<size_t>(index)];
  return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

int languageIndex(const QString& stored) {
  for (int i = 0; !languageName(i).isEmpty(); ++i) {
    if (stored.contains(languageName(i), Qt::CaseInsensitive)) return i;
  }
  return -1;
}

// A stored switch is on when its word contains "enable".
bool isOn(const QString& word) { return word.contains(QLatin1String("enable"), Qt::CaseInsensitive); }

// The e-mail page's schedule combo: 0 monthly, 1 weekly, 2 daily.
const char* const kScheduleWords[] = {"monthly", "weekly", "daily"};

// The row of the e-mail page's time widgets.
constexpr int kTimeRowY = 175;

}  // namespace

// ---- e-mail schedule times ------------------------------------------------------------

QString emailTimeText(const EmailScheduleTime& time) {
  int date = 1;
  if (time.schedule == 0) {
    // A day outside the combo's 1-31 is the combo's first day.
    date = time.dayIndex >= 0 && time.dayIndex < 31 ? time.dayIndex + 1 : 1;
  } else if (time.schedule == 1) {
    // Combo index 0 is Sunday, the 7th of January 2001; 1-6 are Monday to Saturday, the
    // 1st to the 6th.
    date = time.weekdayIndex > 0 && time.weekdayIndex < 7 ? time.weekdayIndex : 7;
  }
  const int hour = time.hour >= 0 && time.hour < 24 ? time.hour : 0;
  const int minute = time.minute >= 0 && time.minute < 60 ? time.minute : 0;
  return wizard_logic::runTimeText(2001, 1, date, hour, minute);
}

EmailScheduleTime emailScheduleTime(const QString& schedule, const QString& time) {
  EmailScheduleTime out;
  out.schedule = -1;
  for (int i = 0; i < static_cast<int>(std::size(kScheduleWords)); ++i) {
    if (schedule.contains(QLatin1String(kScheduleWords[i]), Qt::CaseInsensitive)) {
      out.schedule = i;
      break;
    }
  }
  if (out.schedule < 0) {
    // No schedule yet: the first month day at 0:00.
    out.schedule = 0;
    return out;
  }
  // A time that does not parse leaves the first valid values (day 1, Sunday, 0:00).
  const wizard_logic::LocalRunTime local = wizard_logic::localRunTime(time);
  if (!local.valid) return out;
  out.dayIndex = local.day - 1;
  out.weekdayIndex = local.weekday;
  out.hour = local.hour;
  out.minute = local.minute;
  return out;
}

// ---- the menu -------------------------------------------------------------------------

void Dialog::openSettingsPage(int n) {
  settingsState_.settingsPage = n;
  fillSettingsPage(n);
  CurrentSetWidget(n);
}

void Dialog::on_setConfigBtn_clicked() { openSettingsPage(0); }
void Dialog::on_setLanguageBtn_clicked() { openSettingsPage(1); }
void Dialog::on_setEmailBtn_clicked() { openSettingsPage(2); }
void Dialog::on_setLogBtn_clicked() { openSettingsPage(3); }
void Dialog::on_setBackupBtn_clicked() { openSettingsPage(4); }
void Dialog::on_setMiscBtn_clicked() { openSettingsPage(5); }

void Dialog::CurrentSetWidget(int n) {
  // The menu buttons in page order, with their normal and current images.
  struct MenuEntry {
    QToolButton* button;
    QWidget* page;
    const char* normal;
    const char* current;
  };
  const MenuEntry entries[] = {
      {ui.setConfigBtn, ui.setConfigWidget, "icon_backup_configuration_n.png", "icon_backup_configuration_f.png"},
      {ui.setLanguageBtn, ui.setLanguageWidget, "icon_language_n.png", "icon_language_f.png"},
      {ui.setEmailBtn, ui.setEmailWidget, "icon_email_notification_n.png", "icon_email_notification_f.png"},
      {ui.setLogBtn, ui.setLogWidget, "icon_log_n.png", "icon_log_f.png"},
      {ui.setBackupBtn, ui.setBackupWidget, "icon_backups_n.png", "icon_backups_sf.png"},
      {ui.setMiscBtn, ui.setMiscWidget, "icon_misc_n.png", "icon_misc_f.png"},
  };
  for (const MenuEntry& entry : entries) {
    entry.button->setStyleSheet(
        form_style::iconButton(QString::fromLatin1(entry.normal), QString::fromLatin1(entry.current)));
    entry.page->hide();
  }
  ui.setMainWidget->hide();
  ui.settingDTBtn->setText(tr("Default"));
  ui.settingSTBtn->show();
  ui.settingCTBtn->show();
  ui.settingDTBtn->show();

  // The menu and every sub-page take the top of the settings page, above the bottom buttons.
  const QRect area(QPoint(0, 0), QPoint(620, 460));
  if (n >= 0 && n < static_cast<int>(std::size(entries))) {
    const MenuEntry& entry = entries[n];
    const QString current = QString::fromLatin1(entry.current);
    entry.button->setStyleSheet(form_style::iconButton(current, current));
    entry.page->setGeometry(area);
    entry.page->show();
    if (n == 0) {
      // The configuration page saves nothing: its only bottom button leads back to the menu.
      ui.settingSTBtn->hide();
      ui.settingCTBtn->hide();
      ui.settingDTBtn->setText(tr("<< Back"));
    }
  } else {
    ui.setMainWidget->setGeometry(area);
    ui.setMainWidget->show();
    ui.settingSTBtn->hide();
    ui.settingCTBtn->hide();
    ui.settingDTBtn->hide();
  }
}

void Dialog::DoCurrentIndex(int show) {
  for (QToolButton* button : {ui.settingSTBtn, ui.settingCTBtn, ui.settingDTBtn}) {
    button->setVisible(show != 0);
  }
}

// ---- filling a page from the record ---------------------------------------------------

void Dialog::fillSettingsPage(int n) {
  // The e-mail page's time row: one place for all three kinds, the weekly set hidden until
  // its schedule is chosen.
  ui.weeklyTimeWidget_2->hide();
  ui.dailyHourSnBox_2->hide();
  ui.dailyColonLabel_2->hide();
  ui.dailyMinSnBox_2->hide();
  ui.dateCbBox_2->move(81, kTimeRowY);
  ui.monHourSnBox_2->move(195, kTimeRowY);
  ui.monColonLabel_2->move(279, kTimeRowY);
  ui.monMinSnBox_2->move(295, kTimeRowY);
  ui.dailyHourSnBox_2->move(81, kTimeRowY);
  ui.dailyColonLabel_2->move(165, kTimeRowY);
  ui.dailyMinSnBox_2->move(181, kTimeRowY);
  ui.weeklyTimeWidget_2->setGeometry(81, kTimeRowY, 311, 41);

  const GlobalSettingRecord& record = *settings_;
  switch (n) {
    case 1: {
      const int index = languageIndex(record.language);
      if (index >= 0) ui.setLCBoBox->setCurrentIndex(index);
      break;
    }
    case 2: {
      const EmailSettingRecord& mail = record.email;
      ui.setENCBox->setChecked(isOn(mail.sendComplete));
      ui.setENCBox_2->setChecked(isOn(mail.emailPeriodEnable));
      ui.setENCBox_3->setChecked(isOn(mail.ssl));
      const bool anonymous = mail.method.contains(QLatin1String("anonymous"), Qt::CaseInsensitive);
      (anonymous ? ui.setENRBtn_2 : ui.setENRBtn)->setChecked(true);
      ui.setENLEdit->setEnabled(!anonymous);
      ui.setENLEdit_2->setEnabled(!anonymous);
      ui.setENLEdit->setText(mail.userName);
      ui.setENLEdit_2->setText(mail.password);
      ui.setENLEdit_3->setText(mail.smtpServer);
      ui.setENLEdit_4->setText(mail.senderEmail);
      ui.setENLEdit_5->setText(mail.receiverEmail);

      const EmailScheduleTime time = emailScheduleTime(mail.schedule, mail.time);
      ui.setENCBoBox->setCurrentIndex(time.schedule);
      switch (time.schedule) {
        case 1:
          ui.dateCbBox_3->setCurrentIndex(time.weekdayIndex);
          ui.weeklyHourSnBox_3->setValue(time.hour);
          ui.weeklyMinSnBox_3->setValue(time.minute);
          break;
        case 2:
          ui.dailyHourSnBox_2->setValue(time.hour);
          ui.dailyMinSnBox_2->setValue(time.minute);
          break;
        default:
          ui.dateCbBox_2->setCurrentIndex(time.dayIndex);
          ui.monHourSnBox_2->setValue(time.hour);
          ui.monMinSnBox_2->setValue(time.minute);
          break;
      }
      // The combo's signal comes only when its index changes: show the time widgets here.
      setENCBoBox(time.schedule);
      break;
    }
    case 3:
      (record.ifFull.contains(QLatin1String("clear"), Qt::CaseInsensitive) ? ui.setLogRBtn
                                                                             : ui.setLogRBtn_2)
          ->setChecked(true);
      break;
    case 4:
      ui.setBARCBox->setChecked(isOn(record.backupDeleteSync));
      ui.setBARCBox_2->setChecked(isOn(record.restoreDeleteSync));
      break;
    case 5:
      ui.setMCBox->setChecked(isOn(record.autoStartup));
      ui.setMCBox_2->setChecked(isOn(record.shutdown));
      break;
    default:
      break;
  }
}

void Dialog::setENCBoBox(int index) {
  QWidget* const monthly[] = {ui.dateCbBox_2, ui.monHourSnBox_2, ui.monColonLabel_2, ui.monMinSnBox_2};
  QWidget* const daily[] = {ui.dailyHourSnBox_2, ui.dailyColonLabel_2, ui.dailyMinSnBox_2};
  for (QWidget* widget : monthly) widget->setVisible(index == 0);
  ui.weeklyTimeWidget_2->setVisible(index == 1);
  for (QWidget* widget : daily) widget->setVisible(index == 2);
}

void Dialog::on_setENRBtn_clicked() {
  ui.setENLEdit->setEnabled(true);
  ui.setENLEdit_2->setEnabled(true);
}

void Dialog::on_setENRBtn_2_clicked() {
  ui.setENLEdit->setEnabled(false);
  ui.setENLEdit_2->setEnabled(false);
}

// ---- save, cancel, defaults -----------------------------------------------------------

QString Dialog::checkEmailPage(QLineEdit** field) const {
  const bool account = ui.setENRBtn->isChecked();
  struct Check {
    bool failed;
    QLineEdit* field;
    QString text;
  };
  const Check checks[] = {
      {account && ui.setENLEdit->text().isEmpty(), ui.setENLEdit, tr("Please enter a user name!")},
      {account && ui.setENLEdit_2->text().isEmpty(), ui.setENLEdit_2, tr("Please enter a password!")},
      {ui.setENLEdit_3->text().isEmpty(), ui.setENLEdit_3, tr("Please enter a SMTP Server!")},
      {ui.setENLEdit_4->text().isEmpty(), ui.setENLEdit_4, tr("Please enter a Sender E-mail!")},
      {!ui.setENLEdit_4->text().contains(u'@'), ui.setENLEdit_4, tr("Sender E-mail must contain \"@\"!")},
      {ui.setENLEdit_5->text().isEmpty(), ui.setENLEdit_5, tr("Please enter a Receiver E-mail!")},
      {!ui.setENLEdit_5->text().contains(u'@'), ui.setENLEdit_5, tr("Receiver E-mail must contain \"@\"!")},
  };
  for (const Check& check : checks) {
    if (check.failed) {
      if (field) *field = check.field;
      return check.text;
    }
  }
  return {};
}

void Dialog::on_settingSTBtn_clicked() {
  const int page = settingsState_.settingsPage;
  QString language;
  QString schedule;
  QString time;
  QString method;
  QString ifFull;

  if (page == 1) language = languageName(ui.setLCBoBox->currentIndex());

  if (page == 2) {
    EmailScheduleTime chosen;
    chosen.schedule = ui.setENCBoBox->currentIndex();
    switch (chosen.schedule) {
      case 0: {
        // The day from the combo's own text ("   01" ... "   31").
        bool number = false;
        const int day = ui.dateCbBox_2->currentText().trimmed().toInt(&number);
        chosen.dayIndex = number ? day - 1 : ui.dateCbBox_2->currentIndex();
        chosen.hour = ui.monHourSnBox_2->value();
        chosen.minute = ui.monMinSnBox_2->value();
        break;
      }
      case 1:
        chosen.weekdayIndex = ui.dateCbBox_3->currentIndex();
        chosen.hour = ui.weeklyHourSnBox_3->value();
        chosen.minute = ui.weeklyMinSnBox_3->value();
        break;
      default:
        chosen.schedule = 2;
        chosen.hour = ui.dailyHourSnBox_2->value();
        chosen.minute = ui.dailyMinSnBox_2->value();
        break;
    }
    schedule = QLatin1String(kScheduleWords[chosen.schedule]);
    time = emailTimeText(chosen);
    // The two kinds not chosen start again from their first values.
    if (chosen.schedule != 0) {
      ui.dateCbBox_2->setCurrentIndex(0);
      ui.monHourSnBox_2->setValue(0);
      ui.monMinSnBox_2->setValue(0);
    }
    if (chosen.schedule != 1) {
      ui.dateCbBox_3->setCurrentIndex(0);
      ui.weeklyHourSnBox_3->setValue(0);
      ui.weeklyMinSnBox_3->setValue(0);
    }
    if (chosen.schedule != 2) {
      ui.dailyHourSnBox_2->setValue(0);
      ui.dailyMinSnBox_2->setValue(0);
    }
    if (ui.setENRBtn->isChecked()) {
      method = QStringLiteral("account");
    } else if (ui.setENRBtn_2->isChecked()) {
      method = QStringLiteral("anonymous");
    }

    QLineEdit* field = nullptr;
    const QString refusal = checkEmailPage(&field);
    if (!refusal.isEmpty()) {
      message_box::warning(this, tr("Error"), refusal, QMessageBox::Ok);
      field->setFocus();
      return;
    }
  }

  if (page == 3) {
    if (ui.setLogRBtn->isChecked()) {
      ifFull = QStringLiteral("clear");
    } else if (ui.setLogRBtn_2->isChecked()) {
      ifFull = QStringLiteral("stop");
    }
  }

  const bool written = settingsStore_->WriteGlobalSetting(
      page, language, ui.setENCBox->isChecked(), ui.setENCBox_2->isChecked(), schedule, time,
      method, ui.setENLEdit->text(), ui.setENLEdit_2->text(), ui.setENLEdit_3->text(),
      ui.setENLEdit_4->text(), ui.setENLEdit_5->text(), ui.setENCBox_3->isChecked(), ifFull,
      ui.setBARCBox->isChecked(), ui.setBARCBox_2->isChecked(), ui.setMCBox->isChecked(),
      ui.setMCBox_2->isChecked());
  if (!written) {
    showSettingsWriteError(settingsStore_->lastError());
    return;
  }
  link_->SendReload();
  settings_ = settingsStore_->ReadGlobalSetting();

  if (page == 1) switchLanguage(language);
  if (page == 5) applyAutoStart(ui.setMCBox->isChecked());
  CurrentSetWidget(6);
}

void Dialog::on_settingCTBtn_clicked() {
  // Back to the menu; the page shows the stored values again.
  fillSettingsPage(settingsState_.settingsPage);
  CurrentSetWidget(6);
}

void Dialog::on_settingDTBtn_clicked() {
  const int page = settingsState_.settingsPage;
  if (page == 0) {
    CurrentSetWidget(6);
    return;
  }
  const QMessageBox::StandardButton answer = message_box::warning(
      this, tr("Warning"), tr("Are you sure you want to restore to default settings?"),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer != QMessageBox::Yes) return;

  if (!settingsStore_->WriteDefaultSetting(page)) {
    showSettingsWriteError(settingsStore_->lastError());
    return;
  }
  link_->SendReload();
  settings_ = settingsStore_->ReadGlobalSetting();
  if (page == 5) applyAutoStart(isOn(settings_->autoStartup));
  if (page == 1) switchLanguage(QStringLiteral("English"));
  fillSettingsPage(page);
  CurrentSetWidget(6);
}

void Dialog::showSettingsWriteError(const QString& reason) {
  message_box::warning(this, tr("Error"), tr("The settings could not be saved: %1").arg(reason),
                       QMessageBox::Ok);
}

// ---- language, fonts, automatic start -------------------------------------------------

void Dialog::switchLanguage(const QString& language) {
  // One translator for the whole application: the new language replaces the old one, and a
  // text the new translation lacks shows in English. The style sheet comes with it.
  if (languageSwitch_) languageSwitch_->apply(language);
  // Re-translate the form now rather than at the next turn of the event loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
  applyLanguageFonts();
}

void Dialog::applyLanguageFonts() {
  const QString language = settings_ ? settings_->language : QString();
  const QStringList families = form_style::languageFamilies(language);
  const QString font = form_style::cssFamilies(language);
  QHeaderView* header = ui.deviceTWidget->header();
  header->setStyleSheet(
      QStringLiteral("QHeaderView::section:first {border-image:url(:/images/device_header1.png) 10px; "
                     "border-width:10px;font: 11pt %1;}"
                     "QHeaderView::section:last {border-image:url(:/images/device_header2.png) 10px; "
                     "border-width:10px;font: 11pt %1;}")
          .arg(font));
  header->show();

  QFont actionFont;
  actionFont.setFamilies(families);
  actionFont.setPointSize(9);
  actionFont.setWeight(QFont::Normal);
  ui.actionNew_Folder->setFont(actionFont);

  // The three bottom buttons are equally wide, wide enough for the longest of their texts in
  // this language, and end where the page's panel ends.
  int width = 97;
  for (QToolButton* button : {ui.settingSTBtn, ui.settingCTBtn, ui.settingDTBtn}) {
    button->ensurePolished();
    width = std::max(width, button->fontMetrics().horizontalAdvance(button->text()) + 20);
  }
  width = std::min(width, 190);
  constexpr int kRight = 586, kGap = 13;
  const int defaults = kRight - width;
  const int cancel = defaults - kGap - width;
  const int save = cancel - kGap - width;
  ui.settingSTBtn->setGeometry(QRect(save, 482, width, 28));
  ui.settingCTBtn->setGeometry(QRect(cancel, 482, width, 28));
  ui.settingDTBtn->setGeometry(QRect(defaults, 482, width, 28));
}

void Dialog::applyAutoStart(bool on) {
  QString reason;
  if (!autostart::setAutoStart(on, &reason)) {
    message_box::warning(this, tr("Error"),
                         tr("The automatic start could not be changed: %1").arg(reason),
                         QMessageBox::Ok);
  }
}

// ---- export and import of the tasks ---------------------------------------------------

void Dialog::on_setSCEBtn_clicked() {
  const QString path =
      QFileDialog::getSaveFileName(this, tr("Export Configuration"), QDir::homePath(), QString());
  if (path.isEmpty()) return;
  // The export holds the shares' passwords: the store creates it for the user alone.
  if (!sessionStore_->ExportSessionConfig(path)) {
    message_box::warning(
        this, tr("Error"),
        tr("The backup configuration could not be exported: %1").arg(sessionStore_->lastError()),
        QMessageBox::Ok);
  }
}

void Dialog::on_setSCIBtn_clicked() {
  pollPaused = true;
  const QString path =
      QFileDialog::getOpenFileName(this, tr("Import Configuration"), QDir::homePath(), QString());
  if (!path.isEmpty()) {
    const int result = sessionStore_->ImportSessionConfig(path);
    if (result == UpdateSessionConfig::Imported) {
      // The task list starts again from its first page, with no task selected.
      taskPage_.pageCursor = 1;
      taskPage_.selectedIndex = 0;
      taskPage_.selectedUuid.clear();
      link_->SendReload();
      // Ends an edit in the wizard; a task being restored may be gone as well: the task area
      // shows the list again.
      reloadSessionList();
      if (mainPage == MainPage::Restore) mainPage = MainPage::TaskList;
      ui.bunowPBtn->setEnabled(false);
      ui.restbuBtn->setEnabled(false);
      ui.delbuPhBtn->setEnabled(false);
      message_box::warning(this, tr("Message"), tr("Import successfully!"), QMessageBox::Ok);
    } else if (result == UpdateSessionConfig::ImportRefused) {
      message_box::warning(this, tr("Error"), tr("Please select a correct file!"), QMessageBox::Ok);
    } else {
      message_box::warning(
          this, tr("Error"),
          tr("The backup configuration could not be imported: %1").arg(sessionStore_->lastError()),
          QMessageBox::Ok);
    }
  }
  pollPaused = false;
}

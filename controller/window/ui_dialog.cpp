// setupUi builds the window level and then each page in the order of the form's tables (later
// siblings paint above earlier ones); retranslateUi sets every text through the "Dialog"
// context, so a language switch re-translates the running window.
#include "ui_dialog.h"

#include <QtCore/QMetaObject>
#include <QtCore/QStringList>

void Ui_Dialog::setupUi(QDialog* Dialog) {
  if (Dialog->objectName().isEmpty()) Dialog->setObjectName("Dialog");
  Dialog->setModal(false);
  Dialog->resize(800, 600);
  Dialog->setWindowTitle(QStringLiteral("TessalySync"));
  Dialog->setWindowIcon(QIcon(QStringLiteral(":/images/brelkin.ico")));
  Dialog->setAutoFillBackground(true);
  Dialog->setSizeGripEnabled(false);

  setupWindowLevel(Dialog);
  setupWizardPage(Dialog);
  setupTasksPage(Dialog);
  setupRestorePage(Dialog);
  setupLogPage(Dialog);
  setupSettingsPage(Dialog);

  retranslateUi(Dialog);
  QMetaObject::connectSlotsByName(Dialog);
}

void Ui_Dialog::retranslateUi(QDialog* Dialog) {
  (void)Dialog;
  actionNew_Folder->setText(QCoreApplication::translate("Dialog", "New Folder"));
  newOneTitle->setText(QCoreApplication::translate("Dialog", "Welcome to Tessaly Sync!"));
  newTwoTitle->setText(QCoreApplication::translate("Dialog", "Please select the folders you want to backup"));
  newThreeTitle->setText(QCoreApplication::translate("Dialog", "Please specify the extension which will be included"));
  cusLEdit->setToolTip(QCoreApplication::translate("Dialog", "e.g: *.txt"));
  newFourTitle->setText(QCoreApplication::translate("Dialog", "Please select a backup destination device"));
  newFiveTitle->setText(QCoreApplication::translate("Dialog", "Please enter user name and password"));
  userPasswdLabel->setText(QCoreApplication::translate("Dialog", "Password"));
  userNameLabel->setText(QCoreApplication::translate("Dialog", "User Name"));
  scheduleLabel->setText(QCoreApplication::translate("Dialog", "Schedule"));
  scheduleCbBox->clear();
  scheduleCbBox->insertItems(0, QStringList()
      << QCoreApplication::translate("Dialog", "  Manually")
      << QCoreApplication::translate("Dialog", "  Monthly")
      << QCoreApplication::translate("Dialog", "  Weekly")
      << QCoreApplication::translate("Dialog", "  Daily"));
  {
    QStringList days;
    for (int day = 1; day <= 31; ++day) days << QStringLiteral("   %1").arg(day, 2, 10, QLatin1Char('0'));
    dateCbBox->clear();
    dateCbBox->insertItems(0, days);
  }
  backupActionLabel->setText(QCoreApplication::translate("Dialog", "Backup action"));
  increBuLabel->setText(QCoreApplication::translate("Dialog", "Incremental Backup"));
  label_19->setText(QCoreApplication::translate("Dialog", "Full Backup"));
  sunLabel->setText(QCoreApplication::translate("Dialog", "Sun"));
  monLabel->setText(QCoreApplication::translate("Dialog", "Mon"));
  tueLabel->setText(QCoreApplication::translate("Dialog", "Tue"));
  wedLabel->setText(QCoreApplication::translate("Dialog", "Wed"));
  thuLabel->setText(QCoreApplication::translate("Dialog", "Thu"));
  friLabel->setText(QCoreApplication::translate("Dialog", "Fri"));
  satLabel->setText(QCoreApplication::translate("Dialog", "Sat"));
  newSevenTitle->setText(QCoreApplication::translate("Dialog", "Please select the backup action and the schedule"));
  newBtnNext->setText(QCoreApplication::translate("Dialog", "Next >>"));
  newBtnCancel->setText(QCoreApplication::translate("Dialog", "Cancel"));
  newBtnBack->setText(QCoreApplication::translate("Dialog", "<< Back"));
  cusAddPBtn->setText(QCoreApplication::translate("Dialog", "Add"));
  cusRemPBtn->setText(QCoreApplication::translate("Dialog", "Remove"));
  newSixTitle->setText(QCoreApplication::translate("Dialog", "Please select a backup destination folder"));
  backupsLabel_4->setText(QCoreApplication::translate("Dialog", "New Backup"));
  // The tag is as wide as its caption in this language.
  backupsLabel_4->ensurePolished();
  backupsLabel_4->resize(qBound(120, backupsLabel_4->sizeHint().width() + 4, 400), 32);
  deviceTWidget->headerItem()->setText(1, QCoreApplication::translate("Dialog", "IP Address"));
  deviceTWidget->headerItem()->setText(0, QCoreApplication::translate("Dialog", "Name"));
  allFilesLabel->setText(QCoreApplication::translate("Dialog", "All Files"));
  speExtLabel->setText(QCoreApplication::translate("Dialog", "Specify Extensions"));
  videoLabel->setText(QCoreApplication::translate("Dialog", "Video (*.avi,*.wmv,*.mp4......)"));
  pictureLabel->setText(QCoreApplication::translate("Dialog", "Picture (*.jpg,*.bmp,*.gif......)"));
  audioLabel->setText(QCoreApplication::translate("Dialog", "Audio (*.mp3,*.wma,*.wav......)"));
  cusLabel->setText(QCoreApplication::translate("Dialog", "Customize"));
  refreshTBtn->setText(QCoreApplication::translate("Dialog", "Refresh"));
  increTipLabel->setText(QCoreApplication::translate("Dialog", "An incremental backup preserves data of source folder(s) based on the differences in those data. You can get your previous versions of the same file(s) from previous backups."));
  fullTipLabel->setText(QCoreApplication::translate("Dialog", "A full backup is a backup of the source folder(s), whether that file has changed or not.There is only the last copy of your file(s) in destination."));
  accountLabel->setText(QCoreApplication::translate("Dialog", "User Account"));
  deviceModelLabel->setText(QCoreApplication::translate("Dialog", "Device Model"));
  newOneTitle_2->setText(QCoreApplication::translate("Dialog", "This wizard will guide you through setting up a new backup task.  Begin by entering the name of the backup task: "));
  newEightTitle->setText(QCoreApplication::translate("Dialog", "The summary of destination"));
  newOneTitle_3->setText(QCoreApplication::translate("Dialog", "Edit the name of the backup task"));
  editNameLabel->setText(QCoreApplication::translate("Dialog", "Name"));
  createFolderBtn->setText(QCoreApplication::translate("Dialog", "Create Folder"));
  statusLabel->setText(QCoreApplication::translate("Dialog", "Status"));
  label->setText(QCoreApplication::translate("Dialog", "Destination"));
  newbuPBtn->setText(QCoreApplication::translate("Dialog", "New Backup"));
  bunowPBtn->setText(QCoreApplication::translate("Dialog", "Backup Now"));
  restbuBtn->setText(QCoreApplication::translate("Dialog", "Restore"));
  delbuPhBtn->setText(QCoreApplication::translate("Dialog", "Delete"));
  sourceLabel->setText(QCoreApplication::translate("Dialog", "Source"));
  restorePathLabel->setText(QCoreApplication::translate("Dialog", "Please select where you want to restore:"));
  restoreTBtn->setText(QCoreApplication::translate("Dialog", "Restore"));
  cancelTBtn->setText(QCoreApplication::translate("Dialog", "Cancel"));
  restoreVerLabel->setText(QCoreApplication::translate("Dialog", "Please select the version you want to restore:"));
  restoreBTBtn->setText(QCoreApplication::translate("Dialog", "Browse"));
  restorePathLabel_2->setText(QCoreApplication::translate("Dialog", "Original path"));
  restorePathLabel_3->setText(QCoreApplication::translate("Dialog", "New path"));
  clearTBtn->setText(QCoreApplication::translate("Dialog", "Clear Logs"));
  label_15->setText(QCoreApplication::translate("Dialog", "Backup Name"));
  label_16->setText(QCoreApplication::translate("Dialog", "Start Time"));
  label_17->setText(QCoreApplication::translate("Dialog", "Finish Time"));
  label_18->setText(QCoreApplication::translate("Dialog", "Description"));
  settingSTBtn->setText(QCoreApplication::translate("Dialog", "Save"));
  settingDTBtn->setText(QCoreApplication::translate("Dialog", "Default"));
  settingCTBtn->setText(QCoreApplication::translate("Dialog", "Cancel"));
  setConfigLabel->setText(QCoreApplication::translate("Dialog", "Backup Configuration"));
  setLanguageLabel->setText(QCoreApplication::translate("Dialog", "Language"));
  setEmailLabel->setText(QCoreApplication::translate("Dialog", "Email Notification"));
  setLogLabel_2->setText(QCoreApplication::translate("Dialog", "Log"));
  setBackupLabel->setText(QCoreApplication::translate("Dialog", "Backup/Restore"));
  setLogLabel_4->setText(QCoreApplication::translate("Dialog", "Misc."));
  setSCILabel->setText(QCoreApplication::translate("Dialog", "If you want to import a backup task configuration, please click Import"));
  setSCEBtn->setText(QCoreApplication::translate("Dialog", "Export"));
  setSCELabel->setText(QCoreApplication::translate("Dialog", "If you want to export your backup task configuration, please click Export"));
  setSCIBtn->setText(QCoreApplication::translate("Dialog", "Import"));
  setConfigTLabel->setText(QCoreApplication::translate("Dialog", "Backup Configuration"));
  setLanguageTLabel->setText(QCoreApplication::translate("Dialog", "Language"));
  setENLabel_2->setText(QCoreApplication::translate("Dialog", "User Name"));
  setENCBoBox->clear();
  setENCBoBox->insertItems(0, QStringList()
      << QCoreApplication::translate("Dialog", "  Every Month")
      << QCoreApplication::translate("Dialog", "  Every Week")
      << QCoreApplication::translate("Dialog", "  Every Day"));
  label_14->setText(QCoreApplication::translate("Dialog", "Send email log summary"));
  label_11->setText(QCoreApplication::translate("Dialog", "SMTP Server needs security connection - SSL"));
  setENLabel_8->setText(QCoreApplication::translate("Dialog", "Anonymous"));
  setENLabel_7->setText(QCoreApplication::translate("Dialog", "Account"));
  setENLabel_4->setText(QCoreApplication::translate("Dialog", "SMTP Server"));
  setENLabel_3->setText(QCoreApplication::translate("Dialog", "Password"));
  setENLabel->setText(QCoreApplication::translate("Dialog", "Login Method"));
  label_10->setText(QCoreApplication::translate("Dialog", "Send email notification when backup task is complete"));
  setENLabel_5->setText(QCoreApplication::translate("Dialog", "Sender E-mail"));
  setENLabel_6->setText(QCoreApplication::translate("Dialog", "Receiver E-mail"));
  {
    QStringList days;
    for (int day = 1; day <= 31; ++day) days << QStringLiteral("   %1").arg(day, 2, 10, QLatin1Char('0'));
    dateCbBox_2->clear();
    dateCbBox_2->insertItems(0, days);
  }
  dateCbBox_3->clear();
  dateCbBox_3->insertItems(0, QStringList()
      << QCoreApplication::translate("Dialog", "  Sun")
      << QCoreApplication::translate("Dialog", "  Mon")
      << QCoreApplication::translate("Dialog", "  Tue")
      << QCoreApplication::translate("Dialog", "  Wed")
      << QCoreApplication::translate("Dialog", "  Thu")
      << QCoreApplication::translate("Dialog", "  Fri")
      << QCoreApplication::translate("Dialog", "  Sat"));
  setEmailTLabel->setText(QCoreApplication::translate("Dialog", "Email Notification"));
  label_13->setText(QCoreApplication::translate("Dialog", "Stop log record when Max limitation has occured"));
  label_12->setText(QCoreApplication::translate("Dialog", "Replace the oldest log with the new one after Max limitation has occured"));
  setLogLabel->setText(QCoreApplication::translate("Dialog", "Max 1000 log records"));
  setLogTLabel->setText(QCoreApplication::translate("Dialog", "Log"));
  label_7->setText(QCoreApplication::translate("Dialog", "Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup"));
  setBackupTLabel->setText(QCoreApplication::translate("Dialog", "Backup/Restore"));
  label_9->setText(QCoreApplication::translate("Dialog", "Shutdown Computer when Backup is complete"));
  label_8->setText(QCoreApplication::translate("Dialog", "Auto-start Tessaly Sync on Computer startup"));
  setMiscTLabel->setText(QCoreApplication::translate("Dialog", "Misc."));
  backupsLabel->setText(QCoreApplication::translate("Dialog", "Backups"));
  backupsLabel_2->setText(QCoreApplication::translate("Dialog", "Logs"));
  backupsLabel_3->setText(QCoreApplication::translate("Dialog", "Settings"));


  // Radio buttons and check boxes take their captions from the labels beside them; icon
  // buttons, image labels and the labels the pages fill at run time start empty.
  allFilesRBtn->setText(QString());
  speExtRBtn->setText(QString());
  videoCBox->setText(QString());
  pictureCBox->setText(QString());
  audioCBox->setText(QString());
  cusCBox->setText(QString());
  increBuRBtn->setText(QString());
  fullBuRBtn->setText(QString());
  checkBox0->setText(QString());
  checkBox1->setText(QString());
  checkBox2->setText(QString());
  checkBox3->setText(QString());
  checkBox4->setText(QString());
  checkBox5->setText(QString());
  checkBox6->setText(QString());
  restorePathRBtn->setText(QString());
  restorePathRBtn_2->setText(QString());
  setENCBox->setText(QString());
  setENCBox_2->setText(QString());
  setENCBox_3->setText(QString());
  setENRBtn->setText(QString());
  setENRBtn_2->setText(QString());
  setLogRBtn->setText(QString());
  setLogRBtn_2->setText(QString());
  setBARCBox->setText(QString());
  setBARCBox_2->setText(QString());
  setMCBox->setText(QString());
  setMCBox_2->setText(QString());
  curSessionBut->setText(QString());
  logBut->setText(QString());
  advancedBut->setText(QString());
  newSessionBut->setText(QString());
  setConfigBtn->setText(QString());
  setLanguageBtn->setText(QString());
  setEmailBtn->setText(QString());
  setLogBtn->setText(QString());
  setBackupBtn->setText(QString());
  setMiscBtn->setText(QString());
  pageUpBtn->setText(QString());
  pageDownBtn->setText(QString());
  pageLine->setText(QString());
  label_3->setText(QString());
  monColonLabel->setText(QString());
  label_2->setText(QString());
  dailyColonLabel->setText(QString());
  monColonLabel_2->setText(QString());
  dailyColonLabel_2->setText(QString());
  label_4->setText(QString());
  sourcePBtn->setText(QString());
  statusPBtn->setText(QString());
  destiPBtn->setText(QString());
  backupStatus->setText(QString());
  sourcePBtn_2->setText(QString());
  statusPBtn_2->setText(QString());
  destiPBtn_2->setText(QString());
  backupStatus_2->setText(QString());
  sourceLabel1->setText(QString());
  sourceLabel2->setText(QString());
  destiLabel1->setText(QString());
  destiLabel2->setText(QString());
  destiLabel3->setText(QString());
  statusLabel1->setText(QString());
  statusLabel2->setText(QString());
  statusLabel3->setText(QString());
  statusLabel4->setText(QString());
  sourceLabel1_2->setText(QString());
  sourceLabel2_2->setText(QString());
  destiLabel1_2->setText(QString());
  destiLabel2_2->setText(QString());
  destiLabel3_2->setText(QString());
  statusLabel1_2->setText(QString());
  statusLabel2_2->setText(QString());
  statusLabel3_2->setText(QString());
  statusLabel4_2->setText(QString());
  sourcePathLabel->setText(QString());
  sourcePathLabel_2->setText(QString());
  accountLabel_2->setText(QString());
  deviceModelLabel_2->setText(QString());
  linkLabel->setText(QString());
  titleLabel->setText(QString());
  label_6->setText(QString());
  newDisplay->setToolTip(QString());
  newDisplay->setWhatsThis(QString());
  cusLWidget->setToolTip(QString());
  cusLWidget->setWhatsThis(QString());
  backupsLabel->setAccessibleDescription(QString());

  // The navigation buttons show only an image: their accessible names say where they lead.
  curSessionBut->setAccessibleName(QCoreApplication::translate("Dialog", "Backups"));
  logBut->setAccessibleName(QCoreApplication::translate("Dialog", "Logs"));
  advancedBut->setAccessibleName(QCoreApplication::translate("Dialog", "Settings"));
  pageUpBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Previous page"));
  pageDownBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Next page"));
  setConfigBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Backup Configuration"));
  setLanguageBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Language"));
  setEmailBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Email Notification"));
  setLogBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Log"));
  setBackupBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Backup/Restore"));
  setMiscBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Misc."));

  // Every control carries a name for screen readers: its caption's text (check boxes and
  // radio buttons show theirs in the label beside them), or what it is for. The task list
  // names its result icons by the result they show.
  allFilesRBtn->setAccessibleName(QCoreApplication::translate("Dialog", "All Files"));
  speExtRBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Specify Extensions"));
  videoCBox->setAccessibleName(QCoreApplication::translate("Dialog", "Video (*.avi,*.wmv,*.mp4......)"));
  pictureCBox->setAccessibleName(QCoreApplication::translate("Dialog", "Picture (*.jpg,*.bmp,*.gif......)"));
  audioCBox->setAccessibleName(QCoreApplication::translate("Dialog", "Audio (*.mp3,*.wma,*.wav......)"));
  cusCBox->setAccessibleName(QCoreApplication::translate("Dialog", "Customize"));
  increBuRBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Incremental Backup"));
  fullBuRBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Full Backup"));
  checkBox0->setAccessibleName(QCoreApplication::translate("Dialog", "Sun"));
  checkBox1->setAccessibleName(QCoreApplication::translate("Dialog", "Mon"));
  checkBox2->setAccessibleName(QCoreApplication::translate("Dialog", "Tue"));
  checkBox3->setAccessibleName(QCoreApplication::translate("Dialog", "Wed"));
  checkBox4->setAccessibleName(QCoreApplication::translate("Dialog", "Thu"));
  checkBox5->setAccessibleName(QCoreApplication::translate("Dialog", "Fri"));
  checkBox6->setAccessibleName(QCoreApplication::translate("Dialog", "Sat"));
  restorePathRBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Original path"));
  restorePathRBtn_2->setAccessibleName(QCoreApplication::translate("Dialog", "New path"));
  setENCBox->setAccessibleName(QCoreApplication::translate("Dialog", "Send email notification when backup task is complete"));
  setENCBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Send email log summary"));
  setENCBox_3->setAccessibleName(QCoreApplication::translate("Dialog", "SMTP Server needs security connection - SSL"));
  setENRBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Account"));
  setENRBtn_2->setAccessibleName(QCoreApplication::translate("Dialog", "Anonymous"));
  setLogRBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Replace the oldest log with the new one after Max limitation has occured"));
  setLogRBtn_2->setAccessibleName(QCoreApplication::translate("Dialog", "Stop log record when Max limitation has occured"));
  setBARCBox->setAccessibleName(QCoreApplication::translate("Dialog", "Delete file(s) in the backup if the file(s) do NOT exist in the source folder(s)"));
  setBARCBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Delete local file(s) when restore if the file(s) do NOT exist in corresponding backup"));
  setMCBox->setAccessibleName(QCoreApplication::translate("Dialog", "Auto-start Tessaly Sync on Computer startup"));
  setMCBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Shutdown Computer when Backup is complete"));
  newSessionBut->setAccessibleName(QCoreApplication::translate("Dialog", "New Backup"));
  label_3->setAccessibleName(QCoreApplication::translate("Dialog", "New Backup"));
  newOneEdit->setAccessibleName(QCoreApplication::translate("Dialog", "Name"));
  cusLEdit->setAccessibleName(QCoreApplication::translate("Dialog", "Extension"));
  userNameLEdit->setAccessibleName(QCoreApplication::translate("Dialog", "User Name"));
  userPasswdLEdit->setAccessibleName(QCoreApplication::translate("Dialog", "Password"));
  restorePathLEdit->setAccessibleName(QCoreApplication::translate("Dialog", "New path"));
  setENLEdit->setAccessibleName(QCoreApplication::translate("Dialog", "User Name"));
  setENLEdit_2->setAccessibleName(QCoreApplication::translate("Dialog", "Password"));
  setENLEdit_3->setAccessibleName(QCoreApplication::translate("Dialog", "SMTP Server"));
  setENLEdit_4->setAccessibleName(QCoreApplication::translate("Dialog", "Sender E-mail"));
  setENLEdit_5->setAccessibleName(QCoreApplication::translate("Dialog", "Receiver E-mail"));
  monHourSnBox->setAccessibleName(QCoreApplication::translate("Dialog", "Hour"));
  monMinSnBox->setAccessibleName(QCoreApplication::translate("Dialog", "Minute"));
  weeklyHourSnBox->setAccessibleName(QCoreApplication::translate("Dialog", "Hour"));
  weeklyMinSnBox->setAccessibleName(QCoreApplication::translate("Dialog", "Minute"));
  dailyHourSnBox->setAccessibleName(QCoreApplication::translate("Dialog", "Hour"));
  dailyMinSnBox->setAccessibleName(QCoreApplication::translate("Dialog", "Minute"));
  monHourSnBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Hour"));
  monMinSnBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Minute"));
  weeklyHourSnBox_3->setAccessibleName(QCoreApplication::translate("Dialog", "Hour"));
  weeklyMinSnBox_3->setAccessibleName(QCoreApplication::translate("Dialog", "Minute"));
  dailyHourSnBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Hour"));
  dailyMinSnBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Minute"));
  scheduleCbBox->setAccessibleName(QCoreApplication::translate("Dialog", "Schedule"));
  dateCbBox->setAccessibleName(QCoreApplication::translate("Dialog", "Day"));
  setENCBoBox->setAccessibleName(QCoreApplication::translate("Dialog", "Schedule"));
  dateCbBox_2->setAccessibleName(QCoreApplication::translate("Dialog", "Day"));
  dateCbBox_3->setAccessibleName(QCoreApplication::translate("Dialog", "Day"));
  setLCBoBox->setAccessibleName(QCoreApplication::translate("Dialog", "Language"));
  localFolders->setAccessibleName(QCoreApplication::translate("Dialog", "Please select the folders you want to backup"));
  shareFolderTWidget->setAccessibleName(QCoreApplication::translate("Dialog", "Please select a backup destination folder"));
  deviceTWidget->setAccessibleName(QCoreApplication::translate("Dialog", "Please select a backup destination device"));
  cusLWidget->setAccessibleName(QCoreApplication::translate("Dialog", "Extensions"));
  restoreLWidget->setAccessibleName(QCoreApplication::translate("Dialog", "Please select the version you want to restore:"));
  logTaWidget->setAccessibleName(QCoreApplication::translate("Dialog", "Logs"));
  sourcePBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Source"));
  statusPBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Status"));
  destiPBtn->setAccessibleName(QCoreApplication::translate("Dialog", "Destination"));
  sourcePBtn_2->setAccessibleName(QCoreApplication::translate("Dialog", "Source"));
  statusPBtn_2->setAccessibleName(QCoreApplication::translate("Dialog", "Status"));
  destiPBtn_2->setAccessibleName(QCoreApplication::translate("Dialog", "Destination"));
  backupStatus->setAccessibleName(QCoreApplication::translate("Dialog", "Result of the last backup"));
  backupStatus_2->setAccessibleName(QCoreApplication::translate("Dialog", "Result of the last backup"));
}

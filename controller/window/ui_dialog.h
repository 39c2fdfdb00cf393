// The main window's form: every child widget of Dialog with its object name, geometry, style
// sheet and fixed properties. Written by hand in the shape a form compiler gives: setupUi builds
// the widgets page by page (one source file per page), then retranslateUi sets every text
// through the "Dialog" context and the window's on_<object>_<signal> slots are connected by name.
// The form holds no logic: the pages decide what is visible and enabled at run time.
#pragma once

#include <QtCore/QCoreApplication>
#include <QtGui/QAction>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QSpinBox>
#include <QtWidgets/QTableWidget>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QTreeView>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QWidget>

class Ui_Dialog {
 public:

  // window level
  QAction* actionNew_Folder = nullptr;
  QToolButton* newSessionBut = nullptr;
  QToolButton* curSessionBut = nullptr;
  QToolButton* logBut = nullptr;
  QToolButton* advancedBut = nullptr;
  QLabel* backupsLabel = nullptr;
  QLabel* backupsLabel_2 = nullptr;
  QLabel* titleLabel = nullptr;
  QLabel* backupsLabel_3 = nullptr;

  // new-task wizard
  QWidget* newDisplay = nullptr;
  QLineEdit* newOneEdit = nullptr;
  QLabel* newOneTitle = nullptr;
  QLabel* newTwoTitle = nullptr;
  QLabel* newThreeTitle = nullptr;
  QRadioButton* allFilesRBtn = nullptr;
  QRadioButton* speExtRBtn = nullptr;
  QCheckBox* videoCBox = nullptr;
  QCheckBox* pictureCBox = nullptr;
  QCheckBox* audioCBox = nullptr;
  QCheckBox* cusCBox = nullptr;
  QLineEdit* cusLEdit = nullptr;
  QLabel* newFourTitle = nullptr;
  QLabel* newFiveTitle = nullptr;
  QLabel* userPasswdLabel = nullptr;
  QLabel* userNameLabel = nullptr;
  QLineEdit* userNameLEdit = nullptr;
  QLineEdit* userPasswdLEdit = nullptr;
  QLabel* scheduleLabel = nullptr;
  QComboBox* scheduleCbBox = nullptr;
  QComboBox* dateCbBox = nullptr;
  QSpinBox* monHourSnBox = nullptr;
  QLabel* monColonLabel = nullptr;
  QSpinBox* monMinSnBox = nullptr;
  QWidget* backupActionWidget = nullptr;
  QRadioButton* increBuRBtn = nullptr;
  QRadioButton* fullBuRBtn = nullptr;
  QLabel* backupActionLabel = nullptr;
  QLabel* increBuLabel = nullptr;
  QLabel* label_19 = nullptr;
  QWidget* weeklyTimeWidget = nullptr;
  QCheckBox* checkBox0 = nullptr;
  QCheckBox* checkBox1 = nullptr;
  QCheckBox* checkBox2 = nullptr;
  QCheckBox* checkBox3 = nullptr;
  QCheckBox* checkBox4 = nullptr;
  QCheckBox* checkBox5 = nullptr;
  QCheckBox* checkBox6 = nullptr;
  QSpinBox* weeklyHourSnBox = nullptr;
  QLabel* label_2 = nullptr;
  QSpinBox* weeklyMinSnBox = nullptr;
  QLabel* weeklyDayLabel = nullptr;
  QLabel* sunLabel = nullptr;
  QLabel* monLabel = nullptr;
  QLabel* tueLabel = nullptr;
  QLabel* wedLabel = nullptr;
  QLabel* thuLabel = nullptr;
  QLabel* friLabel = nullptr;
  QLabel* satLabel = nullptr;
  QLabel* newSevenTitle = nullptr;
  QToolButton* newBtnNext = nullptr;
  QToolButton* newBtnCancel = nullptr;
  QToolButton* newBtnBack = nullptr;
  QToolButton* cusAddPBtn = nullptr;
  QToolButton* cusRemPBtn = nullptr;
  QLabel* newSixTitle = nullptr;
  QLabel* label_3 = nullptr;
  QLabel* backupsLabel_4 = nullptr;
  QWidget* localWidget = nullptr;
  QTreeView* localFolders = nullptr;
  QWidget* cusWidget = nullptr;
  QListWidget* cusLWidget = nullptr;
  QWidget* shareFolderWidget = nullptr;
  QTreeWidget* shareFolderTWidget = nullptr;
  QSpinBox* dailyHourSnBox = nullptr;
  QLabel* dailyColonLabel = nullptr;
  QSpinBox* dailyMinSnBox = nullptr;
  QWidget* deviceWidget = nullptr;
  QTreeWidget* deviceTWidget = nullptr;
  QLabel* allFilesLabel = nullptr;
  QLabel* speExtLabel = nullptr;
  QLabel* videoLabel = nullptr;
  QLabel* pictureLabel = nullptr;
  QLabel* audioLabel = nullptr;
  QLabel* cusLabel = nullptr;
  QToolButton* refreshTBtn = nullptr;
  QLabel* increTipLabel = nullptr;
  QLabel* fullTipLabel = nullptr;
  QLabel* sourcePathLabel = nullptr;
  QLabel* sourcePathLabel_2 = nullptr;
  QLabel* accountLabel = nullptr;
  QLabel* accountLabel_2 = nullptr;
  QLabel* deviceModelLabel = nullptr;
  QLabel* deviceModelLabel_2 = nullptr;
  QLabel* newOneTitle_2 = nullptr;
  QLabel* newEightTitle = nullptr;
  QLabel* newOneTitle_3 = nullptr;
  QLabel* editNameLabel = nullptr;
  QLabel* linkLabel = nullptr;
  QToolButton* createFolderBtn = nullptr;

  // task list
  QWidget* currWidget = nullptr;
  QLabel* statusLabel = nullptr;
  QLabel* label = nullptr;
  QWidget* sessionWidget1 = nullptr;
  QLabel* sourceLabel1 = nullptr;
  QLabel* destiLabel1 = nullptr;
  QLabel* statusLabel1 = nullptr;
  QLabel* sourceLabel2 = nullptr;
  QLabel* statusLabel2 = nullptr;
  QLabel* statusLabel3 = nullptr;
  QLabel* statusLabel4 = nullptr;
  QLabel* destiLabel2 = nullptr;
  QLabel* sourcePBtn = nullptr;
  QLabel* statusPBtn = nullptr;
  QLabel* destiPBtn = nullptr;
  QLabel* backupStatus = nullptr;
  QLabel* destiLabel3 = nullptr;
  QWidget* sessionWidget1_2 = nullptr;
  QLabel* sourceLabel1_2 = nullptr;
  QLabel* destiLabel1_2 = nullptr;
  QLabel* statusLabel1_2 = nullptr;
  QLabel* sourceLabel2_2 = nullptr;
  QLabel* statusLabel2_2 = nullptr;
  QLabel* statusLabel3_2 = nullptr;
  QLabel* statusLabel4_2 = nullptr;
  QLabel* destiLabel2_2 = nullptr;
  QLabel* sourcePBtn_2 = nullptr;
  QLabel* statusPBtn_2 = nullptr;
  QLabel* destiPBtn_2 = nullptr;
  QLabel* backupStatus_2 = nullptr;
  QLabel* destiLabel3_2 = nullptr;
  QToolButton* pageUpBtn = nullptr;
  QToolButton* pageDownBtn = nullptr;
  QToolButton* newbuPBtn = nullptr;
  QToolButton* bunowPBtn = nullptr;
  QToolButton* restbuBtn = nullptr;
  QToolButton* delbuPhBtn = nullptr;
  QLabel* pageLine = nullptr;
  QLabel* sourceLabel = nullptr;

  // restore page
  QWidget* restoreWidget = nullptr;
  QLabel* restorePathLabel = nullptr;
  QToolButton* restoreTBtn = nullptr;
  QToolButton* cancelTBtn = nullptr;
  QLabel* restoreVerLabel = nullptr;
  QWidget* versionWidget = nullptr;
  QListWidget* restoreLWidget = nullptr;
  QWidget* browsePathWidget = nullptr;
  QToolButton* restoreBTBtn = nullptr;
  QRadioButton* restorePathRBtn_2 = nullptr;
  QLabel* restorePathLabel_2 = nullptr;
  QLabel* restorePathLabel_3 = nullptr;
  QRadioButton* restorePathRBtn = nullptr;
  QLineEdit* restorePathLEdit = nullptr;

  // log page
  QWidget* logWidget = nullptr;
  QToolButton* clearTBtn = nullptr;
  QTableWidget* logTaWidget = nullptr;
  QLabel* label_15 = nullptr;
  QLabel* label_16 = nullptr;
  QLabel* label_17 = nullptr;
  QLabel* label_18 = nullptr;

  // settings page
  QWidget* settingWidget = nullptr;
  QToolButton* settingSTBtn = nullptr;
  QToolButton* settingDTBtn = nullptr;
  QToolButton* settingCTBtn = nullptr;
  QWidget* setMainWidget = nullptr;
  QToolButton* setConfigBtn = nullptr;
  QLabel* setConfigLabel = nullptr;
  QToolButton* setLanguageBtn = nullptr;
  QToolButton* setEmailBtn = nullptr;
  QLabel* setLanguageLabel = nullptr;
  QLabel* setEmailLabel = nullptr;
  QToolButton* setLogBtn = nullptr;
  QToolButton* setBackupBtn = nullptr;
  QToolButton* setMiscBtn = nullptr;
  QLabel* setLogLabel_2 = nullptr;
  QLabel* setBackupLabel = nullptr;
  QLabel* setLogLabel_4 = nullptr;
  QWidget* setConfigWidget = nullptr;
  QLabel* setSCILabel = nullptr;
  QToolButton* setSCEBtn = nullptr;
  QLabel* setSCELabel = nullptr;
  QToolButton* setSCIBtn = nullptr;
  QLabel* setConfigTLabel = nullptr;
  QWidget* setLanguageWidget = nullptr;
  QComboBox* setLCBoBox = nullptr;
  QLabel* setLanguageTLabel = nullptr;
  QWidget* setEmailWidget = nullptr;
  QLabel* setENLabel_2 = nullptr;
  QSpinBox* monHourSnBox_2 = nullptr;
  QSpinBox* monMinSnBox_2 = nullptr;
  QLabel* monColonLabel_2 = nullptr;
  QComboBox* setENCBoBox = nullptr;
  QCheckBox* setENCBox_3 = nullptr;
  QLabel* label_14 = nullptr;
  QLabel* label_11 = nullptr;
  QCheckBox* setENCBox = nullptr;
  QLabel* setENLabel_8 = nullptr;
  QLabel* setENLabel_7 = nullptr;
  QLabel* setENLabel_4 = nullptr;
  QLineEdit* setENLEdit = nullptr;
  QCheckBox* setENCBox_2 = nullptr;
  QSpinBox* dailyHourSnBox_2 = nullptr;
  QLabel* setENLabel_3 = nullptr;
  QLabel* setENLabel = nullptr;
  QLineEdit* setENLEdit_2 = nullptr;
  QLabel* label_10 = nullptr;
  QLineEdit* setENLEdit_4 = nullptr;
  QLineEdit* setENLEdit_5 = nullptr;
  QLabel* setENLabel_5 = nullptr;
  QLabel* dailyColonLabel_2 = nullptr;
  QLabel* setENLabel_6 = nullptr;
  QLineEdit* setENLEdit_3 = nullptr;
  QRadioButton* setENRBtn_2 = nullptr;
  QRadioButton* setENRBtn = nullptr;
  QSpinBox* dailyMinSnBox_2 = nullptr;
  QComboBox* dateCbBox_2 = nullptr;
  QWidget* weeklyTimeWidget_2 = nullptr;
  QSpinBox* weeklyHourSnBox_3 = nullptr;
  QLabel* label_4 = nullptr;
  QComboBox* dateCbBox_3 = nullptr;
  QSpinBox* weeklyMinSnBox_3 = nullptr;
  QLabel* setEmailTLabel = nullptr;
  QWidget* setLogWidget = nullptr;
  QLabel* label_13 = nullptr;
  QLabel* label_12 = nullptr;
  QRadioButton* setLogRBtn = nullptr;
  QLabel* setLogLabel = nullptr;
  QRadioButton* setLogRBtn_2 = nullptr;
  QLabel* setLogTLabel = nullptr;
  QWidget* setBackupWidget = nullptr;
  QLabel* label_7 = nullptr;
  QCheckBox* setBARCBox = nullptr;
  QLabel* label_6 = nullptr;
  QCheckBox* setBARCBox_2 = nullptr;
  QLabel* setBackupTLabel = nullptr;
  QWidget* setMiscWidget = nullptr;
  QCheckBox* setMCBox_2 = nullptr;
  QLabel* label_9 = nullptr;
  QCheckBox* setMCBox = nullptr;
  QLabel* label_8 = nullptr;
  QLabel* setMiscTLabel = nullptr;

  // Builds every object above in this order, then retranslateUi, then the by-name connections.
  void setupUi(QDialog* Dialog);
  // Sets every text of the form through the translator; refills the combo boxes whose item
  // order the pages rely on, so their current index returns to 0.
  void retranslateUi(QDialog* Dialog);

 private:
  // One builder per page, each in its own source file (ui_dialog_<page>.cpp).
  void setupWindowLevel(QDialog* Dialog);   // ui_dialog_window.cpp
  void setupWizardPage(QDialog* Dialog);    // ui_dialog_wizard.cpp
  void setupTasksPage(QDialog* Dialog);     // ui_dialog_tasks.cpp
  void setupRestorePage(QDialog* Dialog);   // ui_dialog_restore.cpp
  void setupLogPage(QDialog* Dialog);       // ui_dialog_log.cpp
  void setupSettingsPage(QDialog* Dialog);  // ui_dialog_settings.cpp
};

namespace Ui {
class Dialog : public Ui_Dialog {};
}  // namespace Ui

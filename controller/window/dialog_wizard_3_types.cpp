// The wizard's step 3: the kinds of files to back up, all files or the chosen groups (video,
// pictures, audio) and extensions of the user's own.
#include <initializer_list>

#include "dialog.h"
#include "ui_style.h"

using wizard_logic::StepResult;

void Dialog::showFileTypesStep() {
  ui.newThreeTitle->show();
  for (QWidget* w : std::initializer_list<QWidget*>{
           ui.allFilesRBtn, ui.allFilesLabel, ui.speExtRBtn, ui.speExtLabel, ui.videoCBox,
           ui.videoLabel, ui.pictureCBox, ui.pictureLabel, ui.audioCBox, ui.audioLabel, ui.cusCBox,
           ui.cusLabel, ui.cusLEdit, ui.cusAddPBtn, ui.cusRemPBtn})
    w->show();
  // The panel holds the kinds of files from below the two choices down to above the buttons;
  // the list of own extensions stands under the extension field.
  placeWizardWidget(ui.cusWidget, QRect(101, 176, 452, 270));
  placeWizardWidget(ui.cusLWidget, QRect(175, 150, 150, 104));
}

void Dialog::on_allFilesRBtn_clicked() {
  ui.allFilesRBtn->setChecked(true);
  ui.speExtRBtn->setChecked(false);
  updateTypeControls();
}

void Dialog::on_speExtRBtn_clicked() {
  ui.speExtRBtn->setChecked(true);
  ui.allFilesRBtn->setChecked(false);
  updateTypeControls();
}

void Dialog::updateTypeControls() {
  const bool all = ui.allFilesRBtn->isChecked();
  for (QCheckBox* box : {ui.videoCBox, ui.pictureCBox, ui.audioCBox, ui.cusCBox}) {
    if (all) box->setChecked(false);
    box->setEnabled(!all);
  }
  on_cusCBox_clicked();
}

void Dialog::on_cusCBox_clicked() {
  const bool on = ui.cusCBox->isChecked();
  ui.cusWidget->setStyleSheet(form_style::panel(
      QStringLiteral("cusWidget"),
      on ? QStringLiteral("content_area_02_bg_n.png") : QStringLiteral("content_area_02_bg_d.png")));
  for (QWidget* w : std::initializer_list<QWidget*>{ui.cusLEdit, ui.cusLWidget, ui.cusAddPBtn,
                                                     ui.cusRemPBtn}) {
    w->setEnabled(on);
  }
  if (on) {
    ui.cusLEdit->setFocus();
  } else {
    ui.cusLEdit->clear();
  }
}

void Dialog::on_cusAddPBtn_clicked() {
  const QString typed = ui.cusLEdit->text();
  switch (wizard_logic::checkCustomExtension(typed)) {
    case wizard_logic::ExtensionCheck::Empty:
      wizardWarning(tr("Please enter the extension!"));
      return;
    case wizard_logic::ExtensionCheck::Invalid:
      wizardWarning(tr("Invalid extension! Correct extension should like *.txt."));
      return;
    case wizard_logic::ExtensionCheck::Ok:
      break;
  }
  ui.cusLWidget->addItem(typed);
  ui.cusLEdit->clear();
}

void Dialog::on_cusRemPBtn_clicked() {
  QListWidgetItem* current = ui.cusLWidget->currentItem();
  if (!current) {
    wizardWarning(tr("Please select a extension to remove!"));
    return;
  }
  delete current;
}

StepResult Dialog::checkFileTypes() {
  wizard_.videoExtensions.clear();
  wizard_.pictureExtensions.clear();
  wizard_.audioExtensions.clear();
  wizard_.customExtensions.clear();
  if (ui.allFilesRBtn->isChecked()) {
    const QStringList all = {QStringLiteral(".*")};
    wizard_.videoExtensions = all;
    wizard_.pictureExtensions = all;
    wizard_.audioExtensions = all;
    wizard_.customExtensions = all;
    return StepResult::Passed;
  }
  if (ui.videoCBox->isChecked()) wizard_.videoExtensions = wizard_logic::videoExtensions();
  if (ui.pictureCBox->isChecked()) wizard_.pictureExtensions = wizard_logic::pictureExtensions();
  if (ui.audioCBox->isChecked()) wizard_.audioExtensions = wizard_logic::audioExtensions();
  if (ui.cusCBox->isChecked()) {
    // Typed as "*.ext"; kept as ".ext".
    for (int row = 0; row < ui.cusLWidget->count(); ++row) {
      wizard_.customExtensions << ui.cusLWidget->item(row)->text().mid(1);
    }
  }
  if (wizard_.videoExtensions.isEmpty() && wizard_.pictureExtensions.isEmpty() &&
      wizard_.audioExtensions.isEmpty() && wizard_.customExtensions.isEmpty()) {
    wizardWarning(tr("You haven't specified any extension for backup!"));
    return StepResult::Refused;
  }
  return StepResult::Passed;
}

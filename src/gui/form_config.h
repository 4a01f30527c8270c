// The settings dialog ("設定"): three pages over TConfigDialogData. "一般" holds the balloon font,
// the typing interval, the window's zoom and the log, sound and external-program switches;
// "ユーザー" the user's profile; "Plug-in" the plug-in switch and the two plug-in lists with each
// plug-in's description and its own configuration dialog.
//
// The widgets show a copy of the data; the caller's data changes only when OK confirms valid
// values. Both OK and Cancel (Escape, closing the window) validate first with ValidateConfig: on
// failure the message is shown, the "ユーザー" page comes up and the dialog stays open, so an
// incomplete profile cannot be left unfilled.
#pragma once

#include <QDialog>
#include <QFont>

#include "shell/config_dialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace kelmo {

class TFormConfig : public QDialog {
  Q_OBJECT

 public:
  // Shows data, which must outlive the dialog; the "ユーザー" page is showing. exec() returns
  // Accepted when OK confirmed valid values, data then holding them; otherwise data is unchanged.
  explicit TFormConfig(TConfigDialogData& data, QWidget* parent = nullptr);

  // Cancel: closes only when the values are valid (see above); nothing is stored.
  void reject() override;

 protected:
  // Asks for the balloon font starting at current; sets *chosen to whether one was chosen. Tests
  // replace it.
  virtual QFont ChooseFont(const QFont& current, bool* chosen);

 private slots:
  void ButtonSetClick();
  void ButtonCancelClick();
  void ButtonFontClick();
  void CheckPluginClick(bool checked);
  void ListPluginSClick();
  void ListPluginEClick();
  void ButtonPluginSClick();
  void ButtonPluginEClick();

 private:
  QWidget* BuildTabGeneral();
  QWidget* BuildTabUser();
  QWidget* BuildTabPlugin();
  // The values the widgets show now.
  TConfigDialogData EditedData() const;
  // ValidateConfig on the widgets; on failure shows the message, brings up TabUser and returns
  // false.
  bool ValidateShown();
  // Shows GetPluginInfo(3) of the selected plug-in of list in description.
  void ShowPluginDescription(TPluginList* plugins, QListWidget* list, QLabel* description);
  // ConfigurationDialog of the selected plug-in of list.
  void ConfigurePlugin(TPluginList* plugins, QListWidget* list);

  TConfigDialogData& data_;
  QFont font_;               // FontDialog's font: the balloon font until one is chosen
  bool fontChosen_ = false;  // the balloon font changes only when one was chosen

  QTabWidget* pageConfig_;
  QWidget* tabGeneral_;
  QWidget* tabUser_;
  QWidget* tabPlugin_;
  QPushButton* buttonSet_;
  QPushButton* buttonCancel_;
  // TabGeneral
  QGroupBox* groupGeneral_;
  QPushButton* buttonFont_;
  QSpinBox* editInterval_;
  QSpinBox* editZoom_;
  QCheckBox* checkExChar_;
  QCheckBox* checkDesktopMode_;
  QCheckBox* checkLog_;
  QCheckBox* checkSound_;
  QCheckBox* checkExecute_;
  // TabUser
  QLineEdit* editMyoji_;
  QLineEdit* editNamae_;
  QLineEdit* editHandleName_;
  QLineEdit* editNickName_;
  QRadioButton* radioMale_;
  QRadioButton* radioFemale_;
  QSpinBox* memoYear_;
  QSpinBox* memoMonth_;
  QSpinBox* memoDay_;
  // TabPlugin
  QCheckBox* checkPlugin_;
  QTabWidget* pagePlugin_;
  QListWidget* listPluginS_;
  QLabel* staticPluginS_;
  QPushButton* buttonPluginS_;
  QListWidget* listPluginE_;
  QLabel* staticPluginE_;
  QPushButton* buttonPluginE_;
};

}  // namespace kelmo

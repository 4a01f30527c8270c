// The settings dialog over its data.
#include "gui/form_config.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "gui/message_box.h"
#include "gui/qt_text.h"
#include "plugins/plugin_list.h"
#include "shell/settings.h"

namespace kelmo {
namespace {

// GetPluginInfo index of a plug-in's description.
constexpr int kInfoDescription = 3;
// The zoom box's step, in percent.
constexpr int kZoomStep = 10;
// The object names of a plug-in page ("基本 Plug-in" or "拡張 Plug-in") and its components.
struct TPluginPageNames {
  const char* Page;
  const char* List;
  const char* Description;
  const char* Button;
};
constexpr TPluginPageNames kBasicPluginNames = {"TabPluginS", "ListPluginS", "StaticPluginS",
                                                "ButtonPluginS"};
constexpr TPluginPageNames kExtendedPluginNames = {"TabPluginE", "ListPluginE", "StaticPluginE",
                                                   "ButtonPluginE"};
// The up-down ranges of the birthday's month and day.
constexpr int kMonthsInYear = 12;
constexpr int kMaxDayOfMonth = 31;

// The note under the profile, with its line break as the dialog shows it.
constexpr const char* kProfileNote =
    "ハンドルネームとニックネームの違いが分からない場合は同じにしておいて下さい(^^;\r\n"
    "個人情報の取得なんて考えは毛頭ありませんのでご安心を(笑)";

// A number changed only through its arrows, as the dialog's up-down fields are: the text cannot
// be typed over, so the value is always one the arrows reach.
class TUpDownField : public QSpinBox {
 public:
  TUpDownField(const char* name, int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setObjectName(name);
    setRange(minimum, maximum);
    lineEdit()->setReadOnly(true);
  }
};

QCheckBox* NewCheckBox(const char* name, const char* caption, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  box->setChecked(checked);
  return box;
}

QLineEdit* NewEdit(const char* name, const std::string& text, QWidget* parent) {
  auto* edit = new QLineEdit(FromUtf8(text), parent);
  edit->setObjectName(name);
  return edit;
}

QPushButton* NewButton(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QGroupBox* NewGroup(const char* name, const char* caption, QWidget* parent) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(name);
  return group;
}

QFont BalloonFont(const std::string& name, int pointSize) {
  QFont font;
  font.setFamilies(WithJapaneseFallback(FromUtf8(name)));
  if (pointSize > 0) font.setPointSize(pointSize);
  return font;
}

// A plug-in page listing plugins (null: none), its components named by names.
QWidget* NewPluginPage(const TPluginPageNames& names, TPluginList* plugins, QListWidget*& list,
                       QLabel*& description, QPushButton*& button) {
  auto* page = new QWidget;
  page->setObjectName(names.Page);
  list = new QListWidget(page);
  list->setObjectName(names.List);
  if (plugins != nullptr) {
    for (const std::string& line : PluginListLines(*plugins)) list->addItem(FromUtf8(line));
  }
  description = new QLabel(page);
  description->setObjectName(names.Description);
  description->setWordWrap(true);
  description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  description->setFrameShape(QFrame::StyledPanel);
  description->setMinimumHeight(description->fontMetrics().height() * 3);
  button = NewButton(names.Button, "設定(&C)", page);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(list, 1);
  layout->addWidget(description);
  layout->addWidget(button, 0, Qt::AlignRight);
  return page;
}

// The row selected in list, or -1.
int SelectedRow(const QListWidget* list) {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.size() == 1 ? list->row(selected.front()) : -1;
}

}  // namespace

TFormConfig::TFormConfig(TConfigDialogData& data, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      data_(data),
      font_(BalloonFont(data.FontName, data.FontSize)) {
  setObjectName("FormConfig");
  setWindowTitle("設定");

  pageConfig_ = new QTabWidget(this);
  pageConfig_->setObjectName("PageConfig");
  pageConfig_->addTab(BuildTabGeneral(), "一般");
  pageConfig_->addTab(BuildTabUser(), "ユーザー");
  pageConfig_->addTab(BuildTabPlugin(), "Plug-in");
  pageConfig_->setCurrentWidget(tabUser_);

  buttonSet_ = new QPushButton("&OK", this);
  buttonSet_->setObjectName("ButtonSet");
  buttonSet_->setDefault(true);
  buttonCancel_ = NewButton("ButtonCancel", "&Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(buttonSet_);
  buttons->addWidget(buttonCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pageConfig_);
  layout->addLayout(buttons);

  connect(buttonSet_, &QPushButton::clicked, this, &TFormConfig::ButtonSetClick);
  connect(buttonCancel_, &QPushButton::clicked, this, &TFormConfig::ButtonCancelClick);
  connect(buttonFont_, &QPushButton::clicked, this, &TFormConfig::ButtonFontClick);
  connect(checkPlugin_, &QCheckBox::toggled, this, &TFormConfig::CheckPluginClick);
  connect(listPluginS_, &QListWidget::itemSelectionChanged, this, &TFormConfig::ListPluginSClick);
  connect(listPluginE_, &QListWidget::itemSelectionChanged, this, &TFormConfig::ListPluginEClick);
  connect(buttonPluginS_, &QPushButton::clicked, this, &TFormConfig::ButtonPluginSClick);
  connect(buttonPluginE_, &QPushButton::clicked, this, &TFormConfig::ButtonPluginEClick);
}

QWidget* TFormConfig::BuildTabGeneral() {
  tabGeneral_ = new QWidget;
  tabGeneral_->setObjectName("TabGeneral");

  groupGeneral_ = NewGroup("GroupGeneral", "Kelmo 一般の設定", tabGeneral_);
  auto* labelFont = new QLabel("フォントの設定:", groupGeneral_);
  labelFont->setObjectName("LabelFont");
  buttonFont_ = NewButton("ButtonFont", "設定(&F)", groupGeneral_);
  // A stored interval beyond the arrows' range is shown as it is, so that confirming without
  // touching it keeps it.
  editInterval_ = new TUpDownField("EditInterval", kMinIntervalControl,
                                   std::max(kMaxIntervalControl, data_.Interval), groupGeneral_);
  editInterval_->setValue(data_.Interval);
  auto* labelInterval = new QLabel("速度(&H):", groupGeneral_);
  labelInterval->setObjectName("LabelInterval");
  labelInterval->setBuddy(editInterval_);
  // Kept for the settings file only: the program has no file associations to make.
  checkExChar_ = NewCheckBox("CheckExChar", "拡張子(.klc)の関連付けをする(&E)", data_.ExtensionChar,
                             groupGeneral_);
  checkExChar_->setVisible(false);
  auto* general = new QGridLayout(groupGeneral_);
  general->addWidget(labelFont, 0, 0);
  general->addWidget(buttonFont_, 0, 1);
  general->addWidget(labelInterval, 1, 0);
  general->addWidget(editInterval_, 1, 1);
  general->addWidget(new QLabel("ms", groupGeneral_), 1, 2);
  // The zoom may be typed as well as stepped; the box keeps it within the range.
  editZoom_ = new QSpinBox(groupGeneral_);
  editZoom_->setObjectName("EditZoom");
  editZoom_->setRange(kMinZoom, kMaxZoom);
  editZoom_->setSingleStep(kZoomStep);
  editZoom_->setValue(data_.Zoom);
  auto* labelZoom = new QLabel("拡大率(&Z):", groupGeneral_);
  labelZoom->setObjectName("LabelZoom");
  labelZoom->setBuddy(editZoom_);
  general->addWidget(labelZoom, 2, 0);
  general->addWidget(editZoom_, 2, 1);
  general->addWidget(new QLabel("%", groupGeneral_), 2, 2);
  checkDesktopMode_ = NewCheckBox("CheckDesktopMode", "デスクトップに立たせる(&D)",
                                  data_.DesktopMode, groupGeneral_);
  general->addWidget(checkDesktopMode_, 3, 0, 1, 3);
  general->setColumnStretch(3, 1);

  auto* groupLog = NewGroup("GroupLog", "ログの設定", tabGeneral_);
  checkLog_ = NewCheckBox("CheckLog", "ログを保存する(&L)", data_.LogKeep, groupLog);
  (new QVBoxLayout(groupLog))->addWidget(checkLog_);

  auto* groupOther = NewGroup("GroupOther", "その他の設定", tabGeneral_);
  checkSound_ = NewCheckBox("CheckSound", "サウンドを使用(&S)", data_.PlaySound, groupOther);
  checkExecute_ =
      NewCheckBox("CheckExecute", "外部 EXE 実行を許可(A)", data_.AllowExecute, groupOther);
  auto* other = new QVBoxLayout(groupOther);
  other->addWidget(checkSound_);
  other->addWidget(checkExecute_);

  auto* layout = new QVBoxLayout(tabGeneral_);
  layout->addWidget(groupGeneral_);
  layout->addWidget(groupLog);
  layout->addWidget(groupOther);
  layout->addStretch();
  return tabGeneral_;
}

QWidget* TFormConfig::BuildTabUser() {
  tabUser_ = new QWidget;
  tabUser_->setObjectName("TabUser");

  editMyoji_ = NewEdit("EditMyoji", data_.Surname, tabUser_);
  editNamae_ = NewEdit("EditNamae", data_.GivenName, tabUser_);
  editHandleName_ = NewEdit("EditHandleName", data_.HandleName, tabUser_);
  editNickName_ = NewEdit("EditNickName", data_.Nickname, tabUser_);

  auto* sex = new QWidget(tabUser_);
  radioMale_ = new QRadioButton("男", sex);
  radioMale_->setObjectName("RadioMale");
  radioFemale_ = new QRadioButton("女", sex);
  radioFemale_->setObjectName("RadioFemale");
  (data_.IsMale ? radioMale_ : radioFemale_)->setChecked(true);
  auto* sexRow = new QHBoxLayout(sex);
  sexRow->setContentsMargins(0, 0, 0, 0);
  sexRow->addWidget(radioMale_);
  sexRow->addWidget(radioFemale_);
  sexRow->addStretch();

  auto* birthday = new QWidget(tabUser_);
  memoYear_ = new TUpDownField("MemoYear", kMinBirthYear, kMaxBirthYear, birthday);
  memoYear_->setValue(data_.BirthYear);
  memoMonth_ = new TUpDownField("MemoMonth", 1, kMonthsInYear, birthday);
  memoMonth_->setValue(data_.BirthMonth);
  memoDay_ = new TUpDownField("MemoDay", 1, kMaxDayOfMonth, birthday);
  memoDay_->setValue(data_.BirthDay);
  auto* birthdayRow = new QHBoxLayout(birthday);
  birthdayRow->setContentsMargins(0, 0, 0, 0);
  for (const auto& [field, unit] :
       {std::pair{memoYear_, "年"}, std::pair{memoMonth_, "月"}, std::pair{memoDay_, "日"}}) {
    birthdayRow->addWidget(field);
    birthdayRow->addWidget(new QLabel(unit, birthday));
  }
  birthdayRow->addStretch();

  auto* note = new QLabel(QString(kProfileNote).replace("\r\n", "\n"), tabUser_);
  note->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow("苗字(&L):", editMyoji_);
  form->addRow("名前(&F):", editNamae_);
  form->addRow("ハンドルネーム(&H):", editHandleName_);
  form->addRow("ニックネーム(&N):", editNickName_);
  form->addRow("性別(&G):", sex);
  form->addRow("誕生日(&B):", birthday);
  // The buddies of the two composite rows are their first fields, so the accelerators land there.
  qobject_cast<QLabel*>(form->labelForField(sex))->setBuddy(radioMale_);
  qobject_cast<QLabel*>(form->labelForField(birthday))->setBuddy(memoYear_);

  auto* layout = new QVBoxLayout(tabUser_);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addStretch();
  return tabUser_;
}

QWidget* TFormConfig::BuildTabPlugin() {
  tabPlugin_ = new QWidget;
  tabPlugin_->setObjectName("TabPlugin");
  checkPlugin_ =
      NewCheckBox("CheckPlugin", "Plug-in を有効にする(&E)", data_.PluginsEnabled, tabPlugin_);
  pagePlugin_ = new QTabWidget(tabPlugin_);
  pagePlugin_->setObjectName("PagePlugin");
  pagePlugin_->addTab(NewPluginPage(kBasicPluginNames, data_.BasicPlugins, listPluginS_,
                                    staticPluginS_, buttonPluginS_),
                      "基本 Plug-in");
  pagePlugin_->addTab(NewPluginPage(kExtendedPluginNames, data_.ExtendedPlugins, listPluginE_,
                                    staticPluginE_, buttonPluginE_),
                      "拡張 Plug-in");
  pagePlugin_->setEnabled(data_.PluginsEnabled);

  auto* layout = new QVBoxLayout(tabPlugin_);
  layout->addWidget(checkPlugin_);
  layout->addWidget(pagePlugin_, 1);
  return tabPlugin_;
}

TConfigDialogData TFormConfig::EditedData() const {
  TConfigDialogData data = data_;
  if (fontChosen_) {
    data.FontName = font_.family().toStdString();
    if (font_.pointSize() > 0) data.FontSize = font_.pointSize();
  }
  data.Interval = editInterval_->value();
  data.Zoom = editZoom_->value();
  data.DesktopMode = checkDesktopMode_->isChecked();
  data.ExtensionChar = checkExChar_->isChecked();
  data.LogKeep = checkLog_->isChecked();
  data.PlaySound = checkSound_->isChecked();
  data.AllowExecute = checkExecute_->isChecked();
  data.Surname = editMyoji_->text().toStdString();
  data.GivenName = editNamae_->text().toStdString();
  data.HandleName = editHandleName_->text().toStdString();
  data.Nickname = editNickName_->text().toStdString();
  data.IsMale = !radioFemale_->isChecked();
  data.BirthYear = memoYear_->value();
  data.BirthMonth = memoMonth_->value();
  data.BirthDay = memoDay_->value();
  data.PluginsEnabled = checkPlugin_->isChecked();
  return data;
}

bool TFormConfig::ValidateShown() {
  const std::string message = ValidateConfig(EditedData());
  if (message.empty()) return true;
  ShowMessageBox(this, message);
  pageConfig_->setCurrentWidget(tabUser_);
  return false;
}

void TFormConfig::reject() {
  if (ValidateShown()) QDialog::reject();
}

QFont TFormConfig::ChooseFont(const QFont& current, bool* chosen) {
  return QFontDialog::getFont(chosen, current, this);
}

void TFormConfig::ButtonSetClick() {
  if (!ValidateShown()) return;
  data_ = EditedData();
  accept();
}

void TFormConfig::ButtonCancelClick() {
  reject();
}

void TFormConfig::ButtonFontClick() {
  bool chosen = false;
  const QFont font = ChooseFont(font_, &chosen);
  if (!chosen) return;
  font_ = font;
  fontChosen_ = true;
}

void TFormConfig::CheckPluginClick(bool checked) {
  pagePlugin_->setEnabled(checked);
}

void TFormConfig::ListPluginSClick() {
  ShowPluginDescription(data_.BasicPlugins, listPluginS_, staticPluginS_);
}

void TFormConfig::ListPluginEClick() {
  ShowPluginDescription(data_.ExtendedPlugins, listPluginE_, staticPluginE_);
}

void TFormConfig::ButtonPluginSClick() {
  ConfigurePlugin(data_.BasicPlugins, listPluginS_);
}

void TFormConfig::ButtonPluginEClick() {
  ConfigurePlugin(data_.ExtendedPlugins, listPluginE_);
}

// The plug-in's own failures are reported here, as the application reports any other error:
// they cannot travel through the event loop.
void TFormConfig::ShowPluginDescription(TPluginList* plugins, QListWidget* list,
                                        QLabel* description) {
  const int row = SelectedRow(list);
  if (plugins == nullptr || row < 0) return;
  try {
    description->setText(QString::fromStdU16String(plugins->PluginInfo(row, kInfoDescription)));
  } catch (const std::exception& error) {
    ShowMessageBox(this, error.what());
  }
}

void TFormConfig::ConfigurePlugin(TPluginList* plugins, QListWidget* list) {
  const int row = SelectedRow(list);
  if (plugins == nullptr || row < 0) return;
  try {
    plugins->ConfigurationDialog(row);
  } catch (const std::exception& error) {
    ShowMessageBox(this, error.what());
  }
}

}  // namespace kelmo

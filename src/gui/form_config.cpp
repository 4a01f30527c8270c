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
#include "plugins/plugin_list.h"
#include "shell/settings.h"

namespace kelmo {
namespace {

// GetPluginInfo index of a plug-in's description.
constexpr int kInfoDescription = 3;
// The family shown when the stored balloon font is not installed.
constexpr const char* kFallbackFontFamily = "Noto Sans CJK JP";
// The zoom box's step, in percent.
constexpr int kZoomStep = 10;
// The up-down ranges of the birthday's month and day.
constexpr int kMonthsInYear = 12;
constexpr int kMaxDayOfMonth = 31;

// The note under the profile, with its line break as the dialog shows it.
constexpr const char* kProfileNote =
    "ハンドルネームとニックネームの違いが分からない場合は同じにしておいて下さい(^^;\r\n"
    "個人情報の取得なんて考えは毛頭ありませんのでご安心を(笑)";

QString FromUtf8(const std::string& text) {
  return QString::fromStdString(text);
}

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

QPushButton* NewButton(const QString& name, const char* caption, QWidget* parent) {
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
  font.setFamilies({FromUtf8(name), kFallbackFontFamily});
  if (pointSize > 0) font.setPointSize(pointSize);
  return font;
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

  PageConfig = new QTabWidget(this);
  PageConfig->setObjectName("PageConfig");
  PageConfig->addTab(BuildTabGeneral(), "一般");
  PageConfig->addTab(BuildTabUser(), "ユーザー");
  PageConfig->addTab(BuildTabPlugin(), "Plug-in");
  PageConfig->setCurrentWidget(TabUser);

  ButtonSet = new QPushButton("&OK", this);
  ButtonSet->setObjectName("ButtonSet");
  ButtonSet->setDefault(true);
  ButtonCancel = NewButton("ButtonCancel", "&Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonSet);
  buttons->addWidget(ButtonCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageConfig);
  layout->addLayout(buttons);

  connect(ButtonSet, &QPushButton::clicked, this, &TFormConfig::ButtonSetClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormConfig::ButtonCancelClick);
  connect(ButtonFont, &QPushButton::clicked, this, &TFormConfig::ButtonFontClick);
  connect(CheckPlugin, &QCheckBox::toggled, this, &TFormConfig::CheckPluginClick);
  connect(ListPluginS, &QListWidget::itemSelectionChanged, this, &TFormConfig::ListPluginSClick);
  connect(ListPluginE, &QListWidget::itemSelectionChanged, this, &TFormConfig::ListPluginEClick);
  connect(ButtonPluginS, &QPushButton::clicked, this, &TFormConfig::ButtonPluginSClick);
  connect(ButtonPluginE, &QPushButton::clicked, this, &TFormConfig::ButtonPluginEClick);
}

QWidget* TFormConfig::BuildTabGeneral() {
  TabGeneral = new QWidget;
  TabGeneral->setObjectName("TabGeneral");

  GroupGeneral = NewGroup("GroupGeneral", "Kelmo 一般の設定", TabGeneral);
  auto* labelFont = new QLabel("フォントの設定:", GroupGeneral);
  labelFont->setObjectName("LabelFont");
  ButtonFont = NewButton("ButtonFont", "設定(&F)", GroupGeneral);
  // A stored interval beyond the arrows' range is shown as it is, so that confirming without
  // touching it keeps it.
  EditInterval = new TUpDownField("EditInterval", kMinIntervalControl,
                                  std::max(kMaxIntervalControl, data_.Interval), GroupGeneral);
  EditInterval->setValue(data_.Interval);
  auto* labelInterval = new QLabel("速度(&H):", GroupGeneral);
  labelInterval->setObjectName("LabelInterval");
  labelInterval->setBuddy(EditInterval);
  // Kept for the settings file only: the program has no file associations to make.
  CheckExChar = NewCheckBox("CheckExChar", "拡張子(.klc)の関連付けをする(&E)", data_.ExtensionChar,
                            GroupGeneral);
  CheckExChar->setVisible(false);
  auto* general = new QGridLayout(GroupGeneral);
  general->addWidget(labelFont, 0, 0);
  general->addWidget(ButtonFont, 0, 1);
  general->addWidget(labelInterval, 1, 0);
  general->addWidget(EditInterval, 1, 1);
  general->addWidget(new QLabel("ms", GroupGeneral), 1, 2);
  // The zoom may be typed as well as stepped; the box keeps it within the range.
  EditZoom = new QSpinBox(GroupGeneral);
  EditZoom->setObjectName("EditZoom");
  EditZoom->setRange(kMinZoom, kMaxZoom);
  EditZoom->setSingleStep(kZoomStep);
  EditZoom->setValue(data_.Zoom);
  auto* labelZoom = new QLabel("拡大率(&Z):", GroupGeneral);
  labelZoom->setObjectName("LabelZoom");
  labelZoom->setBuddy(EditZoom);
  general->addWidget(labelZoom, 2, 0);
  general->addWidget(EditZoom, 2, 1);
  general->addWidget(new QLabel("%", GroupGeneral), 2, 2);
  general->setColumnStretch(3, 1);

  auto* groupLog = NewGroup("GroupLog", "ログの設定", TabGeneral);
  CheckLog = NewCheckBox("CheckLog", "ログを保存する(&L)", data_.LogKeep, groupLog);
  (new QVBoxLayout(groupLog))->addWidget(CheckLog);

  auto* groupOther = NewGroup("GroupOther", "その他の設定", TabGeneral);
  CheckSound = NewCheckBox("CheckSound", "サウンドを使用(&S)", data_.PlaySound, groupOther);
  CheckExecute =
      NewCheckBox("CheckExecute", "外部 EXE 実行を許可(A)", data_.AllowExecute, groupOther);
  auto* other = new QVBoxLayout(groupOther);
  other->addWidget(CheckSound);
  other->addWidget(CheckExecute);

  auto* layout = new QVBoxLayout(TabGeneral);
  layout->addWidget(GroupGeneral);
  layout->addWidget(groupLog);
  layout->addWidget(groupOther);
  layout->addStretch();
  return TabGeneral;
}

QWidget* TFormConfig::BuildTabUser() {
  TabUser = new QWidget;
  TabUser->setObjectName("TabUser");

  EditMyoji = NewEdit("EditMyoji", data_.Surname, TabUser);
  EditNamae = NewEdit("EditNamae", data_.GivenName, TabUser);
  EditHandleName = NewEdit("EditHandleName", data_.HandleName, TabUser);
  EditNickName = NewEdit("EditNickName", data_.Nickname, TabUser);

  auto* sex = new QWidget(TabUser);
  RadioMale = new QRadioButton("男", sex);
  RadioMale->setObjectName("RadioMale");
  RadioFemale = new QRadioButton("女", sex);
  RadioFemale->setObjectName("RadioFemale");
  (data_.IsMale ? RadioMale : RadioFemale)->setChecked(true);
  auto* sexRow = new QHBoxLayout(sex);
  sexRow->setContentsMargins(0, 0, 0, 0);
  sexRow->addWidget(RadioMale);
  sexRow->addWidget(RadioFemale);
  sexRow->addStretch();

  auto* birthday = new QWidget(TabUser);
  MemoYear = new TUpDownField("MemoYear", kMinBirthYear, kMaxBirthYear, birthday);
  MemoYear->setValue(data_.BirthYear);
  MemoMonth = new TUpDownField("MemoMonth", 1, kMonthsInYear, birthday);
  MemoMonth->setValue(data_.BirthMonth);
  MemoDay = new TUpDownField("MemoDay", 1, kMaxDayOfMonth, birthday);
  MemoDay->setValue(data_.BirthDay);
  auto* birthdayRow = new QHBoxLayout(birthday);
  birthdayRow->setContentsMargins(0, 0, 0, 0);
  for (const auto& [field, unit] :
       {std::pair{MemoYear, "年"}, std::pair{MemoMonth, "月"}, std::pair{MemoDay, "日"}}) {
    birthdayRow->addWidget(field);
    birthdayRow->addWidget(new QLabel(unit, birthday));
  }
  birthdayRow->addStretch();

  auto* note = new QLabel(QString(kProfileNote).replace("\r\n", "\n"), TabUser);
  note->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow("苗字(&L):", EditMyoji);
  form->addRow("名前(&F):", EditNamae);
  form->addRow("ハンドルネーム(&H):", EditHandleName);
  form->addRow("ニックネーム(&N):", EditNickName);
  form->addRow("性別(&G):", sex);
  form->addRow("誕生日(&B):", birthday);
  // The buddies of the two composite rows are their first fields, so the accelerators land there.
  qobject_cast<QLabel*>(form->labelForField(sex))->setBuddy(RadioMale);
  qobject_cast<QLabel*>(form->labelForField(birthday))->setBuddy(MemoYear);

  auto* layout = new QVBoxLayout(TabUser);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addStretch();
  return TabUser;
}

QWidget* TFormConfig::BuildPluginPage(const char* name, TPluginList* plugins, QListWidget*& list,
                                      QLabel*& description, QPushButton*& button) {
  const QString suffix = QString(name).right(1);  // "S" or "E"
  auto* page = new QWidget;
  page->setObjectName(name);
  list = new QListWidget(page);
  list->setObjectName("ListPlugin" + suffix);
  if (plugins != nullptr) {
    for (const std::string& line : PluginListLines(*plugins)) list->addItem(FromUtf8(line));
  }
  description = new QLabel(page);
  description->setObjectName("StaticPlugin" + suffix);
  description->setWordWrap(true);
  description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  description->setFrameShape(QFrame::StyledPanel);
  description->setMinimumHeight(description->fontMetrics().height() * 3);
  button = NewButton("ButtonPlugin" + suffix, "設定(&C)", page);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(list, 1);
  layout->addWidget(description);
  layout->addWidget(button, 0, Qt::AlignRight);
  return page;
}

QWidget* TFormConfig::BuildTabPlugin() {
  TabPlugin = new QWidget;
  TabPlugin->setObjectName("TabPlugin");
  CheckPlugin =
      NewCheckBox("CheckPlugin", "Plug-in を有効にする(&E)", data_.PluginsEnabled, TabPlugin);
  PagePlugin = new QTabWidget(TabPlugin);
  PagePlugin->setObjectName("PagePlugin");
  PagePlugin->addTab(
      BuildPluginPage("TabPluginS", data_.BasicPlugins, ListPluginS, StaticPluginS, ButtonPluginS),
      "基本 Plug-in");
  PagePlugin->addTab(BuildPluginPage("TabPluginE", data_.ExtendedPlugins, ListPluginE,
                                     StaticPluginE, ButtonPluginE),
                     "拡張 Plug-in");
  PagePlugin->setEnabled(data_.PluginsEnabled);

  auto* layout = new QVBoxLayout(TabPlugin);
  layout->addWidget(CheckPlugin);
  layout->addWidget(PagePlugin, 1);
  return TabPlugin;
}

TConfigDialogData TFormConfig::EditedData() const {
  TConfigDialogData data = data_;
  if (fontChosen_) {
    data.FontName = font_.family().toStdString();
    if (font_.pointSize() > 0) data.FontSize = font_.pointSize();
  }
  data.Interval = EditInterval->value();
  data.Zoom = EditZoom->value();
  data.ExtensionChar = CheckExChar->isChecked();
  data.LogKeep = CheckLog->isChecked();
  data.PlaySound = CheckSound->isChecked();
  data.AllowExecute = CheckExecute->isChecked();
  data.Surname = EditMyoji->text().toStdString();
  data.GivenName = EditNamae->text().toStdString();
  data.HandleName = EditHandleName->text().toStdString();
  data.Nickname = EditNickName->text().toStdString();
  data.IsMale = !RadioFemale->isChecked();
  data.BirthYear = MemoYear->value();
  data.BirthMonth = MemoMonth->value();
  data.BirthDay = MemoDay->value();
  data.PluginsEnabled = CheckPlugin->isChecked();
  return data;
}

bool TFormConfig::ValidateShown() {
  const std::string message = ValidateConfig(EditedData());
  if (message.empty()) return true;
  ShowMessageBox(this, message);
  PageConfig->setCurrentWidget(TabUser);
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
  PagePlugin->setEnabled(checked);
}

void TFormConfig::ListPluginSClick() {
  ShowPluginDescription(data_.BasicPlugins, ListPluginS, StaticPluginS);
}

void TFormConfig::ListPluginEClick() {
  ShowPluginDescription(data_.ExtendedPlugins, ListPluginE, StaticPluginE);
}

void TFormConfig::ButtonPluginSClick() {
  ConfigurePlugin(data_.BasicPlugins, ListPluginS);
}

void TFormConfig::ButtonPluginEClick() {
  ConfigurePlugin(data_.ExtendedPlugins, ListPluginE);
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

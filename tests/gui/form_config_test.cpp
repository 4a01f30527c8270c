// The settings dialog: what it shows and hands back, the validation that keeps it open and brings
// up the "ユーザー" page, the up-down limits, and the plug-in pages over a real test plug-in.
#include "gui/form_config.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "message_box_catcher.h"
#include "plugins/plugin_list.h"
#include "plugins/plugin_test_folder.h"

namespace kelmo {
namespace {

using testing::TMessageBoxCatcher;

// Every value of the data but the plug-in lists, for comparing two data.
auto Values(const TConfigDialogData& d) {
  return std::tie(d.FontName, d.FontSize, d.Interval, d.Zoom, d.DesktopMode, d.ExtensionChar,
                  d.LogKeep,
                  d.PlaySound, d.AllowExecute, d.Surname, d.GivenName, d.HandleName, d.Nickname,
                  d.IsMale, d.BirthYear, d.BirthMonth, d.BirthDay, d.PluginsEnabled);
}

// A complete profile with every switch away from its default, sound off among them.
TConfigDialogData Complete() {
  TConfigDialogData data;
  data.FontName = "Noto Sans CJK JP";
  data.FontSize = 14;
  data.Interval = 120;
  data.Zoom = 150;
  data.ExtensionChar = true;
  data.LogKeep = false;
  data.PlaySound = false;
  data.AllowExecute = true;
  data.Surname = "山田";
  data.GivenName = "太郎";
  data.HandleName = "taro";
  data.Nickname = "たろちゃん";
  data.IsMale = false;
  data.BirthYear = 1990;
  data.BirthMonth = 2;
  data.BirthDay = 3;
  data.PluginsEnabled = true;
  return data;
}

// The dialog with its font dialog answered by the test.
class TTestFormConfig : public TFormConfig {
 public:
  using TFormConfig::TFormConfig;

  std::optional<QFont> chosenFont;  // empty: the font dialog is cancelled

 protected:
  QFont ChooseFont(const QFont& current, bool* chosen) override {
    *chosen = chosenFont.has_value();
    return chosenFont.value_or(current);
  }
};

class FormConfigTest : public ::testing::Test {
 protected:
  // Opens the dialog on data.
  TTestFormConfig& Open() {
    form = std::make_unique<TTestFormConfig>(data);
    form->show();
    return *form;
  }
  template <typename T>
  T* Find(const char* name) {
    T* widget = form->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* button) { Find<QAbstractButton>(button)->click(); }
  QWidget* ShownPage() { return Find<QTabWidget>("PageConfig")->currentWidget(); }
  void ShowPage(const char* name) {
    Find<QTabWidget>("PageConfig")->setCurrentWidget(Find<QWidget>(name));
  }
  void SetBirthday(int year, int month, int day) {
    Find<QSpinBox>("MemoYear")->setValue(year);
    Find<QSpinBox>("MemoMonth")->setValue(month);
    Find<QSpinBox>("MemoDay")->setValue(day);
  }

  TConfigDialogData data = Complete();
  std::unique_ptr<TTestFormConfig> form;
  TMessageBoxCatcher messages;
};

TEST_F(FormConfigTest, OpensOnTheUserPageShowingTheData) {
  Open();
  EXPECT_EQ(form->windowTitle(), "設定");
  EXPECT_EQ(ShownPage()->objectName(), "TabUser");
  EXPECT_EQ(Find<QLineEdit>("EditNickName")->text(), "たろちゃん");
  EXPECT_TRUE(Find<QRadioButton>("RadioFemale")->isChecked());
  EXPECT_EQ(Find<QSpinBox>("MemoYear")->value(), 1990);
  EXPECT_FALSE(Find<QCheckBox>("CheckSound")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CheckExChar")->isVisibleTo(form.get()));
  EXPECT_TRUE(Find<QWidget>("PagePlugin")->isEnabled());
  Click("CheckPlugin");  // unticking disables the plug-in pages
  EXPECT_FALSE(Find<QWidget>("PagePlugin")->isEnabled());
}

TEST_F(FormConfigTest, OkWithoutTouchingAnythingHandsBackTheSameValues) {
  const TConfigDialogData before = data;
  Open();
  Click("ButtonSet");
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(Values(data), Values(before));  // sound stays off among them
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(FormConfigTest, EditsReachTheDataOnlyThroughOk) {
  for (const bool confirm : {false, true}) {
    data = Complete();
    Open();
    Find<QLineEdit>("EditMyoji")->setText("佐藤");
    Find<QRadioButton>("RadioMale")->click();
    Click("CheckSound");
    Click("CheckExecute");
    Find<QSpinBox>("EditZoom")->setValue(220);
    Click("CheckDesktopMode");
    form->chosenFont = QFont("Noto Serif CJK JP", 20);
    Click("ButtonFont");
    Click(confirm ? "ButtonSet" : "ButtonCancel");
    EXPECT_FALSE(form->isVisible());
    TConfigDialogData expected = Complete();
    if (confirm) {
      expected.Surname = "佐藤";
      expected.IsMale = true;
      expected.PlaySound = true;
      expected.AllowExecute = false;
      expected.Zoom = 220;
      expected.DesktopMode = true;
      expected.FontName = "Noto Serif CJK JP";
      expected.FontSize = 20;
    }
    EXPECT_EQ(Values(data), Values(expected)) << (confirm ? "OK" : "Cancel");
  }
}

TEST_F(FormConfigTest, FontDialogCancelledKeepsTheFont) {
  Open();
  Click("ButtonFont");
  Click("ButtonSet");
  EXPECT_EQ(data.FontName, "Noto Sans CJK JP");
  EXPECT_EQ(data.FontSize, 14);
}

// How the user tries to leave the dialog with an empty nickname, and from which page.
struct LeaveCase {
  const char* name;
  const char* page;
  bool escape;  // Escape; otherwise the button below
  const char* button;
};

class EmptyNameTest : public FormConfigTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(EmptyNameTest, SaysSoBringsUpTheUserPageAndStaysOpen) {
  const TConfigDialogData before = data;
  Open();
  Find<QLineEdit>("EditNickName")->clear();
  ShowPage(GetParam().page);
  if (GetParam().escape) {
    QTest::keyClick(form.get(), Qt::Key_Escape);
  } else {
    Click(GetParam().button);
  }
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"空欄があります"});
  EXPECT_EQ(ShownPage()->objectName(), "TabUser");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(Values(data), Values(before));
}

INSTANTIATE_TEST_SUITE_P(
    Leaving, EmptyNameTest,
    ::testing::Values(LeaveCase{"EscapeOnGeneral", "TabGeneral", true, nullptr},
                      LeaveCase{"OkOnPlugin", "TabPlugin", false, "ButtonSet"},
                      LeaveCase{"CancelOnUser", "TabUser", false, "ButtonCancel"}),
    [](const ::testing::TestParamInfo<LeaveCase>& info) { return std::string(info.param.name); });

TEST_F(FormConfigTest, LeapDayIsRefusedInACommonYearAndTakenInALeapYear) {
  Open();
  ShowPage("TabGeneral");
  SetBirthday(2001, 2, 29);
  Click("ButtonSet");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"不正な日付です"});
  EXPECT_EQ(ShownPage()->objectName(), "TabUser");
  EXPECT_TRUE(form->isVisible());

  SetBirthday(2000, 2, 29);
  Click("ButtonSet");
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(std::tie(data.BirthYear, data.BirthMonth, data.BirthDay), std::tuple(2000, 2, 29));
  EXPECT_EQ(messages.Texts().size(), 1u);
}

TEST_F(FormConfigTest, IntervalMovesOnlyThroughItsArrowsFromOneTo1000) {
  Open();
  auto* interval = Find<QSpinBox>("EditInterval");
  interval->setValue(12);
  interval->setFocus();
  QTest::keyClick(interval, Qt::Key_End);
  QTest::keyClicks(interval, "0");  // the field cannot be typed into
  EXPECT_EQ(interval->value(), 12);
  interval->setValue(2);
  QTest::keyClick(interval, Qt::Key_Down);
  QTest::keyClick(interval, Qt::Key_Down);
  EXPECT_EQ(interval->value(), 1);
  interval->setValue(999);
  QTest::keyClick(interval, Qt::Key_Up);
  QTest::keyClick(interval, Qt::Key_Up);
  EXPECT_EQ(interval->value(), 1000);
  Click("ButtonSet");
  EXPECT_EQ(data.Interval, 1000);
}

TEST_F(FormConfigTest, ZoomIsTypedOrSteppedWithinFiftyTo300Percent) {
  Open();
  auto* zoom = Find<QSpinBox>("EditZoom");
  EXPECT_EQ(zoom->value(), 150);
  zoom->setFocus();
  zoom->selectAll();
  QTest::keyClicks(zoom, "75");
  EXPECT_EQ(zoom->value(), 75);
  QTest::keyClick(zoom, Qt::Key_Down);
  QTest::keyClick(zoom, Qt::Key_Down);
  QTest::keyClick(zoom, Qt::Key_Down);
  EXPECT_EQ(zoom->value(), 50);
  zoom->setValue(1000);
  EXPECT_EQ(zoom->value(), 300);
  Click("ButtonSet");
  EXPECT_EQ(data.Zoom, 300);
}

TEST_F(FormConfigTest, StoredIntervalBeyondTheArrowsIsKeptWhenUntouched) {
  data.Interval = 5000;
  Open();
  Click("ButtonSet");
  EXPECT_EQ(data.Interval, 5000);
}

TEST_F(FormConfigTest, ExecReturnsAcceptedOnlyWhenConfirmed) {
  form = std::make_unique<TTestFormConfig>(data);
  QTimer::singleShot(0, [this] { Click("ButtonSet"); });
  EXPECT_EQ(form->exec(), QDialog::Accepted);
  QTimer::singleShot(0, [this] { QTest::keyClick(form.get(), Qt::Key_Escape); });
  EXPECT_EQ(form->exec(), QDialog::Rejected);
}

// The plug-in pages over a test plug-in in a throw-away program folder.
class FormConfigPluginTest : public FormConfigTest {
 protected:
  FormConfigPluginTest() : plugins({folder.Path(), 0}, testing::kTestCallTimeout) {}

  // Installs and loads plug-in "tester" with settings (its info texts are set here).
  void Load(nlohmann::json settings) {
    settings["info"] = {"Tester", "E", "短い説明", "長い説明です"};
    folder.Install("tester", settings);
    ASSERT_TRUE(plugins.AddPlugin(u"tester"));
    data.ExtendedPlugins = &plugins;
  }
  bool Configured() {
    for (const nlohmann::json& record : folder.Records("tester")) {
      if (record["method"] == "ConfigurationDialog") return true;
    }
    return false;
  }

  testing::TPluginTestFolder folder;
  TPluginList plugins;
};

TEST_F(FormConfigPluginTest, PagesListThePluginsShowTheDescriptionAndOpenTheirDialogs) {
  Load(nlohmann::json::object());
  Open();
  EXPECT_EQ(Find<QListWidget>("ListPluginS")->count(), 0);  // no character plug-ins
  Click("ButtonPluginS");                                   // nothing selected: nothing happens

  auto* list = Find<QListWidget>("ListPluginE");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), "Tester / 短い説明");
  Click("ButtonPluginE");
  EXPECT_FALSE(Configured());  // nothing selected yet
  list->setCurrentRow(0);
  EXPECT_EQ(Find<QLabel>("StaticPluginE")->text(), "長い説明です");
  Click("ButtonPluginE");
  EXPECT_TRUE(Configured());
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(FormConfigPluginTest, FailingConfigurationDialogIsReportedAndTheDialogGoesOn) {
  Load({{"failOn", "ConfigurationDialog"}, {"failure", "error"}});
  Open();
  Find<QListWidget>("ListPluginE")->setCurrentRow(0);
  Click("ButtonPluginE");
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_FALSE(messages.Texts()[0].empty());
  EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace kelmo

// The settings dialog's validation: it can only be left with four names and a real date.
#include "shell/config_dialog.h"

#include <gtest/gtest.h>

namespace kelmo {
namespace {

TConfigDialogData Complete() {
  TConfigDialogData data;
  data.Surname = "S";
  data.GivenName = "G";
  data.HandleName = "H";
  data.Nickname = "N";
  data.BirthYear = 2000;
  data.BirthMonth = 2;
  data.BirthDay = 29;
  return data;
}

TEST(ConfigDialogTest, CompleteProfileWithALeapDayPasses) {
  EXPECT_EQ(ValidateConfig(Complete()), "");
}

TEST(ConfigDialogTest, EachEmptyNameIsRefused) {
  for (std::string TConfigDialogData::*field :
       {&TConfigDialogData::Surname, &TConfigDialogData::GivenName, &TConfigDialogData::HandleName,
        &TConfigDialogData::Nickname}) {
    TConfigDialogData data = Complete();
    data.*field = "";
    EXPECT_EQ(ValidateConfig(data), "空欄があります");
  }
}

TEST(ConfigDialogTest, ImpossibleDatesAreRefused) {
  struct Case {
    int year, month, day;
  };
  for (const Case& c :
       {Case{2001, 2, 29}, Case{2023, 4, 31}, Case{2023, 13, 1}, Case{2023, 1, 0}}) {
    TConfigDialogData data = Complete();
    data.BirthYear = c.year;
    data.BirthMonth = c.month;
    data.BirthDay = c.day;
    EXPECT_EQ(ValidateConfig(data), "不正な日付です") << c.year << "/" << c.month << "/" << c.day;
  }
}

TEST(ConfigDialogTest, EmptyNameIsReportedBeforeABadDate) {
  TConfigDialogData data = Complete();
  data.Nickname = "";
  data.BirthMonth = 2;
  data.BirthDay = 30;
  EXPECT_EQ(ValidateConfig(data), "空欄があります");
}

}  // namespace
}  // namespace kelmo

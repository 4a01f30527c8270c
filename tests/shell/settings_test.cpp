// The settings file: defaults of a first run, the round trip of every key, what a save keeps, and
// the profile text.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include "charfile/code_page.h"
#include "charfile/date_time.h"
#include "charfile/ini_file.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::TempFolder;

TDateTime Date(int year, int month, int day) {
  TDateTime value = 0;
  EXPECT_TRUE(TryEncodeDateTime(TDateTimeParts{year, month, day}, value));
  return value;
}

TEST(SettingsTest, MissingFileGivesEveryDefault) {
  const TempFolder home;
  const TSettings settings = ReadSettings(home.Path() + "Kelmo.ini");
  EXPECT_EQ(settings.Top, -1);
  EXPECT_EQ(settings.Left, -1);
  EXPECT_FALSE(settings.StayOnTop);
  EXPECT_TRUE(settings.PlaySound);
  EXPECT_FALSE(settings.PluginsEnabled);
  EXPECT_FALSE(settings.AllowExecute);
  EXPECT_TRUE(settings.LogKeep);
  EXPECT_EQ(settings.FontName, Utf8ToShiftJis("ＭＳ ゴシック"));
  EXPECT_EQ(settings.FontSize, 9);
  EXPECT_EQ(settings.Speed, 55);
  EXPECT_EQ(settings.Zoom, 100);
  EXPECT_FALSE(settings.DesktopMode);
  EXPECT_EQ(settings.UserProfileText, "");
  EXPECT_FALSE(home.Exists("Kelmo.ini"));
}

// A speed of 0 or below is the default; otherwise both stay within what the dialog offers, so a
// value a reply once pushed to the end of int no longer makes the balloon unusable.
TEST(SettingsTest, SpeedAndFontSizeAreKeptWithinTheDialogsRanges) {
  struct TCase {
    const char* Stored;
    int Speed;
    int FontSize;
  };
  const TCase cases[] = {{"0", 55, 6},   {"-20", 55, 6},          {"12", 12, 12},
                         {"1001", 1000, 72}, {"2147483647", 1000, 72}};
  for (const TCase& c : cases) {
    const TempFolder home;
    home.Write("Kelmo.ini", std::string("[Balloon]\r\nSpeed=") + c.Stored + "\r\nFontSize=" +
                                c.Stored + "\r\n");
    const TSettings settings = ReadSettings(home.Path() + "Kelmo.ini");
    EXPECT_EQ(settings.Speed, c.Speed) << c.Stored;
    EXPECT_EQ(settings.FontSize, c.FontSize) << c.Stored;
  }
}

TEST(SettingsTest, ZoomIsKeptWithinFiftyTo300Percent) {
  const std::pair<const char*, int> cases[] = {{"75", 75},   {"10", 50},    {"-5", 50},
                                               {"301", 300}, {"zoom", 100}, {"", 100}};
  for (const auto& [stored, expected] : cases) {
    const TempFolder home;
    home.Write("Kelmo.ini", std::string("[Main]\r\nZoom=") + stored + "\r\n");
    EXPECT_EQ(ReadSettings(home.Path() + "Kelmo.ini").Zoom, expected) << stored;
  }
}

TEST(SettingsTest, EveryKeySurvivesARoundTrip) {
  const TempFolder home;
  const std::string path = home.Path() + "Kelmo.ini";
  TSettings settings;
  settings.Top = 12;
  settings.Left = 34;
  settings.StayOnTop = true;
  settings.PlaySound = false;
  settings.PluginsEnabled = true;
  settings.AllowExecute = true;
  settings.LogKeep = false;
  settings.FontName = Utf8ToShiftJis("ＭＳ 明朝");
  settings.FontSize = 11;
  settings.Speed = 66;
  settings.Zoom = 250;
  settings.DesktopMode = true;
  WriteSettings(path, settings, true, "A\r\nB\r\nC\r\nD\r\n\r\n1990/02/03");

  const TSettings read = ReadSettings(path);
  EXPECT_EQ(read.Top, 12);
  EXPECT_EQ(read.Left, 34);
  EXPECT_TRUE(read.StayOnTop);
  EXPECT_FALSE(read.PlaySound);
  EXPECT_TRUE(read.PluginsEnabled);
  EXPECT_TRUE(read.AllowExecute);
  EXPECT_FALSE(read.LogKeep);
  EXPECT_EQ(read.FontName, settings.FontName);
  EXPECT_EQ(read.FontSize, 11);
  EXPECT_EQ(read.Speed, 66);
  EXPECT_EQ(read.Zoom, 250);
  EXPECT_TRUE(read.DesktopMode);
  EXPECT_EQ(read.UserProfileText, "A\r\nB\r\nC\r\nD\r\n\r\n1990/02/03");
  // Booleans are "1" and "0"; a male profile shows two "{BR}" in a row before the date.
  const std::string file = home.Read("Kelmo.ini");
  EXPECT_NE(file.find("StayOnTop=1"), std::string::npos);
  EXPECT_NE(file.find("PlaySound=0"), std::string::npos);
  EXPECT_NE(file.find("DesktopMode=1"), std::string::npos);
  EXPECT_NE(file.find("User=A{BR}B{BR}C{BR}D{BR}{BR}1990/02/03"), std::string::npos);
}

TEST(SettingsTest, SaveKeepsUnknownSectionsKeysAndTheCharacterList) {
  const TempFolder home;
  const std::string path = home.Path() + "Kelmo.ini";
  home.Write("Kelmo.ini",
             "[Mine]\r\nColour=blue\r\n[Main]\r\nExtensionChar=1\r\nOther=x\r\n"
             "[Character]\r\nChar1=a.klc\r\n");
  WriteSettings(path, TSettings{}, true, "");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Mine", "Colour", ""), "blue");
  EXPECT_EQ(ini.ReadString("Main", "ExtensionChar", ""), "1");
  EXPECT_EQ(ini.ReadString("Main", "Other", ""), "x");
  EXPECT_EQ(ini.ReadString("Character", "Char1", ""), "a.klc");
  EXPECT_TRUE(ReadExtensionChar(path));
}

TEST(SettingsTest, ProfileIsNotWrittenWhenNotAskedTo) {
  const TempFolder home;
  const std::string path = home.Path() + "Kelmo.ini";
  home.Write("Kelmo.ini", "[User]\r\nUser=only{BR}two\r\n");
  WriteSettings(path, TSettings{}, false, "ignored");
  EXPECT_EQ(ReadSettings(path).UserProfileText, "only\r\ntwo");
}

TEST(SettingsTest, DialogSwitchesAreWrittenAtOnce) {
  const TempFolder home;
  const std::string path = home.Path() + "Kelmo.ini";
  WriteDialogSwitches(path, true, true, false);
  EXPECT_TRUE(ReadExtensionChar(path));
  EXPECT_TRUE(ReadSettings(path).AllowExecute);
  EXPECT_FALSE(ReadSettings(path).PluginsEnabled);
}

struct ProfileCase {
  const char* text;
  bool valid;
  bool isMale;
  int year, month, day;
};

class ProfileParseTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileParseTest, ReadsSixLines) {
  const ProfileCase& c = GetParam();
  TUserProfile profile;
  profile.Surname = "untouched";
  ASSERT_EQ(ParseUserProfile(c.text, profile), c.valid);
  if (!c.valid) {
    EXPECT_EQ(profile.Surname, "untouched");
    return;
  }
  EXPECT_EQ(profile.Surname, "S");
  EXPECT_EQ(profile.Nickname, "N");
  EXPECT_EQ(profile.IsMale, c.isMale);
  EXPECT_EQ(profile.Birthday, Date(c.year, c.month, c.day));
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, ProfileParseTest,
    ::testing::Values(ProfileCase{"S\r\nG\r\nH\r\nN\r\n\r\n1990/02/03", true, true, 1990, 2, 3},
                      ProfileCase{"S\r\nG\r\nH\r\nN\r\nFemale\r\n1990/2/3", true, false, 1990, 2,
                                  3},
                      // Anything at all on the fifth line makes the user female.
                      ProfileCase{"S\nG\nH\nN\nx\n2001/12/31\nextra", true, false, 2001, 12, 31},
                      ProfileCase{"S\rG\rH\rN\r\r1990/02/03", true, true, 1990, 2, 3},
                      // A birthday that cannot be read becomes 1970/01/01.
                      ProfileCase{"S\r\nG\r\nH\r\nN\r\n\r\nsoon", true, true, 1970, 1, 1},
                      ProfileCase{"S\r\nG\r\nH\r\nN\r\n\r\n2001/02/29", true, true, 1970, 1, 1},
                      ProfileCase{"S\r\nG\r\nH\r\nN\r\n\r\n12:30", true, true, 1970, 1, 1},
                      // Five lines, or an empty name among the first four, are incomplete.
                      ProfileCase{"S\r\nG\r\nH\r\nN\r\n\r\n", false, false, 0, 0, 0},
                      ProfileCase{"S\r\n\r\nH\r\nN\r\n\r\n1990/02/03", false, false, 0, 0, 0},
                      ProfileCase{"", false, false, 0, 0, 0}));

TEST(ProfileFormatTest, WritesSixLinesThatReadBack) {
  TUserProfile profile;
  profile.Surname = Utf8ToShiftJis("山田");
  profile.GivenName = "Taro";
  profile.HandleName = "tarou";
  profile.Nickname = "taro";
  profile.IsMale = false;
  profile.Birthday = Date(1985, 7, 9);
  const std::string text = FormatUserProfile(profile);
  EXPECT_EQ(text, Utf8ToShiftJis("山田") + "\r\nTaro\r\ntarou\r\ntaro\r\nFemale\r\n1985/07/09");
  TUserProfile read;
  ASSERT_TRUE(ParseUserProfile(text, read));
  EXPECT_EQ(read.Surname, profile.Surname);
  EXPECT_FALSE(read.IsMale);
  EXPECT_EQ(read.Birthday, profile.Birthday);

  profile.IsMale = true;
  EXPECT_NE(FormatUserProfile(profile).find("taro\r\n\r\n1985"), std::string::npos);
}

}  // namespace
}  // namespace kelmo

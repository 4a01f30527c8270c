// The batch mode decodes every picture the controller loads: each load is a record with its slot,
// path, result and size, and a picture that is missing or does not decode is logged with its
// exact entry while the run goes on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "picture_files.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"
#include "tty/batch_runner.h"

namespace kelmo::testing {
namespace {

using ::testing::HasSubstr;
using Json = nlohmann::json;

TEST(BatchPictures, EveryPictureLoadIsARecordAndFailuresAreLogged) {
  TempFolder home;
  home.Write("Kelmo.ini",
             "[User]\r\nUser=Yamada{BR}Taro{BR}taro{BR}tarochan{BR}{BR}1990/02/03\r\n");
  home.Write("kit/face.bmp", BmpFile({3, 2, {1, 2, 3, 4, 5, 6}}, {24}));
  home.Write("kit/talk.bmp", BmpFile({350, 1, std::vector<uint32_t>(350, 0xffffff)}, {24}));
  home.Write("kit/broken.png", "\x89PNG\r\n\x1a\n broken");
  const std::string kit = WriteCharacter(
      home, "kit", "Kit", {{"go", "{PIC:broken.png}{PIC:none.jpg}{SETDEFBITMAP:face.bmp}done"}},
      {"DefaultBitmap", "face.bmp", "originalballoon", "1", "balloonchar", "talk.bmp",
       "balloonuser", "broken.png"});

  std::istringstream in("go\n");
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(RunBatch({home.Path(), "dorrinkelmo", kit, std::nullopt}, in, out, err), 0)
      << err.str();

  std::vector<Json> pictures;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    const Json record = Json::parse(line);
    if (record["event"] == "picture") pictures.push_back(record);
  }
  const std::string folder = home.Path() + "kit/";
  const auto record = [](const std::string& slot, const std::string& path, bool ok, int width,
                         int height) {
    return Json{{"event", "picture"}, {"slot", slot},   {"path", path},
                {"ok", ok},           {"width", width}, {"height", height}};
  };
  EXPECT_EQ(pictures, (std::vector<Json>{
                          record("balloon_character", folder + "talk.bmp", true, 350, 1),
                          record("balloon_user", folder + "broken.png", false, 0, 0),
                          record("default", folder + "face.bmp", true, 3, 2),
                          record("shown", folder + "broken.png", false, 0, 0),
                          record("default", folder + "face.bmp", true, 3, 2),
                      }));
  const std::string errorLog = home.Read("KelmoErr.log");
  EXPECT_THAT(errorLog, HasSubstr("'" + folder + "broken.png is invalid bitmap.'"));
  EXPECT_THAT(errorLog, HasSubstr("'" + folder + "none.jpg is not exists.'"));
}

}  // namespace
}  // namespace kelmo::testing

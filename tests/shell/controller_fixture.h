// The controller tests' fixture: a program folder with a complete profile in "Kelmo.ini", the
// fake view, a recording observer, a clock the test moves, and helpers that drive the two inputs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "charfile/code_page.h"
#include "charfile/date_time.h"
#include "fake_view.h"
#include "shell/chat_controller.h"
#include "shell/headless_drive.h"
#include "support/temp_folder.h"
#include "test_characters.h"

namespace kelmo::testing {

// No reply in these tests needs more ticks than this; more means typing never ends.
inline constexpr int kTickLimit = 100000;

class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest() {
    home.Write("Kelmo.ini",
               "[User]\r\nUser=Yamada{BR}Taro{BR}taro{BR}tarochan{BR}{BR}1990/02/03\r\n");
    TryEncodeDateTime(TDateTimeParts{2024, 5, 6, 7, 8, 9}, now);
    view.stateProbe = [this] { return controller->State(); };
  }

  ~ControllerTest() override {
    if (controller != nullptr) controller->Shutdown();
  }

  // Creates the controller and starts it with the character (empty: the list's first).
  bool Start(const std::string& path) {
    TControllerOptions options;
    options.AppDir = home.Path();
    options.Clock = [this] { return now; };
    controller = std::make_unique<TChatController>(view, options);
    drive = std::make_unique<THeadlessDrive>(
        *controller, &observer, TTypingPace::Ticks, kTickLimit,
        THeadlessInputs{.TypeUserLine = [this](const std::string& line) { view.balloon = line; }});
    return controller->Start(path);
  }

  // Ticks until the reply is done or waits for Enter; returns the number of ticks.
  int TypeAll() {
    const std::optional<int> ticks = drive->FinishReply();
    if (!ticks) ADD_FAILURE() << "typing does not end";
    return ticks.value_or(kTickLimit);
  }

  // The user's turn, then the line typed into the balloon and Enter (UTF-8).
  void Say(const std::string& line) { ASSERT_TRUE(drive->Say(line)) << "not the user's turn"; }

  // The conversation log's lines.
  std::vector<std::string> ChatLog() const {
    std::vector<std::string> lines;
    std::string text = ShiftJisToUtf8(home.Read("dorrinkelmo.log"));
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find("\r\n", start);
      lines.push_back(text.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 2;
    }
    return lines;
  }

  TempFolder home;
  TFakeView view;
  TRecordingObserver observer;
  TDateTime now = 0;
  std::unique_ptr<TChatController> controller;
  std::unique_ptr<THeadlessDrive> drive;  // the controller's observer, passing on to observer
};

}  // namespace kelmo::testing

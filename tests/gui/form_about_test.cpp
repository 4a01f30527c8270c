// The about dialog: its two views over the texts of a real character whose comment is made of
// macros, and the link handed to the desktop.
#include "gui/form_about.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <memory>

#include "charfile/code_page.h"
#include "engine/character.h"
#include "shell/about_texts.h"
#include "shell/test_characters.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::TempFolder;
using testing::WriteCharacter;

// Receives the addresses the desktop is asked to open, in place of the desktop.
class TUrlRecorder : public QObject {
  Q_OBJECT

 public:
  std::vector<std::string> opened;

 public slots:
  void Open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }
};

class FormAboutTest : public ::testing::Test {
 protected:
  FormAboutTest() {
    for (const char* scheme : {"http", "https", "file"}) {
      QDesktopServices::setUrlHandler(scheme, &recorder, "Open");
    }
  }
  ~FormAboutTest() override {
    for (const char* scheme : {"http", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
  }

  // Opens the dialog on the texts of a character with the comment and url.
  void Open(const std::string& comment, const std::string& url) {
    const std::string path = WriteCharacter(home, "alice", "アリス", {{"x", "y"}},
                                            {"parents", "わたし", "comment", comment, "url", url});
    TCharacterEnvironment environment;
    environment.Plugins.ProgramFolder = home.Path();
    character = std::make_unique<TCharacter>(path, environment);
    TUserProfile profile;
    profile.Nickname = Utf8ToShiftJis("たろちゃん");
    character->SetUserProfile(profile);
    form = std::make_unique<TFormAbout>(BuildAboutTexts(character.get()));
    form->show();
  }
  template <typename T>
  T* Find(const char* name) {
    T* widget = form->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::string Shown() { return Find<QPlainTextEdit>("MemoTitle")->toPlainText().toStdString(); }
  void Toggle() { QTest::mouseClick(Find<QPushButton>("ButtonChange"), Qt::LeftButton); }
  void ClickLink() { QTest::mouseClick(Find<QLabel>("StaticURL"), Qt::LeftButton); }

  TempFolder home;
  TUrlRecorder recorder;
  std::unique_ptr<TCharacter> character;
  std::unique_ptr<TFormAbout> form;
};

TEST_F(FormAboutTest, TogglesBetweenTheProgramAndTheCharacter) {
  Open("{NICKNAME}さん、{UNKNOWN}よろしく{BR}ね{WAITRETURN}", "https://example.org/alice");
  EXPECT_EQ(form->windowTitle(), "DorrinKelmoについて");
  EXPECT_EQ(Find<QPushButton>("ButtonChange")->text(), "人格について(&C)");
  EXPECT_EQ(Shown().rfind("汎用人工知能会話ソフト DorrinKelmo\nver1.1.1\n", 0), 0u) << Shown();
  EXPECT_EQ(Find<QLabel>("StaticURL")->text().toStdString(), kHomePageUrl);

  Toggle();
  EXPECT_TRUE(form->ShowsCharacter());
  EXPECT_EQ(form->windowTitle(), "人格について");
  EXPECT_EQ(Find<QPushButton>("ButtonChange")->text(), "DorrinKelmoについて(&C)");
  EXPECT_EQ(Shown(), "アリス\nbrought up by わたし\n\nたろちゃんさん、よろしく\nね");
  EXPECT_EQ(Find<QLabel>("StaticURL")->text(), "https://example.org/alice");

  Toggle();
  EXPECT_EQ(form->windowTitle(), "DorrinKelmoについて");
  EXPECT_EQ(Shown().rfind("汎用人工知能会話ソフト", 0), 0u);
}

TEST_F(FormAboutTest, CommentOfBraceTextOnlyShowsAsAnEmptyParagraph) {
  Open("{WAITRETURN}{DELAY:3}{UNKNOWN}", "");
  Toggle();
  EXPECT_EQ(Shown(), "アリス\nbrought up by わたし\n\n");
}

TEST_F(FormAboutTest, LinkOpensWebAddressesOnly) {
  Open("", "https://example.org/alice");
  ClickLink();
  Toggle();
  ClickLink();
  EXPECT_EQ(recorder.opened,
            (std::vector<std::string>{std::string(kHomePageUrl), "https://example.org/alice"}));

  for (const std::string url : {"", "file:///usr/share/applications/evil.desktop"}) {
    recorder.opened.clear();
    Open("", url);
    Toggle();
    ClickLink();
    EXPECT_TRUE(recorder.opened.empty()) << url;
  }
}

}  // namespace
}  // namespace kelmo

#include "form_about_test.moc"

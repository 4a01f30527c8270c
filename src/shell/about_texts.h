// The texts of the about dialog ("DorrinKelmoについて"), which toggles between a view of the
// program and a view of the current character. The character view is built from the character's
// definition file: its "name", its "parents" and its "comment" (evaluated as a macro text, then
// stripped of every brace group the evaluation left).
#pragma once

#include <string>
#include <string_view>

namespace kelmo {

class TCharacter;

// The program version shown in the about dialog (the one plug-ins are told).
inline constexpr std::string_view kProgramVersion = "1.1.1";
// The project's home page (menu "Go to Dorrin-kun Project Homepage", the program view's link).
inline constexpr std::string_view kHomePageUrl = "https://dorrinkelmo.example.org/";

// The dialog's two views (UTF-8).
struct TAboutTexts {
  std::string ProgramCaption;  // "DorrinKelmoについて"
  std::string ProgramChange;   // caption of the toggle button in the program view
  std::string ProgramText;
  std::string ProgramUrl;
  std::string CharacterCaption;  // "人格について"
  std::string CharacterChange;
  std::string CharacterText;  // "%s\r\nbrought up by %s\r\n\r\n%s": name, parents, comment
  std::string CharacterUrl;   // "url" of the definition file; may be empty (no link)
};

// The texts; the character view is empty without a character. Evaluates the comment with the
// character's macro evaluator.
TAboutTexts BuildAboutTexts(TCharacter* character);

}  // namespace kelmo

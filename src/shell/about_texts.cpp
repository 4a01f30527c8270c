// The about dialog's texts: a fixed note about the program, and the current character's name,
// author and comment from its definition file.
#include "shell/about_texts.h"

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "engine/character.h"

namespace kelmo {

TAboutTexts BuildAboutTexts(TCharacter* character) {
  TAboutTexts texts;
  texts.ProgramCaption = "DorrinKelmoについて";
  texts.ProgramChange = "人格について(&C)";
  texts.ProgramText = "汎用人工知能会話ソフト DorrinKelmo\r\nver" + std::string(kProgramVersion) +
                      "\r\n\r\n"
                      "人格(キャラクター)と会話するためのソフトです。人格はそれぞれの作者が"
                      "辞書を書いて育てています。人格の切り替えや設定はポップアップメニューから"
                      "どうぞ。";
  texts.ProgramUrl = std::string(kHomePageUrl);
  texts.CharacterCaption = "人格について";
  texts.CharacterChange = "DorrinKelmoについて(&C)";
  if (character == nullptr || character->CharacterFile == nullptr) return texts;

  const TCharacterFile& file = *character->CharacterFile;
  const std::u16string comment =
      StripBraces(character->Evaluate(ShiftJisToUtf16(file.ReadValue(TDefinitionKey::Comment))));
  texts.CharacterText = ShiftJisToUtf8(file.ReadValue(TDefinitionKey::Name)) + "\r\nbrought up by " +
                        ShiftJisToUtf8(file.ReadValue(TDefinitionKey::Parents)) + "\r\n\r\n" +
                        Utf16ToUtf8(comment);
  texts.CharacterUrl = ShiftJisToUtf8(file.ReadValue(TDefinitionKey::Url));
  return texts;
}

}  // namespace kelmo

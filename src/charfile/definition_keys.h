// The keys of a character definition file, in one table that every reader takes them from: the
// character, the controller, the display commands, the petting menu, the selection, the about
// dialog and the linter. The table also fixes the eight dictionaries' order (the order the
// character creates and asks them, and the bits of the dictionary mask) and their kinds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelmo {

enum class TDefinitionKey : uint8_t {
  Name,                // the character's name; also the key of its state file
  Folder,              // the character folder, relative to the definition file
  Version,             // the data format's version number
  Data01,              // the dictionaries' file lists, data01 to datac2
  Data02,
  DataA1,
  DataA2,
  DataB1,
  DataB2,
  DataC1,
  DataC2,
  DefaultBitmap,       // the default picture
  TransparentBitmap,   // colour-key the character pictures
  OriginalBalloon,     // the character brings its own balloon pictures
  BalloonChar,         // the balloon picture of the character's turn
  BalloonUser,         // the balloon picture of the user's turn
  TransparentBalloon,  // colour-key the balloon pictures
  Nadenade,            // the character has a petting menu
  DataNadenade,        // the petting menu's files
  Parents,             // who brought the character up (the about dialog)
  Url,                 // the character's web address (the about dialog)
  Comment,             // the about dialog's text, a macro text
};

// How many keys the table holds.
inline constexpr size_t kDefinitionKeyCount = static_cast<size_t>(TDefinitionKey::Comment) + 1;

// The key as authors write it ("DefaultBitmap"); files are read without regard to letter case.
std::string_view DefinitionKeyName(TDefinitionKey key);

// Every key's name, in the order of TDefinitionKey.
const std::array<std::string_view, kDefinitionKeyCount>& DefinitionKeyNames();

// The four dictionary kinds, by what their lines hold.
enum class TDictionaryKind : uint8_t {
  Conditions,    // kind 0: condition, reply
  PatternPairs,  // kind A: previous-reply pattern, input pattern, reply
  Keywords,      // kind B: input pattern, reply
  Lines,         // kind C: the whole line is the reply
};

// One of the eight dictionaries: the key of its file list and its kind.
struct TDictionarySlot {
  TDefinitionKey Key;
  TDictionaryKind Kind;
};

// The dictionaries, data01 to datac2: index i is bit i of the dictionary mask.
inline constexpr size_t kDictionaryCount = 8;
inline constexpr std::array<TDictionarySlot, kDictionaryCount> kDictionarySlots = {{
    {TDefinitionKey::Data01, TDictionaryKind::Conditions},
    {TDefinitionKey::Data02, TDictionaryKind::Conditions},
    {TDefinitionKey::DataA1, TDictionaryKind::PatternPairs},
    {TDefinitionKey::DataA2, TDictionaryKind::PatternPairs},
    {TDefinitionKey::DataB1, TDictionaryKind::Keywords},
    {TDefinitionKey::DataB2, TDictionaryKind::Keywords},
    {TDefinitionKey::DataC1, TDictionaryKind::Lines},
    {TDefinitionKey::DataC2, TDictionaryKind::Lines},
}};

}  // namespace kelmo

// Arbitrary text through the macro evaluator of a small loaded character: no crash, no hang, and
// the result never longer than the working-text limit. A text without braces within the limit
// comes back as it is.
// The first byte chooses how the rest is read: as UTF-8, or as raw UTF-16 code units (lone
// surrogates included).
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "charfile/code_page.h"
#include "engine/character.h"
#include "engine/evaluator.h"

namespace {

// A character in a temporary folder, removed again when the fuzzer ends.
class FuzzCharacter {
 public:
  FuzzCharacter() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-fuzz-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    Write("talk.txt", "hello\r\n");
    Write("kit.klc", "name\r\nkit\r\nversion\r\n210\r\ndatac2\r\ntalk.txt\r\n");
    kelmo::TCharacterEnvironment environment;
    environment.Plugins.ProgramFolder = folder_.string() + "/";
    character_ = std::make_unique<kelmo::TCharacter>((folder_ / "kit.klc").string(), environment);
    // With no plug-in loaded, every tag goes to the plug-in list and comes back empty.
    character_->SetPluginsEnabled(true);
  }
  ~FuzzCharacter() {
    character_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  kelmo::TCharacter& Get() { return *character_; }

 private:
  void Write(const char* name, const std::string& bytes) {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }

  std::filesystem::path folder_;
  std::unique_ptr<kelmo::TCharacter> character_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzCharacter character;
  if (size == 0) return 0;
  std::u16string text;
  if (data[0] % 2 == 0) {
    text = kelmo::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  } else {
    for (size_t i = 1; i + 1 < size; i += 2)
      text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  const std::u16string result = character.Get().Evaluate(text);
  if (result.size() > kelmo::kMaxWorkingTextLength) __builtin_trap();
  const bool plain = text.find_first_of(u"{}") == std::u16string::npos;
  if (plain && text.size() <= kelmo::kMaxWorkingTextLength && result != text) __builtin_trap();
  return 0;
}

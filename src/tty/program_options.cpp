// Command-line parsing and the program folder.
#include "tty/program_options.h"

#include <cstdint>
#include <filesystem>
#include <utility>

#include "charfile/text_utils.h"
#include "package/package_format.h"

namespace kelmo {
namespace {

constexpr std::string_view kTtyOption = "--tty";
constexpr std::string_view kBatchOption = "--batch";
constexpr std::string_view kHelpOption = "--help";
constexpr std::string_view kSeedOption = "--seed";
constexpr std::string_view kHomeOption = "--home";
constexpr std::string_view kSayOption = "--say";
constexpr std::string_view kLintOption = "--lint";
constexpr std::string_view kJsonOption = "--json";
constexpr std::string_view kTestOption = "--test";
constexpr std::string_view kInstallOption = "--install";
constexpr std::string_view kPackOption = "--pack";
constexpr std::string_view kOutputOption = "-o";
constexpr std::string_view kEndOfOptions = "--";

// A seed: decimal digits within 32 bits.
std::optional<uint32_t> ParseSeed(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; advances index past it.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, size_t& index,
                                       std::string_view name) {
  const std::string& argument = arguments[index];
  if (argument.size() > name.size() && argument[name.size()] == '=') {
    return argument.substr(name.size() + 1);
  }
  if (index + 1 >= arguments.size()) return std::nullopt;
  return arguments[++index];
}

// Takes a file or folder option's value into path; false when it is missing or empty.
bool TakePath(const std::vector<std::string>& arguments, size_t& index, std::string_view name,
              std::string& path) {
  const std::optional<std::string> value = OptionValue(arguments, index, name);
  if (!value || value->empty()) return false;
  path = *value;
  return true;
}

bool Names(const std::string& argument, std::string_view option) {
  return argument == option || (argument.starts_with(option) && argument.size() > option.size() &&
                                argument[option.size()] == '=');
}

}  // namespace

std::optional<TProgramOptions> ParseProgramOptions(const std::vector<std::string>& arguments,
                                                   std::string& error) {
  TProgramOptions options;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!optionsEnded && argument == kEndOfOptions) {
      optionsEnded = true;
    } else if (!optionsEnded && argument == kTtyOption) {
      options.Tty = true;
    } else if (!optionsEnded && argument == kBatchOption) {
      options.Batch = true;
    } else if (!optionsEnded && argument == kHelpOption) {
      options.Help = true;
    } else if (!optionsEnded && Names(argument, kSeedOption)) {
      const std::optional<std::string> value = OptionValue(arguments, i, kSeedOption);
      options.Seed = value ? ParseSeed(*value) : std::nullopt;
      if (!options.Seed) {
        error = "--seed には 0 から 4294967295 までの数を指定してください";
        return std::nullopt;
      }
    } else if (!optionsEnded && Names(argument, kHomeOption)) {
      if (!TakePath(arguments, i, kHomeOption, options.Home)) {
        error = "--home にはフォルダを指定してください";
        return std::nullopt;
      }
    } else if (!optionsEnded && Names(argument, kSayOption)) {
      options.Say = OptionValue(arguments, i, kSayOption);
      if (!options.Say) {
        error = "--say には話しかける言葉を指定してください";
        return std::nullopt;
      }
    } else if (!optionsEnded && argument == kLintOption) {
      options.Lint = true;
    } else if (!optionsEnded && argument == kJsonOption) {
      options.Json = true;
    } else if (!optionsEnded && Names(argument, kTestOption)) {
      if (!TakePath(arguments, i, kTestOption, options.Test)) {
        error = "--test にはテストのファイルを指定してください";
        return std::nullopt;
      }
    } else if (!optionsEnded && Names(argument, kInstallOption)) {
      if (!TakePath(arguments, i, kInstallOption, options.Install)) {
        error = "--install には人格のパッケージを指定してください";
        return std::nullopt;
      }
    } else if (!optionsEnded && argument == kPackOption) {
      options.Pack = true;
    } else if (!optionsEnded && Names(argument, kOutputOption)) {
      if (!TakePath(arguments, i, kOutputOption, options.Output)) {
        error = "-o にはパッケージのファイルを指定してください";
        return std::nullopt;
      }
    } else if (!optionsEnded && argument.starts_with("-") && argument.size() > 1) {
      error = "知らないオプションです: " + argument;
      return std::nullopt;
    } else if (options.Character.empty()) {
      options.Character = argument;
    } else {
      error = "人格ファイルは一つだけ指定できます: " + argument;
      return std::nullopt;
    }
  }
  // A package named alone (a file manager opening one) installs it.
  if (options.Install.empty() && AsciiLowerCase(options.Character).ends_with(kPackageExtension)) {
    options.Install = std::exchange(options.Character, {});
  }
  if (!options.Install.empty() && (options.Batch || options.Tty || options.Seed || options.Say ||
                                   options.Lint || options.Pack || !options.Test.empty() ||
                                   !options.Character.empty())) {
    error = "--install は --home のほかのオプションや人格ファイルと一緒に使えません";
    return std::nullopt;
  }
  if (options.Pack && (options.Batch || options.Tty || options.Seed || options.Say ||
                       options.Lint || !options.Test.empty())) {
    error = "--pack は --home と -o のほかのオプションと一緒に使えません";
    return std::nullopt;
  }
  if (options.Pack && options.Character.empty() && !options.Help) {
    error = "--pack には人格ファイルを指定してください";
    return std::nullopt;
  }
  if (!options.Output.empty() && !options.Pack) {
    error = "-o は --pack と一緒に使います";
    return std::nullopt;
  }
  if (options.Batch && options.Tty) {
    error = "--batch と --tty は一緒に使えません";
    return std::nullopt;
  }
  if (options.Say && (options.Batch || options.Tty || !options.Character.empty())) {
    error = "--say は --home のほかのオプションや人格ファイルと一緒に使えません";
    return std::nullopt;
  }
  // The authoring tools run on their own, without a front end.
  if (options.Lint && (options.Batch || options.Tty || options.Seed || !options.Test.empty())) {
    error = "--lint は --home と --json のほかのオプションと一緒に使えません";
    return std::nullopt;
  }
  if (options.Lint && options.Character.empty() && !options.Help) {
    error = "--lint には人格ファイルを指定してください";
    return std::nullopt;
  }
  if (options.Json && !options.Lint) {
    error = "--json は --lint と一緒に使います";
    return std::nullopt;
  }
  if (!options.Test.empty() &&
      (options.Batch || options.Tty || options.Seed || !options.Character.empty())) {
    error = "--test は --home のほかのオプションや人格ファイルと一緒に使えません";
    return std::nullopt;
  }
  if (options.Batch && options.Character.empty() && !options.Help) {
    error = "--batch には人格ファイルを指定してください";
    return std::nullopt;
  }
  return options;
}

std::string UsageText() {
  return "使い方:\n"
         "  dorrinkelmo [--tty] [--home DIR] [--seed N] [CHARACTER.klc]\n"
         "  dorrinkelmo [--home DIR] --say TEXT\n"
         "  dorrinkelmo --batch [--seed N] [--home DIR] CHARACTER.klc\n"
         "  dorrinkelmo --lint [--json] [--home DIR] CHARACTER.klc\n"
         "  dorrinkelmo --test FILE [--home DIR]\n"
         "  dorrinkelmo --install PACKAGE.klz [--home DIR]\n"
         "  dorrinkelmo --pack CHARACTER.klc [-o FILE] [--home DIR]\n"
         "\n"
         "  --tty       端末で会話する\n"
         "  --batch     標準入力の各行を話しかけ、返答を 1 行 1 つの JSON で書き出す\n"
         "  --seed N    乱数を N で固定する\n"
         "  --lint      人格のファイルを調べ、プログラムがそのとおりに動かないところを書き出す\n"
         "  --json      --lint の結果を 1 行 1 つの JSON で書き出す\n"
         "  --test FILE 会話のテスト FILE の各ケースを新しく読み込んだ人格で試す\n"
         "  --install FILE 人格のパッケージ FILE をインストールする (インストール済みなら更新する)\n"
         "  --pack      人格を調べ、使うファイルをまとめたパッケージ (.klz) を作る\n"
         "  -o FILE     --pack で作るパッケージのファイル (既定: 作業フォルダの 人格名.klz)\n"
         "  --say TEXT  動いている DorrinKelmo の人格に TEXT と話しかける (話し終えているとき)\n"
         "  --home DIR  設定とログのフォルダ (既定: 環境変数 KELMO_HOME、なければプログラムの"
         "フォルダ、インストールしたときは ~/.local/share/dorrinkelmo)\n";
}

std::string ProgramFolder(const TProgramOptions& options, const char* homeVariable,
                          const std::string& defaultFolder) {
  std::filesystem::path folder;
  if (!options.Home.empty()) {
    folder = options.Home;
  } else if (homeVariable != nullptr && *homeVariable != '\0') {
    folder = homeVariable;
  } else {
    folder = defaultFolder;
  }
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, ignored);
  return (absolute.empty() ? folder : absolute).lexically_normal().string();
}

TFrontEnd ChooseFrontEnd(const TProgramOptions& options, bool displayAvailable) {
  if (options.Batch) return TFrontEnd::Batch;
  if (options.Tty || !displayAvailable) return TFrontEnd::Terminal;
  return TFrontEnd::Window;
}

}  // namespace kelmo

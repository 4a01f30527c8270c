#include "package/package_commands.h"

#include <filesystem>
#include <istream>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/text_utils.h"
#include "package/package_writer.h"

namespace kelmo {
namespace fs = std::filesystem;

int RunInstall(const std::string& programFolder, const std::string& package,
               const std::function<bool(const std::vector<TInstalledCharacter>&)>& confirmUpdate,
               std::ostream& out, std::ostream& err) {
  TInstallRequest request;
  request.Package = package;
  request.ProgramFolder = programFolder;
  request.ConfirmUpdate = confirmUpdate;
  const TInstallResult result = InstallPackage(request);
  if (result.Code != TPackageCode::Ok) {
    err << result.Message << '\n';
    return 1;
  }
  for (const TInstalledCharacter& character : result.Characters) {
    out << InstalledLine(character, result.Updated) << '\n';
  }
  return 0;
}

int RunPack(const std::string& programFolder, const std::string& definition, std::string output,
            std::ostream& out, std::ostream& err) {
  if (output.empty()) {
    output = fs::path(definition).stem().string() + std::string(kPackageExtension);
  }
  const TPackResult result = PackCharacter({programFolder, definition, output});
  if (result.Lint.Errors() > 0 || result.Lint.Warnings() > 0) {
    WriteLintText(result.Lint, programFolder, definition, err);
  }
  if (result.Code != TPackageCode::Ok) {
    err << result.Message << '\n';
    return 1;
  }
  for (const std::string& name : result.Names) out << "  " << name << '\n';
  out << "パッケージを作りました: " << output << '\n';
  return 0;
}

bool AskUpdateAtTerminal(const std::vector<TInstalledCharacter>& installed, std::istream& in,
                         std::ostream& out) {
  for (const TInstalledCharacter& character : installed) {
    out << "インストール済み: " << character.Name << " (" << character.DefinitionPath << ")\n";
  }
  out << "新しい版に更新しますか (覚えていることはそのままです) [y/N]: " << std::flush;
  std::string answer;
  if (!std::getline(in, answer)) return false;
  answer = AsciiLowerCase(answer);
  return answer == "y" || answer == "yes";
}

}  // namespace kelmo

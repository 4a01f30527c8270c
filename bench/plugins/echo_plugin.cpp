// The smallest useful plug-in, compiled: answers every call at once and leaves the arguments as
// they came. The benchmark uses it to measure what the host and the operating system cost per
// call, without an interpreter in the way.
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

int main() {
  std::ios::sync_with_stdio(false);
  for (std::string line; std::getline(std::cin, line);) {
    const nlohmann::json request = nlohmann::json::parse(line, nullptr, false);
    if (!request.is_object()) return 1;
    const nlohmann::json& params = request["params"];
    nlohmann::json value;
    if (request["method"] == "GetPluginInfo") value = params[0] == 1 ? "E" : "echo";
    const nlohmann::json answer = {{"jsonrpc", "2.0"},
                                   {"id", request["id"]},
                                   {"result", {{"return", value}, {"params", params}}}};
    std::cout << answer.dump() << '\n' << std::flush;
  }
}

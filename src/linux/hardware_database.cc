#include "hardware_database.h"

#include <map>
#include <memory>
#include <optional>

#include "hwdb_file.h"

namespace devlist {

HwdbLookup OpenSystemHwdb() {
  std::shared_ptr<HwdbFile> file = HwdbFile::OpenSystem();
  if (!file) return {};
  return [file](const std::string& modalias) { return file->Lookup(modalias); };
}

HwdbLookup OpenSystemHwdbOnFirstLookup() {
  struct State {
    std::optional<HwdbLookup> opened;
    // Answers by modalias: a big machine has hundreds of functions and CPUs of one kind, asked for alike.
    std::map<std::string, HwdbProperties> answers;
  };
  auto state = std::make_shared<State>();
  return [state](const std::string& modalias) {
    const auto known = state->answers.find(modalias);
    if (known != state->answers.end()) return known->second;
    if (!state->opened.has_value()) state->opened = OpenSystemHwdb();
    const HwdbLookup& lookup = *state->opened;
    HwdbProperties answer = lookup ? lookup(modalias) : HwdbProperties{};
    state->answers.emplace(modalias, answer);
    return answer;
  };
}

}  // namespace devlist

#include "capture/training_save.h"

#include "settings/settings_layout.h"

namespace blenvar {

bool StartsWithAimIdentifier(std::string_view sample) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return sample.size() >= 3 && sample[0] == ']' && letter(sample[1]);
}

SavedTraining SaveTraining(INIFile& ini, const TrainingOutcome& outcome,
                           std::string_view scannerDevice) {
    SavedTraining result;
    result.values = TrainedKeyValues({*outcome.start, *outcome.stop}, scannerDevice);
    // An encoding the user chose, even one the file spells oddly, stays.
    result.aimChosen = StartsWithAimIdentifier(outcome.sample) && LoadEncoding(ini).empty();
    if (result.aimChosen) result.values.emplace_back(kKeyEncoding, kEncodingAim);
    ini.SetSection(std::string(kSetupSection));
    result.saved = ini.SaveValues(result.values);
    if (!result.saved) result.aimChosen = false;
    return result;
}

}  // namespace blenvar

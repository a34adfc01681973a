#pragma once
// What a good training stores, for the tray program and blenvar-decode alike: the start
// and stop events, the scanner device, and the encoding when the sample shows it.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/training_machine.h"
#include "components/ini/ini_file.h"

namespace blenvar {

// "]", a letter and one more character: a symbology identifier the scanner adds.
bool StartsWithAimIdentifier(std::string_view sample);

struct SavedTraining {
    bool saved = false;  // false: nothing written, reason in ini.LastWriteError()
    // No Encoding had ever been chosen and the sample began with an identifier, so
    // Encoding=AIM went in with the keys.
    bool aimChosen = false;
    std::vector<std::pair<std::string, std::string>> values;  // what was written, in order
};

// A good `outcome` in one file replacement of [Setup]: the keys, a non-empty
// `scannerDevice`, and Encoding=AIM as above.
SavedTraining SaveTraining(INIFile& ini, const TrainingOutcome& outcome,
                           std::string_view scannerDevice);

}  // namespace blenvar

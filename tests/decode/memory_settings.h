#pragma once
// Reading settings held in memory: the readings without a settings file.
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "decode/readings.h"

namespace blenvar::testing {

struct MemorySettings : ReadingSettings {
    // Entries are type name and identifier text, in list order.
    MemorySettings(bool aimMode, const std::vector<std::pair<std::string, std::string>>& entries)
        : aim(aimMode) {
        for (const auto& [type, ident] : entries) {
            types.push_back(type);
            idents.emplace_back(ident);
        }
    }
    bool AimMode() override { return aim; }
    std::span<const std::string> Types() override { return types; }
    const Identifier& IdentifierOf(std::size_t index) override { return idents[index]; }
    Gs1Choice Gs1ChoiceOf(std::string_view) override { return gs1; }

    bool aim;
    std::vector<std::string> types;
    std::vector<Identifier> idents;
    Gs1Choice gs1 = Gs1Choice::Automatic;  // of every type
};

}  // namespace blenvar::testing

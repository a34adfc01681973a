#pragma once
// GS1 element strings and ISO/IEC 15434 envelopes: splits scanned data into its
// application identifiers (or ASC MH10 data identifiers) and checks each element.
#include <string>
#include <string_view>
#include <vector>

#include "core/scan_record.h"

namespace blenvar {

inline constexpr char kGroupSeparator = '\x1d';

// What a reading of element data gave: the fields in scan order, or (when the data did
// not parse or check) no fields and the first problem.
struct ElementData {
    std::vector<ScanField> fields;
    std::string error;
};

// Element strings as a scanner sends them (a leading FNC1 as GS or "]C1" skipped,
// variable fields ending at GS), the human-readable form "(01)...(17)...", or a GS1
// Digital Link address. False with out.error set when the data does not parse or check.
bool ReadGs1(std::string_view data, ElementData& out);

// A GS1 Digital Link address: http(s), any host, with a path holding a primary key AI.
bool IsDigitalLink(std::string_view data);

// "[)>" RS at the start of the data.
bool IsEnvelope(std::string_view data);
// Reads the formats 05 (GS1 AIs) and 06 (data identifiers) of an envelope.
bool ReadEnvelope(std::string_view data, ElementData& out);

}  // namespace blenvar

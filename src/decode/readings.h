#pragma once
// The three readings of a raw scan, as pure functions of the text and the settings
// they are handed: no settings file, no services. The decode driver (decode_scan.h)
// reads the settings and performs the side effects.
#include <span>
#include <string>
#include <string_view>

#include "decode/gs1.h"
#include "decode/identifier.h"
#include "settings/settings_layout.h"

namespace blenvar {

inline constexpr std::string_view kCueCatShape = ".*.????.*.";
inline constexpr std::string_view kBadScan = "BAD SCAN";
inline constexpr std::string_view kUnknownSettingsSuffix = " (unknown settings)";

struct Reading {
    std::string Serial;
    std::string TypeName;
    std::string Code;
    std::string Extra;
    // A CueCat text failing the shape or length test: Serial is "BAD SCAN".
    bool rejected = false;
    // Address to open when the "CODE 128" section has WebJump on; empty when the
    // reading's own rule does not call for one.
    std::string webAddress;
    // The AIM symbology identifier ("]d2"), in AIM mode.
    std::string Symbology;
    // The identifier's modifier says the data is GS1 element strings.
    bool gs1 = false;
    // The GS1 or data-identifier elements of Code, when it was read for them.
    ElementData elements;
};

// Unscrambles a CueCat text (type-code table, add-on split, UPC-E check digit,
// Bookland ISBN).
void ReadCueCat(std::string_view raw, Reading& out);

// Reads a text that begins with an AIM symbology identifier ("]A", "]C", ...).
void ReadAim(std::string_view raw, Reading& out);

// The settings a reading asks for, only when it gets to them: the decode driver reads
// them from the settings file, tests and the fuzz target hold them in memory.
class ReadingSettings {
  public:
    virtual ~ReadingSettings() = default;
    // "Encoding" selects AIM mode; asked for text without the CueCat shape.
    virtual bool AimMode() = 0;
    // The type list in identifier-mode order ("UNKNOWN" in any case is skipped).
    virtual std::span<const std::string> Types() = 0;
    // The identifier of entry `index` of Types(), asked entry by entry as the walk
    // goes, so the walk stops reading at the first entry giving a value.
    virtual const Identifier& IdentifierOf(std::size_t index) = 0;
    // The GS1 setting of a type, asked once a scan has its type.
    virtual Gs1Choice Gs1ChoiceOf(std::string_view /*type*/) { return Gs1Choice::Automatic; }
};

// The whole reading of one raw text: the CueCat shape first, then AIM or identifier
// mode, then the "UNKNOWN" fallback (no value: the raw text becomes the value), then
// the value's GS1 or data-identifier elements as the type's GS1 setting says.
void ReadScan(std::string_view raw, ReadingSettings& settings, Reading& out);

}  // namespace blenvar

#pragma once
// The three readings of a raw scan, as pure functions: no settings file, no services.
// The decode driver (decode_scan.h) adds the settings and the side effects.
#include <span>
#include <string>
#include <string_view>

namespace blenvar {

inline constexpr std::string_view kCueCatShape = ".*.????.*.";
inline constexpr std::string_view kBadScan = "BAD SCAN";
inline constexpr std::string_view kBadScanSound = "Bad Scan";
inline constexpr std::string_view kUnknownType = "UNKNOWN";
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
};

// Raw text has the dotted CueCat shape ".*.????.*.".
bool IsCueCatShape(std::string_view raw);

// Unscrambles a CueCat text (type-code table, add-on split, UPC-E check digit,
// Bookland ISBN).
void ReadCueCat(std::string_view raw, Reading& out);

// Reads a text that begins with an AIM symbology identifier ("]A", "]C", ...).
void ReadAim(std::string_view raw, Reading& out);

// One entry of identifier mode: type name and its identifier text (already trimmed).
struct IdentifierEntry {
    std::string type;
    std::string ident;
};

// Tries one entry. Returns true when the identifier matched (TypeName is then set,
// Code/Extra by the type's row, webAddress for "CODE 128" values starting "www.").
bool TryIdentifierEntry(std::string_view raw, std::string_view type, std::string_view ident,
                        Reading& out);

// Walks the entries in order, skipping "unknown" in any case, until one gives a value.
void ReadIdentifier(std::string_view raw, std::span<const IdentifierEntry> entries, Reading& out);

// The whole reading of one raw text with the settings already at hand: the CueCat
// shape first, then AIM or identifier mode, then the "UNKNOWN" fallback (no value:
// the raw text becomes the value).
void ReadScan(std::string_view raw, bool aimMode, std::span<const IdentifierEntry> entries,
              Reading& out);

// "UNKNOWN" with the raw text when no reading produced a value.
void ApplyUnknownFallback(std::string_view raw, Reading& out);

}  // namespace blenvar

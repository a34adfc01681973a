#pragma once
// Scanners in USB HID POS mode (usage page 0x8C): where their report descriptor puts the
// scanned data, and the scans their reports add up to. Plain bytes in, text out; the
// device nodes are read elsewhere.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace blenvar {

// A field of an input report, in bits from the start of the report as read (the report ID
// byte included when the device numbers its reports).
struct HidField {
    std::size_t bit = 0;
    std::size_t bits = 0;   // per element
    std::size_t count = 0;  // elements
    bool Present() const { return bits != 0; }
};

// The Scanned Data Report (usage 0x12) of a Bar Code Scanner (0x8C:0x02).
struct PosReportLayout {
    std::uint8_t reportId = 0;  // 0: the device numbers no reports
    std::size_t bytes = 0;      // the whole report, ID byte included
    HidField symbology[3];      // usages 0xFB-0xFD
    HidField data;              // 0xFE, one byte per element
    HidField continued;         // 0xFF: more of this scan follows
    // The byte-wide field just before the symbology bytes that the common layouts use
    // for the number of data bytes in this report; absent, the data ends at its last
    // non-NUL byte.
    HidField length;
};

// The layout of the scanner's data report, or nothing when the descriptor is not a bar
// code scanner's or has no decoded data.
std::optional<PosReportLayout> FindScannedDataReport(std::span<const std::uint8_t> descriptor);

struct PosScan {
    std::string symbology;  // "]Q1"
    std::string data;       // UTF-8
    // The text decoding reads: the identifier, then the data.
    std::string Raw() const { return symbology + data; }
};

// Joins the reports of one scan until the one without "more data follows".
class PosScanJoiner {
  public:
    explicit PosScanJoiner(const PosReportLayout& layout) : layout_(layout) {}
    // One report as read; other report IDs are skipped.
    std::optional<PosScan> Add(std::span<const std::uint8_t> report);
    // The device went away: true when part of a scan was read, which is dropped.
    bool Abandon();

  private:
    PosReportLayout layout_;
    std::string symbology_;
    std::string data_;
    bool open_ = false;
};

// Valid UTF-8 stays as it is; anything else is read as ISO-8859-1.
std::string ScannerBytesToUtf8(std::string_view bytes);

}  // namespace blenvar

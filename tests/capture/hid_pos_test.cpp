// Scanners that are not keyboards: the data in HID POS report descriptors, reports joined
// to scans, and a serial scanner's bytes cut into scans by silence.
#include "capture/hid_pos.h"

#include <gtest/gtest.h>

#include "capture/pos_scanner.h"
#include "capture/serial_framing.h"

namespace blenvar {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HidPos, DescriptorLayouts) {
    const Bytes common = pos::kDescriptor;
    // No report IDs or length byte, the data before the identifier, usage ranges,
    // 32-bit usages and a pushed page.
    const Bytes other = {0x05, 0x8C, 0x09, 0x02, 0xA1, 0x01, 0x0B, 0x12, 0x00, 0x8C, 0x00,
                         0xA1, 0x02, 0x75, 0x08, 0x95, 0x10, 0xA4, 0x05, 0x01, 0x0B, 0xFE,
                         0x00, 0x8C, 0x00, 0x81, 0x02, 0xB4, 0x19, 0xFB, 0x29, 0xFD, 0x95,
                         0x03, 0x81, 0x02, 0x09, 0xFF, 0x95, 0x01, 0x81, 0x02, 0xC0, 0xC0};
    // A keyboard, and a scanner collection without decoded data.
    const Bytes keyboard = {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0,
                            0x29, 0xE7, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0xC0};
    const Bytes noData = {0x05, 0x8C, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x12, 0xA1, 0x02,
                          0x75, 0x08, 0x95, 0x01, 0x09, 0xFB, 0x81, 0x02, 0xC0, 0xC0};
    // Report ID, size, third symbology byte, data (bit x count), "more" (bit/bits), length.
    const std::pair<const Bytes*, const char*> rows[] = {
        {&common, "2 64 32 40x56 504/1 8"},
        {&other, "0 20 144 0x16 152/8 -"},
        {&keyboard, "none"},
        {&noData, "none"},
    };
    for (const auto& [descriptor, want] : rows) {
        const auto l = FindScannedDataReport(*descriptor);
        char got[64] = "none";
        if (l)
            std::snprintf(got, sizeof got, "%d %zu %zu %zux%zu %zu/%zu %s", l->reportId, l->bytes,
                          l->symbology[2].bit, l->data.bit, l->data.count, l->continued.bit,
                          l->continued.bits,
                          l->length.Present() ? std::to_string(l->length.bit).c_str() : "-");
        EXPECT_STREQ(got, want);
    }
}

TEST(HidPos, JoinedScans) {
    const struct {
        std::vector<Bytes> reports;
        const char* raw;  // "" when the last report leaves the scan open
    } rows[] = {
        {{pos::Report("]Q1", "line 1\r", true), pos::Report("]Q1", "line 2", false)},
         "]Q1line 1\rline 2"},
        {{pos::Report("Q1", "abc", false)}, "]Q1abc"},
        {{pos::Report("]E0", "\xe9t\xe9", false)}, "]E0\xc3\xa9t\xc3\xa9"},
        {{pos::Report("]Q1", "\xc3\xa9\x01", false)}, "]Q1\xc3\xa9\x01"},
        // Another report ID in between changes nothing.
        {{pos::Report("]d2", "12", true), Bytes(64, 1), pos::Report("]d2", "34", false)},
         "]d21234"},
        {{pos::Report("]C0", std::string(56, 'x'), true)}, ""},
    };
    const PosReportLayout layout = *FindScannedDataReport(pos::kDescriptor);
    for (const auto& row : rows) {
        PosScanJoiner joiner(layout);
        std::string raw;
        for (const Bytes& r : row.reports)
            if (auto scan = joiner.Add(r)) raw += scan->Raw();
        EXPECT_EQ(raw, row.raw);
        // Unplugged now: only an open scan is lost, and the next one starts clean.
        EXPECT_EQ(joiner.Abandon(), raw.empty()) << row.raw;
        EXPECT_EQ(joiner.Add(pos::Report("]A0", "z", false))->Raw(), "]A0z");
    }
}

TEST(SerialFraming, ScansEndAfterTheGap) {
    const struct {
        std::vector<std::pair<std::uint64_t, const char*>> bytes;  // at ms
        std::vector<const char*> scans;
    } rows[] = {
        {{{0, "12"}, {5, "34\r"}}, {"1234"}},
        {{{0, "12\n"}}, {"12"}},
        {{{0, "line 1\r\nline 2\r\n"}}, {"line 1\r\nline 2"}},
        {{{0, "99"}, {100, "88\r"}, {250, "\xe9"}}, {"99", "88", "\xc3\xa9"}},
        {{{0, "\r\n"}}, {}},
    };
    for (const auto& row : rows) {
        SerialFraming framing(100);
        std::vector<std::string> scans;
        const auto tickTo = [&](std::uint64_t ms) {
            while (framing.Deadline() && *framing.Deadline() <= ms)
                if (auto scan = framing.Tick(*framing.Deadline())) scans.push_back(*scan);
        };
        for (const auto& [ms, text] : row.bytes) {
            tickTo(ms);
            framing.Feed(text, ms);
        }
        tickTo(1000);
        EXPECT_EQ(scans, std::vector<std::string>(row.scans.begin(), row.scans.end()));
    }
    // Unplugged before the gap: a scan that got its terminator goes out, a cut one does not.
    for (const auto& [bytes, whole] : {std::pair{"12\r\n", "12"}, {"12", ""}, {"", ""}}) {
        SerialFraming framing(100);
        framing.Feed(bytes, 0);
        bool cut = false;
        EXPECT_EQ(framing.Close(cut).value_or(""), whole) << bytes;
        EXPECT_EQ(cut, *bytes && !*whole) << bytes;
        EXPECT_FALSE(framing.Tick(1000));
    }
}

}  // namespace
}  // namespace blenvar

#include "capture/hid_pos.h"

#include <algorithm>
#include <map>
#include <vector>

namespace blenvar {
namespace {

constexpr std::uint32_t kPosPage = 0x8C;
constexpr std::uint32_t kBarCodeScanner = kPosPage << 16 | 0x02;
constexpr std::uint32_t kScannedDataReport = kPosPage << 16 | 0x12;
constexpr std::uint32_t kSymbology1 = kPosPage << 16 | 0xFB;
constexpr std::uint32_t kDecodedData = kPosPage << 16 | 0xFE;
constexpr std::uint32_t kDataContinued = kPosPage << 16 | 0xFF;

struct Globals {
    std::uint32_t page = 0;
    std::uint32_t size = 0;
    std::uint32_t count = 0;
    std::uint8_t id = 0;
};

// One element of an input item inside the scanned data report.
struct Element {
    std::uint8_t id;
    std::uint32_t usage;
    std::size_t bit;
    std::size_t bits;
};

std::uint32_t Unsigned(std::span<const std::uint8_t> data) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < data.size(); ++i) v |= std::uint32_t(data[i]) << (8 * i);
    return v;
}

std::uint32_t ReadBits(std::span<const std::uint8_t> report, const HidField& f, std::size_t index) {
    std::uint32_t v = 0;
    const std::size_t start = f.bit + index * f.bits;
    for (std::size_t b = 0; b < f.bits && b < 32; ++b) {
        const std::size_t at = start + b;
        if (at / 8 >= report.size()) break;
        if (report[at / 8] >> (at % 8) & 1) v |= 1u << b;
    }
    return v;
}

// Elements of one usage that follow each other become one field.
void Extend(HidField& field, const Element& e) {
    if (!field.Present())
        field = {e.bit, e.bits, 1};
    else if (e.bit == field.bit + field.count * field.bits && e.bits == field.bits)
        ++field.count;
}

}  // namespace

std::optional<PosReportLayout> FindScannedDataReport(std::span<const std::uint8_t> descriptor) {
    Globals g;
    std::vector<Globals> pushed;
    std::vector<std::uint32_t> usages;
    std::uint32_t usageMin = 0;
    bool haveMin = false;
    std::vector<std::uint32_t> collections;
    std::map<std::uint8_t, std::size_t> offsets;  // input bits so far, by report ID
    std::vector<Element> elements;
    bool scanner = false;

    const auto fullUsage = [&](std::span<const std::uint8_t> d) {
        return d.size() == 4 ? Unsigned(d) : g.page << 16 | Unsigned(d);
    };
    const auto inScannedData = [&] {
        bool app = false;
        for (std::uint32_t c : collections) {
            if (c == kBarCodeScanner) app = true;
            if (app && c == kScannedDataReport) return true;
        }
        return false;
    };

    for (std::size_t at = 0; at < descriptor.size();) {
        const std::uint8_t prefix = descriptor[at];
        if (prefix == 0xFE) {  // long item: never one of ours
            if (at + 1 >= descriptor.size()) break;
            at += 3 + descriptor[at + 1];
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : prefix & 3;
        if (at + 1 + size > descriptor.size()) break;
        const auto data = descriptor.subspan(at + 1, size);
        at += 1 + size;
        const std::uint32_t value = Unsigned(data);
        switch (prefix & 0xFC) {
            case 0x04:
                g.page = value;
                break;
            case 0x74:
                g.size = value;
                break;
            case 0x94:
                g.count = value;
                break;
            case 0x84:
                g.id = std::uint8_t(value);
                offsets.try_emplace(g.id, 8);
                break;
            case 0xA4:
                pushed.push_back(g);
                break;
            case 0xB4:
                if (!pushed.empty()) {
                    g = pushed.back();
                    pushed.pop_back();
                }
                break;
            case 0x08:
                usages.push_back(fullUsage(data));
                break;
            case 0x18:
                usageMin = fullUsage(data);
                haveMin = true;
                break;
            case 0x28:
                if (haveMin)
                    for (std::uint32_t u = usageMin; u <= fullUsage(data) && usages.size() < 4096;
                         ++u)
                        usages.push_back(u);
                break;
            case 0xA0:
                collections.push_back(usages.empty() ? 0 : usages.front());
                if (collections.back() == kBarCodeScanner) scanner = true;
                break;
            case 0xC0:
                if (!collections.empty()) collections.pop_back();
                break;
            case 0x80: {
                std::size_t& offset = offsets[g.id];
                const bool constant = value & 1;
                if (!constant && inScannedData() && g.size > 0 && !usages.empty())
                    for (std::uint32_t i = 0; i < g.count && i < 4096; ++i)
                        elements.push_back({g.id, i < usages.size() ? usages[i] : usages.back(),
                                            offset + i * g.size, g.size});
                offset += std::size_t(g.size) * g.count;
                break;
            }
            default:
                break;
        }
        // Main items end the local ones.
        if ((prefix & 0x0C) == 0) {
            usages.clear();
            haveMin = false;
        }
    }
    if (!scanner) return std::nullopt;

    PosReportLayout layout;
    bool found = false;
    for (const Element& e : elements)
        if (e.usage == kDecodedData && e.bits == 8) {
            layout.reportId = e.id;
            found = true;
            break;
        }
    if (!found) return std::nullopt;
    const Element* beforeSymbology = nullptr;
    const Element* previous = nullptr;
    for (const Element& e : elements) {
        if (e.id != layout.reportId) continue;
        if (e.usage >= kSymbology1 && e.usage < kDecodedData && e.bits == 8) {
            HidField& f = layout.symbology[e.usage - kSymbology1];
            if (!f.Present()) f = {e.bit, e.bits, 1};
            if (e.usage == kSymbology1 && !beforeSymbology) beforeSymbology = previous;
        } else if (e.usage == kDecodedData && e.bits == 8) {
            Extend(layout.data, e);
        } else if (e.usage == kDataContinued && !layout.continued.Present()) {
            layout.continued = {e.bit, e.bits, 1};
        }
        previous = &e;
    }
    if (beforeSymbology && beforeSymbology->bits == 8 &&
        (beforeSymbology->usage < kSymbology1 || beforeSymbology->usage > kDataContinued))
        layout.length = {beforeSymbology->bit, 8, 1};
    layout.bytes = (offsets[layout.reportId] + 7) / 8;
    return layout;
}

std::optional<PosScan> PosScanJoiner::Add(std::span<const std::uint8_t> report) {
    if (report.empty() || (layout_.reportId != 0 && report[0] != layout_.reportId))
        return std::nullopt;
    if (!open_) {
        symbology_.clear();
        for (const HidField& f : layout_.symbology) {
            const char c = f.Present() ? char(ReadBits(report, f, 0)) : '\0';
            if (c == '\0') break;
            symbology_ += c;
        }
        // An identifier without its "]" has only the two characters after it.
        if (!symbology_.empty() && symbology_[0] != ']') symbology_ = "]" + symbology_.substr(0, 2);
        open_ = true;
    }
    std::size_t n = layout_.data.count;
    if (layout_.length.Present())
        n = std::min<std::size_t>(n, ReadBits(report, layout_.length, 0));
    else
        while (n > 0 && ReadBits(report, layout_.data, n - 1) == 0) --n;
    for (std::size_t i = 0; i < n; ++i) data_ += char(ReadBits(report, layout_.data, i));
    if (layout_.continued.Present() && ReadBits(report, layout_.continued, 0) != 0)
        return std::nullopt;
    PosScan scan{std::move(symbology_), ScannerBytesToUtf8(data_)};
    symbology_.clear();
    data_.clear();
    open_ = false;
    return scan;
}

bool PosScanJoiner::Abandon() {
    const bool half = open_;
    symbology_.clear();
    data_.clear();
    open_ = false;
    return half;
}

std::string ScannerBytesToUtf8(std::string_view bytes) {
    const auto validUtf8 = [&] {
        for (std::size_t i = 0; i < bytes.size();) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            std::size_t more = 0;
            if (c >= 0xC2 && c <= 0xDF)
                more = 1;
            else if ((c & 0xF0) == 0xE0)
                more = 2;
            else if (c >= 0xF0 && c <= 0xF4)
                more = 3;
            else if (c >= 0x80)
                return false;
            if (i + more >= bytes.size() && more > 0) return false;
            for (std::size_t k = 1; k <= more; ++k)
                if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
            i += more + 1;
        }
        return true;
    };
    if (validUtf8()) return std::string(bytes);
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace blenvar

// Raw scan text through the pure readings and the decode driver (fake services, a
// temporary settings file), then conversions and masks. Checks that the driver and
// the pure reading agree and that the one-pass mask formatter matches the passes.
// Input: flags byte, raw text, NUL, mask.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/code_types.h"
#include "decode/decode_scan.h"
#include "decode/memory_settings.h"
#include "decode/readings.h"
#include "decode/conversions.h"
#include "output/mask.h"

namespace {

using namespace blenvar;

struct Services : ShellOpener, SoundEvents, TrayImage, Clock {
    std::vector<std::string> opened;
    bool Open(const std::string& t) override {
        opened.push_back(t);
        return true;
    }
    void PlaySound(const std::string&, bool) override {}
    void SetTrayImage(int) override {}
    std::tm LocalNow() override {
        std::tm t{};
        t.tm_year = 105;
        t.tm_mday = 1;
        return t;
    }
};

const std::vector<std::pair<std::string, std::string>>& Idents() {
    static const std::vector<std::pair<std::string, std::string>> list{
        {"EAN 8", "8"},      {"EAN 13", "]E"},    {"INTERLEAVED 2 OF 5", "[IJ]"},
        {"ISBN", "#"},       {"ISSN", "S"},       {"CODE 39", "*"},
        {"CODE 128", "]C?"}, {"CODABAR", "F"},    {"UPC-E", "E?"},
        {"UPC-A", "A"},      {"UCC/EAN 128", "]"}};
    return list;
}

struct Setup {
    std::string folder;
    INIFile aim, other;
    std::vector<std::string> types;
    Setup() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "blenvar-fuzz-XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
        for (const bool isAim : {true, false}) {
            const std::string path = folder + (isAim ? "/aim.ini" : "/other.ini");
            std::ofstream out(path);
            out << "[Setup]\nEncoding=" << (isAim ? "aim" : "Other") << "\n";
            for (const auto& [type, ident] : Idents())
                out << "[" << type << "]\nIdentText=" << ident
                    << "\nWebJump=1\nExpandUPCE=1\nConvertISBNISSN=1\n";
            (isAim ? aim : other).SetFileName(path);
        }
        types = LoadCodeTypes(other);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Setup setup;
    if (size == 0) return 0;
    const bool aim = data[0] & 1;
    const std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = in.find('\0');
    const std::string raw(in.substr(0, cut));
    const std::string_view mask =
        cut == std::string_view::npos ? std::string_view{} : in.substr(cut + 1);

    // The same settings in memory, in the order of the type list read from the file.
    static blenvar::testing::MemorySettings memory(false, [] {
        std::vector<std::pair<std::string, std::string>> list;
        for (const auto& type : setup.types) {
            std::string ident;
            for (const auto& [t, i] : Idents())
                if (t == type) ident = i;
            list.emplace_back(type, ident);
        }
        return list;
    }());
    memory.aim = aim;
    Reading pure;
    ReadScan(raw, memory, pure);

    static Services s0;
    ScanRecord rec;
    rec.Raw = raw;
    // One context per file for the whole run, so compiled identifiers are reused.
    static DecodeContext aimCtx{setup.aim, setup.types, s0, s0, s0, s0};
    static DecodeContext otherCtx{setup.other, setup.types, s0, s0, s0, s0};
    DecodeContext& ctx = aim ? aimCtx : otherCtx;
    s0.opened.clear();
    DecodeScan(rec, ctx);
    if (rec.TypeName != pure.TypeName || rec.Code != pure.Code || rec.Extra != pure.Extra ||
        rec.Serial != pure.Serial)
        std::abort();
    const std::vector<std::string> expectOpened = pure.webAddress.empty()
                                                      ? std::vector<std::string>{}
                                                      : std::vector<std::string>{pure.webAddress};
    if (s0.opened != expectOpened) std::abort();

    ScanRecord viaSettings = rec;
    ApplyConversions(viaSettings, ctx.ini);
    ApplyConversions(rec, ConversionSettings{true, true});
    if (viaSettings.TypeName != rec.TypeName || viaSettings.Code != rec.Code ||
        viaSettings.Extra != rec.Extra)
        std::abort();

    const MarkedText marked = FormatMaskMarked(mask, rec);
    if (marked.text.size() != marked.fromField.size() ||
        marked.text.size() != marked.maskOffset.size())
        std::abort();
    for (std::size_t offset : marked.maskOffset)
        if (offset >= mask.size()) std::abort();
    if (FormatMask(mask, rec) != marked.text) std::abort();
    return 0;
}

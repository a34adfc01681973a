#include <cstddef>
#include <cstdint>
#include <string_view>

#include "update/update_answer.h"

// Whatever the server sends, an accepted answer names one file inside the package folder
// and a version that compares again the same way.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const blenvar::update::CheckContext context{"blenvar", 1005012, "https://u.example",
                                                "ftp://f.example", "Desc"};
    const auto out = blenvar::update::EvaluateAnswer(page, context);
    if (out.result == blenvar::update::kNoInformation) return 0;
    constexpr std::string_view kFolder = "ftp://f.example/MSI/";
    const std::string_view msi = out.msiLocation;
    if (!msi.starts_with(kFolder)) __builtin_trap();
    const auto name = msi.substr(kFolder.size());
    if (name.empty() || name.find_first_of("/\\") != name.npos || name.find("..") != name.npos)
        __builtin_trap();
    if (blenvar::update::CompareKnown(out.currVersion, context.ownVersion) != out.result)
        __builtin_trap();
    return 0;
}

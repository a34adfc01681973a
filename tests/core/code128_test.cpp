// The test symbol is read back by an outside decoder (zbarimg): every character of code
// set B in one symbol, so a wrong pattern or check character shows.
#include "core/code128.h"

#include <gtest/gtest.h>

#include <fstream>

#include "decode/temp_ini.h"
#include "support/process.h"

namespace blenvar {
namespace {

TEST(Code128, AnOutsideDecoderReadsEveryCharacter) {
    std::string text;
    for (char c = 32; c < 127; ++c) text += c;
    std::string row(10, '0');
    bool bar = true;
    for (int modules : Code128Widths(text)) {
        row += std::string(modules, bar ? '1' : '0');
        bar = !bar;
    }
    row += std::string(10, '0');
    testing::TempIni dir;
    const std::string image = dir.folder() + "/symbol.pbm";
    {
        std::ofstream pbm(image);
        pbm << "P1\n" << row.size() * 2 << " 40\n";
        for (int y = 0; y < 40; ++y)
            for (char module : row) pbm << module << ' ' << module << '\n';
    }
    const auto read = testing::RunProcess({"zbarimg", "--quiet", "--raw", image});
    EXPECT_EQ(read.out, text + "\n") << read.err;
    EXPECT_TRUE(Code128Widths("\x7f").empty());
}

}  // namespace
}  // namespace blenvar

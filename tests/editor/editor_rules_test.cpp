#include "settings/editor_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "decode/temp_ini.h"

namespace blenvar {
namespace {

using blenvar::testing::TempIni;

// Names of the controls for which pick() holds, in table order, joined by blanks.
template <typename Pick>
std::string ControlsWhere(Pick pick) {
    std::string out;
    for (EditorControl c : EditorControls())
        if (pick(c)) out += (out.empty() ? "" : " ") + std::string(ControlName(c));
    return out;
}

TEST(EditorRules, ControlsHiddenForEachType) {
    const std::string none = "ExpandUPCE ConvertISBNISSN WebJump";
    const std::string unknown =
        "ExecuteCommand CommandLine CommandLabel CommandOptions OptionLabel CommandHelp "
        "FormatLabel ExpandUPCE ConvertISBNISSN WebJump IdentText IdentLabel";
    const struct {
        const char* type;
        std::string hidden;
    } cases[] = {
        {"UPC-E", "ConvertISBNISSN WebJump"},
        {"EAN 13", "ExpandUPCE WebJump"},
        {"CODE 128", "ExpandUPCE ConvertISBNISSN"},
        {"code 128", "ExpandUPCE ConvertISBNISSN"},
        {"UPC-A", none},
        {"UCC/EAN 128", none},
        {"EAN 1", none},  // a part of "EAN 13" is another type
        {"MY OWN TYPE", none},
        {"UNKNOWN", unknown},
        {"unknown", unknown},
        {"", ControlsWhere([](EditorControl) { return true; })},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ControlsWhere([&](EditorControl e) { return !ControlShown(e, c.type); }),
                  c.hidden)
            << c.type;
    }
}

TEST(EditorRules, FieldsFollowTheirSwitch) {
    const struct {
        EditorSwitches switches;
        std::string disabled;
    } cases[] = {
        {{},
         "AddReturn KeyboardMask KMLabel ClipboardMask CMLabel CommandLine CommandLabel "
         "CommandOptions OptionLabel FileName FileButton FileFormat FormatLabel IdentText "
         "IdentLabel ServerAddress SALabel ServerFormat SFLabel ServerNote ServerCertificate "
         "SCLabel CertificateButton"},
        {{true, true, true, true, true, true}, ""},
        {{true, false, false, false, false},
         "ClipboardMask CMLabel CommandLine CommandLabel CommandOptions OptionLabel FileName "
         "FileButton FileFormat FormatLabel IdentText IdentLabel ServerAddress SALabel "
         "ServerFormat SFLabel ServerNote ServerCertificate SCLabel CertificateButton"},
        {{false, true, false, true, true, true},
         "AddReturn KeyboardMask KMLabel CommandLine CommandLabel CommandOptions OptionLabel"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ControlsWhere([&](EditorControl e) { return !ControlEnabled(e, c.switches); }),
                  c.disabled);
    }
}

std::string Joined(const TypeSettings& s) {
    std::string out;
    for (const TypeSettingKey& k : TypeSettingKeys()) out += s.*k.field + "|";
    return out;
}

// Stored values reach the editor only through the controls the type shows, and only in a
// form the control can take; the rest keeps the defaults.
TEST(EditorRules, LoadingAndFillingFields) {
    const std::string defaults = "0|0|0|0|0|0|0|1|%%C|||" + std::string(kDefaultFileFormat);
    const struct {
        const char *settings, *type, *expected;
    } cases[] = {
        {"", "EAN 13", "0|0|0|0|0|0|0|1|%%C|||*|/f/EAN13.txt||%%C|0||||"},
        {"[upc-a]\nScanToKeyboard=1\nAddReturn=yes\nExpandUPCE=1\nWebJump=1\nIdentText= ]E0 \n"
         "KeyboardMask=%%C{TAB}\nSendToClipboard=2\n",
         "UPC-A", "1|0|0|0|0|0|0|1|%%C|||*|/f/UPC-A.txt|]E0|%%C{TAB}|0||||"},
        {"[UNKNOWN]\nExecuteCommand=1\nCommandLine=rm\nIdentText=x\nFileName=/tmp/u.txt\n"
         "SaveToFile=1\nFileFormat=%%C\nSendToServer=1\nServerAddress=http://h/%%C\n"
         "ServerCertificate=/c.pem\n",
         "UNKNOWN", "0|0|0|0|0|1|0|1|%%C|||%%C|/tmp/u.txt||%%C|1|http://h/%%C||/c.pem|"},
        {"[EAN 13]\nConvertISBNISSN=0\nExpandUPCE=1\n[CODE 128]\nWebJump=1\nClipboardMask=\n",
         "CODE 128", "0|0|0|0|0|0|1|1||||*|/f/CODE128.txt||%%C|0||||"},
    };
    for (const auto& c : cases) {
        TempIni f(c.settings);
        INIFile ini;
        ini.SetFileName(f.path());
        std::string expected = c.expected;
        if (auto star = expected.find('*'); star != std::string::npos)
            expected.replace(star, 1, kDefaultFileFormat);
        EXPECT_EQ(Joined(LoadEditorSettings(ini, c.type, "/f")), expected) << c.type;
    }

    TypeSettings s;
    s.ClipboardMask = "  ";
    s.CommandLine = " ";
    s.FileFormat = "";
    s.KeyboardMask = " %%X ";
    s.IdentText = "";
    FillEmptyFields(s, "/f", "UCC/EAN 128");
    EXPECT_EQ(Joined(s), defaults + "|/f/UCCEAN128.txt|| %%X |0||||");
}

}  // namespace
}  // namespace blenvar

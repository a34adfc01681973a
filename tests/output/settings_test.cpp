#include <gtest/gtest.h>

#include "decode/conversions.h"
#include "decode/temp_ini.h"
#include "delivery/argrecord.h"
#include "settings/settings_layout.h"

namespace blenvar {
namespace {

using blenvar::testing::TempIni;

TEST(ReadingRules, Table) {
    const struct {
        const char* stored;
        bool flag, truth, rounded;
        int integer;
    } cases[] = {
        {"1", true, true, true, 1},
        {"", false, false, false, 0},
        {"true", false, true, false, 0},
        {"yes", false, false, false, 0},
        {" 1 ", false, true, true, 1},
        {"0.4", false, true, false, 0},
        {"0.6", false, true, true, 0},
        {"12abc", false, false, true, 12},
        {"1e3", false, true, true, 1},
        {"99999999999", false, true, true, 2147483647},
        {"-99999999999", false, true, true, -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadFlag(c.stored), c.flag) << c.stored;
        EXPECT_EQ(ReadTruth(c.stored), c.truth) << c.stored;
        EXPECT_EQ(ReadRoundedNumberOn(c.stored), c.rounded) << c.stored;
        EXPECT_EQ(ReadLeadingInteger(c.stored), c.integer) << c.stored;
    }
    EXPECT_TRUE(IsAimEncoding("aim"));
    EXPECT_FALSE(IsAimEncoding("Other"));
}

TEST(TypeSettings, DefaultsFileNamesAndFullSaveInOrder) {
    TempIni f("[CODE 39]\nSendToClipboard=0\n");
    INIFile ini;
    ini.SetFileName(f.path());
    TypeSettings s = LoadTypeSettings(ini, "CODE 39", "/opt/app");
    EXPECT_EQ(s.SendToClipboard, "0");
    EXPECT_EQ(s.FileName, "/opt/app/CODE39.txt");
    // Blanks and separators are dropped: "UCC/EAN 128" stays one file in the folder.
    EXPECT_EQ(DefaultFileName("/opt/app/", "UCC/EAN 128"), "/opt/app/UCCEAN128.txt");
    EXPECT_EQ(DefaultFileName("/opt/app", "..\\x/y"), "/opt/app/..xy.txt");

    s.IdentText = "  ]A  ";
    ASSERT_TRUE(SaveTypeSettings(ini, "UCC/EAN 128", s));
    // All nineteen keys, in the order the editor has always written them (line ends are
    // the INI component's business).
    std::string text = testing::ReadFile(f.path());
    std::erase(text, '\r');
    EXPECT_EQ(text,
              "[CODE 39]\nSendToClipboard=0\n"
              "[UCC/EAN 128]\n"
              "ScanToKeyboard=0\nAddReturn=0\nExecuteCommand=0\nExpandUPCE=0\n"
              "ConvertISBNISSN=0\nSaveToFile=0\nWebJump=0\nSendToClipboard=0\n"
              "ClipboardMask=%%C\nCommandLine=\nCommandOptions=\n"
              "FileFormat=%%d,%%t,\"%%S\",\"%%T\",\"%%C\",\"%%X\"\n"
              "FileName=/opt/app/CODE39.txt\nIdentText=]A\nKeyboardMask=%%C\n"
              "SendToServer=0\nServerAddress=\nServerFormat=\nServerCertificate=\n");
    const TypeSettings back = LoadTypeSettings(ini, "ucc/ean 128", "/x");
    EXPECT_EQ(back.IdentText, "]A");
    EXPECT_EQ(back.SendToClipboard, "0");
}

TEST(SetupKeys, TrainingAndEncoding) {
    TempIni f("[setup]\nStart_Action=abc\nStart_VCode=65\n");
    INIFile ini;
    ini.SetFileName(f.path());
    EXPECT_EQ(LoadTrainedKeys(ini).start, (TrainedKey{0, 0, 65, 0}));
    EXPECT_EQ(LoadEncoding(ini), "");

    const TrainedKeys keys{{4, 1, 2, 3}, {5, 6, 7, 8}};
    ASSERT_TRUE(SaveTrainedKeys(ini, keys));
    ASSERT_TRUE(SaveEncoding(ini, "AIM"));
    EXPECT_EQ(LoadTrainedKeys(ini).start, keys.start);
    EXPECT_EQ(LoadTrainedKeys(ini).stop, keys.stop);
    EXPECT_EQ(LoadEncoding(ini), "AIM");
    const std::string text = testing::ReadFile(f.path());
    EXPECT_LT(text.find("Start_VCode="), text.find("Start_SCode="));
}

TEST(SetupKeys, UpdateServersAndInstaller) {
    const struct {
        const char* file;
        bool apt;
        UpdateSettings want;
    } cases[] = {
        {"[Setup]\n", true, {"", "", "pkexec apt-get install --reinstall -y %1"}},
        {"[Setup]\nInstallCommand= \t\n", false, {"", "", "xdg-open %1"}},
        {"[setup]\nUpdateServer= https://u.example \nPackageServer=ftp://f\n"
         "InstallCommand=\"/opt/x y\" %1\n",
         true,
         {"https://u.example", "ftp://f", "\"/opt/x y\" %1"}},
    };
    for (const auto& c : cases) {
        TempIni f(c.file);
        INIFile ini;
        ini.SetFileName(f.path());
        const UpdateSettings s = LoadUpdateSettings(ini, c.apt);
        EXPECT_EQ(s.UpdateServer, c.want.UpdateServer) << c.file;
        EXPECT_EQ(s.PackageServer, c.want.PackageServer) << c.file;
        EXPECT_EQ(s.InstallCommand, c.want.InstallCommand) << c.file;
    }
}

TEST(SetupKeys, Capture) {
    using B = KeyboardBackend;
    using D = CaptureDevices;
    const struct {
        const char* file;
        B backend;
        D devices;
    } cases[] = {
        {"[Setup]\n", B::Auto, D::All},
        {"[Setup]\nScannerDevice=s|0001:0002\n", B::Auto, D::Scanner},
        {"[Setup]\nScannerDevice=s|0001:0002\nCaptureDevices= all \n", B::Auto, D::All},
        {"[setup]\nCaptureDevices=SCANNER\nKeyboardBackend=evdev\n", B::Evdev, D::Scanner},
        {"[Setup]\nCaptureDevices=some\nKeyboardBackend= X11\n", B::X11, D::All},
        {"[Setup]\nKeyboardBackend=Wayland\n", B::Auto, D::All},
    };
    for (const auto& c : cases) {
        TempIni f(c.file);
        INIFile ini;
        ini.SetFileName(f.path());
        const CaptureSetup s = LoadCaptureSetup(ini);
        EXPECT_EQ(s.backend, c.backend) << c.file;
        EXPECT_EQ(s.devices, c.devices) << c.file;
    }

    // Training's device text comes back as written; the user's All survives it.
    TempIni f(
        "[Setup]\nKeyboardLayout= de(nodeadkeys) \nScannerLayout= cz(qwerty) \n"
        "ScannerCodePage=852\n");
    INIFile ini;
    ini.SetFileName(f.path());
    const std::string id = "Scan \"X\" |0c2e:0b61";
    ini.SetSection(std::string(kSetupSection));
    ASSERT_TRUE(ini.SaveValue(kKeyScannerDevice, id));
    CaptureSetup s = LoadCaptureSetup(ini);
    EXPECT_EQ(s.scannerDevice, id);
    EXPECT_EQ(s.keyboardLayout, "de(nodeadkeys)");
    EXPECT_EQ(s.scannerLayout, "cz(qwerty)");
    EXPECT_EQ(s.scannerCodePage, 852);
    EXPECT_EQ(s.layoutProblem, "");
    EXPECT_EQ(s.devices, CaptureDevices::Scanner);
    ASSERT_TRUE(SaveCaptureDevices(ini, CaptureDevices::All));
    ini.SetSection(std::string(kSetupSection));
    ASSERT_TRUE(ini.SaveValue(kKeyScannerDevice, "Other"));
    EXPECT_EQ(LoadCaptureSetup(ini).devices, CaptureDevices::All);

    for (const auto& [text, gap] : {std::pair{"", kDefaultScanGapMs},
                                    {" 30 ", 30},
                                    {"5000", 5000},
                                    {"5001", kDefaultScanGapMs},
                                    {"0", kDefaultScanGapMs},
                                    {"-5", kDefaultScanGapMs},
                                    {"20ms", kDefaultScanGapMs}}) {
        TempIni g(std::string("[Setup]\nScanGap=") + text + "\n");
        ini.SetFileName(g.path());
        EXPECT_EQ(LoadCaptureSetup(ini).scanGapMs, gap) << text;
    }
    // The serial port as read: device or vendor:product, speed, framing; "" when refused.
    for (const auto& [text, read] :
         {std::pair{"/dev/ttyACM0", "/dev/ttyACM0 0000:0000 9600 8N1"},
          {" 0C2E:0b61 , 115200 , 7e2", " 0c2e:0b61 115200 7E2"},
          {"/dev/serial/by-id/usb-X,4800,8O1", "/dev/serial/by-id/usb-X 0000:0000 4800 8O1"},
          {"ttyACM0", ""},
          {"0c2e:0b6", ""},
          {"/dev/ttyS0,9601", ""},
          {"/dev/ttyS0,9600,8N3", ""},
          {"/dev/ttyS0,9600,9N1", ""},
          {"/dev/ttyS0,9600,8N1,x", ""}}) {
        TempIni g(std::string("[Setup]\nSerialScanner=") + text + "\nPosScanners=auto\n");
        ini.SetFileName(g.path());
        s = LoadCaptureSetup(ini);
        EXPECT_TRUE(s.posScanners);
        std::string got;
        if (const auto& p = s.serialScanner) {
            char ids[32];
            std::snprintf(ids, sizeof ids, " %04x:%04x %d %d%c%d", p->vendor, p->product, p->speed,
                          p->dataBits, p->parity, p->stopBits);
            got = p->device + ids;
        }
        EXPECT_EQ(got, read) << text;
        EXPECT_EQ(s.serialProblem.empty(), got != "") << text;
    }
    // A layout that is no name falls back to the system's, and the user is told which.
    TempIni evil(
        "[Setup]\nKeyboardLayout=../../../../../home/someone/evil\nScannerLayout=fr(\n"
        "ScannerCodePage=1252\n");
    ini.SetFileName(evil.path());
    s = LoadCaptureSetup(ini);
    EXPECT_EQ(s.keyboardLayout, "");
    EXPECT_EQ(s.scannerLayout, "");
    EXPECT_EQ(s.scannerCodePage, kDefaultScannerCodePage);
    EXPECT_EQ(s.layoutProblem,
              "KeyboardLayout \"../../../../../home/someone/evil\" is not a keyboard layout name "
              "(letters, digits, _ and -, with an optional (variant)); the system's layout is "
              "used instead. ScannerLayout \"fr(\" is not a keyboard layout name (letters, "
              "digits, _ and -, with an optional (variant)); the US table is used instead.");
}

// Conversions with their switches read from the settings as stored.
TEST(ApplyConversions, Table) {
    const struct {
        const char* settings;
        const char *type, *code, *extra;
        const char* out;  // type|code|extra
    } cases[] = {
        {"[UPC-E]\nExpandUPCE=1", "UPC-E", "01234565", "12", "UPC-A|012345000065|12"},
        {"[UPC-E]\nExpandUPCE=1", "UPC-E", "21234565", "", "UPC-A|INVALID|"},
        {"[UPC-E]\nExpandUPCE=true", "UPC-E", "01234565", "", "UPC-E|01234565|"},
        {"[upc-e]\nExpandUPCE=1", "upc-e", "01234565", "", "upc-e|01234565|"},
        {"[EAN 13]\nConvertISBNISSN=1", "EAN 13", "9780306406157", "51995", "ISBN|0306406152|1995"},
        {"[EAN 13]\nConvertISBNISSN=0.7", "EAN 13", "9780306406157", "90000", "ISBN|0306406152|"},
        {"[EAN 13]\nConvertISBNISSN=1", "EAN 13", "9771234567003", "12", "ISSN|12345679|12"},
        {"[EAN 13]\nConvertISBNISSN=1", "EAN 13", "9789771234567", "", "ISBN|9771234560|"},
        // A missing switch is off.
        {"[EAN 13]\nExpandUPCE=1", "EAN 13", "9780306406157", "5", "EAN 13|9780306406157|5"},
        {"[EAN 13]\nConvertISBNISSN=1", "EAN 13", "4006381333931", "", "EAN 13|4006381333931|"},
    };
    for (const auto& c : cases) {
        TempIni f(c.settings);
        INIFile ini;
        ini.SetFileName(f.path());
        ScanRecord r{"", "", c.type, c.code, c.extra, "", ""};
        ApplyConversions(r, ini);
        const std::string label = std::string(c.settings) + " " + c.code;
        EXPECT_EQ(r.TypeName + "|" + r.Code + "|" + r.Extra, c.out) << label;
        EXPECT_EQ(ini.Section(), c.type) << label;
    }
}

}  // namespace
}  // namespace blenvar

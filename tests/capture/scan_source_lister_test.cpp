// The scan sources found in a made-up /dev and /sys.
#include "platform/evdev/scan_source_lister.h"

#include <gtest/gtest.h>

#include "capture/pos_scanner.h"
#include "support/files.h"

namespace blenvar {
namespace {

TEST(ScanSourceLister, NamesHidPosScannersFromSysfsAndTheSerialPort) {
    const std::filesystem::path root = ::testing::TempDir() + "/lister";
    std::filesystem::create_directories(root / "dev/input");
    for (const char* node : {"hidraw0", "hidraw1"}) {
        testing::WriteFile(root / "dev" / node, "");
        std::filesystem::create_directories(root / "sys/class/hidraw" / node / "device");
    }
    const std::filesystem::path scanner = root / "sys/class/hidraw/hidraw1/device";
    testing::WriteFile(scanner / "report_descriptor",
                       {pos::kDescriptor.begin(), pos::kDescriptor.end()});
    testing::WriteFile(scanner / "uevent",
                       "DRIVER=hid-generic\nHID_ID=0003:00000C2E:00000B61\n"
                       "HID_NAME=Honeywell Scanner\n");
    EvdevScanSourceLister lister((root / "dev").string(), (root / "sys").string());
    const std::string tty = (root / "dev/ttyACM0").string();
    EXPECT_EQ(lister.List(SerialPortWanted{tty, 0, 0}),
              (std::vector<ScanSource>{
                  {ScanSourceKind::HidPos, "Honeywell Scanner", (root / "dev/hidraw1").string(),
                   0x0c2e, 0x0b61, ScanSourceAccess::Readable},
                  {ScanSourceKind::Serial, tty, tty, std::nullopt, std::nullopt,
                   ScanSourceAccess::Missing}}));
}

}  // namespace
}  // namespace blenvar

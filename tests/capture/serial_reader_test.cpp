// A serial scanner read through a pty standing in for the port: a scan, and the port
// going away told. The scan sources found in a made-up /dev and /sys.
#include "platform/evdev/serial_reader.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

#include "capture/pos_scanner.h"
#include "platform/evdev/scan_source_lister.h"
#include "support/files.h"

namespace blenvar {
namespace {

TEST(SerialReader, ReadsScansFromAPort) {
    int master = -1, slave = -1;
    char name[64];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> seen;  // scans, and "notice" for the port gone
    const auto add = [&](const std::string& what) {
        std::lock_guard lock(mutex);
        seen.push_back(what);
        changed.notify_all();
    };
    const auto waitFor = [&](std::size_t n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return seen.size() >= n; });
    };
    std::string error;
    auto reader =
        SerialReader::Start(*ParseSerialScanner(std::string(name) + ",115200,8N1", error), 50,
                            {[&](const std::string& scan, const std::string&) { add(scan); },
                             [&](const std::string& message) {
                                 if (message.find("went away") != std::string::npos) add("notice");
                             }},
                            error);
    ASSERT_TRUE(reader) << error;
    close(slave);
    ASSERT_EQ(write(master, "A1\r\n", 4), 4);
    ASSERT_TRUE(waitFor(1));
    close(master);
    ASSERT_TRUE(waitFor(2));
    EXPECT_EQ(seen, (std::vector<std::string>{"A1", "notice"}));
}

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

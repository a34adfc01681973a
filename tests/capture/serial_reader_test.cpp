// A serial scanner read through a pty standing in for the port: scans cut by the gap,
// and the port going away told.
#include "platform/evdev/serial_reader.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

namespace blenvar {
namespace {

TEST(SerialReader, ReadsScansFromAPort) {
    int master = -1, slave = -1;
    char name[64];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> scans, notices;
    SerialReader::Reports reports;
    reports.scan = [&](const std::string& scan, const std::string&) {
        std::lock_guard lock(mutex);
        scans.push_back(scan);
        changed.notify_all();
    };
    reports.notice = [&](const std::string& message) {
        std::lock_guard lock(mutex);
        notices.push_back(message);
        changed.notify_all();
    };
    std::string error;
    auto reader = SerialReader::Start(*ParseSerialScanner(std::string(name) + ",115200,8N1", error),
                                      50, reports, error);
    ASSERT_TRUE(reader) << error;
    close(slave);
    // One multi-line burst with a terminator, then a scanner that sends none.
    ASSERT_EQ(write(master, "A1\r\nB2\r\n", 8), 8);
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return scans.size() == 1; }));
    lock.unlock();
    ASSERT_EQ(write(master,
                    "\xe9"
                    "7",
                    2),
              2);
    lock.lock();
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return scans.size() == 2; }));
    EXPECT_EQ(scans, (std::vector<std::string>{"A1\r\nB2",
                                               "\xc3\xa9"
                                               "7"}));
    lock.unlock();
    close(master);
    lock.lock();
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] {
        return !notices.empty() && notices.back().find("went away") != std::string::npos;
    }));
}

}  // namespace
}  // namespace blenvar

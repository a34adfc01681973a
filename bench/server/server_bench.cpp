// Scan to accepted (p95), the drain rate of 10,000 queued scans, the cost of the outbox's
// committed add, against scan_server.py on 127.0.0.1, and how often an idle sender wakes;
// scan to PUBACK (p95) against Debian's broker, when it is there.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "output/server_outbox.h"
#include "platform/net/routed_server_transport.h"
#include "support/process.h"

using namespace blenvar;
using Steady = std::chrono::steady_clock;

namespace {

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double P95(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() * 95 / 100];
}

std::int64_t WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The context switches so far of this process's thread named `name` (each sleep that
// ends is one), -1 when there is none.
long Switches(const std::string& name) {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string comm;
        std::getline(std::ifstream(task.path() / "comm"), comm);
        if (comm != name) continue;
        std::ifstream status(task.path() / "status");
        long total = 0;
        for (std::string line; std::getline(status, line);)
            if (line.find("ctxt_switches:") != std::string::npos)
                total += std::stol(line.substr(line.find(':') + 1));
        return total;
    }
    return -1;
}

void IdleWakeUps(const std::string& folder, bool holding) {
    OutboxLock other;
    if (!holding) other.TryTake(folder + "/i.lock");
    CurlServerTransport http;
    ServerOutbox outbox({folder + "/i.sqlite", folder + "/i.lock", WallMs}, &http);
    outbox.WaitIdle(5000);
    // Time to go to sleep: that one switch is not a wake-up.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long before = Switches("outbox-sender");
    std::this_thread::sleep_for(std::chrono::seconds(10));
    std::printf("idle sender, %s: %ld wake-ups in 10 s\n",
                holding ? "nothing to send" : "another program holds the lock",
                Switches("outbox-sender") - before);
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    testing::TempIni dir;
    testing::Spawned server({"python3", SCAN_SERVER, dir.folder() + "/port", "/dev/null"});
    while (!std::filesystem::exists(dir.folder() + "/port"))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string url = "http://127.0.0.1:" + testing::ReadFile(dir.folder() + "/port") + "/s";
    const std::string body =
        R"({"raw":"9780306406157","type":"EAN 13","code":"9780306406157","id":"x"})";
    RoutedServerTransport http;
    std::string error;

    // Scan to accepted, one at a time.
    const auto oneAtATime = [&](const std::string& to, const char* name) {
        ServerOutbox outbox({dir.folder() + "/" + name, dir.folder() + "/a.lock", WallMs}, &http);
        std::vector<double> times, adds;
        for (int i = 0; i < 300; ++i) {
            const auto t0 = Steady::now();
            outbox.Add({to, body, std::to_string(i)}, error);
            adds.push_back(Ms(Steady::now() - t0));
            outbox.WaitIdle(30000);
            times.push_back(Ms(Steady::now() - t0));
        }
        std::printf(
            "%s: %d left, p95 %.2f ms (300 scans); outbox add (one committed "
            "transaction): p95 %.2f ms\n",
            name, outbox.Waiting(), P95(times), P95(adds));
    };
    oneAtATime(url, "scan to HTTP 200");
    if (access(MOSQUITTO, X_OK) == 0) {
        const std::string port = std::to_string(20000 + getpid() % 20000);
        testing::Spawned broker({MOSQUITTO, "-p", port}, "", "/dev/null", "/dev/null");
        for (bool up = false; !up; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
            const int fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{AF_INET, htons(std::stoi(port)), {htonl(INADDR_LOOPBACK)}, {}};
            up = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            close(fd);
        }
        oneAtATime("mqtt://127.0.0.1:" + port + "/scans", "scan to MQTT PUBACK");
    }
    // 10,000 queued while no one sends, then drained.
    {
        Outbox box;
        box.Open(dir.folder() + "/d.sqlite", error);
        for (int i = 0; i < 10000; ++i) box.Add({url, body, std::to_string(i)}, 0, error);
        const auto t0 = Steady::now();
        ServerOutbox outbox({dir.folder() + "/d.sqlite", dir.folder() + "/d.lock", WallMs}, &http);
        outbox.WaitIdle(600000);
        const double s = Ms(Steady::now() - t0) / 1000;
        std::printf("drain: %d left, 10000 scans in %.2f s = %.0f per second\n", outbox.Waiting(),
                    s, 10000 / s);
    }
    IdleWakeUps(dir.folder(), true);
    IdleWakeUps(dir.folder(), false);
    return 0;
}

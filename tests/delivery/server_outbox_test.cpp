// Sending to a server: hostile scans in the masks, the outbox's order and pauses with a
// clock of our own, what wakes the sender, where logins are kept, then real HTTP(S) on
// 127.0.0.1 through a refusing, a silent and an unreachable server, a kill -9, a self-signed
// certificate and the desktop's keyring, and real MQTT through Debian's broker stopped in a
// burst.
#include "output/server_outbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>

#include "core/json_text.h"
#include "decode/temp_ini.h"
#include "delivery/delivery_fakes.h"
#include "output/process_scan.h"
#include "output/server_message.h"
#include "platform/net/routed_server_transport.h"
#include "platform/posix/posix_file_appender.h"
#include "platform/posix/secrets_file.h"
#include "support/process.h"

namespace blenvar {
namespace {

TEST(ServerMessage, ScanTextStaysData) {
    const ScanRecord hostile{"r", "", "UCC/EAN 128", "../x?y=\"}{@evil.com\n", "", "", ""};
    const struct {
        const char* address;
        const char* body;
        const char* sent;  // address, "|", body; "!" and the error's start when refused
    } cases[] = {
        {"http://h:8/s/%%C?t=%%T", "%%C",
         "http://h:8/s/%2E%2E%2Fx%3Fy%3D%22%7D%7B%40evil%2Ecom%0A?t=UCC%2FEAN%20128|"
         "../x?y=\"}{@evil.com\n"},
        {"HTTPS://u@h/%%T", "{\"c\":\"%%C\"}",
         "https://u@h/UCC%2FEAN%20128|{\"c\":\"../x?y=\\\"}{@evil.com\\n\"}"},
        {"mqtt://b:1883/scans/%%T/%%C", "x",
         "mqtt://b:1883/scans/UCC%2FEAN 128/..%2Fx?y=\"}{@evil.com%0A|x"},
        {"http://%%C/", "", "!The host of the server address"},
        {"http://h%%C", "", "!The host of the server address"},
        {"ftp://h/", "", "!The server address must start"},
        {"mqtt://b/a/#", "", "!An MQTT topic"},
    };
    for (const auto& c : cases) {
        const ServerMessage m = MakeServerMessage(c.address, c.body, hostile);
        const std::string sent = c.sent;
        EXPECT_EQ(m.ok ? m.request.address + "|" + m.request.body
                       : "!" + m.error.substr(0, sent.size() - 1),
                  sent)
            << c.address;
    }
    ScanRecord withId = hostile;
    withId.Id = "1d";
    std::string json;
    AppendScanJson(json, withId, {}, "1d");
    EXPECT_EQ(MakeServerMessage("http://h/", "", withId).request.body, json);
}

TEST(Outbox, OrderPausesAndRefusals) {
    testing::TempIni dir;
    Outbox box;
    std::string error;
    ASSERT_TRUE(box.Open(dir.folder() + "/o.sqlite", error)) << error;
    for (const char* a : {"http://a/1", "http://b/1", "http://a/2", "http://a/3"})
        ASSERT_TRUE(box.Add({a, "", a}, 0, error));
    const auto due = [&](std::int64_t now) {
        std::string ids;
        for (const OutboxItem& i : box.Due(now)) ids += i.request.id + " ";
        return ids;
    };
    using K = ServerAnswer::Kind;
    const struct {
        std::int64_t now;
        std::string dueBefore;
        K answer;  // to the first of them
        std::string dueAfter;
    } steps[] = {
        {0, "http://a/1 http://b/1 ", K::Retry, "http://b/1 "},
        {999, "http://b/1 ", K::Accepted, ""},
        {1000, "http://a/1 ", K::Retry, ""},  // 2 s now
        {2999, "", K::Retry, ""},
        {3000, "http://a/1 ", K::Refused, "http://a/2 "},
        {3000, "http://a/2 ", K::Accepted, "http://a/3 "},
    };
    for (const auto& s : steps) {
        ASSERT_EQ(due(s.now), s.dueBefore) << s.now;
        if (!s.dueBefore.empty()) box.Record(box.Due(s.now)[0].seq, {s.answer, "HTTP 400"}, s.now);
        EXPECT_EQ(due(s.now), s.dueAfter) << s.now;
    }
    EXPECT_EQ(box.Waiting(), 2);
    const OutboxItem refused = box.List().front();
    EXPECT_TRUE(refused.failed && refused.answer == "HTTP 400");
    for (const auto& [failures, pause] : {std::pair{1, 1000}, {2, 2000}, {9, 256000}, {10, 300000}})
        EXPECT_EQ(RetryPauseMs(failures), pause);
}

// Looks for what another process does, for at most 30 s.
template <typename Happened>
bool Await(Happened happened) {
    for (int waited = 0; !happened(); waited += 5) {
        if (waited > 30000) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Takes every message, telling whoever waits for them.
struct Taker : ServerTransport {
    std::mutex lock;
    std::condition_variable cv;
    std::vector<std::string> ids;
    ServerAnswer Send(const ServerRequest& r) override {
        std::lock_guard<std::mutex> hold(lock);
        ids.push_back(r.id);
        cv.notify_all();
        return {ServerAnswer::Kind::Accepted, "HTTP 200"};
    }
    bool Took(std::size_t n) {
        std::unique_lock<std::mutex> hold(lock);
        return cv.wait_for(hold, std::chrono::seconds(10), [&] { return ids.size() >= n; });
    }
};

std::int64_t WallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A thousand times faster than the wall, and no longer sleep than 1 ms: pauses pass at once.
ServerOutboxSetup FastSetup(const std::string& folder) {
    const auto start = std::chrono::steady_clock::now();
    const auto fast = [start] {
        return 1000 * std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    };
    return {folder + "/o.sqlite", folder + "/o.lock", fast, {}, 1};
}

// Nothing polls: the sender without the lock sleeps until its holder ends, and an add by
// another program (here another connection, unannounced) wakes the one that sends.
TEST(ServerOutbox, TheHoldersEndAndAnotherProgramsAddWakeTheSender) {
    testing::TempIni dir;
    const std::string db = dir.folder() + "/o.sqlite", lockFile = dir.folder() + "/o.lock";
    auto holder = std::make_unique<OutboxLock>();
    ASSERT_TRUE(holder->TryTake(lockFile));
    Taker taker;
    std::atomic<int> changes{0};
    ServerOutbox sender({db, lockFile, WallMs, [&] { ++changes; }}, &taker);
    std::string error;
    ASSERT_TRUE(sender.Add({"http://a/", "", "mine"}, error) && sender.WaitIdle(5000));
    EXPECT_TRUE(taker.ids.empty());
    holder.reset();
    ASSERT_TRUE(taker.Took(1));
    Outbox other;
    ASSERT_TRUE(other.Open(db, error) && other.Add({"http://a/", "", "theirs"}, 0, error));
    ASSERT_TRUE(taker.Took(2));
    EXPECT_EQ(taker.ids, (std::vector<std::string>{"mine", "theirs"}));
    EXPECT_GE(changes, 2);
}

// The server of scan_server.py and what it has taken, one line each; over HTTPS with a
// certificate of its own.
struct ScanServer {
    // `in`: the start of a command that runs it elsewhere (a network namespace).
    explicit ScanServer(bool tls = false, std::vector<std::string> in = {},
                        const std::string& host = "127.0.0.1")
        : scheme(tls ? "https" : "http") {
        for (const std::string& a : {std::string("python3"), std::string(SCAN_SERVER),
                                     dir.folder() + "/port", dir.folder() + "/log", host})
            in.push_back(a);
        if (tls) {
            testing::RunProcess({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                 "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                                 "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                                 "-keyout", Certificate() + ".key", "-out", Certificate()});
            in.insert(in.end(), {Certificate(), Certificate() + ".key"});
        }
        proc = std::make_unique<testing::Spawned>(in);
    }
    testing::TempIni dir;
    std::string scheme;
    std::unique_ptr<testing::Spawned> proc;
    std::string Certificate() { return dir.folder() + "/server.pem"; }
    std::string Url() {
        Await([&] { return std::filesystem::exists(dir.folder() + "/port"); });
        return scheme + "://127.0.0.1:" + testing::ReadFile(dir.folder() + "/port");
    }
    std::vector<std::string> Taken() {
        return testing::Lines(testing::ReadFile(dir.folder() + "/log"));
    }
};

TEST(ServerOutboxHttp, RefusingServerGetsEveryScanOnceInOrderAndABadOneStays) {
    ScanServer server;
    const std::string url = server.Url();
    RoutedServerTransport http;
    ServerOutbox outbox(FastSetup(server.dir.folder()), &http);
    std::string error;
    std::vector<std::string> expected;
    for (int i = 0; i < 12; ++i) {
        const std::string id = "id" + std::to_string(i);
        ASSERT_TRUE(outbox.Add({url + "/flaky", "{\"n\":" + std::to_string(i) + "}", id}, error));
        expected.push_back("/flaky\t" + id + "\t{\"n\":" + std::to_string(i) + "}");
    }
    ASSERT_TRUE(outbox.Add({url + "/bad", "x", "bad"}, error));
    ASSERT_TRUE(outbox.WaitIdle(20000, true));
    EXPECT_EQ(server.Taken(), expected);
    const auto left = outbox.Store().List();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].answer, "HTTP 400: no such shelf");
    EXPECT_EQ(outbox.WaitingNote(), "1 scan waiting to be sent to " + url.substr(7) + ".");
}

TEST(ServerOutboxHttp, AServerThatNeverAnswersHoldsUpNoOtherStepOfTheNextScan) {
    ScanServer server;
    const std::string url = server.Url(), lines = server.dir.folder() + "/scans.txt";
    testing::TempIni settings(
        "[UNKNOWN]\nScanToKeyboard=1\nSendToClipboard=1\nSaveToFile=1\nFileName=" + lines +
        "\nSendToServer=1\nServerAddress=" + url + "/silent/%%C\n");
    INIFile ini;
    ini.SetFileName(settings.path());
    testing::FakeDesktop d;
    PosixFileAppender files;
    CurlServerTransport http;
    ServerOutbox outbox(
        {server.dir.folder() + "/o.sqlite", server.dir.folder() + "/o.lock", WallMs}, &http);
    DeliveryServices s{ini, d, &d, d, d, d, d, files, d, d, server.dir.folder(), &outbox};
    for (const char* code : {"FIRST", "SECOND"}) {
        ScanRecord rec{"raw", "", "UNKNOWN", code, "", "", ""};
        ProcessScan(rec, false, s);
        // The server has the first request and will never answer it.
        while (server.Taken().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Each step of both scans, while the first send is still unanswered.
    EXPECT_EQ(d.events,
              (std::vector<std::string>{"sound:UNKNOWN", "keys", "clipboard:FIRST", "tray:1",
                                        "sound:UNKNOWN", "keys", "clipboard:SECOND", "tray:1"}));
    EXPECT_EQ(testing::ReadFile(lines),
              ",,\"\",\"UNKNOWN\",\"FIRST\",\"\"\r\n,,\"\",\"UNKNOWN\",\"SECOND\",\"\"\r\n");
    EXPECT_EQ(outbox.Store().List().front().attempts, 0);
    server.proc->Stop(SIGKILL);  // ends the send in flight, so the sender can stop
}

// A network namespace whose loopback is down: scans made meanwhile wait, and arrive once,
// in order, after it comes up.
TEST(ServerOutboxHttp, ScansMadeWhileTheNetworkIsDownArriveOnceItIsBack) {
    const std::string ns = "blenvar-test-" + std::to_string(::getpid());
    using testing::RunProcess;
    if (RunProcess({"ip", "netns", "add", ns}).status != 0)
        GTEST_SKIP() << "making a network namespace (ip netns add) is not permitted here";
    struct Gone {
        std::string ns;
        ~Gone() { RunProcess({"ip", "netns", "del", ns}); }
    } gone{ns};
    // Bound to any address: 127.0.0.1 is not there until the loopback comes up.
    ScanServer server(false, {"ip", "netns", "exec", ns}, "0.0.0.0");
    const std::string url = server.Url();
    CurlServerTransport http;
    std::unique_ptr<ServerOutbox> outbox;
    // The sending thread is made inside the namespace, and stays there.
    std::thread([&] {
        const int fd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0)
            outbox = std::make_unique<ServerOutbox>(FastSetup(server.dir.folder()), &http);
        if (fd >= 0) ::close(fd);
    }).join();
    ASSERT_TRUE(outbox);
    std::string error;
    std::vector<std::string> expected;
    for (int i = 0; i < 5; ++i) {
        const std::string id = "n" + std::to_string(i);
        ASSERT_TRUE(outbox->Add({url + "/ns/" + id, "", id}, error)) << error;
        expected.push_back("/ns/" + id + "\t" + id + "\t");
    }
    while (outbox->Store().List(1).front().attempts < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(outbox->Waiting(), 5);
    ASSERT_EQ(RunProcess({"ip", "netns", "exec", ns, "ip", "link", "set", "lo", "up"}).status, 0);
    ASSERT_TRUE(outbox->WaitIdle(20000, true));
    EXPECT_EQ(server.Taken(), expected);
}

TEST(ServerOutboxHttp, KilledInABurstEveryCommittedScanArrives) {
    ScanServer server;
    testing::TempIni home("[UNKNOWN]\nSendToClipboard=0\nSendToServer=1\nServerAddress=" +
                          server.Url() + "/burst/%%C\n");
    setenv("XDG_STATE_HOME", home.folder().c_str(), 1);
    unsetenv("DISPLAY");
    std::string scans;
    for (int i = 0; i < 200; ++i) scans += "SCAN" + std::to_string(1000 + i) + "\n";
    testing::WriteFile(home.folder() + "/in", scans);
    const std::string out = home.folder() + "/out";
    {
        testing::Spawned decoder({BLENVAR_DECODE, "--deliver", "--settings", home.path()},
                                 home.folder() + "/in", out, home.folder() + "/err");
        Await(
            [&] { return testing::Lines(testing::ReadFile(out)).size() >= 60 || decoder.Ended(); });
        decoder.Stop(SIGKILL);
    }
    const auto delivered = testing::Lines(testing::ReadFile(out));
    ASSERT_GE(delivered.size(), 60u);
    testing::WriteFile(home.folder() + "/empty", "");
    const auto rest = testing::RunProcess({BLENVAR_DECODE, "--deliver", "--settings", home.path()});
    EXPECT_EQ(rest.status, 0) << rest.err;
    // Each printed scan was committed before it was printed; the one in flight at the kill
    // may come twice.
    std::vector<std::string> firsts;
    for (const std::string& line : server.Taken()) {
        const std::string path = line.substr(0, line.find('\t'));
        if (firsts.empty() || firsts.back() != path) firsts.push_back(path);
    }
    ASSERT_GE(firsts.size(), delivered.size());
    for (std::size_t i = 0; i < firsts.size(); ++i)
        EXPECT_EQ(firsts[i], "/burst/SCAN" + std::to_string(1000 + i));
}

// Logins come from secrets.ini at each send, only while nobody else may read it, and never
// reach the outbox; a server with a certificate of its own is refused until it is named.
TEST(ServerOutboxHttp, LoginsAndCertificates) {
    ScanServer server(true);
    const std::string url = server.Url(), secrets = server.dir.folder() + "/secrets.ini";
    const std::string mine = "[" + ServerKey(url) + "]\nAuthorization=Bearer s3cret\n";
    const struct {
        std::string file;  // secrets.ini; empty: none
        mode_t mode;
        bool named;        // the request names the server's certificate
        const char* says;  // in the answer
        const char* took;  // the Authorization the server took; null: nothing taken
    } rows[] = {
        {mine, 0600, false, "needs it named in ServerCertificate", nullptr},
        {mine, 0640, true, "(mode 0640) were not used: it may be read by others", nullptr},
        {mine, 0600, true, "HTTP 200", "\tBearer s3cret"},
        {"[https://127.0.0.1:1]\nAuthorization=B\n", 0600, true, "HTTP 200", ""},
        {"", 0, true, "HTTP 200", ""},
    };
    SecretsFile file(secrets);
    CurlServerTransport https(&file);
    std::vector<std::string> taken;
    for (const auto& row : rows) {
        std::filesystem::remove(secrets);
        if (!row.file.empty()) testing::WriteFile(secrets, row.file);
        chmod(secrets.c_str(), row.mode);
        const ServerAnswer a =
            https.Send({url + "/s", "x", "i", row.named ? server.Certificate() : ""});
        EXPECT_NE(a.text.find(row.says), std::string::npos) << a.text;
        if (row.took) taken.push_back("/s\ti\tx" + std::string(row.took));
    }
    testing::WriteFile(secrets, mine + "[mqtt://b:1883]\nUser=u\nPassword=p\n");
    chmod(secrets.c_str(), 0600);
    std::string problem;
    EXPECT_EQ(
        file.Login(ServerKey("MQTT://me@B/scans/%2F"), problem).value_or(ServerLogin{}).password,
        "p");
    {
        ServerOutbox outbox({server.dir.folder() + "/o.sqlite", server.dir.folder() + "/o.lock",
                             [] { return std::int64_t{0}; }},
                            &https);
        std::string error;
        ASSERT_TRUE(outbox.Add({url + "/o", "y", "j", server.Certificate()}, error));
        ASSERT_TRUE(outbox.WaitIdle(20000, true));
    }
    taken.push_back("/o\tj\ty\tBearer s3cret");
    EXPECT_EQ(server.Taken(), taken);
    for (const auto& f : std::filesystem::directory_iterator(server.dir.folder())) {
        if (!f.path().filename().string().starts_with("o.sqlite")) continue;
        EXPECT_EQ(testing::ReadFile(f.path().string()).find("s3cret"), std::string::npos);
    }
}

// From the settings file to the server, through the program's own services: the
// certificate named per type, the login from an unlocked keyring on a session bus.
TEST(ServerOutboxHttp, KeyringLoginReachesTheServer) {
    for (const char* tool : {"dbus-run-session", "gnome-keyring-daemon", "secret-tool", "gdbus"})
        if (testing::RunProcess({"sh", "-c", std::string("command -v ") + tool}).status != 0)
            GTEST_SKIP() << tool << " is not installed";
    ScanServer server(true);
    const std::string url = server.Url();
    testing::TempIni home("[UNKNOWN]\nSendToClipboard=0\nSendToServer=1\nServerAddress=" + url +
                          "/k\nServerCertificate=" + server.Certificate() + "\n");
    const std::string script =
        "unset DISPLAY; mkdir -m 700 \"$0/run\" && export XDG_RUNTIME_DIR=\"$0/run\" "
        "XDG_DATA_HOME=\"$0\" XDG_CONFIG_HOME=\"$0\" XDG_STATE_HOME=\"$0\" && "
        "printf pw | gnome-keyring-daemon --unlock --components=secrets >/dev/null && "
        // Its daemon may claim the bus name after it returns; the store must not start another.
        "gdbus wait --session --timeout 20 org.freedesktop.secrets && "
        "printf 'Bearer k3y' | secret-tool store --label=t xdg:schema org.blenvar.Server "
        "server \"$1\" kind authorization && echo SCAN1 | \"$2\" --deliver --settings \"$3\"";
    const auto run =
        testing::RunProcess({"dbus-run-session", "--", "sh", "-c", script, home.folder(),
                             ServerKey(url), BLENVAR_DECODE, home.path()});
    EXPECT_EQ(run.status, 0) << run.err;
    const auto taken = server.Taken();
    ASSERT_EQ(taken.size(), 1u) << run.err;
    EXPECT_TRUE(taken[0].starts_with("/k\t") && taken[0].ends_with("\tBearer k3y")) << taken[0];
}

// True when something listens on 127.0.0.1:port.
bool Listens(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

TEST(ServerOutboxMqtt, BrokerStoppedInABurstEveryScanArrivesOnceInOrder) {
    for (const char* program : {MOSQUITTO, MOSQUITTO_SUB})
        if (access(program, X_OK) != 0) GTEST_SKIP() << "no MQTT broker and client: " << program;
    testing::TempIni dir;
    const std::string conf = dir.folder() + "/broker.conf", sub = dir.folder() + "/sub";
    int port = 20000 + getpid() % 20000;
    while (Listens(port)) ++port;
    const std::string broker = "mqtt://127.0.0.1:" + std::to_string(port);
    testing::WriteFile(
        conf, "persistence true\npersistence_location " + dir.folder() + "/\nlistener " +
                  std::to_string(port) +
                  " 127.0.0.1\nallow_anonymous true\nuser root\nmessage_size_limit 1000\n");
    std::optional<testing::Spawned> running;
    const auto start = [&] {
        running.emplace(std::vector<std::string>{MOSQUITTO, "-c", conf}, "", "", conf + ".log");
        ASSERT_TRUE(Await([&] { return Listens(port); }));
    };
    start();
    // A persistent session of QoS 1: what the broker took waits for it across the stop.
    testing::Spawned subscriber(
        {"stdbuf", "-oL", MOSQUITTO_SUB, "-p", std::to_string(port), "-i", "shelf", "-c", "-q", "1",
         "-V", "5", "-d", "-t", "scans/+", "-F", "%t\t%P\t%p"},
        "", sub);
    ASSERT_TRUE(Await([&] { return testing::ReadFile(sub).find("SUBACK") != std::string::npos; }));
    std::vector<std::string> expected, seen;
    const auto arrived = [&](std::size_t atLeast) {
        return Await([&] {
            seen.clear();
            for (const std::string& line : testing::Lines(testing::ReadFile(sub)))
                if (line.starts_with("scans/") && std::ranges::find(seen, line) == seen.end())
                    seen.push_back(line);  // a repeat of a line: the same id again
            return seen.size() >= atLeast;
        });
    };
    RoutedServerTransport transport;
    ServerOutbox outbox(FastSetup(dir.folder()), &transport);
    std::string error;
    const auto add = [&](int n) {
        ScanRecord rec{"", "", "UCC/EAN 128", "SCAN" + std::to_string(n), "", "", ""};
        rec.Id = "id" + std::to_string(n);
        const ServerMessage m = MakeServerMessage(broker + "/scans/%%T", "%%C", rec);
        ASSERT_TRUE(m.ok && outbox.Add(m.request, error)) << m.error << error;
        expected.push_back("scans/UCC%2FEAN 128\tid:" + rec.Id + "\t" + rec.Code);
    };
    for (int n = 0; n < 30; ++n) add(n);
    ASSERT_TRUE(arrived(5));
    running->Stop(SIGTERM, 10000);
    for (int n = 30; n < 50; ++n) add(n);
    ASSERT_TRUE(Await(
        [&] { return outbox.Waiting() >= 20 && !outbox.Store().List().front().answer.empty(); }));
    start();
    ASSERT_TRUE(outbox.Add({broker + "/scans/big", std::string(2000, 'x'), "c"}, error));
    ASSERT_TRUE(outbox.WaitIdle(60000, true));
    arrived(expected.size());
    EXPECT_EQ(seen, expected);
    const auto left = outbox.Store().List();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].failed && left[0].answer == "MQTT Packet too large") << left[0].answer;
}

// A broker that wants a login gets the one kept for it in secrets.ini; a wrong or missing
// one is refused for good.
TEST(ServerOutboxMqtt, BrokerLoginComesFromTheSecrets) {
    if (access(MOSQUITTO, X_OK) != 0) GTEST_SKIP() << "no MQTT broker: " << MOSQUITTO;
    testing::TempIni dir;
    const std::string conf = dir.folder() + "/broker.conf", secrets = dir.folder() + "/s.ini";
    ASSERT_EQ(
        testing::RunProcess({"mosquitto_passwd", "-b", "-c", conf + ".pw", "shelf", "pw"}).status,
        0);
    int port = 20000 + (getpid() + 7919) % 20000;
    while (Listens(port)) ++port;
    const std::string broker = "mqtt://127.0.0.1:" + std::to_string(port);
    testing::WriteFile(conf, "listener " + std::to_string(port) +
                                 " 127.0.0.1\nallow_anonymous false\nuser root\npassword_file " +
                                 conf + ".pw\n");
    testing::Spawned running({MOSQUITTO, "-c", conf}, "", "", conf + ".log");
    ASSERT_TRUE(Await([&] { return Listens(port); }));
    SecretsFile file(secrets);
    RoutedServerTransport transport(&file);
    // Logins are asked for at each connection; a refused one leaves none open.
    for (const auto& [kept, accepted] : {std::pair{"User=shelf\nPassword=no\n", false},
                                         {"", false},
                                         {"User=shelf\nPassword=pw\n", true}}) {
        testing::WriteFile(secrets, "[" + ServerKey(broker) + "]\n" + kept);
        chmod(secrets.c_str(), 0600);
        const ServerAnswer a = transport.Send({broker + "/scans/x", "b", "i"});
        EXPECT_EQ(a.kind, accepted ? ServerAnswer::Kind::Accepted : ServerAnswer::Kind::Refused)
            << kept << a.text;
    }
}

}  // namespace
}  // namespace blenvar

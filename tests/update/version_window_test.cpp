// The version window through the real adapters against servers on 127.0.0.1
// (update_server.py): the answer, the download over http and ftp, the checksum, and the
// installer command's one argument.
#include "shell/version/version_window.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "core/paths.h"
#include "decode/temp_ini.h"
#include "platform/net/curl_downloader.h"
#include "platform/net/ifaddrs_connection.h"
#include "platform/net/qt_page_fetcher.h"
#include "platform/posix/posix_process_starter.h"
#include "support/fake_opener.h"
#include "support/files.h"

namespace blenvar {
namespace {

namespace fs = std::filesystem;

using testing::ReadFile;
using testing::WriteFile;

struct FixedConnection : Connection {
    int Online() override { return 2; }
    bool Dial(bool) override { return false; }
    bool HangUp() override { return true; }
};

class VersionWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Downloads land in their own temporary folder, so leftovers show.
        fs::create_directories(folder_ / "tmp");
        ::setenv("TMPDIR", (folder_ / "tmp").c_str(), 1);
        ::setenv("no_proxy", "127.0.0.1", 1);
        package_ = std::string(300 * 1024, '\0');
        for (size_t i = 0; i < package_.size(); ++i)
            package_[i] = static_cast<char>(i * 7 + i / 251);
        WriteFile(folder_ / "root/MSI/blenvar_1.5.13.deb", package_);
        WriteFile(folder_ / "record",
                  "#!/bin/sh\ncat \"$1\" > \"$0.bytes\"\n"
                  "printf '%s\\n' \"$#\" \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
        fs::permissions(folder_ / "record", fs::perms::owner_all);
        server_.start("/usr/bin/python3",
                      {"-B", BLENVAR_UPDATE_SERVER, (folder_ / "root").c_str()});
        while (!server_.canReadLine() && server_.waitForReadyRead(10000)) {
        }
        ASSERT_TRUE(server_.canReadLine()) << "the test servers did not start";
        const auto ports = QString(server_.readLine()).trimmed().split(' ');
        http_ = "http://127.0.0.1:" + ports.value(0).toStdString();
        ftp_ = "ftp://127.0.0.1:" + ports.value(1).toStdString();
        https_ = "https://127.0.0.1:" + ports.value(2).toStdString();
        // libcurl and Qt trust the https server's certificate.
        const fs::path cert = folder_ / "root/cert.pem";
        ::setenv("SSL_CERT_FILE", cert.c_str(), 1);
        QSslConfiguration tls = tls_;
        tls.addCaCertificates(QString::fromStdString(cert.string()));
        QSslConfiguration::setDefaultConfiguration(tls);
        settings_.SetFileName((folder_ / "blenvar.ini").string());
    }
    void TearDown() override {
        server_.closeWriteChannel();
        if (!server_.waitForFinished(3000)) server_.kill();
        ::unsetenv("TMPDIR");
        ::unsetenv("SSL_CERT_FILE");
        QSslConfiguration::setDefaultConfiguration(tls_);
    }

    static std::string Sha(const std::string& bytes) {
        const auto hash =
            QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256);
        return hash.toHex().toStdString();
    }
    int Requests() { return std::atoi(ReadFile(folder_ / "root/requests").c_str()); }
    // The answer of `scenario`, with {sha} standing for the package's checksum and {bad}
    // for another one.
    void Answer(const std::string& scenario, std::string answer) {
        if (auto at = answer.find("{sha}"); at != std::string::npos)
            answer.replace(at, 5, Sha(package_));
        if (auto at = answer.find("{bad}"); at != std::string::npos)
            answer.replace(at, 5, Sha(package_ + "x"));
        WriteFile(folder_ / "root" / scenario / "version.asp", answer);
    }
    void Configure(const std::string& scenario, const std::string& packageServer = "",
                   std::string server = "", const char* installer = nullptr) {
        if (server.empty()) server = http_;
        const std::string command =
            installer ? installer : "\"" + (folder_ / "record").string() + "\" %1";
        WriteFile(folder_ / "blenvar.ini", "[Setup]\nUpdateServer=" + server + "/" + scenario +
                                               "\nPackageServer=" + packageServer +
                                               "\nInstallCommand=" + command + "\n");
    }
    std::unique_ptr<VersionWindow> Window(int deadlineMs = 30000) {
        ProgramInfo program{"Blenvar", "Reads barcodes.", "blenvar", 1, 5, 12, deadlineMs};
        return std::make_unique<VersionWindow>(
            VersionServices{pages_, *connection_, downloads_, starter_, starter_, opener_,
                            settings_},
            program);
    }
    int Check(VersionWindow& w) {
        QSignalSpy spy(&w, &VersionWindow::checked);
        w.Current();
        if (spy.isEmpty() && !spy.wait(10000)) return -1;
        return spy.takeFirst().at(0).toInt();
    }
    static QString Text(VersionWindow& w, const char* name) {
        return w.findChild<QLabel*>(name)->text();
    }
    static QPushButton* Upgrade(VersionWindow& w) {
        return w.findChild<QPushButton*>("cmdUpgrade");
    }
    static QMessageBox* Box(VersionWindow& w, const char* name) {
        QMessageBox* box = nullptr;
        const bool found = QTest::qWaitFor(
            [&] { return (box = w.findChild<QMessageBox*>(name)) != nullptr; }, 10000);
        return found ? box : nullptr;
    }
    bool LeftoverDownloads() { return !fs::is_empty(folder_ / "tmp"); }

    testing::TempIni temp_;
    const fs::path folder_ = temp_.folder();
    std::string package_;
    QProcess server_;
    std::string http_, ftp_, https_;
    const QSslConfiguration tls_ = QSslConfiguration::defaultConfiguration();
    FixedConnection fixed_;
    Connection* connection_ = &fixed_;
    QtPageFetcher pages_;
    CurlDownloader downloads_;
    PosixProcessStarter starter_{CopyEnvironment()};
    testing::FakeOpener opener_;
    INIFile settings_;
};

TEST_F(VersionWindowTest, EachAnswerOfTheServerGivesItsResult) {
    struct Row {
        const char* scenario;
        const char* answer;  // nullptr: no answer file (404)
        int result;
        const char* status;
        const char* currVersion;
        const char* button;  // caption, "" when disabled
    };
    const Row rows[] = {
        {"available", "blenvar|1.5.13|blenvar_1.5.13.deb", 0, "Update Available", "1.5.13",
         "Update"},
        {"current", "blenvar|1.5.12|blenvar_1.5.13.deb", 1, "You Have The Current Version",
         "1.5.12", ""},
        {"silent", "", 2, "Couldn't Find Update Information", "?.?.?", "Check For Updates"},
        {"missing", nullptr, 2, "Couldn't Find Update Information", "?.?.?", "Check For Updates"},
        {"html",
         "<html><head><title>x|y|z</title></head>\n<body><p> blenvar&#124;1.10.0 | "
         "<b>blenvar_1.5.13.deb</b>|/news.htm|Fixes &amp; more</p></body></html>\n",
         0, "Update Available", "1.10.0", "Update"},
        {"", nullptr, 2, "Update checks are off.", "?.?.?", ""},  // no UpdateServer
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        if (row.answer) Answer(row.scenario, row.answer);
        Configure(row.scenario);
        const bool off = !*row.scenario;
        if (off) WriteFile(folder_ / "blenvar.ini", "[Setup]\nUpdateServer=\n");
        const int before = Requests();
        auto w = Window(300);
        EXPECT_EQ(Check(*w), row.result);
        EXPECT_EQ(Text(*w, "Status"), row.status);
        EXPECT_EQ(Text(*w, "CurrVersion"), row.currVersion);
        EXPECT_EQ(Upgrade(*w)->isEnabled(), *row.button != '\0');
        if (*row.button) {
            EXPECT_EQ(Upgrade(*w)->text(), row.button);
        }
        // A known version is compared again without asking the server.
        EXPECT_EQ(Check(*w), row.result);
        EXPECT_EQ(Requests() - before, off ? 0 : row.result == 2 ? 2 : 1);
        // Closing only hides; without a known version the window waits for the user, and
        // with checks off it looks at the settings again when next shown.
        w->reject();
        EXPECT_EQ(Text(*w, "Status"), off               ? "Initializing..."
                                      : row.result == 2 ? "Ready For User Input"
                                                        : row.status);
        EXPECT_EQ(Upgrade(*w)->isEnabled(), !off && row.result != 1);
    }
    // The server's page and comment: a short comment stays in the label, six lines or
    // more go to the scrolling box.
    auto w = Window();
    Configure("html");
    Check(*w);
    const std::string page = http_.substr(7) + "/html/news.htm";
    EXPECT_EQ(Text(*w, "WebPage").toStdString(), page);
    EXPECT_TRUE(Text(*w, "Comment").endsWith("\n\nFixes & more"));
    EXPECT_FALSE(w->findChild<QPlainTextEdit*>("BigComment")->isVisibleTo(w.get()));
    QTest::mouseClick(w->findChild<QLabel*>("WebPage"), Qt::LeftButton);
    EXPECT_EQ(opener_.opened, std::vector<std::string>{"http://" + page});
    Answer("long", "blenvar|1.5.13|blenvar_1.5.13.deb|/n.htm|one\ntwo\nthree\nfour");
    Configure("long");
    auto longer = Window();
    Check(*longer);
    EXPECT_TRUE(longer->findChild<QPlainTextEdit*>("BigComment")->isVisibleTo(longer.get()));
    // Every text of the server is shown as it is written, and a page it names stays on
    // its host. A long paragraph wraps into more lines than the label holds; what no one
    // reads is cut off.
    std::string paragraph = "&lt;font color=red size=7&gt;Big&lt;/font&gt;";
    for (int i = 0; i < 1000; ++i) paragraph += " word";
    Answer("hostile", "blenvar|1.5.13|blenvar_1.5.13.deb|@evil.example.invalid/phish|" + paragraph);
    Configure("hostile");
    auto hostile = Window();
    Check(*hostile);
    for (const char* name :
         {"Title", "ThisVersion", "CurrVersion", "Author", "WebPage", "Comment", "Status"})
        EXPECT_EQ(hostile->findChild<QLabel*>(name)->textFormat(), Qt::PlainText) << name;
    const QString comment = Text(*hostile, "Comment");
    EXPECT_TRUE(comment.contains("\n\n<font color=red size=7>Big</font> word"));
    EXPECT_TRUE(comment.endsWith(QChar(0x2026)) && comment.size() < 4200) << comment.size();
    EXPECT_TRUE(hostile->findChild<QPlainTextEdit*>("BigComment")->isVisibleTo(hostile.get()));
    const std::string phish = http_.substr(7) + "/hostile/@evil.example.invalid/phish";
    EXPECT_EQ(Text(*hostile, "WebPage").toStdString(), phish);
    QTest::mouseClick(hostile->findChild<QLabel*>("WebPage"), Qt::LeftButton);
    EXPECT_EQ(opener_.opened.back(), "http://" + phish);
}

TEST_F(VersionWindowTest, OnlyAVerifiedCompletePackageReachesTheInstaller) {
    enum Via { Http, Ftp, Https, HttpsToHttp };  // where answer and package come from
    struct Row {
        const char* name;
        const char* answer;
        Via via;
        int yes;              // the answer to the unencrypted question, -1 when not asked
        const char* failure;  // the message's box, nullptr when the installer runs
        const char* message = "";
        const char* installer = nullptr;  // InstallCommand, the recording script when null
    };
    const Row rows[] = {
        {"http", "blenvar|1.5.13|blenvar_1.5.13.deb|||{sha}", Http, 1, nullptr},
        {"ftp", "blenvar|1.5.13|blenvar_1.5.13.deb|||{sha}", Ftp, 1, nullptr},
        {"https", "blenvar|1.5.13|blenvar_1.5.13.deb", Https, -1, nullptr},
        {"downgrade", "blenvar|1.5.13|blenvar_1.5.13.deb", HttpsToHttp, 1, nullptr},
        {"declined", "blenvar|1.5.13|blenvar_1.5.13.deb|||{sha}", Http, 0, ""},
        {"badsum", "blenvar|1.5.13|blenvar_1.5.13.deb|||{bad}", Http, -1, "DownloadFailed",
         "Couldn't download the update.\nThe package does not match the checksum"},
        {"cut", "blenvar|1.5.13|blenvar_1.5.13.deb|||{sha}", Http, -1, "DownloadFailed",
         "Couldn't download the update.\ntransfer closed with 153600 bytes remaining"},
        {"nopackage", "blenvar|1.5.13|blenvar_1.6.0.deb", Http, -1, "DownloadFailed",
         "Couldn't download the update.\nThe requested URL returned error: 404"},
        {"noinstaller", "blenvar|1.5.13|blenvar_1.5.13.deb|||{sha}", Http, 1, "InstallFailed",
         "Couldn't install the update.\nThe install command \"no-such-installer %1\"",
         "no-such-installer %1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Answer(row.name, row.answer);
        const std::string server = row.via >= Https ? https_ : http_;
        Configure(row.name, row.via == Ftp ? ftp_ : server + "/" + row.name, server, row.installer);
        fs::remove(folder_ / "record.args");
        auto w = Window();
        QSignalSpy unload(w.get(), &VersionWindow::unloadForUpgrade);
        ASSERT_EQ(Check(*w), 0);
        QTest::mouseClick(Upgrade(*w), Qt::LeftButton);
        if (row.yes >= 0) {
            QMessageBox* ask = Box(*w, "AskUnencrypted");
            const auto* failed = w->findChild<QMessageBox*>("DownloadFailed");
            ASSERT_TRUE(ask) << (failed ? failed->text().toStdString() : "no message");
            EXPECT_EQ(ask->defaultButton(), ask->button(QMessageBox::No));
            ask->button(row.yes ? QMessageBox::Yes : QMessageBox::No)->click();
        }
        if (!row.failure) {
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return fs::exists(folder_ / "record.args"); }, 10000));
            EXPECT_FALSE(w->findChild<QMessageBox*>("AskUnencrypted"));
            const std::string path = ReadFile(folder_ / "record.args").substr(2);
            EXPECT_EQ(ReadFile(folder_ / "record.args").substr(0, 2), "1\n");
            EXPECT_EQ(path.rfind((folder_ / "tmp").string() + "/blenvar-update-", 0), 0u) << path;
            EXPECT_TRUE(ReadFile(folder_ / "record.bytes") == package_);
            EXPECT_TRUE(w->Upgrading());
            EXPECT_EQ(unload.count(), 1);
            fs::remove_all(folder_ / "tmp");
            fs::create_directories(folder_ / "tmp");
            continue;
        }
        if (*row.failure) {
            QMessageBox* failed = Box(*w, row.failure);
            ASSERT_TRUE(failed);
            EXPECT_TRUE(failed->text().startsWith(row.message)) << failed->text().toStdString();
        } else {
            QTest::qWait(200);
        }
        // The program goes on, nothing is installed or kept, and the update can be retried.
        EXPECT_FALSE(w->Upgrading());
        EXPECT_EQ(unload.count(), 0);
        EXPECT_FALSE(fs::exists(folder_ / "record.args"));
        EXPECT_FALSE(LeftoverDownloads());
        EXPECT_TRUE(Upgrade(*w)->isEnabled());
        EXPECT_EQ(Upgrade(*w)->text(), "Update");
    }
}

// Files this process holds open.
std::vector<fs::path> OpenFiles() {
    std::vector<fs::path> open;
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const fs::path target = fs::read_symlink(fd.path(), ec);
        if (!ec) open.push_back(target);
    }
    return open;
}

// Waits without running the event loop, so no completion of the download is delivered.
template <typename Done>
bool WaitOutsideTheLoop(Done done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// A download ended by the user, whether it is still arriving or has just arrived and its
// end is not delivered yet, leaves no file and reports nothing more.
TEST_F(VersionWindowTest, ACancelledDownloadLeavesNoFile) {
    enum class End { Cancel, Destroy, Restart };
    const struct {
        const char* name;
        const char* scenario;  // "stall": the download stops half way and waits
        End end;
    } rows[] = {
        {"midway", "stall", End::Cancel},
        {"arrived", "whole", End::Cancel},
        {"arrived, downloader gone", "whole", End::Destroy},
        {"arrived, another started", "whole", End::Restart},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto downloads = std::make_unique<CurlDownloader>();
        int reports = 0, ends = 0;
        downloads->Start(
            http_ + "/" + row.scenario + "/MSI/blenvar_1.5.13.deb",
            [&](std::int64_t, std::int64_t) { ++reports; }, [&](const DownloadResult&) { ++ends; });
        const auto file = [&] {
            for (const auto& e : fs::recursive_directory_iterator(folder_ / "tmp"))
                if (e.is_regular_file()) return e.path();
            return fs::path();
        };
        const bool stalled = std::string(row.scenario) == "stall";
        const std::uintmax_t expected = stalled ? package_.size() / 2 : package_.size();
        ASSERT_TRUE(WaitOutsideTheLoop([&] {
            const fs::path f = file();
            if (f.empty() || fs::file_size(f) != expected) return false;
            // Closed: the transfer is over on the worker's side.
            const auto open = OpenFiles();
            return stalled || std::find(open.begin(), open.end(), f) == open.end();
        }));
        switch (row.end) {
            case End::Cancel:
                downloads->Cancel();
                break;
            case End::Destroy:
                downloads.reset();
                break;
            case End::Restart:
                downloads->Start(
                    http_ + "/missing/MSI/blenvar_1.6.0.deb", [](std::int64_t, std::int64_t) {},
                    [&](const DownloadResult& r) {
                        EXPECT_FALSE(r.ok);
                        ++ends;
                    });
                ASSERT_TRUE(QTest::qWaitFor([&] { return ends == 1; }, 10000));
                --ends;
                break;
        }
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(reports, 0);
        EXPECT_EQ(ends, 0);
        EXPECT_FALSE(LeftoverDownloads());
        fs::remove_all(folder_ / "tmp");
        fs::create_directories(folder_ / "tmp");
    }
}

// The package stays for the installer, which runs after the program has ended; the next
// start removes it, and only what is ours and no longer needed.
TEST_F(VersionWindowTest, TheNextStartRemovesLeftoverDownloads) {
    const fs::path tmp = folder_ / "tmp";
    const struct {
        const char* name;
        bool link;  // a link to a folder elsewhere
        bool kept;
    } rows[] = {
        {"blenvar-update-a1B2c3", false, false},
        {"blenvar-update-n4med1", false, true},  // on an installer's command line
        {"blenvar-update-l1nked", true, true},
        {"blenvar-update-a1B2c3d", false, true},
        {"blenvar-updates", false, true},
    };
    WriteFile(folder_ / "elsewhere/keep", "x");
    for (const auto& row : rows) {
        if (row.link) {
            fs::create_directory_symlink(folder_ / "elsewhere", tmp / row.name);
            continue;
        }
        WriteFile(tmp / row.name / "p.deb", "x");
        fs::create_symlink(folder_ / "elsewhere/keep", tmp / row.name / "link");
    }
    QProcess installer;
    installer.start("/bin/sh",
                    {"-c", "read line", "sh", (tmp / "blenvar-update-n4med1/p.deb").c_str()});
    ASSERT_TRUE(installer.waitForStarted());
    // A package of this run, delivered and not yet handed over.
    auto downloads = std::make_unique<CurlDownloader>();
    DownloadResult ours;
    downloads->Start(
        http_ + "/whole/MSI/blenvar_1.5.13.deb", [](std::int64_t, std::int64_t) {},
        [&](const DownloadResult& r) { ours = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ours.ok; }, 10000));
    CurlDownloader::RemoveLeftovers();
    for (const auto& row : rows)
        EXPECT_EQ(fs::exists(fs::symlink_status(tmp / row.name)), row.kept) << row.name;
    EXPECT_EQ(ReadFile(folder_ / "elsewhere/keep"), "x");
    EXPECT_TRUE(fs::exists(ours.path));
    downloads.reset();
    CurlDownloader::RemoveLeftovers();
    EXPECT_FALSE(fs::exists(FolderOf(ours.path)));
    EXPECT_TRUE(fs::exists(tmp / "blenvar-update-n4med1"));
    installer.closeWriteChannel();
    installer.waitForFinished();
}

// Run by update_offline and update_online inside a network namespace of their own.
TEST_F(VersionWindowTest, OnlineAsTheNetworkInterfacesSay) {
    const char* mode = std::getenv("BLENVAR_TEST_NETNS");
    if (!mode) GTEST_SKIP() << "runs inside a network namespace (update_offline, update_online)";
    IfaddrsConnection real;
    connection_ = &real;
    const bool online = std::string(mode) == "online";
    ASSERT_TRUE(QTest::qWaitFor([&] { return real.Online() == (online ? 2 : 0); }, 5000));
    Answer("available", "blenvar|1.5.13|blenvar_1.5.13.deb");
    Configure("available");
    auto w = Window();
    EXPECT_EQ(Check(*w), online ? 0 : 2);
    EXPECT_EQ(Text(*w, "Status"), online ? "Update Available" : "You Are Not Online");
    EXPECT_EQ(Requests(), online ? 1 : 0);
    if (online) return;
    // Offline, the button offers to dial, which fails here.
    QTest::mouseClick(Upgrade(*w), Qt::LeftButton);
    QMessageBox* ask = Box(*w, "AskConnect");
    ASSERT_TRUE(ask);
    ask->button(QMessageBox::Yes)->click();
    QMessageBox* failed = Box(*w, "CannotConnect");
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->text(), "Couldn't connect to the internet.");
    EXPECT_EQ(Text(*w, "Status"), "You Are Not Online");
    EXPECT_EQ(Requests(), 0);
}

}  // namespace
}  // namespace blenvar

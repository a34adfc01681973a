// The update check against the local test servers on 127.0.0.1: the time from the request
// to the judged answer, the download of a 5 MB package over http and ftp, and the time
// from a 1 MB answer to the version window showing it (offscreen unless QT_QPA_PLATFORM
// says otherwise).
//   build/bin/blenvar_update_bench [RUNS]
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/net/curl_downloader.h"
#include "platform/net/qt_page_fetcher.h"
#include "platform/posix/posix_process_starter.h"
#include "shell/version/version_window.h"
#include "update/update_answer.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kPackageBytes = 5 * 1024 * 1024;

void Report(const char* what, std::vector<double> ms, double megabytes = 0) {
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-28s median %8.2f ms  min %8.2f ms  max %8.2f ms", what, median, ms.front(),
                ms.back());
    if (megabytes > 0) std::printf("  (%.0f MB/s)", megabytes / (median / 1000));
    std::printf("  runs %zu\n", ms.size());
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Answers at once with the page it holds, so only the window's own work is timed.
struct ReadyPages : blenvar::PageFetcher {
    std::string body;
    void Get(const std::string&, int,
             std::function<void(const blenvar::PageReply&)> done) override {
        done({true, body, "", "http://127.0.0.1/version.asp"});
    }
    void Abandon() override {}
};

struct Connected : blenvar::Connection {
    int Online() override { return 2; }
    bool Dial(bool) override { return true; }
    bool HangUp() override { return true; }
};

struct NoOpener : blenvar::ShellOpener {
    bool Open(const std::string&) override { return true; }
};

// From the answer to "Update Available" laid out and painted in the shown window.
std::vector<double> AnswerToWindow(const fs::path& root, const std::string& answer, int runs) {
    ReadyPages pages;
    pages.body = answer;
    Connected connection;
    blenvar::CurlDownloader downloads;
    blenvar::PosixProcessStarter starter{blenvar::CopyEnvironment()};
    NoOpener opener;
    blenvar::INIFile settings;
    std::ofstream(root / "bench.ini") << "[Setup]\nUpdateServer=http://127.0.0.1/bench\n";
    settings.SetFileName((root / "bench.ini").string());
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        blenvar::VersionWindow window(
            {pages, connection, downloads, starter, starter, opener, settings},
            {"Blenvar", "Reads barcodes.", "blenvar", 1, 5, 12});
        window.show();
        QCoreApplication::processEvents();
        int result = -1;
        QObject::connect(&window, &blenvar::VersionWindow::checked, [&](int r) { result = r; });
        const auto start = Clock::now();
        window.Current();
        QCoreApplication::processEvents();
        if (result == blenvar::update::kUpdateAvailable) ms.push_back(Since(start));
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    char pattern[] = "/tmp/blenvar-update-bench-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    fs::create_directories(root / "MSI");
    fs::create_directories(root / "bench");
    std::ofstream(root / "MSI/blenvar.deb", std::ios::binary) << std::string(kPackageBytes, 'p');
    std::ofstream(root / "bench/version.asp")
        << "<p>blenvar|9.0.0|blenvar.deb|/news.htm|Newer.</p>";
    ::setenv("no_proxy", "127.0.0.1", 1);

    QProcess server;
    server.start("/usr/bin/python3", {"-B", BLENVAR_UPDATE_SERVER, QString(root.c_str())});
    while (!server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    if (!server.canReadLine()) {
        std::fprintf(stderr, "the test servers did not start\n");
        return 1;
    }
    const auto ports = QString(server.readLine()).trimmed().split(' ');
    const std::string http = "http://127.0.0.1:" + ports.value(0).toStdString();
    const std::string ftp = "ftp://127.0.0.1:" + ports.value(1).toStdString();

    blenvar::QtPageFetcher pages;
    std::vector<double> check;
    for (int i = 0; i < runs; ++i) {
        QEventLoop loop;
        const auto start = Clock::now();
        pages.Get(http + "/bench/version.asp?exe=blenvar", 30000,
                  [&](const blenvar::PageReply& reply) {
                      const auto outcome = blenvar::update::EvaluateAnswer(
                          reply.body, {"blenvar", 1005012, http + "/bench", "", "Blenvar"});
                      if (outcome.result == blenvar::update::kUpdateAvailable)
                          check.push_back(Since(start));
                      loop.quit();
                  });
        loop.exec();
    }
    if (check.empty()) {
        std::fprintf(stderr, "the check found no update\n");
        return 1;
    }
    Report("request to result", check);

    blenvar::CurlDownloader downloads;
    for (const auto& [name, url] :
         {std::pair{"download 5 MB over http", http + "/bench/MSI/blenvar.deb"},
          std::pair{"download 5 MB over ftp", ftp + "/MSI/blenvar.deb"}}) {
        std::vector<double> ms;
        for (int i = 0; i < std::max(3, runs / 4); ++i) {
            QEventLoop loop;
            const auto start = Clock::now();
            downloads.Start(
                url, [](std::int64_t, std::int64_t) {},
                [&](const blenvar::DownloadResult& result) {
                    if (result.ok)
                        ms.push_back(Since(start));
                    else
                        std::fprintf(stderr, "%s: %s\n", name, result.error.c_str());
                    downloads.Discard(result.path);
                    loop.quit();
                });
            loop.exec();
        }
        if (!ms.empty()) Report(name, ms, kPackageBytes / 1e6);
    }

    const std::string answer = "blenvar|9.0.0|blenvar.deb|/news.htm|";
    std::string comment;
    while (comment.size() < 1024 * 1024) comment += "A comment nobody reads in full. ";
    for (const auto& [name, page] : {std::pair{"answer to window, short", answer + "Newer."},
                                     std::pair{"answer to window, 1 MB", answer + comment}}) {
        const auto ms = AnswerToWindow(root, page, std::max(3, runs / 4));
        if (ms.empty()) {
            std::fprintf(stderr, "%s: the window showed no update\n", name);
            return 1;
        }
        Report(name, ms);
    }
    server.closeWriteChannel();
    server.waitForFinished(3000);
    fs::remove_all(root);
    return 0;
}

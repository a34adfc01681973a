#pragma once
#include <QObject>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "core/services.h"

namespace blenvar {

struct DownloadJob;

// libcurl (https, http, ftp: Qt has no FTP) on a worker thread, into a new mkdtemp
// folder of mode 0700. Progress and the end come back through queued calls, addressed by
// the job's number: a job's memory may be reused, its number never is. A cancelled
// download leaves no file, whenever it ends. A downloaded package outlives the program (the
// installer reads it), so the next start removes it.
class CurlDownloader : public QObject, public Downloader {
    Q_OBJECT
  public:
    explicit CurlDownloader(QObject* parent = nullptr);
    ~CurlDownloader() override;

    void Start(const std::string& url, std::function<void(std::int64_t, std::int64_t)> progress,
               std::function<void(const DownloadResult&)> done) override;
    void Cancel() override;
    void Discard(const std::string& path) override;
    // From the worker, on this object's thread: progress of the job still running.
    void Report(std::uint64_t job, std::int64_t now, std::int64_t total);

    // Deletes the download folders of earlier runs in $TMPDIR: the user's own, never
    // through a link, and none that a program holds (a download of ours, locked) or names
    // on its command line (a running installer).
    static void RemoveLeftovers();

  private:
    void Run(std::shared_ptr<DownloadJob> job);
    void Finish(std::uint64_t job);
    void Join();

    std::shared_ptr<DownloadJob> job_;
    std::map<std::string, int> locks_;  // folder of a delivered package, its lock
    std::uint64_t lastId_ = 0;
    std::thread worker_;
};

}  // namespace blenvar

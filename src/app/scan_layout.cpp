#include "app/scan_layout.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "capture/layout_detection.h"
#include "platform/evdev/xkb_keymap.h"
#include "platform/evdev/xkb_scan_translator.h"

namespace blenvar {

std::shared_ptr<ScanTranslator> ScannerLayoutFor(const CaptureSetup& setup, std::string& problem) {
    return ScannerTranslatorFor(setup, problem);
}

namespace {

QString FromUtf32(const std::u32string& text) {
    return QString::fromUcs4(text.data(), qsizetype(text.size()));
}

}  // namespace

// Shared by the detector and its worker thread, which outlives a detector closed early.
struct LayoutDetector::Work {
    std::mutex mutex;
    std::condition_variable wake;
    std::atomic<bool> cancel{false};
    std::optional<std::vector<KeyEvent>> scan;  // under `mutex`
    QElapsedTimer scanAt;                       // under `mutex`
    // Touched on the user-interface thread only: null once the detector is gone.
    LayoutDetector* owner = nullptr;

    // Runs `report` with the detector on the user-interface thread, if it is still there.
    template <typename F>
    void Report(std::shared_ptr<Work> self, F report) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self = std::move(self), report = std::move(report)] {
                if (self->owner) report(*self->owner);
            },
            Qt::QueuedConnection);
    }
};

LayoutDetector::LayoutDetector(const CaptureSetup& setup, QObject* parent)
    : QObject(parent), work_(std::make_shared<Work>()) {
    work_->owner = this;
    std::string error;
    const auto desktop = ResolveKeyboardLayout(setup.keyboardLayout, error);
    const std::string desktopName = desktop ? DescribeLayout(*desktop) : "us";
    // The user's language tells apart layouts that type the test text alike (fr and dz).
    const char* locale = std::getenv("LC_ALL");
    if (!locale || !*locale) locale = std::getenv("LANG");
    const std::vector<std::string> preferred{desktopName, LayoutOfLocale(locale ? locale : "")};
    std::thread([work = work_, preferred] {
        QElapsedTimer built;
        built.start();
        const std::vector<LayoutTable> tables = BuildLayoutTables(SystemLayouts(), work->cancel);
        const qint64 buildMs = built.elapsed();
        const int count = int(tables.size());
        work->Report(work,
                     [count, buildMs](LayoutDetector& d) { emit d.tablesBuilt(count, buildMs); });
        for (;;) {
            std::vector<KeyEvent> events;
            QElapsedTimer since;
            {
                std::unique_lock lock(work->mutex);
                work->wake.wait(lock, [&] { return work->cancel || work->scan; });
                if (work->cancel) return;
                events = std::move(*work->scan);
                work->scan.reset();
                since = work->scanAt;
            }
            const LayoutMatch match = MatchLayouts(events, tables, preferred);
            LayoutAnswer answer;
            for (const LayoutTable* t : match.exact) {
                answer.names << QString::fromStdString(t->entry.name);
                answer.descriptions << QString::fromStdString(t->entry.description);
            }
            if (match.around) {
                answer.around = QString::fromStdString(match.around->entry.description + " (" +
                                                       match.around->entry.name + ")");
                answer.aroundText = FromUtf32(match.aroundText);
            }
            answer.matchMs = since.elapsed();
            work->Report(work, [answer](LayoutDetector& d) { emit d.matched(answer); });
        }
    }).detach();
}

LayoutDetector::~LayoutDetector() {
    work_->owner = nullptr;
    {
        const std::lock_guard lock(work_->mutex);
        work_->cancel = true;
    }
    work_->wake.notify_all();
}

void LayoutDetector::Match(std::vector<KeyEvent> events) {
    {
        const std::lock_guard lock(work_->mutex);
        work_->scan = std::move(events);
        work_->scanAt.start();
    }
    work_->wake.notify_all();
}

}  // namespace blenvar

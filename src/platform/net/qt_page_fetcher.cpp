#include "platform/net/qt_page_fetcher.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace blenvar {
namespace {

// A version answer is a line; anything this big is not one.
constexpr qint64 kMaxPage = 1 << 20;

PageReply NoPage(std::string reason) {
    PageReply reply;
    reply.error = std::move(reason);
    return reply;
}

}  // namespace

QtPageFetcher::QtPageFetcher(QObject* parent) : QObject(parent) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this,
            [this] { Finish(NoPage("the server did not answer in time")); });
}

QtPageFetcher::~QtPageFetcher() {
    Abandon();
}

void QtPageFetcher::Get(const std::string& url, int deadlineMs,
                        std::function<void(const PageReply&)> done) {
    Abandon();
    QNetworkRequest request(QUrl(QString::fromStdString(url)));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    done_ = std::move(done);
    reply_ = network_.get(request);
    QNetworkReply* reply = reply_;
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64) {
        if (reply == reply_ && received > kMaxPage) {
            Finish(NoPage("the answer is too long"));
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (reply != reply_) return;
        PageReply page;
        if (reply->error() != QNetworkReply::NoError) {
            page.error = reply->errorString().toStdString();
        } else {
            page.ok = true;
            page.body = reply->readAll().toStdString();
            page.url = reply->url().toString().toStdString();
        }
        Finish(page);
    });
    deadline_.start(deadlineMs);
}

void QtPageFetcher::Abandon() {
    deadline_.stop();
    done_ = nullptr;
    if (QNetworkReply* reply = reply_) {
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void QtPageFetcher::Finish(const PageReply& page) {
    auto done = std::move(done_);
    Abandon();
    if (done) done(page);
}

}  // namespace blenvar

#pragma once
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

#include "core/services.h"

class QNetworkReply;

namespace blenvar {

// A GET through Qt Network with the cache off; the deadline is a timer, so nothing waits.
class QtPageFetcher : public QObject, public PageFetcher {
    Q_OBJECT
  public:
    explicit QtPageFetcher(QObject* parent = nullptr);
    ~QtPageFetcher() override;

    void Get(const std::string& url, int deadlineMs,
             std::function<void(const PageReply&)> done) override;
    void Abandon() override;

  private:
    void Finish(const PageReply& reply);

    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    QTimer deadline_;
    std::function<void(const PageReply&)> done_;
};

}  // namespace blenvar

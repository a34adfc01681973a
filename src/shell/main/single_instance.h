#pragma once
// One running copy per user. A lock file in the user's runtime folder says who runs; a
// lock left by a copy that crashed is taken over, since it is judged only by whether
// its process still lives. The running copy listens on a local socket beside the lock
// so that a second start can ask it to show its window.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace blenvar {

inline constexpr char kOnlyOneCopy[] = "Only one copy of this program can run at a time.";

// $XDG_RUNTIME_DIR, else a private folder Qt makes for the user.
QString RuntimeFolder();

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only copy: the lock is ours and the socket listens.
    bool Acquire();
    // Asks the running copy to show its window; false when it did not take the message.
    bool AskToShow(int timeoutMs = 1000);

  signals:
    void showRequested();

  private:
    void OnConnection();

    QString lockPath_;
    QString socketPath_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace blenvar

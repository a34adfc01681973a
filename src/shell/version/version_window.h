#pragma once
// "Version Information": this program's version against the one the update server names,
// and the upgrade to it. Every wait (answer, download, question) is asynchronous.
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/ini/ini_file.h"
#include "core/services.h"
#include "settings/settings_layout.h"

namespace blenvar {

struct VersionServices {
    PageFetcher& pages;
    Connection& connection;
    Downloader& downloads;
    ProcessStarter& starter;
    ProgramFinder& finder;
    ShellOpener& opener;
    INIFile& settings;  // UpdateServer, PackageServer and InstallCommand of Setup
};

struct ProgramInfo {
    std::string title;
    std::string description;
    std::string executable;  // without extension: field 0 of the answer must equal it
    int major = 0;
    int minor = 0;
    int revision = 0;
    int deadlineMs = 30000;  // for the server's answer
};

// The maker's page, without scheme (a build setting).
const char* MakerHomePage();
// The wait for the server's answer: 30 s. Tests shorten it through
// BLENVAR_TEST_UPDATE_DEADLINE_MS.
int AnswerDeadlineMs();

// A label that reports a click, for the web page line.
class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class VersionWindow : public QDialog {
    Q_OBJECT
  public:
    VersionWindow(const VersionServices& services, const ProgramInfo& program,
                  QWidget* parent = nullptr);
    ~VersionWindow() override;

    // Starts a check; its result (0 update available, 1 current, 2 no information)
    // arrives through checked().
    void Current();
    // As a press of cmdUpgrade when a package is known and we are online.
    bool Update();
    int Online();
    bool IEDial(bool prompt = false);
    bool IEHangUp();

    // Set when the installer is about to start: the program's unload must not end it.
    bool Upgrading() const { return upgrading_; }
    void SetAuthor(const QString& author);
    void SetWebPage(const QString& page);

    // Closing only hides; a pending download is cancelled.
    void done(int result) override;

  signals:
    void checked(int result);
    // Hide and unload every window; the installer starts once events have run.
    void unloadForUpgrade();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetStatus(std::string_view text);
    void SetComment(const QString& text);
    void SetIcon(int index);
    void Finish(int result);
    void OnAnswer(const PageReply& reply);
    void OnUpgradeClicked();
    void AfterConnect();
    void StartDownload();
    void OnDownloaded(const DownloadResult& download);
    void Install(const std::string& package);
    // The message box `name`: the headline, the reason on the next line.
    void Fail(const QString& name, std::string_view headline, const std::string& reason);
    void Ask(const QString& name, const QString& text, QMessageBox::StandardButton preset,
             std::function<void(bool)> then);
    void Tell(const QString& name, const QString& text);
    void OnWebPageClicked();
    std::int64_t OwnVersion() const;

    VersionServices services_;
    ProgramInfo program_;
    QLabel* title_;
    QLabel* thisVersion_;
    QLabel* currVersion_;
    QLabel* author_;
    ClickableLabel* webPage_;
    QStackedWidget* commentPlace_;
    QLabel* comment_;
    QPlainTextEdit* bigComment_;
    QLabel* status_;
    QLabel* iconPic_;  // image 0, the visible one
    QProgressBar* progress_;
    QPushButton* upgrade_;
    QPushButton* close_;
    QTimer timer1_;

    UpdateSettings servers_;  // as the last request read them
    std::string msiLocation_;
    std::string sha256_;
    std::string webPageUrl_;  // what the web page line opens
    std::string requestUrl_;
    std::string answerUrl_;  // after redirects
    bool dialed_ = false;
    bool upgrading_ = false;
    bool downloading_ = false;
    bool checksOff_ = false;  // no UpdateServer at the last check
};

}  // namespace blenvar

#include "shell/version/version_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "settings/settings_layout.h"
#include "shell/icons/icons.h"
#include "update/install_plan.h"
#include "update/server_urls.h"
#include "update/update_answer.h"
#include "update/update_texts.h"

namespace blenvar {
namespace {

using namespace update;

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr char kDownloading[] = "Downloading the update...";
constexpr int kIconSize = 48;

}  // namespace

const char* MakerHomePage() {
    return BLENVAR_HOME_PAGE;
}

int AnswerDeadlineMs() {
    const char* text = std::getenv("BLENVAR_TEST_UPDATE_DEADLINE_MS");
    const int ms = text ? std::atoi(text) : 0;
    return ms > 0 ? ms : 30000;
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

VersionWindow::VersionWindow(const VersionServices& services, const ProgramInfo& program,
                             QWidget* parent)
    : QDialog(parent), services_(services), program_(program) {
    InitBlenvarIcons();
    setObjectName("Version");
    setWindowTitle(tr("Version Information"));
    const auto value = [](const char* name) {
        auto* label = new QLabel;
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    title_ = value("Title");
    thisVersion_ = value("ThisVersion");
    currVersion_ = value("CurrVersion");
    author_ = value("Author");
    webPage_ = new ClickableLabel;
    webPage_->setObjectName("WebPage");
    webPage_->setTextFormat(Qt::PlainText);
    webPage_->setCursor(Qt::PointingHandCursor);
    webPage_->setAutoFillBackground(true);
    QFont link = webPage_->font();
    link.setUnderline(true);
    webPage_->setFont(link);
    QPalette linkColours = webPage_->palette();
    linkColours.setColor(QPalette::WindowText, linkColours.color(QPalette::Link));
    webPage_->setPalette(linkColours);
    webPage_->setAccessibleDescription(tr("Opens the web page"));
    comment_ = new QLabel;
    comment_->setObjectName("Comment");
    // The server's words are never markup.
    comment_->setTextFormat(Qt::PlainText);
    comment_->setWordWrap(true);
    comment_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    bigComment_ = new QPlainTextEdit;
    bigComment_->setObjectName("BigComment");
    bigComment_->setReadOnly(true);
    bigComment_->setAccessibleName(tr("Comment"));
    // Both in one place: the box stands exactly over the label.
    commentPlace_ = new QStackedWidget;
    commentPlace_->addWidget(comment_);
    commentPlace_->addWidget(bigComment_);
    commentPlace_->setFixedHeight(6 * fontMetrics().lineSpacing());
    status_ = new QLabel;
    status_->setObjectName("Status");
    status_->setTextFormat(Qt::PlainText);
    iconPic_ = new QLabel;
    iconPic_->setObjectName("IconPic");
    iconPic_->setFixedSize(kIconSize, kIconSize);
    progress_ = new QProgressBar;
    progress_->setObjectName("Progress");
    progress_->setAccessibleName(tr("Download"));
    progress_->hide();
    upgrade_ = new QPushButton;
    upgrade_->setObjectName("cmdUpgrade");
    close_ = new QPushButton(Q(kCaptionClose));
    close_->setObjectName("cmdClose");

    auto* form = new QFormLayout;
    form->addRow(tr("Title:"), title_);
    form->addRow(tr("Your Version:"), thisVersion_);
    form->addRow(tr("Current Version:"), currVersion_);
    form->addRow(tr("Author:"), author_);
    form->addRow(QString(), webPage_);
    auto* top = new QHBoxLayout;
    top->addWidget(iconPic_, 0, Qt::AlignTop);
    top->addLayout(form, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(upgrade_);
    buttons->addWidget(close_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(commentPlace_);
    column->addWidget(status_);
    column->addWidget(progress_);
    column->addLayout(buttons);

    timer1_.setSingleShot(true);
    timer1_.setInterval(10);
    connect(&timer1_, &QTimer::timeout, this, &VersionWindow::Current);
    connect(upgrade_, &QPushButton::clicked, this, &VersionWindow::OnUpgradeClicked);
    connect(close_, &QPushButton::clicked, this, &VersionWindow::reject);
    connect(webPage_, &ClickableLabel::clicked, this, &VersionWindow::OnWebPageClicked);

    title_->setText(QString::fromStdString(program.title));
    thisVersion_->setText(
        QString("%1.%2.%3").arg(program.major).arg(program.minor).arg(program.revision));
    currVersion_->setText(Q(kUnknownVersion));
    SetComment(QString::fromStdString(program.description));
    upgrade_->setText(Q(kCaptionCheck));
    SetStatus(kStatusInitializing);
    SetIcon(1);
}

VersionWindow::~VersionWindow() {
    services_.pages.Abandon();
    services_.downloads.Cancel();
}

void VersionWindow::SetAuthor(const QString& author) {
    author_->setText(author);
}

void VersionWindow::SetWebPage(const QString& page) {
    webPage_->setText(page);
    webPageUrl_ = "http://" + page.toStdString();
}

void VersionWindow::SetStatus(std::string_view text) {
    status_->setText(Q(text));
    status_->repaint();
}

void VersionWindow::SetComment(const QString& text) {
    comment_->setText(text);
    bigComment_->setPlainText(text);
    // Lines as the box shows them: a long paragraph wraps into many, which the label
    // would cut off.
    const int width =
        commentPlace_->isVisible() ? commentPlace_->width() : commentPlace_->sizeHint().width();
    const QFontMetrics metrics(comment_->font());
    const int wrapped =
        metrics.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 20), Qt::TextWordWrap, text)
            .height() /
        metrics.lineSpacing();
    const bool big = UsesBigComment(text.toStdString()) || wrapped >= 6;
    commentPlace_->setCurrentWidget(big ? static_cast<QWidget*>(bigComment_) : comment_);
}

void VersionWindow::SetIcon(int index) {
    iconPic_->setPixmap(
        QIcon(QString(":/icons/version-%1.svg").arg(index)).pixmap(kIconSize, kIconSize));
}

std::int64_t VersionWindow::OwnVersion() const {
    return VersionValue(program_.major, program_.minor, program_.revision);
}

void VersionWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (status_->text() == Q(kStatusInitializing) && !timer1_.isActive()) timer1_.start();
}

int VersionWindow::Online() {
    return services_.connection.Online();
}

bool VersionWindow::IEDial(bool prompt) {
    return services_.connection.Dial(prompt);
}

bool VersionWindow::IEHangUp() {
    return services_.connection.HangUp();
}

void VersionWindow::Current() {
    timer1_.stop();
    upgrade_->setEnabled(false);
    SetStatus(kStatusChecking);
    SetIcon(2);
    if (currVersion_->text() != Q(kUnknownVersion)) {
        Finish(CompareKnown(currVersion_->text().toStdString(), OwnVersion()));
        return;
    }
    services_.settings.Refresh();
    servers_ = LoadUpdateSettings(services_.settings, false);
    checksOff_ = servers_.UpdateServer.empty();
    if (checksOff_) {
        SetStatus(kStatusChecksOff);
        SetIcon(1);
        emit checked(kNoInformation);
        return;
    }
    if (Online() == 0) {
        Finish(kNoInformation);
        return;
    }
    const auto url = RequestUrl(servers_.UpdateServer, program_.executable);
    // No server configured: no host is guessed.
    if (!url) {
        Finish(kNoInformation);
        return;
    }
    services_.pages.Get(*url, program_.deadlineMs,
                        [this](const PageReply& reply) { OnAnswer(reply); });
}

void VersionWindow::OnAnswer(const PageReply& reply) {
    int result = kNoInformation;
    answerUrl_ = reply.url;
    if (reply.ok) {
        // Judged against the servers the request went to.
        const CheckOutcome outcome =
            EvaluateAnswer(reply.body, {program_.executable, OwnVersion(), servers_.UpdateServer,
                                        servers_.PackageServer, comment_->text().toStdString()});
        result = outcome.result;
        if (result != kNoInformation) {
            currVersion_->setText(QString::fromStdString(outcome.currVersion));
            msiLocation_ = outcome.msiLocation;
            sha256_ = outcome.sha256;
            if (!outcome.webPage.empty()) {
                webPageUrl_ = outcome.webPage;
                webPage_->setText(Q(WithoutScheme(webPageUrl_)));
            }
            if (result == kUpdateAvailable) SetComment(QString::fromStdString(outcome.comment));
        }
    }
    if (dialed_) {
        IEHangUp();
        dialed_ = false;
    }
    Finish(result);
}

void VersionWindow::Finish(int result) {
    const ResultView view = ViewOf(result, Online() != 0);
    SetStatus(view.status);
    if (result != kCurrentVersion) upgrade_->setText(Q(view.upgradeCaption));
    upgrade_->setEnabled(view.upgradeEnabled);
    SetIcon(view.icon);
    if (upgrade_->isEnabled() && isVisible()) upgrade_->setFocus();
    emit checked(result);
}

bool VersionWindow::Update() {
    if (msiLocation_.empty() || Online() == 0) return false;
    OnUpgradeClicked();
    return true;
}

void VersionWindow::OnUpgradeClicked() {
    dialed_ = false;
    if (Online() != 0) {
        AfterConnect();
        return;
    }
    Ask("AskConnect", Q(kAskConnect), QMessageBox::Yes, [this](bool yes) {
        if (!yes) return;
        const QString before = status_->text();
        SetStatus(kStatusConnecting);
        if (!IEDial(false)) {
            Tell("CannotConnect", Q(kCannotConnect));
            SetStatus(before.toStdString());
            return;
        }
        dialed_ = true;
        AfterConnect();
    });
}

void VersionWindow::AfterConnect() {
    if (Online() == 0) return;
    if (upgrade_->text() == Q(kCaptionUpdate)) {
        StartDownload();
    } else {
        Current();
    }
}

void VersionWindow::StartDownload() {
    downloading_ = true;
    upgrade_->setEnabled(false);
    SetStatus(kDownloading);
    progress_->setRange(0, 0);
    progress_->show();
    services_.downloads.Start(
        msiLocation_,
        [this](std::int64_t received, std::int64_t total) {
            if (total <= 0) return;
            progress_->setRange(0, 1000);
            progress_->setValue(static_cast<int>(received * 1000 / total));
        },
        [this](const DownloadResult& download) { OnDownloaded(download); });
}

void VersionWindow::OnDownloaded(const DownloadResult& download) {
    downloading_ = false;
    progress_->hide();
    if (!download.ok) {
        Fail("DownloadFailed", kDownloadFailed, download.error);
        return;
    }
    switch (DecideInstall(sha256_, download.sha256, answerUrl_, download.url)) {
        case InstallDecision::Refuse:
            services_.downloads.Discard(download.path);
            Fail("DownloadFailed", kDownloadFailed,
                 "The package does not match the checksum the server gave for it.");
            return;
        case InstallDecision::Ask:
            Ask("AskUnencrypted", Q(kAskUnencrypted), QMessageBox::No,
                [this, path = download.path](bool yes) {
                    if (yes) {
                        Install(path);
                        return;
                    }
                    services_.downloads.Discard(path);
                    Finish(kUpdateAvailable);
                });
            return;
        case InstallDecision::Install:
            Install(download.path);
            return;
    }
}

void VersionWindow::Install(const std::string& package) {
    services_.settings.Refresh();
    const bool apt = !services_.finder.FindProgram("pkexec").empty() &&
                     !services_.finder.FindProgram("apt-get").empty();
    const auto command = LoadUpdateSettings(services_.settings, apt).InstallCommand;
    auto args = InstallArguments(command, package);
    const std::string program = args ? services_.finder.FindProgram(args->front()) : "";
    // Checked before anything unloads: a missing installer keeps the program running.
    if (program.empty()) {
        services_.downloads.Discard(package);
        Fail("InstallFailed", kInstallFailed,
             "The install command \"" + command + "\" names no program that can run.");
        return;
    }
    upgrading_ = true;
    hide();
    emit unloadForUpgrade();
    args->erase(args->begin());
    QTimer::singleShot(0, this, [this, program, args = *args] {
        std::string error;
        if (!services_.starter.Start(program, args, error)) {
            std::fprintf(stderr, "blenvar: the installer did not start: %s\n", error.c_str());
        }
        QCoreApplication::quit();
    });
}

void VersionWindow::Fail(const QString& name, std::string_view headline,
                         const std::string& reason) {
    Tell(name, Q(headline) + "\n" + QString::fromStdString(reason));
    Finish(kUpdateAvailable);
}

void VersionWindow::Ask(const QString& name, const QString& text,
                        QMessageBox::StandardButton preset, std::function<void(bool)> then) {
    auto* box = new QMessageBox(QMessageBox::Question, windowTitle(), text,
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(name);
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(preset);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, then = std::move(then)](int) {
        then(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
}

void VersionWindow::Tell(const QString& name, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(name);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void VersionWindow::OnWebPageClicked() {
    const QPalette normal = webPage_->palette();
    QPalette lit = normal;
    lit.setColor(QPalette::Window, normal.color(QPalette::Highlight));
    lit.setColor(QPalette::WindowText, normal.color(QPalette::HighlightedText));
    webPage_->setPalette(lit);
    if (!webPageUrl_.empty()) services_.opener.Open(webPageUrl_);
    QTimer::singleShot(150, webPage_, [label = webPage_, normal] { label->setPalette(normal); });
}

void VersionWindow::done(int result) {
    if (downloading_) {
        services_.downloads.Cancel();
        downloading_ = false;
        progress_->hide();
        Finish(kUpdateAvailable);
    }
    if (checksOff_) {
        // Looks again when it next opens: a server may have been set meanwhile.
        SetStatus(kStatusInitializing);
    } else if (currVersion_->text() == Q(kUnknownVersion)) {
        services_.pages.Abandon();
        SetStatus(kStatusReady);
        upgrade_->setText(Q(kCaptionCheck));
        upgrade_->setEnabled(true);
    }
    QDialog::done(result);
}

}  // namespace blenvar

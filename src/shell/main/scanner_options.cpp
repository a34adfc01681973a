#include "shell/main/scanner_options.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/scan_layout.h"
#include "settings/settings_layout.h"

namespace blenvar {
namespace {

// Plugging a scanner in or out shows within this time while the tab is visible.
constexpr int kPresenceCheckMs = 2000;

}  // namespace

ScannerOptions::ScannerOptions(INIFile& ini, CaptureDriver& driver, CaptureBackend& backend,
                               QWidget* parent)
    : QWidget(parent), ini_(ini), driver_(driver), backend_(backend) {
    scanner_ = new QLabel;
    scanner_->setObjectName(
        QString::fromUtf8(kKeyScannerDevice.data(), qsizetype(kKeyScannerDevice.size())));
    scanner_->setWordWrap(true);  // device names can be long
    mode_ = new QComboBox;
    mode_->setObjectName(
        QString::fromUtf8(kKeyCaptureDevices.data(), qsizetype(kKeyCaptureDevices.size())));
    mode_->addItem(tr("The scanner only"));
    mode_->addItem(tr("All keyboards"));
    mode_->setToolTip(
        tr("The scanner only: Blenvar takes every key the scanner sends and never touches "
           "your own keyboard. All keyboards: a scan is recognised by the trained start key, "
           "whichever keyboard sends it."));
    auto* label = new QLabel(tr("&Capture keys from:"));
    label->setBuddy(mode_);
    mode_->setAccessibleName(tr("Capture keys from"));
    const QString noScanner =
        tr("No scanner is recorded yet, so scans are recognised by the "
           "start key on every keyboard until Train records one.");
    noScanner_ = new QLabel(noScanner);
    noScanner_->setObjectName("NoScannerNote");
    noScanner_->setAccessibleName(noScanner);
    noScanner_->setWordWrap(true);
    noScanner_->hide();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    row->addWidget(scanner_, 1);
    row->addWidget(label);
    row->addWidget(mode_);
    column->addLayout(row);
    column->addWidget(noScanner_);
    connect(mode_, &QComboBox::currentIndexChanged, this, &ScannerOptions::Chosen);
    presence_.setObjectName("ScannerPresence");
    connect(&presence_, &QTimer::timeout, this, &ScannerOptions::Refresh);
}

void ScannerOptions::Apply() {
    const CaptureSetup setup = LoadCaptureSetup(ini_);
    {
        const QSignalBlocker quiet(mode_);
        mode_->setCurrentIndex(setup.devices == CaptureDevices::Scanner ? 0 : 1);
    }
    Use(setup.devices, setup);
}

void ScannerOptions::Chosen(int index) {
    const CaptureDevices devices = index == 0 ? CaptureDevices::Scanner : CaptureDevices::All;
    if (!SaveCaptureDevices(ini_, devices)) {
        emit statusMessage(tr("The capture choice could not be saved, so it lasts only until "
                              "Blenvar ends: %1")
                               .arg(QString::fromStdString(ini_.LastWriteError())));
    }
    Use(devices, LoadCaptureSetup(ini_));
}

void ScannerOptions::Use(CaptureDevices devices, const CaptureSetup& setup) {
    const std::optional<ScannerId> scanner = ParseScanner(setup.scannerDevice);
    name_ = scanner ? QString::fromStdString(scanner->name) : QString();
    trained_ = LoadTrainedKeys(ini_).Trained();
    noScanner_->setVisible(devices == CaptureDevices::Scanner && !scanner);
    // Scanner mode without a recorded scanner captures like All until training records one.
    scannerMode_ = devices == CaptureDevices::Scanner && scanner;
    const std::string problem = driver_.UseScanner(scannerMode_ ? scanner : std::nullopt,
                                                   static_cast<std::uint64_t>(setup.scanGapMs));
    if (!problem.empty()) emit statusMessage(QString::fromStdString(problem));
    if (setup.scannerLayout != scannerLayout_ || setup.scannerCodePage != scannerCodePage_) {
        scannerLayout_ = setup.scannerLayout;
        scannerCodePage_ = setup.scannerCodePage;
        std::string layoutProblem;
        driver_.UseTranslator(ScannerLayoutFor(setup, layoutProblem));
        if (!layoutProblem.empty()) emit statusMessage(QString::fromStdString(layoutProblem));
    }
    Refresh();
}

void ScannerOptions::Refresh() {
    if (name_.isEmpty()) {
        scanner_->setText(trained_ ? tr("Scanner: training could not tell it from the keyboard")
                                   : tr("Scanner: none recorded yet; Train records it"));
        return;
    }
    // Only Scanner mode looks for the device; in All mode any keyboard will do.
    const bool missing = scannerMode_ && !backend_.ScannerPresent();
    scanner_->setText(missing ? tr("Scanner: %1 (missing: plug it in)").arg(name_)
                              : tr("Scanner: %1").arg(name_));
}

void ScannerOptions::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    presence_.start(kPresenceCheckMs);
}

void ScannerOptions::hideEvent(QHideEvent* event) {
    presence_.stop();
    QWidget::hideEvent(event);
}

}  // namespace blenvar

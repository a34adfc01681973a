// The window on the offscreen platform (which has no tray): title, tabs, the untrained
// start, Hide without a tray, a scan from capture through to Reprocess, the scan sources.
#include "shell/main/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "decode/temp_ini.h"
#include "shell/fake_capture_backend.h"
#include "shell/help/help_page.h"
#include "shell/main/relay_capture.h"
#include "support/files.h"

// Fontconfig keeps its caches until exit; a sanitizer build must not call that ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace blenvar {
namespace {

using testing::ReadFile;

// Start-up is over once the editor may save again.
bool Loaded(const MainWindow& w) {
    const auto* editor = w.findChild<TypeEditor*>("TypeEditor");
    return editor && !editor->Loading();
}

// What a window needs around it: a settings file whose folder is also the user's
// configuration folder, the tray, and the desktop services over both.
struct Desk {
    explicit Desk(const std::string& stored)
        : file(stored), home(::setenv("XDG_CONFIG_HOME", file.folder().c_str(), 1)) {}
    testing::TempIni file;
    int home;
    ShellTray tray;
    DesktopServices desktop{{file.path(), false, {}}, tray, tray};
};

TEST(MainWindow, StartsUntrainedOnSetupAndDecodesAScanIntoTheLastScanBoxes) {
    const std::string stored = "[Setup]\nEncoding=aim\n[CODE 128]\nSendToClipboard=0\n";
    Desk desk(stored);
    auto& [file, home, tray, desktop] = desk;
    NullHookLibrary hook;
    auto driver = std::make_unique<CaptureController>(hook, tray);
    CaptureDriver* capture = driver.get();
    MainWindow w(desktop, hook, tray, std::move(driver));
    w.Load({1, 5, 12});
    w.show();
    auto* tabs = w.findChild<QTabWidget*>("TabBox");
    auto* lastScan = w.findChild<LastScanTab*>();
    ASSERT_TRUE(tabs && lastScan);

    ASSERT_TRUE(QTest::qWaitFor([&] { return Loaded(w) && hook.Installed(); }, 3000));
    EXPECT_EQ(tabs->currentIndex(), kSetupTab);
    EXPECT_TRUE(w.findChild<QMessageBox*>("TrainingPrompt"));
    EXPECT_TRUE(w.statusBar()->currentMessage().contains("no tray icons"));
    // Start-up shows the stored encoding and type; it writes none of them back.
    EXPECT_EQ(ReadFile(file.path()), stored);
    // Leaving the Control tab (here by a help page's tab:// link) saves the type shown.
    auto* help = w.findChild<HelpPage*>("HelpWeb");
    emit help->tabRequested("control");
    EXPECT_EQ(tabs->currentIndex(), kControlTab);
    emit help->tabRequested("last scan");
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_NE(ReadFile(file.path()).find("[UNKNOWN]"), std::string::npos);

    // No tray: Hide must leave a way back, so the window minimises and stays mapped.
    w.findChild<QPushButton*>("HideButton")->click();
    EXPECT_TRUE(w.isVisible());

    auto* reprocess = w.findChild<QPushButton*>("ReprocessButton");
    EXPECT_FALSE(reprocess->isEnabled());
    emit capture->scanCaptured("]C0ABC");
    ASSERT_TRUE(QTest::qWaitFor([&] { return reprocess->isEnabled(); }, 3000));
    ScanRecord rec = lastScan->Record();
    EXPECT_EQ(rec.Raw, "]C0ABC");
    EXPECT_EQ(rec.TypeName, "CODE 128");
    EXPECT_EQ(rec.Code, "ABC");
    EXPECT_FALSE(rec.Time.empty());

    // Reprocess delivers what the boxes hold now, by the settings as they are now.
    const std::string out = file.folder() + "/out.txt";
    std::ofstream(file.path(), std::ios::app)
        << "[CODE 39]\nSendToClipboard=0\nSaveToFile=1\nFileName=" << out << "\n";
    rec.Code = "XYZ";
    rec.TypeName = "CODE 39";
    lastScan->Show(rec);
    reprocess->click();
    EXPECT_EQ(lastScan->Record().Code, "XYZ");
    EXPECT_NE(ReadFile(out).find("\"XYZ\""), std::string::npos);
    rec.Code.clear();
    lastScan->Show(rec);
    EXPECT_FALSE(reprocess->isEnabled());

    // Scans that close faster than the decode timer runs are each delivered, in order.
    std::filesystem::remove(out);
    emit capture->scanCaptured("]A0ONE");
    emit capture->scanCaptured("]A0TWO");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ReadFile(out).find("TWO") != std::string::npos; }, 3000));
    const std::string lines = ReadFile(out);
    EXPECT_LT(lines.find("\"ONE\""), lines.find("\"TWO\"")) << lines;

    w.EndProgram();
    EXPECT_FALSE(hook.Installed());
    EXPECT_FALSE(tray.Visible());
    // The next start opens at the size this one ended with.
    EXPECT_NE(ReadFile(file.path()).find("WindowWidth=" + std::to_string(w.width())),
              std::string::npos);
}

// Train and Stop from the Setup tab: the count while training, the eight keys in one
// write, and what the user sees when it goes wrong.
TEST(MainWindow, TrainButtonSavesTheSampleOrSaysWhatWentWrong) {
    Desk desk("[Setup]\nEncoding=Other\n");
    auto& [file, home, tray, desktop] = desk;
    testing::FakeCaptureBackend backend;
    MainWindow w(desktop, backend, tray, nullptr);
    w.Load({1, 0, 0});
    // Hooked: a key that opens nothing comes back passed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend.Type(2, 0, 0, 0) == kPassKey; }, 3000));
    auto* train = w.findChild<QPushButton*>("TrainButton");
    auto* count = w.findChild<QLabel*>("CharCount");
    ASSERT_TRUE(train && count && train->isEnabled());

    train->click();
    EXPECT_EQ(train->text(), "Stop");
    backend.Type(1, 1, 65, 30);  // "A", then "]E0": an identifier, but Other was chosen
    for (const auto& [state, vcode] : {std::pair{1, 65}, {0, 221}, {1, 69}, {0, 48}})
        backend.Type(4, state, vcode, 0);
    EXPECT_EQ(count->text(), "4 characters");
    backend.Type(1, 0, 13, 28);
    train->click();
    EXPECT_EQ(train->text(), "Train");
    EXPECT_EQ(count->text(), "");
    EXPECT_EQ(ReadFile(file.path()),
              "[Setup]\nEncoding=Other\nStart_Action=1\r\nStart_State=1\r\nStart_VCode=65\r\n"
              "Start_SCode=30\r\nStop_Action=1\r\nStop_State=0\r\nStop_VCode=13\r\n"
              "Stop_SCode=28\r\n");
    auto* result = w.findChild<QLabel*>("TrainingResult");
    EXPECT_EQ(w.findChild<QLabel*>("TrainedKeys")->text(), "Start: \"A\". Stop: Enter.");
    EXPECT_TRUE(result->text().contains("could not be told apart")) << result->text().toStdString();

    // Nothing recorded: what to try, and the file as it was.
    const std::string saved = ReadFile(file.path());
    train->click();
    train->click();
    EXPECT_EQ(result->text(),
              "Couldn't get a good scan. Scan one barcode, then wait; don't press other keys.");
    EXPECT_EQ(ReadFile(file.path()), saved);

    // A file that cannot be replaced: the keys still work, and the status line says why.
    std::filesystem::remove(file.path());
    std::filesystem::create_directory(file.path());
    train->click();
    backend.Type(1, 0, 66, 48);
    train->click();
    EXPECT_TRUE(w.statusBar()->currentMessage().contains("could not be saved"));
    EXPECT_EQ(backend.Type(1, 0, 66, 48), kConsumeKey);

    // A lost desktop connection ends the program as Exit does, once its handler returned,
    // saying what the backend lost.
    ::testing::internal::CaptureStderr();
    backend.lost();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "blenvar: the fake backend was lost\n");
    EXPECT_EQ(backend.log.back(), "hold");
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend.log.back() == "remove"; }, 1000));
    EXPECT_EQ(backend.log.end()[-2], "release");
}

TEST(MainWindow, TrainingThroughTheRelaySavesTheScannerWithItsKeys) {
    Desk desk("[Setup]\n");
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    auto& [file, home, tray, desktop] = desk;
    testing::FakeCaptureBackend backend;
    backend.namesDevices = true;
    auto driver = std::make_unique<RelayCapture>(backend, tray);
    CaptureDriver* capture = driver.get();
    MainWindow w(desktop, backend, tray, std::move(driver));
    ::unsetenv("WAYLAND_DISPLAY");
    w.ShowBackend("evdev", false);
    EXPECT_TRUE(w.findChild<QLabel*>("WaylandNote")->isHidden());
    EXPECT_EQ(w.findChild<QLabel*>("BackendNote")->text(), "Keys are captured through: evdev");
    w.Load({1, 0, 0});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Loaded(w); }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend.log.empty(); }, 3000));  // hooked
    auto* train = w.findChild<QPushButton*>("TrainButton");
    ASSERT_TRUE(train);

    train->click();
    std::thread relay([&] {
        backend.Type(1, 1, 65, 30);
        for (const auto& [state, vcode] : {std::pair{0, 221}, {1, 69}, {0, 48}})
            backend.Type(4, state, vcode, 0);  // "]E0": no encoding was chosen, so AIM
        backend.Type(1, 0, 13, 28);
    });
    relay.join();
    train->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return train->text() == "Train"; }, 1000));
    EXPECT_EQ(ReadFile(file.path()),
              "[Setup]\nStart_Action=1\r\nStart_State=1\r\nStart_VCode=65\r\n"
              "Start_SCode=30\r\nStop_Action=1\r\nStop_State=0\r\nStop_VCode=13\r\n"
              "Stop_SCode=28\r\nScannerDevice=fake|0c2e:0b61\r\nEncoding=AIM\r\n");
    EXPECT_TRUE(w.findChild<QRadioButton*>("EncodingAIM")->isChecked());

    // The recorded device is the scanner from now on; "Setup" shows it, and whether it is
    // plugged in; "All keyboards" gives scanner mode up and is stored.
    EXPECT_EQ(backend.log.end()[-2], "scanner fake|0c2e:0b61");
    EXPECT_EQ(backend.log.back(), "watch 0,0,0,0");  // the start key opens nothing now
    auto* scanner = w.findChild<QLabel*>("ScannerDevice");
    auto* mode = w.findChild<QComboBox*>("CaptureDevices");
    ASSERT_TRUE(scanner && mode);
    EXPECT_EQ(scanner->text(), "Scanner: fake (missing: plug it in)");
    backend.present = true;
    emit capture->notice("plugged");
    ASSERT_TRUE(QTest::qWaitFor([&] { return scanner->text() == "Scanner: fake"; }, 1000));
    EXPECT_EQ(mode->currentText(), "The scanner only");
    mode->setCurrentIndex(1);
    EXPECT_EQ(backend.log.end()[-2], "all");
    EXPECT_EQ(backend.log.back(), "watch 1,1,65,30");  // the start key opens scans again
    EXPECT_NE(ReadFile(file.path()).find("CaptureDevices=All"), std::string::npos);

    // A backend that cannot take the scanner alone says why and captures as in All mode.
    backend.refuseScanner = "cannot tell keyboards apart";
    mode->setCurrentIndex(0);
    EXPECT_EQ(backend.log.back(), "scanner fake|0c2e:0b61");
    EXPECT_TRUE(w.statusBar()->currentMessage().contains("cannot tell keyboards apart"));
    std::thread relay2([&] { EXPECT_EQ(backend.Type(1, 1, 65, 30, "keyboard"), kConsumeKey); });
    relay2.join();
}

struct FakeLister : ScanSourceLister {
    std::vector<ScanSource> found;
    std::function<void()> changed;
    std::vector<ScanSource> List(const std::optional<SerialPortWanted>&) override { return found; }
    void Watch(std::function<void()> f) override { changed = std::move(f); }
};

// A HID POS scanner left alone is offered; taking the offer saves PosScanners=Auto and
// asks for the reader. A device plugged in later shows without the tab shown again.
TEST(MainWindow, SetupListsTheScanSourcesAndOffersAnUnusedPosScanner) {
    Desk desk("[Setup]\n");
    auto lister = std::make_unique<FakeLister>();
    FakeLister& fake = *lister;
    fake.found = {{ScanSourceKind::Keyboard, "AT keyboard", "/dev/input/event0", 1, 1, {}},
                  {ScanSourceKind::HidPos, "POS Scanner", "/dev/hidraw3", 0x0c2e, 0x0b61, {}}};
    desk.desktop.sources = std::move(lister);
    NullHookLibrary hook;
    MainWindow w(desk.desktop, hook, desk.tray, nullptr);
    QSignalSpy chosen(&w, &MainWindow::posScannersChosen);
    auto* list = w.findChild<QTreeWidget*>("ScanSources");
    auto* offer = w.findChild<QWidget*>("PosScannerOffer");
    ASSERT_TRUE(list && offer);
    const auto lastRow = [&](int count) {
        QTreeWidgetItem* item = list->topLevelItem(list->topLevelItemCount() - 1);
        return list->topLevelItemCount() != count
                   ? QString()
                   : QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(
                         '|');
    };
    EXPECT_EQ(lastRow(2), "HID POS|POS Scanner|0c2e:0b61|not used: PosScanners is Off");
    EXPECT_FALSE(offer->isHidden());
    EXPECT_EQ(offer->accessibleName(), "A HID POS scanner is plugged in: POS Scanner. Use it?");

    w.findChild<QPushButton*>("UsePosScanner")->click();
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_NE(ReadFile(desk.file.path()).find("PosScanners=Auto"), std::string::npos);
    EXPECT_TRUE(offer->isHidden());
    EXPECT_EQ(lastRow(2), "HID POS|POS Scanner|0c2e:0b61|in use");

    fake.found.push_back({ScanSourceKind::Serial, "/dev/ttyACM0", "/dev/ttyACM0", std::nullopt,
                          std::nullopt, ScanSourceAccess::Denied});
    std::thread([&] { fake.changed(); }).join();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return lastRow(3) == "serial|/dev/ttyACM0||no permission: needs the dialout group"; },
        3000));
}

// The program builds the backend first, so it outlives the window: nothing it calls from
// its own thread afterwards may reach the window or its capture.
TEST(MainWindow, ABackendOutlivingTheWindowCallsNothingOfIt) {
    Desk desk("[Setup]\n");
    auto& [file, home, tray, desktop] = desk;
    testing::FakeCaptureBackend backend;
    {
        MainWindow w(desktop, backend, tray, nullptr);
        w.Load({1, 0, 0});
        ASSERT_TRUE(QTest::qWaitFor([&] { return backend.Type(2, 0, 0, 0) == kPassKey; }, 3000));
        ASSERT_TRUE(backend.lost);
    }
    EXPECT_FALSE(backend.lost);
    EXPECT_EQ(backend.Type(1, 0, 65, 30), -1);
}

// Refuses what is addressed to "bad" until the user retries it; every other message waits
// out pauses.
struct RefusingTransport : ServerTransport {
    std::atomic<int> badSends{0};
    ServerAnswer Send(const ServerRequest& r) override {
        if (r.address.find("bad") == std::string::npos) return {ServerAnswer::Kind::Retry, "busy"};
        return ++badSends == 1 ? ServerAnswer{ServerAnswer::Kind::Refused, "HTTP 400: no"}
                               : ServerAnswer{ServerAnswer::Kind::Accepted, "HTTP 200"};
    }
};

// The Waiting list shows the outbox as the sender leaves it; Retry now and Drop act on
// the selected scan.
TEST(MainWindow, WaitingListShowsTheOutboxAndActsOnTheSelectedScan) {
    Desk desk("[Setup]\n");
    RefusingTransport transport;
    // A clock that stands still: a pause never ends, so only Retry now sends again.
    desk.desktop.server = std::make_unique<ServerOutbox>(
        ServerOutboxSetup{desk.file.folder() + "/o.sqlite", desk.file.folder() + "/o.lock",
                          [] { return std::int64_t{1700000000000}; }},
        &transport);
    NullHookLibrary hook;
    MainWindow w(desk.desktop, hook, desk.tray, nullptr);
    w.resize(760, 560);
    w.show();
    w.findChild<QTabWidget*>("TabBox")->setCurrentWidget(w.findChild<LastScanTab*>());
    auto* list = w.findChild<QTreeWidget*>("WaitingList");
    std::string error;
    ServerOutbox& server = *desk.desktop.server;
    ASSERT_TRUE(
        server.Add({"http://h.example:81/ok", "", "1"}, error, {"EAN 13", "4006381333931"}));
    ASSERT_TRUE(server.Add({"https://u@shelf.example/bad", "", "2"}, error, {"CODE 39", "AB-12"}));
    const auto rows = [&] {
        QStringList all;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 1; c < list->columnCount(); ++c) cells << list->topLevelItem(i)->text(c);
            all << cells.join("|");
        }
        return all.join("\n").toStdString();
    };
    const std::string both =
        "EAN 13|4006381333931|h.example:81|1|busy\n"
        "CODE 39|AB-12|shelf.example|1|Failed: HTTP 400: no";
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows() == both; }, 5000)) << rows();
    EXPECT_TRUE(w.statusBar()->currentMessage().startsWith("2 scans waiting to be sent to"));
    auto* retry = w.findChild<QPushButton*>("RetryButton");
    auto* drop = w.findChild<QPushButton*>("DropButton");
    EXPECT_FALSE(retry->isEnabled());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_TRUE(retry->isEnabled());
    std::filesystem::create_directories(ARTIFACTS);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w.centralWidget()->geometry().bottom() < w.statusBar()->y(); }, 3000));
    w.grab().save(ARTIFACTS "/waiting-list.png");
    retry->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 1; }, 5000)) << rows();
    EXPECT_EQ(transport.badSends, 2);
    list->setCurrentItem(list->topLevelItem(0));
    drop->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.Waiting() == 0 && !list->isVisible(); }, 5000));
    EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
}

// The login box shows what is on disk even when a change cannot be made, and the status
// line says why (the desktop test turns it on and off).
TEST(MainWindow, AutostartBoxFollowsTheUsersEntry) {
    Desk desk("[Setup]\n");
    const std::string entry = desk.file.folder() + "/autostart/blenvar.desktop";
    std::filesystem::create_directories(entry + "/x");
    auto& [file, home, tray, desktop] = desk;
    NullHookLibrary hook;
    MainWindow w(desktop, hook, tray, nullptr);
    auto* box = w.findChild<QCheckBox*>("Autostart");
    ASSERT_TRUE(box && box->isChecked());

    box->setChecked(false);
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(w.statusBar()->currentMessage().startsWith(
        "Starting at login could not be turned off: cannot remove " +
        QString::fromStdString(entry)))
        << w.statusBar()->currentMessage().toStdString();
    std::filesystem::remove_all(file.folder() + "/autostart");
    testing::WriteFile(file.folder() + "/autostart", "a file, not a folder");
    box->setChecked(false);
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(
        w.statusBar()->currentMessage().startsWith("Starting at login could not be turned on"))
        << w.statusBar()->currentMessage().toStdString();
}

}  // namespace
}  // namespace blenvar

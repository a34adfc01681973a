// The window on the offscreen platform (which has no tray): title, tabs, the untrained
// start, Hide without a tray, and a scan from capture through to Reprocess.
#include "shell/main/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "decode/temp_ini.h"
#include "shell/help/help_page.h"

// Fontconfig keeps its caches until exit; a sanitizer build must not call that ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace blenvar {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

QApplication& App() {
    static int argc = 1;
    static char name[] = "shell_window_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

TEST(MainWindow, StartsUntrainedOnSetupAndDecodesAScanIntoTheLastScanBoxes) {
    App();
    const std::string stored = "[Setup]\nEncoding=aim\n[CODE 128]\nSendToClipboard=0\n";
    testing::TempIni file(stored);
    ::setenv("XDG_CONFIG_HOME", file.folder().c_str(), 1);
    ShellTray tray;
    DesktopServices desktop({file.path(), false, {}}, tray, tray);
    NullHookLibrary hook;
    MainWindow w(desktop, hook, tray);
    w.Load({1, 5, 12});
    w.show();
    EXPECT_EQ(w.windowTitle(), "Blenvar - v1.5.12");
    EXPECT_EQ(w.TabNames(), ",MAIN,CONTROL,LAST SCAN,SETUP,HELP,");
    EXPECT_EQ(w.Tabs()->currentIndex(), kMainTab);
    EXPECT_FALSE(hook.Installed());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Loading() && hook.Installed(); }, 3000));
    EXPECT_EQ(w.Tabs()->currentIndex(), kSetupTab);
    EXPECT_TRUE(w.findChild<QMessageBox*>("TrainingPrompt"));
    EXPECT_TRUE(w.statusBar()->currentMessage().contains("no tray icons"));
    // Start-up shows the stored encoding and type; it writes none of them back.
    EXPECT_EQ(ReadAll(file.path()), stored);
    // Leaving the Control tab (here by a help page's tab:// link) saves the type shown.
    w.Tabs()->setCurrentIndex(kControlTab);
    emit w.findChild<HelpPage*>("HelpWeb")->tabRequested("main");
    EXPECT_EQ(w.Tabs()->currentIndex(), kMainTab);
    EXPECT_NE(ReadAll(file.path()).find("[UNKNOWN]"), std::string::npos);

    // No tray: Hide must leave a way back, so the window minimises and stays mapped.
    w.findChild<QPushButton*>("HideButton")->click();
    EXPECT_TRUE(w.isVisible());

    QPushButton* reprocess = w.LastScan()->ReprocessButton();
    EXPECT_FALSE(reprocess->isEnabled());
    w.ScanCaptured("]C0ABC");
    ASSERT_TRUE(QTest::qWaitFor([&] { return reprocess->isEnabled(); }, 3000));
    ScanRecord rec = w.LastScan()->Record();
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
    w.LastScan()->Show(rec);
    reprocess->click();
    EXPECT_EQ(w.LastScan()->Record().Code, "XYZ");
    EXPECT_NE(ReadAll(out).find("\"XYZ\""), std::string::npos);
    rec.Code.clear();
    w.LastScan()->Show(rec);
    EXPECT_FALSE(reprocess->isEnabled());

    w.EndProgram();
    EXPECT_FALSE(hook.Installed());
    EXPECT_FALSE(tray.Visible());
}

}  // namespace
}  // namespace blenvar

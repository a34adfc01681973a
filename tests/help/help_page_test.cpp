// The help pages: which tab a tab:// link selects, and the browser offscreen, where every
// kind of link does its one thing and the page stays.
#include "shell/help/help_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>

#include "shell/help/tab_names.h"
#include "support/fake_opener.h"

namespace blenvar {
namespace {

// Whole captions only, as the page writes them.
TEST(TabNamesTest, TargetsSelectOnlyAWholeCaption) {
    const std::string names = MakeTabNames({"Main", "Control", "Last Scan", "Setup", "Help"});
    const struct {
        const char* target;
        int tab;
    } cases[] =
        {
            {"main", 0},          {"control", 1}, {"LAST SCAN", 2}, {"Last Scan", 2},
            {"setup", 3},         {"Setup/", 3},  {"SETUP//", 3},   {"help", 4},
            {"last%20scan", -1},  // no percent-decoding
            {"LAST", -1},         {"SCAN", -1},   {"AIN", -1},      {"mainx", -1},
            {"MAIN,CONTROL", -1}, {",MAIN", -1},  {"SETUP ", -1},   {" SETUP", -1},
            {"/SETUP", -1},       {"", -1},       {"/", -1},        {"//", -1},
        };
    for (const auto& c : cases) EXPECT_EQ(TabIndexFor(names, c.target), c.tab) << c.target;
}

// Mouse: press and release on the link's first character.
void Click(HelpPage& page, QTextCursor link) {
    link.setPosition(link.selectionStart() + 1);
    const QPoint at = page.cursorRect(link).center() - QPoint(2, 0);
    for (auto [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                 std::pair{QEvent::MouseButtonRelease, Qt::NoButton}}) {
        QMouseEvent e(type, at, page.viewport()->mapToGlobal(at), Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(page.viewport(), &e);
    }
}

// Keyboard: Tab selects the link, Enter follows it.
void PressEnter(HelpPage& page, QTextCursor link) {
    page.setTextCursor(link);
    QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&page, &e);
}

TEST(HelpPageTest, LinksSwitchTabsScrollOrOpenOutsideAndThePageStays) {
    QTemporaryDir dir;
    QFile f(dir.filePath("main.htm"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "<p><a href='tab://LAST SCAN'>last</a> <a href='tab://setup'>setup</a> "
        "<a href='TAB://Help/'>help</a> <a href='https://example.org/A?b=1'>web</a> "
        "<a href='#end'>down</a> <a href='other.htm'>other</a></p>");
    for (int i = 0; i < 200; ++i) f.write("<p>filler</p>");
    f.write("<p><a name='end'>End</a></p>");
    f.close();

    testing::FakeOpener opener;
    HelpPage page(f.fileName(), opener);
    page.resize(400, 200);
    page.show();
    const QUrl shown = page.source();
    std::vector<std::string> tabs;
    QObject::connect(&page, &HelpPage::tabRequested,
                     [&](const QString& t) { tabs.push_back(t.toStdString()); });

    using Calls = std::vector<std::string>;
    const struct {
        const char* text;
        Calls tab, opened;
        bool scrolls;
    } cases[] = {
        {"last", {"LAST SCAN"}, {}, false},
        {"setup", {"setup"}, {}, false},
        {"help", {"Help/"}, {}, false},
        {"web", {}, {"https://example.org/A?b=1"}, false},
        {"other", {}, {QDir(dir.path()).filePath("other.htm").toStdString()}, false},
        {"down", {}, {}, true},
    };
    for (const auto& c : cases) {
        for (auto follow : {&Click, &PressEnter}) {
            SCOPED_TRACE(c.text);
            page.verticalScrollBar()->setValue(0);
            tabs.clear();
            opener.opened.clear();
            follow(page, page.document()->find(c.text));
            EXPECT_EQ(tabs, c.tab);
            EXPECT_EQ(opener.opened, c.opened);
            EXPECT_EQ(page.verticalScrollBar()->value() > 0, c.scrolls);
            EXPECT_EQ(page.source(), shown);
        }
    }
    // A link nothing can open says so.
    opener.works = false;
    Click(page, page.document()->find("web"));
    auto* box = page.findChild<QMessageBox*>("CannotOpen");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith("https://example.org/A?b=1 could not be opened"));
}

// The shipped pages: every tab:// link names a tab and every "#x" an anchor of its page;
// a missing page names its file.
TEST(HelpPageTest, ShippedPagesLinkToRealTabsAndAnchors) {
    const std::string tabNames = MakeTabNames({"Main", "Control", "Last Scan", "Setup", "Help"});
    testing::FakeOpener opener;
    EXPECT_TRUE(HelpPage("/nonexistent/setup.htm", opener)
                    .toPlainText()
                    .contains("/nonexistent/setup.htm"));
    for (auto [file, name] :
         {std::pair{"main.htm", "Main"}, {"setup.htm", "Setup"}, {"help.htm", "Help"}}) {
        SCOPED_TRACE(file);
        HelpPage page(QDir(BLENVAR_PAGES_DIR).filePath(file), opener);
        ASSERT_FALSE(page.source().isEmpty());
        EXPECT_EQ(page.accessibleName(), name);
        QStringList hrefs, anchors;
        for (QTextBlock b = page.document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                hrefs += it.fragment().charFormat().anchorHref();
                anchors += it.fragment().charFormat().anchorNames();
            }
        for (const QString& href : hrefs) {
            if (href.startsWith("tab://", Qt::CaseInsensitive)) {
                EXPECT_GE(TabIndexFor(tabNames, href.mid(6).toStdString()), 0)
                    << href.toStdString();
            } else if (href.startsWith('#')) {
                EXPECT_TRUE(anchors.contains(href.mid(1))) << href.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace blenvar

#include "update/update_answer.h"

#include <gtest/gtest.h>

#include "update/install_plan.h"
#include "update/server_urls.h"
#include "update/update_texts.h"

namespace blenvar::update {
namespace {

const std::string kSha(64, 'a');

TEST(UpdateAnswer, Table) {
    const std::string sixLines = "l1\nl2\nl3\nl4";  // + "\n\n" + description = 6 lines
    const struct {
        const char* what;
        std::string page;
        int own[3];
        int result;
        const char* msi = "";
        const char* web = "";
        std::string comment = "Desc";
    } cases[] = {
        {"newer", "blenvar|1.5.13|setup.msi", {1, 5, 12}, 0, "https://u.example/MSI/setup.msi"},
        {"same", "blenvar|1.5.12|setup.msi", {1, 5, 12}, 1, "https://u.example/MSI/setup.msi"},
        {"minor above 9", "blenvar|1.10.0|p.deb", {1, 9, 999}, 0, "https://u.example/MSI/p.deb"},
        {"major", "blenvar|2.0.0|p.deb", {1, 999, 0}, 0, "https://u.example/MSI/p.deb"},
        {"fourth part ignored",
         "blenvar|1.5.12.9|p.deb",
         {1, 5, 12},
         1,
         "https://u.example/MSI/p.deb"},
        {"case of field 0", "Blenvar|1.5.13|setup.msi", {1, 5, 12}, 2},
        {"two fields", "blenvar|1.5.13", {1, 5, 12}, 2},
        {"two-part version", "blenvar|1.5|setup.msi", {1, 5, 12}, 2},
        {"letters in version", "blenvar|1.5.1a|setup.msi", {1, 5, 12}, 2},
        {"signed part", "blenvar|1.-5.13|setup.msi", {1, 5, 12}, 2},
        {"empty part", "blenvar|1..13|setup.msi", {1, 5, 12}, 2},
        {"huge part", "blenvar|1.5.9999999999|setup.msi", {1, 5, 12}, 2},
        {"path in name", "blenvar|1.5.13|../x.deb", {1, 5, 12}, 2},
        {"slash in name", "blenvar|1.5.13|a/x.deb", {1, 5, 12}, 2},
        {"backslash in name", "blenvar|1.5.13|a\\x.deb", {1, 5, 12}, 2},
        {"dots in name", "blenvar|1.5.13|x..deb", {1, 5, 12}, 2},
        {"empty name", "blenvar|1.5.13| |/p", {1, 5, 12}, 2},
        {"bad checksum field", "blenvar|1.5.13|x.deb|/p|c|abc", {1, 5, 12}, 2},
        {"empty answer", "", {1, 5, 12}, 2},
        {"name escaped",
         "blenvar|1.5.13|a b?.deb",
         {1, 5, 12},
         0,
         "https://u.example/MSI/a%20b%3F.deb"},
        {"web page and comment",
         "blenvar|1.5.13|x.deb|/news.html|Faster",
         {1, 5, 12},
         0,
         "https://u.example/MSI/x.deb",
         "u.example/news.html",
         "Desc\n\nFaster"},
        {"no comment when current",
         "blenvar|1.5.12|x.deb|/n|Faster",
         {1, 5, 12},
         1,
         "https://u.example/MSI/x.deb",
         "u.example/n"},
        {"tags, entities, blanks",
         "<html><head><title>a|b|c</title></head>\r\n<body><p> blenvar "
         "|\t1.5.13 |x.deb|/n|Fish &amp; chips &lt;3&#33; &#x263A;</p><!-- | --></body>\n",
         {1, 5, 12},
         0,
         "https://u.example/MSI/x.deb",
         "u.example/n",
         "Desc\n\nFish & chips <3! \xE2\x98\xBA"},
        {"lone < and unknown entity",
         "blenvar|1.5.13|x.deb|/n|a < b &copy;",
         {1, 5, 12},
         0,
         "https://u.example/MSI/x.deb",
         "u.example/n",
         "Desc\n\na < b &copy;"},
        {"script hidden",
         "<script>x|y</script>blenvar|1.5.13|x.deb",
         {1, 5, 12},
         0,
         "https://u.example/MSI/x.deb"},
    };
    for (const auto& c : cases) {
        const CheckContext context{"blenvar", VersionValue(c.own[0], c.own[1], c.own[2]),
                                   "https://u.example/", "", "Desc"};
        const auto out = EvaluateAnswer(c.page, context);
        EXPECT_EQ(out.result, c.result) << c.what;
        EXPECT_EQ(out.msiLocation, c.msi) << c.what;
        EXPECT_EQ(out.webPage, c.web) << c.what;
        EXPECT_EQ(out.comment, c.result == 2 ? "" : c.comment) << c.what;
    }
    const auto six =
        EvaluateAnswer("blenvar|1.5.13|x.deb||" + sixLines + "|" + kSha,
                       {"blenvar", VersionValue(1, 5, 12), "http://u", "ftp://f", "D"});
    EXPECT_EQ(six.msiLocation, "ftp://f/MSI/x.deb");
    EXPECT_EQ(six.sha256, kSha);
    EXPECT_TRUE(UsesBigComment(six.comment));
    EXPECT_FALSE(UsesBigComment("1\r\n2\r\n3\r4\n5"));
    EXPECT_EQ(CompareKnown("1.5.13", VersionValue(1, 5, 12)), 0);
}

TEST(UpdateAnswer, RequestAndStatus) {
    EXPECT_EQ(RequestUrl("https://u.example/", "blenvar"),
              "https://u.example/version.asp?exe=blenvar");
    EXPECT_EQ(RequestUrl("http://u", "a&b=c"), "http://u/version.asp?exe=a%26b%3Dc");
    for (const char* refused : {"", "   ", "u.example", "ftp://u", "file:///etc"})
        EXPECT_EQ(RequestUrl(refused, "blenvar"), std::nullopt) << refused;
    const struct {
        int result;
        bool online;
        ResultView view;
    } views[] = {
        {0, true, {"Update Available", "Update", true, 3}},
        {1, false, {"You Have The Current Version", "Check For Updates", false, 4}},
        {2, true, {"Couldn't Find Update Information", "Check For Updates", true, 1}},
        {2, false, {"You Are Not Online", "Check For Updates", true, 1}},
    };
    for (const auto& v : views) {
        const ResultView got = ViewOf(v.result, v.online);
        EXPECT_EQ(got.status, v.view.status) << v.result;
        EXPECT_EQ(got.upgradeCaption, v.view.upgradeCaption) << v.result;
        EXPECT_EQ(got.upgradeEnabled, v.view.upgradeEnabled) << v.result;
        EXPECT_EQ(got.icon, v.view.icon) << v.result;
    }
}

TEST(UpdateAnswer, InstallDecision) {
    const struct {
        std::string expected, actual;
        const char *answer, *package;
        InstallDecision decision;
    } cases[] = {
        {kSha, kSha, "https://u/v", "https://u/MSI/x", InstallDecision::Install},
        {"", "ff", "HTTPS://u/v", "https://u/MSI/x", InstallDecision::Install},
        {kSha, std::string(64, 'A'), "https://u/v", "https://u/MSI/x", InstallDecision::Install},
        {kSha, std::string(64, 'b'), "https://u/v", "https://u/MSI/x", InstallDecision::Refuse},
        {kSha, "", "http://u/v", "https://u/MSI/x", InstallDecision::Refuse},
        {kSha, kSha, "http://u/v", "https://u/MSI/x", InstallDecision::Ask},
        {kSha, kSha, "https://u/v", "ftp://u/MSI/x", InstallDecision::Ask},
        {"", "ff", "http://u/v", "http://u/MSI/x", InstallDecision::Ask},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideInstall(c.expected, c.actual, c.answer, c.package), c.decision)
            << c.expected << " " << c.actual << " " << c.answer << " " << c.package;
}

TEST(UpdateAnswer, InstallArguments) {
    using Args = std::vector<std::string>;
    const std::string pkg = "/tmp/a b/\"x\" $(rm).deb";
    const struct {
        const char* command;
        std::optional<Args> args;
    } cases[] = {
        {"pkexec apt-get install --reinstall -y %1",
         Args{"pkexec", "apt-get", "install", "--reinstall", "-y", pkg}},
        {"xdg-open", Args{"xdg-open", pkg}},
        {"\"/opt/my tool\" --file=%1 \"\"", Args{"/opt/my tool", "--file=" + pkg, ""}},
        {"inst %1%1", Args{"inst", pkg + pkg}},
        {"", std::nullopt},
        {"\"\" %1", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(InstallArguments(c.command, pkg), c.args) << c.command;
}

}  // namespace
}  // namespace blenvar::update

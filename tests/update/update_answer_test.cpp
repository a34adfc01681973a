#include "update/update_answer.h"

#include <gtest/gtest.h>

#include "update/install_plan.h"
#include "update/server_urls.h"
#include "update/update_texts.h"

namespace blenvar::update {
namespace {

const std::string kSha(64, 'a');

std::string Repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

TEST(UpdateAnswer, Table) {
    const std::int64_t own = VersionValue(1, 5, 12);
    // msi: the package's name below https://u.example/MSI/, "" when there is no result.
    const struct {
        const char* what;
        std::string page;
        int result;
        const char* msi = "";
        const char* web = "";
        std::string comment = "Desc";
        std::int64_t own = VersionValue(1, 5, 12);
    } cases[] = {
        {"newer", "blenvar|1.5.13|setup.msi", 0, "setup.msi"},
        {"same", "blenvar|1.5.12|setup.msi", 1, "setup.msi"},
        {"minor above 9", "blenvar|1.10.0|p.deb", 0, "p.deb", "", "Desc", VersionValue(1, 9, 999)},
        {"major", "blenvar|2.0.0|p.deb", 0, "p.deb", "", "Desc", VersionValue(1, 999, 0)},
        {"build number ignored", "blenvar|1.5.12.9|p.deb", 1, "p.deb"},
        {"five parts", "blenvar|1.5.13.1.1|p.deb", 2},
        {"trailing dot", "blenvar|1.5.13.|p.deb", 2},
        {"markup after the version", "blenvar|9.0.0.&lt;font size=7&gt;URGENT|p.deb", 2},
        {"case of field 0", "Blenvar|1.5.13|setup.msi", 2},
        {"two fields", "blenvar|1.5.13", 2},
        {"two-part version", "blenvar|1.5|setup.msi", 2},
        {"letters in version", "blenvar|1.5.1a|setup.msi", 2},
        {"empty part", "blenvar|1..13|setup.msi", 2},
        {"huge part", "blenvar|1.5.9999999999|setup.msi", 2},
        {"slash in name", "blenvar|1.5.13|a/x.deb", 2},
        {"backslash in name", "blenvar|1.5.13|a\\x.deb", 2},
        {"dots in name", "blenvar|1.5.13|x..deb", 2},
        {"empty name", "blenvar|1.5.13| |/p", 2},
        {"bad checksum field", "blenvar|1.5.13|x.deb|/p|c|abc", 2},
        {"empty answer", "", 2},
        {"name escaped", "blenvar|1.5.13|a b?.deb", 0, "a%20b%3F.deb"},
        {"web page and comment", "blenvar|1.5.13|x.deb|/news.html|Faster", 0, "x.deb",
         "https://u.example/news.html", "Desc\n\nFaster"},
        {"no comment when current", "blenvar|1.5.12|x.deb|/n|Faster", 1, "x.deb",
         "https://u.example/n"},
        {"page naming another host", "blenvar|1.5.12|x.deb|@evil.example/phish", 1, "x.deb",
         "https://u.example/@evil.example/phish"},
        {"page without a slash", "blenvar|1.5.12|x.deb|.evil.example:1\\x", 1, "x.deb",
         "https://u.example/.evil.example:1%5Cx"},
        {"page escaped", "blenvar|1.5.12|x.deb|/a b<%zz%41?q=1#f", 1, "x.deb",
         "https://u.example/a%20b%3C%25zz%41?q=1#f"},
        {"page too long", "blenvar|1.5.12|x.deb|/" + std::string(2048, 'a'), 1, "x.deb"},
        // Cut at 4 KB, back to the start of the two-byte character the limit splits.
        {"long comment cut", "blenvar|1.5.13|x.deb||a" + Repeat("\xC3\xA9", 2500), 0, "x.deb",
         "https://u.example/", "Desc\n\na" + Repeat("\xC3\xA9", 2047) + "\xE2\x80\xA6"},
        {"tags, entities, blanks",
         "<html><head><title>a|b|c</title></head>\r\n<body><p> blenvar "
         "|\t1.5.13 |x.deb|/n|Fish &amp; chips &lt;3&#33; &#x263A;</p><!-- | --></body>\n",
         0, "x.deb", "https://u.example/n", "Desc\n\nFish & chips <3! \xE2\x98\xBA"},
        {"lone < and unknown entity", "blenvar|1.5.13|x.deb|/n|a < b &copy;", 0, "x.deb",
         "https://u.example/n", "Desc\n\na < b &copy;"},
        {"script hidden", "<script>x|y</script>blenvar|1.5.13|x.deb", 0, "x.deb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto out =
            EvaluateAnswer(c.page, {"blenvar", c.own, "https://u.example/", "", "Desc"});
        EXPECT_EQ(out.result, c.result);
        EXPECT_EQ(out.msiLocation, *c.msi ? "https://u.example/MSI/" + std::string(c.msi) : "");
        EXPECT_EQ(out.webPage, c.web);
        EXPECT_EQ(out.comment, c.result == 2 ? "" : c.comment);
    }
    // Six comment lines with the description; a package server of its own; a checksum.
    const auto six = EvaluateAnswer("blenvar|1.5.13|x.deb||l1\nl2\nl3\nl4|" + kSha,
                                    {"blenvar", own, "http://u", "ftp://f", "D"});
    EXPECT_EQ(six.msiLocation, "ftp://f/MSI/x.deb");
    EXPECT_EQ(six.sha256, kSha);
    EXPECT_TRUE(UsesBigComment(six.comment));
    EXPECT_FALSE(UsesBigComment("1\r\n2\r\n3\r4\n5"));
    EXPECT_EQ(CompareKnown("1.5.13", own), 0);
}

// The other results' views are the version window test's rows.
TEST(UpdateAnswer, RequestAndStatus) {
    EXPECT_EQ(RequestUrl("https://u.example/", "blenvar"),
              "https://u.example/version.asp?exe=blenvar");
    EXPECT_EQ(RequestUrl("http://u", "a&b=c"), "http://u/version.asp?exe=a%26b%3Dc");
    for (const char* refused : {"", "   ", "u.example", "ftp://u", "file:///etc"})
        EXPECT_EQ(RequestUrl(refused, "blenvar"), std::nullopt) << refused;
    // The page's host is the update server's; user information would hide it.
    const struct {
        const char* server;
        std::optional<std::string> url;
    } pages[] = {
        {"http://u.example:8080/sub/", "http://u.example:8080/sub/n"},
        {" HTTPS://[::1]:1", "https://[::1]:1/n"},
        {"http://me@u.example/", std::nullopt},
        {"http://u.example:80@evil.example/", std::nullopt},
        {"http://u.example/a?b", std::nullopt},
        {"http://u.example:/", std::nullopt},
        {"http://", std::nullopt},
        {"ftp://u.example", std::nullopt},
    };
    for (const auto& c : pages) EXPECT_EQ(WebPageUrl(c.server, "/n"), c.url) << c.server;
    EXPECT_EQ(ViewOf(2, false).status, std::string("You Are Not Online"));
    EXPECT_EQ(ViewOf(2, true).status, std::string("Couldn't Find Update Information"));
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

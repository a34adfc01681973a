#include "components/ini/ini_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "decode/temp_ini.h"
#include "support/files.h"

namespace blenvar {
namespace {

using namespace std::string_literals;

// An INIFile on blenvar.ini in a private temporary folder.
class IniFileTest : public ::testing::Test {
  protected:
    IniFileTest() { ini.SetFileName(path_); }

    void Put(const std::string& content) { testing::WriteFile(path_, content); }
    std::string Take() const { return testing::ReadFile(path_); }
    // Hidden names in the folder besides lock files: temporaries left behind.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            if (auto n = e.path().filename().string(); n.starts_with(".") && !n.ends_with(".lock"))
                names.push_back(n);
        std::ranges::sort(names);
        return names;
    }

    testing::TempIni file_;
    const std::filesystem::path dir_ = file_.folder();
    const std::string path_ = file_.path();
    INIFile ini;
};

TEST_F(IniFileTest, ReadsTheWayWindowsProfilesDo) {
    struct Case {
        const char* what;
        std::string content, section, key;
        std::optional<std::string> expected;  // nullopt: the default answers
    };
    const std::vector<Case> cases = {
        {"case ignored", "[setup]\r\nencoding=AIM\r\n", "SETUP", "Encoding", "AIM"},
        {"blanks and tabs", "  [Setup]\t\n  Encoding = \tAIM \t\n", "Setup", " encoding", "AIM"},
        {"first section answers", "[A]\nk=1\n[a]\nk=2\nj=3\n", "A", "k", "1"},
        {"second section hidden", "[A]\nk=1\n[a]\nk=2\nj=3\n", "A", "j", std::nullopt},
        {"first key answers", "[A]\nk=1\nK=2\n", "A", "k", "1"},
        {"comments are no entries", "[A]\n;k=1\n  ; k=2\nk=3", "A", "k", "3"},
        {"quotes kept", "[A]\nm=\"%%C\"\n", "A", "m", "\"%%C\""},
        {"value with =", "[A]\nk=a=b\r\n", "A", "k", "a=b"},
        {"empty value is a value", "[A]\nk=\n", "A", "k", ""},
        {"no final line end", "[A]\r\nk=v", "A", "k", "v"},
        {"unclosed header ends section", "[A]\n[B\nk=1\n", "A", "k", std::nullopt},
        {"lines before any header", "k=1\n[A]\n", "", "k", std::nullopt},
        {"empty section name", "[]\nk=1\n", "", "k", "1"},
        {"key must match whole", "[A]\nMySize=1\n", "A", "Size", std::nullopt},
        {"8-bit bytes kept", "[A]\nk=\xE9t\xE9\n", "A", "k", "\xE9t\xE9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(c.content);
        ini.SetSection(c.section);
        EXPECT_EQ(ini.GetValue(c.key, "dflt"), c.expected.value_or("dflt"));
    }
    EXPECT_EQ(ini.GetValue("none", 7), "7");
    EXPECT_EQ(ini.GetValue("none"), "");
}

TEST_F(IniFileTest, WritesOnlyTheLinesConcerned) {
    struct Case {
        const char* what;
        std::string before;
        std::string section, key, value, after;
    };
    const std::vector<Case> cases = {
        {"key replaced in place", "; top\n[A]\nx = 1\nk = old\n\n[B]\nk=b\n", "a", "K", "new",
         "; top\n[A]\nx = 1\nK=new\r\n\n[B]\nk=b\n"},
        {"new key after last entry", "[A]\nx=1\n; about B\n\n[B]\n", "A", "k", "v",
         "[A]\nx=1\nk=v\r\n; about B\n\n[B]\n"},
        {"header without line end", "[A]", "A", "k", "v", "[A]\r\nk=v\r\n"},
        {"new section at the end", "[A]\nx=1", "B", "k", "v", "[A]\nx=1\r\n[B]\r\nk=v\r\n"},
        {"first duplicate takes it", "[A]\nk=1\n[A]\nk=2\n", "A", "k", "v",
         "[A]\nk=v\r\n[A]\nk=2\n"},
        {"last line replaced", "[A]\nk=1", "A", "k", "2", "[A]\nk=2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(c.before);
        ini.SetSection(c.section);
        ASSERT_TRUE(ini.SaveValue(c.key, c.value));
        EXPECT_EQ(Take(), c.after);
        EXPECT_EQ(ini.GetValue(c.key), c.value);
        EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    }
}

TEST_F(IniFileTest, RefusesTextsThatWouldBreakTheFile) {
    const std::string before = "[A]\nk=1\n";
    struct Case {
        std::string section, key, value;
    };
    const std::vector<Case> cases = {
        {"A", "", "v"},      {"A", "  ", "v"},    {"A", "a=b", "v"},
        {"A", ";k", "v"},    {"A", "[k", "v]"},   {"A", "k", "x\r\n[A]\r\nk=2"},
        {"A", "k", "a\0b"s}, {"A\n[B", "k", "v"}, {"A", "k\nj", "v"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section + "/" + c.key);
        Put(before);
        ini.SetSection(c.section);
        EXPECT_FALSE(ini.SaveValue(c.key, c.value));
        EXPECT_EQ(Take(), before);
    }
    ini.SetSection("A");
    EXPECT_FALSE(ini.SaveAllValues("x=1\0[B]\0"s));
    EXPECT_EQ(Take(), before);
}

TEST_F(IniFileTest, SectionStringRoundTrip) {
    Put("[A]\n a = 1 \n; note\nnoeq\nb=2\n[B]\ny=0\n");
    ini.SetSection("a");
    EXPECT_EQ(ini.GetAllValues(), "a=1\0b=2\0"s);

    ASSERT_TRUE(ini.SaveAllValues("x=9\0y=a=b\0\0"s));
    EXPECT_EQ(Take(), "[A]\nx=9\r\ny=a=b\r\n; note\nnoeq\n[B]\ny=0\n");
    EXPECT_EQ(ini.GetAllValues(), "x=9\0y=a=b\0"s);

    ini.EnumValues();
    ASSERT_EQ(ini.Values()->Count(), 2);
    EXPECT_EQ(ini.Values()->Item(1).ValName, "y");
    EXPECT_EQ(ini.Values()->Item(1).ValData, "a=b");

    ini.SetSection("New");
    const std::string longValue(100000, 'v');  // long values come back whole
    ASSERT_TRUE(ini.SaveAllValues("k=" + longValue + "\0"s));
    ASSERT_TRUE(ini.SaveValue("Next", "1"));
    EXPECT_EQ(ini.GetValue("K"), longValue);
    EXPECT_EQ(ini.GetAllValues(), "k=" + longValue + "\0Next=1\0"s);
    ini.SetSection("Missing");
    ini.EnumValues();
    EXPECT_EQ(ini.Values()->Count(), 0);
}

TEST_F(IniFileTest, DeleteEdgeCases) {
    struct Case {
        const char* what;
        std::string before, section;
        std::optional<std::string> name;  // nullopt: DeleteSection
        bool result;
        std::string after;
    };
    const std::vector<Case> cases = {
        {"value by any case", "[A]\nSize=1\nColor=2\n", "A", "size", true, "[A]\nColor=2\n"},
        {"whole key only", "[A]\nMySize=1\nSize=2\n", "A", "Size", true, "[A]\nMySize=1\n"},
        {"absent key", "[A]\nk=1\n", "A", "j", false, "[A]\nk=1\n"},
        {"every copy of the key", "[A]\nk=1\nk=2\nj=3", "A", "k", true, "[A]\nj=3"},
        {"last entry takes header", "[A]\nk=1\n; n\n[B]\nx=1\n", "A", "k", true, "[B]\nx=1\n"},
        {"and every copy of the section", "[A]\nk=new\n[B]\nx=1\n[A]\nk=old\n", "A", "k", true,
         "[B]\nx=1\n"},
        {"section without entries", "[A]\n; n\n[B]\nx=1\n", "A", std::nullopt, false,
         "[A]\n; n\n[B]\nx=1\n"},
        {"missing section", "[B]\nx=1\n", "A", std::nullopt, false, "[B]\nx=1\n"},
        {"every occurrence, others kept", "  x = 1\n[A]\nk=1\n[B]\n  y=2 \n[a]\nz=3\n", "A",
         std::nullopt, true, "  x = 1\n[B]\n  y=2 \n"},
        {"ends at unclosed header", "[A]\nk=1\n[B\nq=1\n", "A", std::nullopt, true, "[B\nq=1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(c.before);
        ini.SetSection(c.section);
        EXPECT_EQ(c.name ? ini.DeleteValue(*c.name) : ini.DeleteSection(), c.result);
        EXPECT_EQ(Take(), c.after);
        EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    }
    std::filesystem::remove(path_);
    EXPECT_FALSE(ini.DeleteSection());
    EXPECT_FALSE(std::filesystem::exists(path_));
}

// Several keys go in one replacement of the file, or none of them does; a write that
// fails (a file size limit stops even root) leaves the file as it was.
TEST_F(IniFileTest, SaveValuesIsAllOrNothing) {
    const std::string before = "[A]\nk=1\nj=1\n" + std::string(2000, ';') + "\n";
    const std::vector<std::pair<std::string, std::string>> good = {
        {"k", "2"}, {"j", "3"}, {"K", "4"}};
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> values;
        bool fileSizeLimit;
    };
    const std::vector<Case> failing = {
        {"a refused key last", {{"k", "2"}, {"j", "3"}, {"a=b", "4"}}, false},
        {"a line break in a value", {{"k", "2"}, {"j", "3\n[B]"}}, false},
        {"the write fails", good, true},
    };
    signal(SIGXFSZ, SIG_IGN);
    for (const Case& c : failing) {
        SCOPED_TRACE(c.what);
        Put(before);
        ini.SetSection("A");
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small{1024, old.rlim_max};
        ASSERT_EQ(c.fileSizeLimit ? setrlimit(RLIMIT_FSIZE, &small) : 0, 0);
        const bool saved = ini.SaveValues(c.values);
        const bool deleted = c.fileSizeLimit && ini.DeleteValue("k");
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(saved);
        EXPECT_FALSE(deleted);
        EXPECT_NE(ini.LastWriteError(), "");
        EXPECT_TRUE(Take() == before);
        EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    }

    // Watch the folder: the file is replaced exactly once.
    Put(before);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, dir_.c_str(), IN_MOVED_TO), 0);
    ASSERT_TRUE(ini.SaveValues(good));
    EXPECT_EQ(ini.LastWriteError(), "");
    int replacements = 0;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = read(watch, buf, sizeof buf)) > 0;) {
        for (char* p = buf; p < buf + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            replacements += e->len > 0 && std::string(e->name) == "blenvar.ini";
            p += sizeof(inotify_event) + e->len;
        }
    }
    close(watch);
    EXPECT_EQ(replacements, 1);
    EXPECT_EQ(Take(), "[A]\nK=4\r\nj=3\r\n" + std::string(2000, ';') + "\n");

    ini.SetFileName(path_ + "/sub.ini");  // a parent that is a regular file
    EXPECT_FALSE(ini.SaveValue("k", "v"));
    EXPECT_NE(ini.LastWriteError(), "");
}

// Files that are missing, odd or not plain settings text: what a read gives, which
// sections are listed (into the one collection clients keep), and what a save leaves. A
// file that must not be written keeps its bytes, its kind and its mode; a link stays a link.
// In a folder anyone may write, a link is followed only when the user made it.
TEST_F(IniFileTest, OddFiles) {
    enum class Kind {
        Missing,
        Text,
        ReadOnly,
        Link,
        SharedLink,
        ForeignLink,
        Fifo,
        Folder,
        Device
    };
    struct Case {
        const char* what;
        Kind kind;
        std::string content;
        std::string value;                 // GetValue("k", "dflt") in [Setup]
        std::string sections;              // listed by EnumSections, joined by "|"
        std::optional<std::string> after;  // after SaveValue("n", "1"); nullopt: refused
    };
    const std::string bom = "\xEF\xBB\xBF";
    const std::vector<Case> cases = {
        {"missing", Kind::Missing, "", "dflt", "", "[Setup]\r\nn=1\r\n"},
        {"empty", Kind::Text, "", "dflt", "", "[Setup]\r\nn=1\r\n"},
        {"read-only", Kind::ReadOnly, "[Setup]\nk=1\n", "1", "Setup", std::nullopt},
        {"link to a file", Kind::Link, "[Setup]\nk=1\n", "1", "Setup", "[Setup]\nk=1\nn=1\r\n"},
        {"own link, shared folder", Kind::SharedLink, "[Setup]\nk=1\n", "1", "Setup",
         "[Setup]\nk=1\nn=1\r\n"},
        // Whether it may be read is the kernel's choice; only a comment is there to read.
        {"another's link, shared folder", Kind::ForeignLink, ";x\n", "dflt", "", std::nullopt},
        {"FIFO", Kind::Fifo, "", "dflt", "", std::nullopt},
        {"folder", Kind::Folder, "", "dflt", "", std::nullopt},
        {"link to a device", Kind::Device, "", "dflt", "", std::nullopt},
        {"byte-order mark", Kind::Text, bom + "[Setup]\r\nk=1\r\n", "1", "Setup",
         bom + "[Setup]\r\nk=1\r\nn=1\r\n"},
        {"only a byte-order mark", Kind::Text, bom, "dflt", "", bom + "[Setup]\r\nn=1\r\n"},
        {"comment after header", Kind::Text, "[Setup] ; global\nk=1\n", "1", "Setup",
         "[Setup] ; global\nk=1\nn=1\r\n"},
        {"blanks around names", Kind::Text, "[ Setup ]\nk=1\n[\tEAN 8 ]\n", "1", "Setup|EAN 8",
         "[ Setup ]\nk=1\nn=1\r\n[\tEAN 8 ]\n"},
        {"blank section name", Kind::Text, "[ ]\nk=2\n[Setup]\nk=1\n", "1", "Setup",
         "[ ]\nk=2\n[Setup]\nk=1\nn=1\r\n"},
        {"name up to the last bracket", Kind::Text, "[a]b] x\nk=2\n[Setup]\nk=1\n", "1",
         "a]b|Setup", "[a]b] x\nk=2\n[Setup]\nk=1\nn=1\r\n"},
        {"every header, in order", Kind::Text,
         "  [Setup]  \r\nk=1\r\n[E]\r\n[Setup]\r\n[S\r\n;[c]\r\n[]", "1", "Setup|E|Setup|",
         "  [Setup]  \r\nk=1\r\nn=1\r\n[E]\r\n[Setup]\r\n[S\r\n;[c]\r\n[]"},
    };
    const std::string real = (dir_ / "real.ini").string();
    const auto listed = ini.Sections();
    alarm(60);  // a read that blocks fails the test instead of hanging it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(path_);
        std::filesystem::remove(real);
        const bool link =
            c.kind == Kind::Link || c.kind == Kind::SharedLink || c.kind == Kind::ForeignLink;
        const std::string& file = link ? real : path_;
        ASSERT_EQ(chmod(dir_.c_str(), link && c.kind != Kind::Link ? 01777 : 0700), 0);
        switch (c.kind) {
            case Kind::Missing:
                break;
            case Kind::Fifo:
                ASSERT_EQ(mkfifo(path_.c_str(), 0640), 0);
                break;
            case Kind::Folder:
                std::filesystem::create_directory(path_);
                break;
            case Kind::Device:
                std::filesystem::create_symlink("/dev/null", path_);
                break;
            case Kind::Link:
            case Kind::SharedLink:
            case Kind::ForeignLink:
                std::filesystem::create_symlink(real, path_);
                if (c.kind == Kind::ForeignLink) {
                    ASSERT_EQ(lchown(path_.c_str(), 65534, 65534), 0);
                }
                [[fallthrough]];
            case Kind::Text:
            case Kind::ReadOnly:
                std::ofstream(file, std::ios::binary) << c.content;
                ASSERT_EQ(chmod(file.c_str(), c.kind == Kind::ReadOnly ? 0444 : 0640), 0);
        }
        const auto kind = std::filesystem::symlink_status(path_).type();
        ini.SetSection("Setup");
        EXPECT_EQ(ini.GetValue("k", "dflt"), c.value);
        ini.EnumSections();
        std::string names;
        for (const Key& k : *listed) names += (names.empty() ? "" : "|") + k.KeyName;
        EXPECT_EQ(names, c.sections);
        const bool opens = c.kind == Kind::Text || c.kind == Kind::ReadOnly || link;
        if (c.kind != Kind::ForeignLink) {
            EXPECT_EQ(ini.LastError().value_or(ComError(0, "", "")).Number(),
                      opens ? 0 : kIniOpenError);
        }

        EXPECT_EQ(ini.SaveValue("n", "1"), c.after.has_value());
        if (c.after) {
            EXPECT_EQ(Take(), *c.after);
        } else {
            EXPECT_FALSE(ini.DeleteValue("k"));
            EXPECT_FALSE(ini.SaveAllValues("x=1\0"s));
            if (c.kind == Kind::ReadOnly || c.kind == Kind::ForeignLink) {
                EXPECT_EQ(testing::ReadFile(file), c.content);
            }
            if (c.kind == Kind::ForeignLink) {
                EXPECT_NE(ini.LastWriteError().find(path_), std::string::npos)
                    << ini.LastWriteError();
            }
        }
        EXPECT_EQ(std::filesystem::symlink_status(path_).type(),
                  c.kind == Kind::Missing ? std::filesystem::file_type::regular : kind);
        struct stat st {};
        if (c.kind != Kind::Missing && stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            EXPECT_EQ(st.st_mode & 07777, c.kind == Kind::ReadOnly ? 0444u : 0640u);
        }
        EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    }
    alarm(0);
    chmod(dir_.c_str(), 0700);
}

// Keys and INIValues share one collection template and differ only in Add, so the
// behaviour is checked on Keys: a bad position or name throws and changes nothing, and
// references stay valid while other records come and go.
TEST(IniCollections, LookupAndReferences) {
    Keys c;
    c.Add("a");
    c.Add("b", "KeyB");
    c.Add("c");
    for (int bad : {-1, 3}) {
        EXPECT_THROW(c.Item(bad), std::out_of_range) << bad;
        EXPECT_THROW(c.Remove(bad), std::out_of_range) << bad;
    }
    EXPECT_THROW(c.Item("nokey"), std::out_of_range);
    EXPECT_THROW(c.Add("d", "KEYB"), std::invalid_argument);
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(&c.Item("keyb"), &c.Item(1));

    auto& last = c.Item(2);
    c.Remove(0);
    c.Remove("kEYb");
    EXPECT_THROW(c.Item("KeyB"), std::out_of_range);
    for (int i = 0; i < 100; ++i) c.Add("x");
    EXPECT_EQ(&last, &c.Item(0));
    c.Clear();
    EXPECT_EQ(c.begin(), c.end());

    INIValues values;
    values.Add("name", "data", "Key");
    EXPECT_EQ(values.Item("KEY").ValName + "=" + values.Item(0).ValData, "name=data");
}

// Two processes saving into one section at once: every save that reports success is kept.
TEST_F(IniFileTest, ConcurrentSavesAreAllKept) {
    constexpr int kSaves = 100;
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; ++w) {
        writers.push_back(fork());
        ASSERT_GE(writers.back(), 0);
        if (writers.back() > 0) continue;
        ini.SetSection("Setup");
        int saved = 0;
        for (int i = 0; i < kSaves; ++i)
            saved += ini.SaveValue("w" + std::to_string(w * 1000 + i), "1");
        _exit(saved);
    }
    int saved = 0, status = 0;
    for (pid_t pid : writers) {
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        saved += WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    }
    ini.SetSection("Setup");
    const std::string all = ini.GetAllValues();
    EXPECT_EQ(std::count(all.begin(), all.end(), '\0'), saved);
    EXPECT_EQ(saved, 2 * kSaves);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

// A writer killed mid-save leaves its temporary file; the next save removes it, and only
// names of that exact pattern.
TEST_F(IniFileTest, SaveRemovesDeadWritersTemporaries) {
    Put("[A]\nk=1\n");
    const std::vector<std::string> kept = {".blenvar.ini.Ab3xY", ".blenvar.ini.Zz9Zz9",
                                           ".blenvar.ini.backup", ".other.ini.Ab3xY9"};
    for (const char* dead : {".blenvar.ini.Ab3xY9", ".blenvar.ini.x1y2z3"})
        std::ofstream(dir_ / dead) << std::string(100000, 'x');
    for (const auto& name : kept) std::ofstream(dir_ / name) << "mine";
    std::filesystem::remove(dir_ / kept[1]);
    std::filesystem::create_directory(dir_ / kept[1]);
    ini.SetSection("A");
    ASSERT_TRUE(ini.SaveValue("k", "2"));
    EXPECT_EQ(Leftovers(), kept);
}

// Reads see each change of the file at once, even one that keeps size and inode or sets
// the modification time back; with snapshot reads on, only after Refresh() or a save of
// ours, and Refresh() gives a new number exactly when the content changed.
TEST_F(IniFileTest, WhatReadsSee) {
    const timespec old[2] = {{1000, 0}, {1000, 0}};
    ini.SetSection("A");
    Put("[A]\nk=1\n");
    EXPECT_EQ(ini.GetValue("k"), "1");
    Put("[A]\nk=2\n");
    EXPECT_EQ(ini.GetValue("k"), "2");
    ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), old, 0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // let the cache trust it
    EXPECT_EQ(ini.GetValue("k"), "2");
    Put("[A]\nk=3\n");  // as cp -p or touch -r leave it
    ASSERT_EQ(utimensat(AT_FDCWD, path_.c_str(), old, 0), 0);
    EXPECT_EQ(ini.GetValue("k"), "3");

    ini.SetSnapshotReads(true);
    const std::uint64_t first = ini.Refresh();
    EXPECT_EQ(ini.Refresh(), first);
    Put("[A]\nk=4\nj=5\n");
    EXPECT_EQ(ini.GetAllValues(), "k=3\0"s);
    const std::uint64_t second = ini.Refresh();
    EXPECT_NE(second, first);
    EXPECT_EQ(ini.GetValue("j"), "5");
    ASSERT_TRUE(ini.SaveValue("k", "6"));
    EXPECT_EQ(ini.GetValue("k"), "6");
    const std::uint64_t third = ini.Refresh();
    EXPECT_NE(third, second);
    EXPECT_EQ(ini.Refresh(), third);
    std::filesystem::remove(path_);
    EXPECT_EQ(ini.GetValue("k", "d"), "6");
    EXPECT_NE(ini.Refresh(), third);
    EXPECT_EQ(ini.GetValue("k", "d"), "d");

    // Another file is read at once.
    const std::string other = (dir_ / "other.ini").string();
    std::ofstream(other) << "[A]\nk=other\n";
    ini.SetFileName(other);
    EXPECT_EQ(ini.GetValue("k"), "other");
}

}  // namespace
}  // namespace blenvar

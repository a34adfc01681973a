#include <functional>

#include "core/com_error.h"
#include "registry/registry_fixture.h"

namespace blenvar::test {
namespace {

using ::testing::ElementsAre;

class CRegistryTest : public RegistryFixture {
  protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        store_ = Store();
        reg_ = std::make_unique<cRegistry>(store_);
        At(HKEY_CURRENT_USER_, "Software\\Blenvar", "Name");
    }
    void At(std::int32_t root, const std::string& section, const std::string& name) {
        reg_->SetClassKey(root);
        reg_->SetSectionKey(section);
        reg_->SetValueKey(name);
    }
    std::optional<RawValue> Raw(const std::string& name = "Name") {
        return Get(*store_, kRegCurrentUser, "Software\\Blenvar", name);
    }
    void PutUser(const std::string& path, const std::string& name = "v") {
        Put(*store_, kRegCurrentUser, path, name, REG_SZ_, B("1"));
    }
    // Runs f and returns the error it raised.
    static ComError Raised(const std::function<void()>& f) {
        try {
            f();
        } catch (const ComError& e) {
            return e;
        }
        ADD_FAILURE() << "no error raised";
        return ComError(0, "", "");
    }

    std::shared_ptr<SqliteRegistryStore> store_;
    std::unique_ptr<cRegistry> reg_;
};

// A string's stored type follows its percent signs unless asked not to; numbers are
// stored only from small integers, and nothing is stored for a type without a writer.
TEST_F(CRegistryTest, WritesChooseTheStoredTypeByValueAndContent) {
    const auto sz = [](const std::string& t) { return B(std::string(t.c_str(), t.size() + 1)); };
    const struct {
        RegVariant value;
        std::int32_t asType;
        std::uint32_t storedType;
        std::optional<Bytes> stored;
        bool byContent = true;
    } cases[] = {
        {std::string("%TEMP%\\a.wav"), REG_SZ_, REG_EXPAND_SZ_, sz("%TEMP%\\a.wav")},
        {std::string("50% off"), REG_SZ_, REG_SZ_, sz("50% off")},
        {std::string("%%"), REG_SZ_, REG_SZ_, sz("%%")},
        {std::string("%%%"), REG_SZ_, REG_EXPAND_SZ_, sz("%%%")},
        {std::string("plain"), REG_EXPAND_SZ_, REG_SZ_, sz("plain")},
        {std::string(""), REG_SZ_, REG_SZ_, sz("")},
        {std::string("/snd/my%HOME%beep.wav"), REG_SZ_, REG_SZ_, sz("/snd/my%HOME%beep.wav"),
         false},
        {std::string("%HOME%/a.wav"), REG_EXPAND_SZ_, REG_EXPAND_SZ_, sz("%HOME%/a.wav"), false},
        {std::int32_t{42}, REG_SZ_, REG_SZ_, B(std::string("42\0", 3))},
        {std::int32_t{5}, REG_DWORD_BIG_ENDIAN_, REG_DWORD_, Bytes{5, 0, 0, 0}},
        {std::int16_t{-2}, REG_DWORD_, REG_DWORD_, Bytes{0xFE, 0xFF, 0xFF, 0xFF}},
        {std::string("5"), REG_DWORD_, 0, std::nullopt},
        {std::int64_t{5}, REG_DWORD_, 0, std::nullopt},
        {true, REG_DWORD_BIG_ENDIAN_, 0, std::nullopt},
        {std::int32_t{5}, REG_MULTI_SZ_, 0, std::nullopt},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        reg_->SetValueKey("v" + std::to_string(i));
        reg_->SetStringTypeByContent(c.byContent);
        reg_->SetValueType(c.asType);
        EXPECT_NO_THROW(reg_->SetValue(c.value)) << i;
        const auto raw = Raw("v" + std::to_string(i));
        EXPECT_EQ(raw ? std::optional(raw->data) : std::nullopt, c.stored) << i;
        EXPECT_EQ(raw ? raw->type : 0u, c.storedType) << i;
    }
    reg_->SetStringTypeByContent(true);
    reg_->SetValueKey("Name");
    reg_->SetValueType(REG_BINARY_);
    reg_->SetValue(Bytes{0, 1, 2});
    EXPECT_EQ(Raised([&] { reg_->SetValue(std::string("text")); }).Number(), kRegistryError);
    EXPECT_EQ(Raw().value_or(RawValue{}).data, (Bytes{0, 1, 2}));
}

TEST_F(CRegistryTest, ReadsEachStoredTypeOrTheDefault) {
    reg_->SetDefault(std::string("fallback"));
    reg_->SetValueType(REG_DWORD_);
    EXPECT_EQ(std::get<std::string>(reg_->Value()), "fallback");  // key missing
    PutUser("Software\\Blenvar", "Other");
    EXPECT_EQ(std::get<std::string>(reg_->Value()), "fallback");  // value missing
    EXPECT_EQ(reg_->ValueType(), REG_DWORD_);

    setenv("BLENVAR_X", "/snd", 1);
    const struct {
        std::uint32_t type;
        Bytes data;
        RegVariant expected;
    } cases[] = {
        {REG_DWORD_BIG_ENDIAN_, {0, 0, 1, 2}, std::int32_t{258}},
        {REG_DWORD_, {0xFE, 0xFF, 0xFF, 0xFF}, std::int32_t{-2}},
        {REG_DWORD_, {7}, std::int32_t{7}},  // short data reads as zero-padded
        {REG_MULTI_SZ_, B(std::string("a\0b\0\0", 5)), std::string("a\0b\0", 4)},
        {REG_SZ_, B("no nul"), std::string("no nul")},
        {REG_SZ_, {}, std::string()},
        // Unknown names and stray percent signs stay as written.
        {REG_EXPAND_SZ_, B(std::string("%BLENVAR_X%/a %NOPE_1%\0", 23)),
         std::string("/snd/a %NOPE_1%")},
        {REG_EXPAND_SZ_, B("%blenvar_x%%NOPE_1%BLENVAR_X%"), std::string("/snd%NOPE_1/snd")},
        {REG_EXPAND_SZ_, B("50% off %% trailing %"), std::string("50% off %% trailing %")},
        {REG_BINARY_, {1, 0, 255}, Bytes{1, 0, 255}},
        {11, {9, 8}, Bytes{9, 8}},
    };
    for (const auto& c : cases) {
        Put(*store_, kRegCurrentUser, "Software\\Blenvar", "Name", c.type, c.data);
        EXPECT_EQ(reg_->Value(), c.expected) << c.type;
        EXPECT_EQ(reg_->ValueType(), static_cast<std::int32_t>(c.type));
    }
}

TEST_F(CRegistryTest, NamesIgnoreCaseButKeepSpelling) {
    reg_->SetValueType(REG_SZ_);
    reg_->SetValue(std::string("one"));
    At(HKEY_CURRENT_USER_, "SOFTWARE\\blenvar\\", "NAME");
    reg_->SetValue(std::string("two"));
    EXPECT_EQ(std::get<std::string>(reg_->Value()), "two");

    std::vector<std::string> names;
    std::int32_t count = 0;
    reg_->SetSectionKey("software");
    EXPECT_TRUE(reg_->EnumerateSections(names, count));
    EXPECT_THAT(names, ElementsAre("", "Blenvar"));
    reg_->SetSectionKey("No\\Such\\Key");
    EXPECT_TRUE(reg_->EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.empty());
}

TEST_F(CRegistryTest, DeleteKeyRemovesExactlyItsSubtree) {
    for (const char* path : {"T\\A\\C", "T\\A", "T\\B", "T", "Keep", "P\\Child"}) PutUser(path);
    PutUser("T\\B", "");
    At(HKEY_CURRENT_USER_, "P", "");
    const auto e = Raised([&] { reg_->DeleteKey(); });  // has children, no subKeys
    EXPECT_EQ(e.Number(), kRegistryError);
    EXPECT_EQ(e.Description(), "Failed to delete registry Key: '-2147483647',Section: 'P");
    for (const char* section : {"", "\\", "\\\\"}) {  // the root itself: nothing goes
        At(HKEY_CURRENT_USER_, section, "");
        EXPECT_EQ(Raised([&] { reg_->DeleteKey(true); }).Number(), kRegistryError) << section;
    }
    EXPECT_TRUE(Get(*store_, kRegCurrentUser, "P\\Child", "v"));
    EXPECT_TRUE(Get(*store_, kRegCurrentUser, "T\\A\\C", "v"));

    At(HKEY_CURRENT_USER_, "T", "");
    EXPECT_TRUE(reg_->DeleteKey(true));
    EXPECT_EQ(reg_->SectionKey(), "T");
    EXPECT_FALSE(Exists(*store_, kRegCurrentUser, "T"));
    EXPECT_TRUE(Get(*store_, kRegCurrentUser, "Keep", "v"));
    EXPECT_TRUE(reg_->DeleteKey(true));  // already gone
    EXPECT_TRUE(reg_->DeleteKey(false));
}

TEST_F(CRegistryTest, MachineRootsReadButRefuseWrites) {
    {
        auto admin = Store(true);
        Put(*admin, kRegLocalMachine, "SOFTWARE\\Vendor", "Path", REG_SZ_, B({"/opt\0", 5}));
        ScopedRegKey k(*admin);
        ASSERT_EQ(admin->CreateKey(kRegLocalMachine, "SOFTWARE\\Empty", kKeyAllAccess, k.Out()),
                  kRegSuccess);
    }
    const struct {
        std::int32_t root;
        const char* section;
        std::function<void(cRegistry&)> call;
        std::string description;
    } cases[] = {
        {HKEY_LOCAL_MACHINE_, "SOFTWARE\\New", [](cRegistry& r) { r.CreateKey(); },
         "Failed to create registry Key: 'SOFTWARE\\New"},
        {HKEY_CLASSES_ROOT_, ".txt",
         [](cRegistry& r) {
             r.SetValueType(REG_SZ_);
             r.SetValue(std::string("txtfile"));
         },
         "Failed to set registry value Key: '-2147483648',Section: '.txt',Key: 'path' to value: "
         "'txtfile'"},
        {HKEY_LOCAL_MACHINE_, "SOFTWARE\\Vendor", [](cRegistry& r) { r.DeleteValue(); },
         "Failed to open key '-2147483646',Section: 'SOFTWARE\\Vendor' for delete access"},
        {HKEY_LOCAL_MACHINE_, "SOFTWARE\\Vendor", [](cRegistry& r) { r.DeleteKey(true); },
         "Failed to open key '-2147483646',Section: 'SOFTWARE\\Vendor' for delete access"},
        {HKEY_LOCAL_MACHINE_, "SOFTWARE\\Empty", [](cRegistry& r) { r.DeleteKey(); },
         "Failed to delete registry Key: '-2147483646',Section: 'SOFTWARE\\Empty"},
    };
    for (const auto& c : cases) {
        At(c.root, c.section, "path");
        const auto e = Raised([&] { c.call(*reg_); });
        EXPECT_EQ(e.Number(), kRegistryError) << c.description;
        EXPECT_EQ(e.Source(), "registry_tests.cRegistry");
        EXPECT_EQ(e.Description(), c.description);
    }
    At(HKEY_LOCAL_MACHINE_, "SOFTWARE\\Missing", "");
    EXPECT_TRUE(reg_->DeleteKey(true));
    At(HKEY_LOCAL_MACHINE_, "software\\vendor", "path");
    EXPECT_TRUE(reg_->KeyExists());
    EXPECT_EQ(std::get<std::string>(reg_->Value()), "/opt");
}

TEST_F(CRegistryTest, AssociationsWriteBothMachineRoots) {
    auto admin = Store(true);
    cRegistry reg(admin);
    reg.CreateEXEAssociation("  /opt/b/blenvar ", "B.Doc", "Blenvar scan list", "bsl", "", true, "",
                             false, "", true, "", 0);
    EXPECT_EQ(reg.ClassKey(), HKEY_LOCAL_MACHINE_);
    reg.CreateAdditionalEXEAssociations(
        "B.Doc", {std::string("edit"), std::string("&Edit"), std::string("b /e \"%1\"")});
    const std::pair<std::string, std::string> expected[] = {
        {".bsl", "B.Doc"},
        {"B.Doc", "Blenvar scan list"},
        {"B.Doc\\shell\\open", "&Open"},
        {"B.Doc\\shell\\open\\command", "\"/opt/b/blenvar\" \"%1\""},
        {"B.Doc\\shell\\print\\command", "\"/opt/b/blenvar\" /p \"%1\""},
        {"B.Doc\\shell\\add", "&Install bsl"},
        {"B.Doc\\shell\\add\\command", "\"/opt/b/blenvar\" /a \"%1\""},
        {"B.Doc\\DefaultIcon", "\"/opt/b/blenvar\",0"},
        {"B.Doc\\shell\\edit\\command", "b /e \"%1\""},
    };
    for (const auto& [path, text] : expected) {
        for (const auto& [root, prefix] :
             {std::pair{kRegClassesRoot, ""}, std::pair{kRegLocalMachine, "SOFTWARE\\Classes\\"}}) {
            const auto v = Get(*admin, root, prefix + path, "");
            ASSERT_TRUE(v) << prefix << path;
            EXPECT_EQ(v->data, B(std::string(text.c_str(), text.size() + 1))) << path;
        }
    }
}

}  // namespace
}  // namespace blenvar::test

#include <fstream>

#include "registry/registry_fixture.h"

namespace blenvar::test {
namespace {

class StoreTest : public RegistryFixture {};

// The user's file follows the config folder's rules (paths_test).
TEST_F(StoreTest, DefaultPaths) {
    unsetenv("BLENVAR_MACHINE_REGISTRY");
    const auto p = DefaultRegistryPaths();
    EXPECT_EQ(p.user, UserDb());
    EXPECT_EQ(p.machine, "/etc/xdg/blenvar/registry.sqlite3");
    EXPECT_FALSE(p.machineWritable);
}

TEST_F(StoreTest, UserFileIsCreatedOnFirstWriteAndShared) {
    auto s = Store();
    EXPECT_FALSE(Exists(*s, kRegCurrentUser, "A"));
    EXPECT_FALSE(std::filesystem::exists(UserDb()));
    Put(*s, kRegCurrentUser, "\\A\\\\B\\", "v", 1, B("x"));
    for (const char* path : {"A\\B", "a\\b\\", "\\\\A\\B"})  // another process, any spelling
        EXPECT_EQ(Get(*Store(), kRegCurrentUser, path, "V")->data, B("x")) << path;
    RegKey k = 0;
    EXPECT_EQ(s->CreateKey(kRegCurrentUser, std::string(256, 'n'), kKeyAllAccess, &k),
              kRegInvalidParameter);
}

TEST_F(StoreTest, BatchIsOneTransactionOfItsOutermostLevel) {
    auto s = Store();
    Put(*s, kRegCurrentUser, "A", "v", 1, B("0"));
    s->BeginBatch();
    s->BeginBatch();
    Put(*s, kRegCurrentUser, "A", "v", 1, B("1"));
    Put(*s, kRegCurrentUser, "B", "v", 1, B("2"));
    ScopedRegKey gone(*s);
    ASSERT_EQ(s->CreateKey(kRegCurrentUser, "D", kKeyAllAccess, gone.Out()), kRegSuccess);
    ASSERT_EQ(s->DeleteKey(kRegCurrentUser, "D"), kRegSuccess);
    // A failed write undoes itself, not the batch.
    EXPECT_EQ(s->SetValue(gone.Get(), "v", 1, nullptr, 0), kRegKeyDeleted);
    s->EndBatch();
    EXPECT_EQ(Get(*s, kRegCurrentUser, "A", "v")->data, B("1"));
    EXPECT_EQ(Get(*Store(), kRegCurrentUser, "A", "v")->data, B("0"));  // not committed yet
    EXPECT_FALSE(Exists(*Store(), kRegCurrentUser, "B"));
    s->EndBatch();
    EXPECT_EQ(Get(*Store(), kRegCurrentUser, "A", "v")->data, B("1"));
    EXPECT_EQ(Get(*Store(), kRegCurrentUser, "B", "v")->data, B("2"));
    EXPECT_FALSE(Exists(*Store(), kRegCurrentUser, "D"));
    Put(*s, kRegCurrentUser, "C", "v", 1, B("3"));  // outside a batch: committed at once
    EXPECT_TRUE(Exists(*Store(), kRegCurrentUser, "C"));
}

TEST_F(StoreTest, UnusableFilesGiveStatusCodes) {
    std::ofstream(dir_ / "config") << "a file where the folder should be";
    std::filesystem::create_directories(dir_ / "machine");
    std::ofstream(dir_ / "machine/registry.sqlite3") << "garbage that is not a database....";
    auto s = Store();
    RegKey k = 0;
    EXPECT_EQ(s->CreateKey(kRegCurrentUser, "A", kKeyAllAccess, &k), kRegCantOpen);
    EXPECT_EQ(s->TakeProblem().status, kRegSuccess);  // nothing the user could mend there
    EXPECT_EQ(s->OpenKey(kRegLocalMachine, "A", kKeyQueryValue, &k), kRegCorrupt);
    const auto problem = s->TakeProblem();
    EXPECT_EQ(problem.file, (dir_ / "machine/registry.sqlite3").string());
    EXPECT_EQ(problem.reason, "file is not a database");
    EXPECT_EQ(s->TakeProblem().status, kRegSuccess);  // told once
    EXPECT_EQ(s->OpenKey(0x80000003u, "", kKeyQueryValue, &k), kRegInvalidHandle);
    EXPECT_EQ(k, 0u);

    cRegistry reg(s);
    reg.SetClassKey(HKEY_CURRENT_USER_);
    reg.SetSectionKey("A");
    reg.SetDefault(std::int32_t{3});
    EXPECT_EQ(reg.Value(), RegVariant(std::int32_t{3}));
}

TEST_F(StoreTest, MissingOrEmptyMachineFileReadsAsEmptyTree) {
    auto s = Store();
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(Exists(*s, kRegLocalMachine, ""));
        EXPECT_FALSE(Exists(*s, kRegLocalMachine, "SOFTWARE"));
        RegKey k = 0;
        EXPECT_EQ(s->CreateKey(kRegClassesRoot, ".txt", kKeyAllAccess, &k), kRegAccessDenied);
        EXPECT_EQ(s->DeleteKey(kRegLocalMachine, "SOFTWARE"), kRegFileNotFound);
        std::filesystem::create_directories(dir_ / "machine");
        std::ofstream(dir_ / "machine/registry.sqlite3");  // now an empty file
    }
    // Installed later: picked up by the running store; the roots are separate trees.
    Put(*Store(true), kRegLocalMachine, "SOFTWARE", "v", 4, {1, 0, 0, 0});
    EXPECT_TRUE(Get(*s, kRegLocalMachine, "SOFTWARE", "v"));
    EXPECT_FALSE(Exists(*s, kRegCurrentUser, "SOFTWARE"));
    EXPECT_FALSE(Exists(*s, kRegClassesRoot, "SOFTWARE"));
}

TEST_F(StoreTest, HandleOperationsFollowPlatformRules) {
    auto s = Store();
    Put(*s, kRegCurrentUser, "K\\Child", "", 1, B("c"));
    ScopedRegKey k(*s);
    ASSERT_EQ(s->CreateKey(kRegCurrentUser, "K", kKeyAllAccess, k.Out()), kRegSuccess);
    const Bytes data = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(s->SetValue(k.Get(), "Bin", 3, data.data(), 6), kRegSuccess);
    ASSERT_EQ(s->SetValue(k.Get(), "Empty", 3, nullptr, 0), kRegSuccess);
    EXPECT_EQ(Get(*s, kRegCurrentUser, "K", "empty")->data, Bytes{});

    std::uint8_t buf[8] = {};
    std::uint32_t type = 0, size = 4;
    EXPECT_EQ(s->QueryValue(k.Get(), "bin", &type, buf, &size), kRegMoreData);
    EXPECT_EQ(size, 6u);
    RegKeyInfo info;
    ASSERT_EQ(s->QueryInfoKey(k.Get(), &info), kRegSuccess);
    EXPECT_EQ((std::array{info.subKeys, info.values, info.maxValueNameLen, info.maxValueLen}),
              (std::array<std::uint32_t, 4>{1, 2, 5, 6}));
    std::string name;
    EXPECT_EQ(s->EnumValue(k.Get(), 0, &name), kRegSuccess);
    EXPECT_EQ(name, "Bin");  // creation order
    EXPECT_EQ(s->EnumValue(k.Get(), 2, &name), kRegNoMoreItems);

    EXPECT_EQ(s->DeleteKey(kRegCurrentUser, "K"), kRegAccessDenied);  // has a subkey
    EXPECT_EQ(s->DeleteValue(k.Get(), "missing"), kRegFileNotFound);
    EXPECT_EQ(s->DeleteKey(kRegCurrentUser, "K\\Child"), kRegSuccess);
    EXPECT_EQ(s->DeleteKey(kRegCurrentUser, "K"), kRegSuccess);
    EXPECT_EQ(s->DeleteKey(kRegCurrentUser, ""), kRegAccessDenied);  // the root stays
    EXPECT_EQ(s->SetValue(k.Get(), "x", 1, data.data(), 1), kRegKeyDeleted);
    EXPECT_FALSE(Exists(*s, kRegCurrentUser, "K"));  // not brought back

    ScopedRegKey ro(*s);
    Put(*s, kRegCurrentUser, "R", "v", 1, B("x"));
    ASSERT_EQ(s->OpenKey(kRegCurrentUser, "R", kKeyQueryValue, ro.Out()), kRegSuccess);
    EXPECT_EQ(s->SetValue(ro.Get(), "v", 1, data.data(), 1), kRegAccessDenied);
    EXPECT_EQ(s->EnumKey(ro.Get(), 0, &name), kRegAccessDenied);
}

}  // namespace
}  // namespace blenvar::test

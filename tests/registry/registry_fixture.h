#pragma once
// A private user store and machine store in a temporary folder, chosen through the same
// environment variables the program reads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/registry/c_registry.h"
#include "components/registry/sqlite_registry_store.h"
#include "decode/temp_ini.h"

namespace blenvar::test {

using Bytes = std::vector<std::uint8_t>;
inline Bytes B(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

struct RawValue {
    std::uint32_t type = 0;
    Bytes data;
};

class RegistryFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("BLENVAR_MACHINE_REGISTRY", (dir_ / "machine" / "registry.sqlite3").c_str(), 1);
    }

    std::string UserDb() const { return (dir_ / "config/blenvar/registry.sqlite3").string(); }
    // What the program gets (machine store read-only), or what an installer uses.
    static std::shared_ptr<SqliteRegistryStore> Store(bool machineWritable = false) {
        auto p = DefaultRegistryPaths();
        p.machineWritable = machineWritable;
        return std::make_shared<SqliteRegistryStore>(p);
    }

    static void Put(RegistryStore& s, RegKey root, const std::string& path, const std::string& name,
                    std::uint32_t type, const Bytes& data) {
        ScopedRegKey k(s);
        ASSERT_EQ(s.CreateKey(root, path, kKeyAllAccess, k.Out()), kRegSuccess) << path;
        ASSERT_EQ(
            s.SetValue(k.Get(), name, type, data.data(), static_cast<std::uint32_t>(data.size())),
            kRegSuccess);
    }
    static std::optional<RawValue> Get(RegistryStore& s, RegKey root, const std::string& path,
                                       const std::string& name) {
        ScopedRegKey k(s);
        RawValue v;
        std::uint32_t size = 0;
        if (s.OpenKey(root, path, kKeyQueryValue, k.Out()) != kRegSuccess ||
            s.QueryValue(k.Get(), name, &v.type, nullptr, &size) != kRegSuccess)
            return std::nullopt;
        v.data.resize(size);
        if (s.QueryValue(k.Get(), name, nullptr, v.data.data(), &size) != kRegSuccess)
            return std::nullopt;
        return v;
    }
    static bool Exists(RegistryStore& s, RegKey root, const std::string& path) {
        ScopedRegKey k(s);
        return s.OpenKey(root, path, kKeyQueryValue, k.Out()) == kRegSuccess;
    }

    testing::TempIni tmp_;
    const std::filesystem::path dir_ = tmp_.folder();
};

}  // namespace blenvar::test

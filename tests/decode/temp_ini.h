#pragma once
// A private temporary folder, removed with the fixture, and a settings file in it.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace blenvar::testing {

class TempIni {
  public:
    explicit TempIni(const std::string& content = {}) {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "blenvar-test-XXXXXX").string();
        folder_ = ::mkdtemp(tmpl.data());
        path_ = folder_ + "/blenvar.ini";
        if (!content.empty()) std::ofstream(path_, std::ios::binary) << content;
    }
    ~TempIni() { std::filesystem::remove_all(folder_); }
    TempIni(const TempIni&) = delete;
    TempIni& operator=(const TempIni&) = delete;

    const std::string& folder() const { return folder_; }
    const std::string& path() const { return path_; }

  private:
    std::string folder_;
    std::string path_;
};

}  // namespace blenvar::testing

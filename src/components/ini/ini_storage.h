#pragma once
// File access for the INI component: a parsed copy of the file revalidated by stat on
// every use.
#include <sys/types.h>

#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "components/ini/ini_text.h"

namespace blenvar::ini {

enum class LoadState {
    Present,     // read; the document holds its content
    Missing,     // no such file: reads give defaults, the first write creates it
    Unreadable,  // exists but can't be read: reads give defaults, writes refuse
};

struct Snapshot {
    LoadState state = LoadState::Missing;
    std::shared_ptr<const Document> doc;  // never null; empty unless Present
};

class CachedFile {
  public:
    // The file's content at this moment. The parsed copy is reused only while device,
    // inode, size and mtime (ns) are unchanged and the mtime is old enough that a later
    // write in the same clock tick can't hide behind it.
    Snapshot Load(const std::string& path);
    // Takes over the content just written to path, so the next Load need not re-parse it.
    Snapshot Adopt(const std::string& path, std::string content);

  private:
    std::string path_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    off_t size_ = 0;
    timespec mtime_{};
    timespec ctime_{};
    bool trusted_ = false;
    std::shared_ptr<const Document> doc_;
};

}  // namespace blenvar::ini

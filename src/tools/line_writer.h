#pragma once
// Buffered output on a file descriptor: lines collect in memory and go out in large
// writes, or at once on Flush (the reader flushes whenever no more input is waiting).
#include <string>
#include <string_view>

namespace blenvar {

class LineWriter {
  public:
    explicit LineWriter(int fd) : fd_(fd) {}
    ~LineWriter() { Flush(); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void Line(std::string_view text) {
        buffer_.append(text);
        buffer_.push_back('\n');
        if (buffer_.size() >= kLimit) Flush();
    }
    // False once any write has failed; the unwritten text is dropped then.
    bool Flush();
    bool Ok() const { return ok_; }

  private:
    static constexpr size_t kLimit = 64 * 1024;
    int fd_;
    std::string buffer_;
    bool ok_ = true;
};

}  // namespace blenvar

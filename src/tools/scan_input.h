#pragma once
// Standard input as scans: CR, LF and CR LF each end a scan, and a scan is handed on as
// soon as its end arrives, so a scanner that ends with a bare CR is never held back
// waiting for an LF. Blank lines are skipped.
#include <functional>
#include <string>
#include <string_view>

namespace blenvar {

class ScanFramer {
  public:
    // Calls onScan for each scan that the bytes finish; stops and returns false as soon
    // as onScan does.
    template <typename OnScan>
    bool Feed(std::string_view bytes, OnScan&& onScan) {
        size_t start = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c != '\r' && c != '\n') continue;
            const bool swallowed = c == '\n' && afterCR_ && i == start && partial_.empty();
            afterCR_ = c == '\r';
            if (!swallowed && !Emit(bytes.substr(start, i - start), onScan)) return false;
            start = i + 1;
        }
        if (start < bytes.size()) {
            partial_.append(bytes.substr(start));
            afterCR_ = false;
        }
        return true;
    }

    // End of input: the last scan needs no line end.
    template <typename OnScan>
    bool Finish(OnScan&& onScan) {
        afterCR_ = false;
        return Emit({}, onScan);
    }

  private:
    template <typename OnScan>
    bool Emit(std::string_view tail, OnScan& onScan) {
        if (partial_.empty()) return tail.empty() || onScan(tail);
        partial_.append(tail);
        const std::string scan = std::move(partial_);
        partial_.clear();
        return onScan(std::string_view(scan));
    }

    std::string partial_;
    bool afterCR_ = false;  // an LF right after a CR ends nothing
};

// Reads fd in large blocks and calls onScan for each scan until the input ends, a read
// fails or onScan returns false. onIdle runs whenever no more input is waiting, which is
// when buffered output should go out; onBlock runs after each read, before the scans it
// finishes. Returns 0, or the errno of a failed read.
int ReadScans(int fd, const std::function<bool(std::string_view)>& onScan,
              const std::function<void()>& onIdle = {}, const std::function<void()>& onBlock = {});

}  // namespace blenvar

#pragma once
// Closed scans, decoded and delivered one at a time in the order they closed, and the last
// one delivered again on request. When a scan runs is the caller's business: the window
// gives the desktop a moment first, the command-line tool runs each at once.
#include <deque>
#include <functional>
#include <string>

#include "decode/decode_scan.h"
#include "output/process_scan.h"

namespace blenvar {

class ScanPipeline {
  public:
    ScanPipeline(DecodeContext decode, DeliveryServices delivery)
        : decode_(std::move(decode)), delivery_(std::move(delivery)) {}

    // Queues a closed scan. True when it is the only one waiting: the caller schedules Run().
    // `identified`: DecodeScan's; `device`: the source's name, when known.
    bool Add(std::string raw, bool identified = false, std::string device = {});
    bool Empty() const { return waiting_.empty(); }
    // The raw text Run() takes next; Empty() must be false.
    const std::string& Next() const { return waiting_.front().raw; }
    // Decodes and delivers the oldest waiting scan and returns it as delivered. `decoded`
    // sees it between the two, so a window can show it while its keys are typed.
    ScanRecord Run(const std::function<void(const ScanRecord&)>& decoded = {});
    // Delivers an edited record again by the settings as they are now, typing nothing.
    void Reprocess(ScanRecord& rec);

  private:
    DecodeContext decode_;
    DeliveryServices delivery_;
    struct Waiting {
        std::string raw;
        bool identified;
        std::string device;
    };
    std::deque<Waiting> waiting_;
};

}  // namespace blenvar

#include "output/scan_pipeline.h"

#include "core/scan_id.h"

namespace blenvar {

bool ScanPipeline::Add(std::string raw, bool identified, std::string device) {
    waiting_.push_back({std::move(raw), identified, std::move(device)});
    return waiting_.size() == 1;
}

ScanRecord ScanPipeline::Run(const std::function<void(const ScanRecord&)>& decoded) {
    ScanRecord rec;
    rec.Raw = std::move(waiting_.front().raw);
    rec.Device = std::move(waiting_.front().device);
    const bool identified = waiting_.front().identified;
    waiting_.pop_front();
    DecodeScan(rec, decode_, identified);
    rec.Id = NewScanId();
    if (decoded) decoded(rec);
    ProcessScan(rec, false, delivery_);
    return rec;
}

void ScanPipeline::Reprocess(ScanRecord& rec) {
    // Reads answer from a snapshot; a reprocess sees the settings as they are now.
    delivery_.ini.Refresh();
    // A new scan as far as a server can tell: it must not be dropped as a retry.
    rec.Id = NewScanId();
    ProcessScan(rec, true, delivery_);
}

}  // namespace blenvar

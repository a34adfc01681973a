#include "output/scan_pipeline.h"

namespace blenvar {

bool ScanPipeline::Add(std::string raw, bool identified) {
    waiting_.push_back({std::move(raw), identified});
    return waiting_.size() == 1;
}

ScanRecord ScanPipeline::Run(const std::function<void(const ScanRecord&)>& decoded) {
    ScanRecord rec;
    rec.Raw = std::move(waiting_.front().raw);
    const bool identified = waiting_.front().identified;
    waiting_.pop_front();
    DecodeScan(rec, decode_, identified);
    if (decoded) decoded(rec);
    ProcessScan(rec, false, delivery_);
    return rec;
}

void ScanPipeline::Reprocess(ScanRecord& rec) {
    // Reads answer from a snapshot; a reprocess sees the settings as they are now.
    delivery_.ini.Refresh();
    ProcessScan(rec, true, delivery_);
}

}  // namespace blenvar

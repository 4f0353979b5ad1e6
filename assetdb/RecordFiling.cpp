// Filing the records of a loaded index.
#include "assetdb/RecordFiling.h"

#include <utility>

void VLXPrepareReadRecord(VLXAssetRecord& record)
{
    VLXRebuildSearchText(record);
    VLXApplyLocationRules(record);
}

// Each record is compared with the one before while both are still in the cache; a check over
// the whole array afterwards costs more. Records enter the map in batches: the map's slots are
// spread over megabytes, and look-ups made back to back wait for memory together instead of one
// by one between records.
void VLXRecordFiler::File(const VLXRecordBlock& block, size_t count, bool prepared)
{
    for (size_t i = 0; i < count; ++i) {
        VLXAssetRecordRef record(block, &block[i]);
        if (!prepared)
            VLXPrepareReadRecord(*record);
        if (sorted_ && previous_ && VLXShownNameLess(*record, *previous_))
            sorted_ = false;
        previous_ = record.get();
        pending_[pendingCount_++] = std::move(record);
        if (pendingCount_ == kInsertBatch)
            InsertPending();
    }
}

void VLXRecordFiler::InsertPending()
{
    for (size_t k = 0; k < pendingCount_; ++k)
        // A KUID stored twice replaces the earlier record in its place: the order is not known.
        if (!index_.Insert(std::move(pending_[k])))
            sorted_ = false;
    pendingCount_ = 0;
}

bool VLXRecordFiler::Finish()
{
    InsertPending();
    return sorted_;
}

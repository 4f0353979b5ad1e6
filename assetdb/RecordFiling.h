// Filing the records of a loaded index: what every read record goes through before use, and
// entering them into the map and the array in file order.
#pragma once

#include "assetdb/AssetIndex.h"

#include <cstddef>
#include <memory>

// Records of a loaded index are made in blocks (one allocation for many records); each record
// shares its block's ownership, so a block is freed when the last of its records is dropped.
using VLXRecordBlock = std::shared_ptr<VLXAssetRecord[]>;

// What a read record needs before use, touching nothing but the record itself (so records can
// be prepared on any thread): the search text and the location rules.
void VLXPrepareReadRecord(VLXAssetRecord& record);

// Files read records in file order into the map and the array, and tells whether the array came
// out in name order.
class VLXRecordFiler {
public:
    explicit VLXRecordFiler(VLXAssetIndex& index) : index_(index) {}

    // Files block[0..count); prepares them first unless `prepared`.
    void File(const VLXRecordBlock& block, size_t count, bool prepared = false);
    // Files what is still pending; returns whether the array is in name order.
    bool Finish();

private:
    static constexpr size_t kInsertBatch = 16;
    void InsertPending();

    VLXAssetIndex& index_;
    bool sorted_ = true;
    const VLXAssetRecord* previous_ = nullptr;
    VLXAssetRecordRef pending_[kInsertBatch];
    size_t pendingCount_ = 0;
};

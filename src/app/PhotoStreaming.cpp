// Fills the twelve photo slots around the open spread, nearest pages first, one
// decode per idle frame so that frames stay smooth.

#include "app/FPhotoBookApp.h"

void FPhotoBookApp::StreamPhotoTextures(bool loadAll)
{
    // The right and left page of the open spread, then the next spread, then the previous.
    static constexpr int kPairOrder[6] = {3, 2, 4, 5, 0, 1};
    for (int k : kPairOrder) {
        for (int half = 0; half < 2; ++half) {
            const int slot = 2 * k + half;
            const int32_t photo = SlotPhotoIndex(slot);
            FTexture& record = photoTextures[static_cast<size_t>(slot)];
            if (photo < 0 || photo >= photoCount) {
                record.Clear();
                continue;
            }
            if (record.HasTexture() || !textureLoader)
                continue;
            FString reason;
            if (record.Load(*textureLoader, photoPaths[static_cast<size_t>(photo)], photo, settings->Quality,
                            &reason)) {
                if (!loadAll)
                    return;
            } else {
                unreadablePhotos.emplace(photo, reason);
            }
        }
    }
}

bool FPhotoBookApp::ArePhotoTexturesPending() const
{
    int inList = 0;
    int loaded = 0;
    for (int slot = 0; slot < kPhotoSlotCount; ++slot) {
        const int32_t photo = SlotPhotoIndex(slot);
        if (photo < 0 || photo >= photoCount)
            continue;
        ++inList;
        if (photoTextures[static_cast<size_t>(slot)].HasTexture())
            ++loaded;
    }
    return inList != loaded;
}

// Fills the twelve photo slots around the open spread, nearest pages first. The
// decodes run on worker threads; a frame only uploads one finished image, so the
// picture never waits for a large file.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"

#include <algorithm>
#include <climits>
#include <functional>

namespace {

// The right and left page of the open spread, then the next spread, then the previous.
constexpr int kPairOrder[6] = {3, 2, 4, 5, 0, 1};

// Slots past the window on either side: the next spread forward, then backward.
constexpr int kPrefetchSlots[8] = {12, 13, 14, 15, -4, -3, -2, -1};

// What a frame spends on uploading: a full-size photo takes a few dozen frames,
// a low or normal quality one a single frame.
constexpr size_t kUploadBytesPerFrame = size_t(4) << 20;

// The qualities in the keys of a quick first picture and of a close-up (by the
// long side it is decoded for), apart from the three the user chooses.
constexpr int kPreviewQuality = -1;
int CloseUpQuality(int longSide)
{
    return -2 - longSide;
}

// The long side a key's decode was limited to; full size is unlimited.
int SizeLimitOf(int keyQuality)
{
    return keyQuality <= -2 ? -2 - keyQuality : INT_MAX;
}

// The long side a full-size photo is kept at in the window: the power of two at
// or above the window's longer side. The mip chain never samples finer than the
// window shows, so the picture is the same as from the whole file, in a fraction
// of the memory (a 24-megapixel photo: 15 MB instead of 128 MB). 0: no limit.
int WindowSizeLimit(int clientLongSide)
{
    if (clientLongSide <= 0)
        return 0;
    int limit = 1024;
    while (limit < clientLongSide && limit < (1 << 30))
        limit <<= 1;
    return limit;
}

// Whether the file's type may keep a thumbnail for a quick first picture (JPEG's
// EXIF, HEIF's and AVIF's thumbnail item); the others show nothing until decoded.
bool MayShowQuickPicture(const FString& path)
{
    const FString type = path.Uppered().ExtensionPart();
    for (const char16_t* kind : {u"JPG", u"JPEG", u"JPE", u"HEIC", u"HEIF", u"AVIF"})
        if (type == FString(kind))
            return true;
    return false;
}

// Visits the window's slots that still want their photo, nearest first, until visit
// says stop; slots past either end of the list are emptied on the way.
template <typename Visit> void ForEachSlotToFill(FPhotoBookApp& app, Visit&& visit)
{
    for (int k : kPairOrder) {
        for (int half = 0; half < 2; ++half) {
            const int slot = 2 * k + half;
            const int32_t photo = app.WindowPhotoIndex(slot);
            FTexture& record = app.photoTextures[static_cast<size_t>(slot)];
            if (photo < 0 || photo >= app.photoCount)
                record.Clear();
            else if ((!record.HasTexture() || record.Preview) && !visit(slot, photo, record))
                return;
        }
    }
}

} // namespace

void FPhotoBookApp::NotePhotoFailure(FTexture& record, const FPhotoKey& key, const FString& reason, bool mayPass)
{
    // A file that could not be read for now is tried again after 2 s, then 4, 8,
    // up to a minute; one that failed for what it holds waits until it changes.
    constexpr uint32_t kFirstRetryMs = 2000, kLastRetryMs = 60000;
    record.Failed = true;
    auto [failure, first] = photoFailures.try_emplace(key, FPhotoFailure{reason, mayPass});
    if (first || !(failure->second.reason == reason))
        DebugOutput(reason);
    if (!first && failure->second.retryAt != 0 && lastFrameTime - failure->second.retryAt < 0x80000000u)
        ++failure->second.tries; // came back from a try
    failure->second.reason = reason;
    failure->second.mayPass = mayPass;
    failure->second.retryAt =
        mayPass ? lastFrameTime + std::min(kLastRetryMs, kFirstRetryMs << std::min(failure->second.tries - 1, 5)) : 0;
    if (record.Tag >= 0)
        unreadablePhotos.insert_or_assign(record.Tag, reason);
}

void FPhotoBookApp::NotePhotoShown(int slot, const FPhotoKey& key)
{
    shownKeys_[static_cast<size_t>(slot)] = key;
    photoFailures.erase(key);
    unreadablePhotos.erase(photoTextures[static_cast<size_t>(slot)].Tag);
}

bool FPhotoBookApp::StillFails(FTexture& record, const FPhotoKey& key)
{
    auto failure = photoFailures.find(key);
    if (failure == photoFailures.end())
        return false;
    const FPhotoFailure& f = failure->second;
    if (f.mayPass && static_cast<int32_t>(lastFrameTime - f.retryAt) >= 0)
        return false; // kept, to count the tries
    record.Failed = true;
    if (record.Tag >= 0)
        unreadablePhotos.insert_or_assign(record.Tag, f.reason);
    return true;
}

void FPhotoBookApp::ReloadStaleSlots(const std::function<bool(const FPhotoKey&, const FTexture&)>& stale)
{
    for (int slot = 0; slot < kPhotoSlotCount; ++slot) {
        FTexture& record = photoTextures[static_cast<size_t>(slot)];
        const FPhotoKey& shown = shownKeys_[static_cast<size_t>(slot)];
        if (!record.HasTexture() || record.Preview || !(shown.path == record.Path) || !stale(shown, record))
            continue;
        // The old picture stands in until the new one comes, as a quick picture does.
        if (record.Tag == closeUpPhoto_)
            LetCloseUpGo();
        record.Preview = true;
        shownKeys_[static_cast<size_t>(slot)] = {};
        streamProgress_ = true;
    }
}

void FPhotoBookApp::FollowSlotFiles()
{
    constexpr uint32_t kCheckMs = 1000;
    if (lastFrameTime - filesCheckedAt_ < kCheckMs)
        return;
    filesCheckedAt_ = lastFrameTime;
    // Rewritten, replaced or changed.
    ReloadStaleSlots(
        [](const FPhotoKey& shown, const FTexture&) { return !(FPhotoKey::Of(shown.path, shown.quality) == shown); });
}

void FPhotoBookApp::FollowSlotSizes(int keyQuality)
{
    // Limited to less than wanted, and the file has more.
    ReloadStaleSlots([keyQuality](const FPhotoKey& shown, const FTexture& record) {
        const int had = SizeLimitOf(shown.quality);
        return shown.quality <= -2 && had < SizeLimitOf(keyQuality) && std::max(record.Width, record.Height) > had;
    });
}

void FPhotoBookApp::RestartPhotoStream()
{
    upload_.reset();
    previewsTried_.clear();
    LetCloseUpGo();
    if (photoStream)
        photoStream->Cancel();
}

int FPhotoBookApp::LookedAtSlot() const
{
    // Presets 4 to 7 look at the photo in slot 4 to 7 of a resting book.
    if (!camera || turnState != 0 || camera->presetIndex < 4 || camera->presetIndex > 7)
        return -1;
    const int slot = static_cast<int>(camera->presetIndex);
    const int32_t photo = SlotPhotoIndex(slot);
    return photo >= 0 && photo < photoCount ? slot : -1;
}

void FPhotoBookApp::LetCloseUpGo()
{
    if (closeUpPhoto_ < 0)
        return;
    for (FTexture& record : photoTextures)
        if (record.Tag == closeUpPhoto_ && record.HasTexture())
            record.Texture = closeUpNormal_;
    closeUpPhoto_ = -1;
    closeUpNormal_.reset();
}

bool FPhotoBookApp::DecodesApart()
{
    if (!textureLoader)
        return false;
    if (streamLoader_ != textureLoader) {
        upload_.reset();
        photoStream.reset();
        streamLoader_ = textureLoader;
        std::unique_ptr<FPhotoDecoder> probe = textureLoader->CreateDecoder();
        if (probe) {
            FTextureLoader* loader = textureLoader;
            photoStream = std::make_unique<FPhotoStream>([loader] { return loader->CreateDecoder(); }, 0,
                                                         FPhotoStream::kBudgetBytes, onPhotoDecoded);
        }
    }
    return photoStream != nullptr;
}

void FPhotoBookApp::StreamPhotoTextures(bool loadAll)
{
    streamProgress_ = false;
    if (!textureLoader || !settings)
        return;
    if (!loadAll)
        FollowSlotFiles();
    if (!DecodesApart()) {
        StreamOnThisThread(loadAll);
        return;
    }

    // Full size in the window is limited to what the window can show; a whole book
    // (a movie) loads at full size.
    FDecodeRequest request = textureLoader->DecodeRequest(settings->Quality);
    int quality = settings->Quality; // as the keys have it
    if (const int limit = loadAll ? 0 : WindowSizeLimit(clientLongSide_);
        request.squareSize == 0 && limit > 0 && limit < request.maxSize) {
        request.maxSize = limit;
        quality = CloseUpQuality(limit);
    }
    if (request.squareSize == 0)
        FollowSlotSizes(quality);
    // A quick first picture: the file's own thumbnail, squeezed like a low-quality texture.
    FDecodeRequest previewRequest;
    previewRequest.squareSize = 256;
    previewRequest.preview = true;
    // The photo the camera looks at, as sharp as the window shows it.
    FDecodeRequest closeUpRequest;
    closeUpRequest.squareSize = 0;
    closeUpRequest.maxSize = std::min(request.maxSize, clientLongSide_);
    closeUpRequest.mipChain = true;

    enum class EKind
    {
        Photo,
        CloseUp,
    };
    struct Wanted
    {
        int slot;
        FPhotoKey key;
        EKind kind = EKind::Photo;
        FPhotoKey preview; // empty path: none wanted
    };
    std::vector<Wanted> wanted;
    std::vector<FPhotoJob> previews, jobs;
    bool visibleWanted = false; // a photo on show still waits: nothing else is decoded
    ptrdiff_t visibleBare = 0;  // photos on show that can give no quick picture go first
    ForEachSlotToFill(*this, [&](int slot, int32_t photo, FTexture& record) {
        // Slots 4 to 7 are the open spread's (the one a turn ends on).
        const bool visible = slot >= 4 && slot < 8;
        const FString& path = photoPaths[static_cast<size_t>(photo)];
        if (record.Tag != photo || !(record.Path == path)) {
            record.Clear();
            record.Path = path;
            record.Tag = photo;
        }
        FPhotoKey key = FPhotoKey::Of(path, quality);
        if (StillFails(record, key))
            return true;
        record.Failed = false;
        Wanted want{slot, key};
        const bool showsNothing = visible && !loadAll && !record.HasTexture();
        const bool quick = showsNothing && MayShowQuickPicture(path);
        if (quick) {
            FPhotoKey preview = FPhotoKey::Of(path, kPreviewQuality);
            if (!previewsTried_.count(preview)) {
                previews.push_back({preview, previewRequest, true, true});
                want.preview = std::move(preview);
            }
        }
        const bool urgent = loadAll || (visible && (!record.HasTexture() || record.Preview));
        if (showsNothing && !quick)
            jobs.insert(jobs.begin() + visibleBare++, {key, request, true, true}); // nothing to show until it is done
        else if (visible || !visibleWanted || loadAll)
            jobs.push_back({key, request, true, urgent});
        visibleWanted = visibleWanted || visible;
        wanted.push_back(std::move(want));
        return true;
    });
    // The photo the camera looks at, once its own texture is there, at the size
    // the window needs when the quality's square is smaller.
    const int looked = loadAll ? -1 : LookedAtSlot();
    const int32_t lookedPhoto = looked >= 0 ? SlotPhotoIndex(looked) : -1;
    if (closeUpPhoto_ >= 0 && closeUpPhoto_ != lookedPhoto)
        LetCloseUpGo();
    if (looked >= 0 && closeUpPhoto_ < 0 && request.squareSize > 0 && clientLongSide_ > request.squareSize) {
        const FTexture& record = photoTextures[static_cast<size_t>(looked)];
        if (record.HasTexture() && !record.Preview && !record.Failed) {
            FPhotoKey key = FPhotoKey::Of(record.Path, CloseUpQuality(closeUpRequest.maxSize));
            jobs.insert(jobs.begin() + std::min<ptrdiff_t>(4, static_cast<ptrdiff_t>(jobs.size())),
                        {key, closeUpRequest, true});
            wanted.push_back({looked, std::move(key), EKind::CloseUp, {}});
        }
    }
    const bool resting = turnState == 0 && transparentTurnState == 0;
    if (resting && !loadAll && !visibleWanted) {
        for (int slot : kPrefetchSlots) {
            const int32_t photo = WindowPhotoIndex(slot);
            if (photo >= 0 && photo < photoCount)
                jobs.push_back({FPhotoKey::Of(photoPaths[static_cast<size_t>(photo)], quality), request, false});
        }
    }
    // Quick pictures for what is on show first, across all workers.
    jobs.insert(jobs.begin(), previews.begin(), previews.end());
    photoStream->Request(std::move(jobs));

    // Goes on with the upload under way; false when its photo is no longer wanted.
    const size_t budget = loadAll ? SIZE_MAX : kUploadBytesPerFrame;
    auto stepUpload = [&] {
        auto want = std::find_if(wanted.begin(), wanted.end(), [&](const Wanted& w) { return w.key == uploadKey_; });
        if (want == wanted.end()) {
            photoStream->Keep(uploadKey_, upload_->TakeImage());
            upload_.reset();
            return false;
        }
        streamProgress_ = true;
        if (!upload_->Step(budget))
            return true;
        FTexture& record = photoTextures[static_cast<size_t>(want->slot)];
        FString error;
        if (std::shared_ptr<FGpuTexture> texture = upload_->Finish(&error)) {
            if (want->kind == EKind::CloseUp) {
                closeUpPhoto_ = record.Tag;
                closeUpNormal_ = record.Texture;
                record.Texture = std::move(texture);
            } else {
                record.Texture = std::move(texture);
                record.Preview = false;
                record.Width = uploadWidth_;
                record.Height = uploadHeight_;
                NotePhotoShown(want->slot, uploadKey_);
            }
        } else if (want->kind == EKind::Photo) {
            NotePhotoFailure(record, uploadKey_, record.Path.Concat(FString(u": ")).Concat(error));
        }
        photoStream->Keep(uploadKey_, upload_->TakeImage());
        upload_.reset();
        return true;
    };

    // One upload per frame; with loadAll every one, waiting for the workers (a
    // cache too small for the whole window only makes that take more rounds).
    for (;;) {
        if (loadAll)
            photoStream->WaitIdle();
        if (upload_ && stepUpload() && !loadAll)
            return;
        std::vector<FPhotoJob> again;
        bool progress = false;
        size_t uploaded = 0;
        for (Wanted& want : wanted) {
            FTexture& record = photoTextures[static_cast<size_t>(want.slot)];
            const bool closeUp = want.kind == EKind::CloseUp;
            if (closeUp ? closeUpPhoto_ >= 0 : (record.HasTexture() && !record.Preview) || record.Failed)
                continue;
            FDecodedImage image;
            FString error;
            const FPhotoStream::Result result = photoStream->Take(want.key, image, error);
            if (result == FPhotoStream::Result::NotReady) {
                again.push_back(
                    {want.key, closeUp ? closeUpRequest : request, true, true}); // only while a whole book loads
                // Meanwhile the quick picture, if it came.
                FDecodedImage preview;
                if (!want.preview.path.IsEmpty() && !record.HasTexture() &&
                    photoStream->Take(want.preview, preview, error) != FPhotoStream::Result::NotReady) {
                    previewsTried_.insert(want.preview);
                    streamProgress_ = true;
                    if (std::shared_ptr<FGpuTexture> texture =
                            preview.pixels.empty() ? nullptr
                                                   : textureLoader->CreateTextureFromImage(preview, nullptr)) {
                        record.Texture = std::move(texture);
                        record.Preview = true;
                        record.Width = preview.sourceWidth;
                        record.Height = preview.sourceHeight;
                    }
                }
                continue;
            }
            progress = true;
            streamProgress_ = true;
            if (result == FPhotoStream::Result::Failed || result == FPhotoStream::Result::FailedForNow) {
                if (!closeUp) {
                    record.Texture.reset(); // a preview of a photo that cannot be read goes too
                    record.Preview = false;
                    NotePhotoFailure(record, want.key, error, result == FPhotoStream::Result::FailedForNow);
                }
                continue;
            }
            uploadKey_ = want.key;
            uploadWidth_ = image.sourceWidth;
            uploadHeight_ = image.sourceHeight;
            const size_t bytes = image.ByteSize();
            upload_ = textureLoader->BeginUpload(std::move(image));
            // Textures of Low and Normal Quality are small: several go up in one
            // frame, within its budget; a full-size one goes on alone.
            uploaded += bytes;
            if (stepUpload() && !loadAll && (upload_ || uploaded + bytes > kUploadBytesPerFrame))
                return;
        }
        if (!loadAll || again.empty() || !progress)
            return;
        photoStream->Request(std::move(again));
    }
}

void FPhotoBookApp::StreamOnThisThread(bool loadAll)
{
    ForEachSlotToFill(*this, [&](int slot, int32_t photo, FTexture& record) {
        const FString& path = photoPaths[static_cast<size_t>(photo)];
        const FPhotoKey key = FPhotoKey::Of(path, settings->Quality);
        record.Path = path;
        record.Tag = photo;
        if (StillFails(record, key))
            return true;
        record.Failed = false;
        record.Preview = false;
        record.ReleaseTexture(); // a picture of the file as it was
        streamProgress_ = true;
        FString reason;
        if (record.Load(*textureLoader, path, photo, settings->Quality, &reason)) {
            NotePhotoShown(slot, key);
            return loadAll; // one photo a call, unless all are wanted now
        }
        NotePhotoFailure(record, key, reason);
        return true;
    });
}

bool FPhotoBookApp::WantsFrames() const
{
    const bool moving = turnState != 0 || transparentTurnState != 0 || (camera && camera->InTransition());
    return moving || upload_ != nullptr || streamProgress_;
}

bool FPhotoBookApp::ArePhotoTexturesPending(int firstSlot, int endSlot) const
{
    for (int slot = std::max(firstSlot, 0); slot < std::min(endSlot, kPhotoSlotCount); ++slot) {
        const int32_t photo = WindowPhotoIndex(slot);
        const FTexture& record = photoTextures[static_cast<size_t>(slot)];
        if (photo >= 0 && photo < photoCount && (!record.HasTexture() || record.Preview) && !record.Failed)
            return true;
    }
    return false;
}

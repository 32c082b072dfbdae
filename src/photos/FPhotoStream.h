#pragma once
// Photos decoded on worker threads: the GL thread says which photos it wants, in
// the order it wants them, and takes finished images (or the decoder's reason)
// whenever it has a moment to upload one. Decodes of photos beyond the open
// window are kept in a byte-bounded cache, so a page turn finds them ready.

#include "base/FString.h"
#include "photos/FPhotoDecoder.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

// One decode of one state of a file: a photo rotated, copied over or rewritten on
// disk gets another key and is decoded again.
struct FPhotoKey
{
    FString path;
    int quality = 0;
    // What tells one state of the file from another: a copy that keeps the times
    // and size (cp -p, rsync -t) still has a new inode or change time, and so does
    // a chmod. modified -1: the file is not there.
    int64_t modified = -1; // nanoseconds
    int64_t changed = -1;  // nanoseconds of the inode's change time
    int64_t size = -1;
    uint64_t inode = 0;
    uint64_t device = 0;

    // The key of the file as it is on disk now: one stat.
    static FPhotoKey Of(const FString& path, int quality);
    auto Tie() const { return std::tie(quality, modified, changed, size, inode, device, path.Str()); }
    bool operator<(const FPhotoKey& o) const { return Tie() < o.Tie(); }
    bool operator==(const FPhotoKey& o) const { return Tie() == o.Tie(); }
};

// Decoded images by key, least recently used first out once over the byte bound.
// The newest entry stays even when it alone is over the bound. Not thread-safe.
class FDecodedCache
{
public:
    explicit FDecodedCache(size_t maxBytes) : maxBytes_(maxBytes) {}
    void Put(const FPhotoKey& key, FDecodedImage image);
    // Moves the image out (the entry goes); false when there is none.
    bool Take(const FPhotoKey& key, FDecodedImage& image);
    bool Contains(const FPhotoKey& key) const { return entries_.count(key) != 0; }
    size_t Bytes() const { return bytes_; }
    size_t Count() const { return entries_.size(); }
    void Clear();
    // Drops the least recently used until at most maxBytes are held, all if need be.
    void Trim(size_t maxBytes);

private:
    using Order = std::list<FPhotoKey>;
    struct Entry
    {
        FDecodedImage image;
        Order::iterator use;
    };
    size_t maxBytes_;
    size_t bytes_ = 0;
    Order order_; // most recently used first
    std::map<FPhotoKey, Entry> entries_;
};

struct FPhotoJob
{
    FPhotoKey key;
    FDecodeRequest request;
    // Wanted for a slot of the open window now, not only ahead of time.
    bool forSlot = true;
    // Something on show, or a whole book, waits for it: every worker may take it.
    // Other jobs go to the first worker alone, so the frames keep a core.
    bool urgent = false;
};

class FPhotoStream
{
public:
    using DecoderFactory = std::function<std::unique_ptr<FPhotoDecoder>()>;
    // Every decoded image the stream holds, being decoded, waiting for its slot or
    // cached, counts in one budget. Over it, the cache gives way first, and a
    // decode starts only while its image fits beside those waiting for slots and
    // those under way; a slot's photo is not decoded faster than the frames can
    // take them up. Quick pictures, and the next decode when nothing else is held,
    // always start.
    static constexpr size_t kBudgetBytes = size_t(256) << 20;
    // The workers' niceness: the thread that draws the frames comes first.
    static constexpr int kWorkerNice = 5;

    // threads 0: one per hardware thread. The decoders are
    // made here, one per worker. decoded, if set, is called on the worker after a
    // decode of a photo the slots wait for ends, its result stored (or dropped as
    // no longer wanted).
    explicit FPhotoStream(const DecoderFactory& makeDecoder, int threads = 0, size_t budgetBytes = kBudgetBytes,
                          std::function<void()> decoded = {});
    ~FPhotoStream();
    FPhotoStream(const FPhotoStream&) = delete;
    FPhotoStream& operator=(const FPhotoStream&) = delete;

    // The photos wanted now, most urgent first; replaces what is still queued.
    // Photos already decoded, failed or being decoded are not decoded again.
    void Request(std::vector<FPhotoJob> jobs);
    // A folder, sort or quality change: nothing queued or being decoded now is
    // wanted any more, nor kept.
    void Cancel();
    // Blocks until nothing is being decoded and nothing queued can start: the
    // queue is empty, or the images waiting for slots fill the budget.
    void WaitIdle();

    enum class Result
    {
        NotReady,
        Decoded,
        Failed,       // for what the file holds: the same file fails again
        FailedForNow, // the file could not be read now (FPhotoDecoder::FailureMayPass)
    };
    // A finished image (moved out) or the decoder's reason, each handed out once.
    Result Take(const FPhotoKey& key, FDecodedImage& image, FString& error);
    // An image the caller is done with goes back to the cache for later turns.
    void Keep(const FPhotoKey& key, FDecodedImage image);

    int Threads() const { return static_cast<int>(workers_.size()); }
    // Decodes begun so far (all workers).
    uint64_t DecodesStarted() const;
    size_t CachedBytes() const;
    // All decoded bytes held: waiting for slots, cached, and reserved for the
    // decodes under way.
    size_t HeldBytes() const;

private:
    void Work(FPhotoDecoder& decoder, bool first);
    bool Known(const FPhotoKey& key) const; // lock held
    // Lock held: whether a decode may start within the budget, and the cache cut
    // to what the images waiting for slots leave of it.
    bool MayStart() const;
    void FitBudget();
    // What a job's image will take, as far as can be told before decoding it.
    size_t Estimate(const FPhotoJob& job) const;

    mutable std::mutex mutex_;
    std::condition_variable wake_; // workers: a job came, or stop
    std::condition_variable idle_; // waiters: a job ended
    std::vector<FPhotoJob> queue_; // front is next
    std::vector<FPhotoKey> running_;
    std::map<FPhotoKey, FDecodedImage> ready_; // for slots, held until taken
    size_t readyBytes_ = 0;
    size_t flightBytes_ = 0;   // estimates of the decodes under way
    size_t largestImage_ = 0;  // of the full-size images decoded since the last Cancel
    const size_t budget_;
    struct Failure
    {
        FString reason;
        bool mayPass = false;
    };
    std::map<FPhotoKey, Failure> failed_;
    std::set<FPhotoKey> slotKeys_; // what the last request wanted for slots
    FDecodedCache cache_;
    uint64_t generation_ = 0;
    uint64_t started_ = 0;
    bool stop_ = false;
    std::function<void()> decoded_;
    std::vector<std::unique_ptr<FPhotoDecoder>> decoders_;
    std::vector<std::thread> workers_;
};

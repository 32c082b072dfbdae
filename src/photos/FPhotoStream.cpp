#include "photos/FPhotoStream.h"

#include <algorithm>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <set>

FPhotoKey FPhotoKey::Of(const FString& path, int quality)
{
    FPhotoKey key;
    key.path = path;
    key.quality = quality;
    struct stat st{};
    if (::stat(path.ToUtf8().c_str(), &st) != 0)
        return key;
    constexpr int64_t kNano = 1'000'000'000;
    key.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * kNano + st.st_mtim.tv_nsec;
    key.changed = static_cast<int64_t>(st.st_ctim.tv_sec) * kNano + st.st_ctim.tv_nsec;
    key.size = static_cast<int64_t>(st.st_size);
    key.inode = static_cast<uint64_t>(st.st_ino);
    key.device = static_cast<uint64_t>(st.st_dev);
    return key;
}

void FDecodedCache::Put(const FPhotoKey& key, FDecodedImage image)
{
    FDecodedImage old;
    Take(key, old);
    bytes_ += image.ByteSize();
    order_.push_front(key);
    entries_.emplace(key, Entry{std::move(image), order_.begin()});
    while (bytes_ > maxBytes_ && entries_.size() > 1) {
        auto oldest = entries_.find(order_.back());
        bytes_ -= oldest->second.image.ByteSize();
        entries_.erase(oldest);
        order_.pop_back();
    }
}

bool FDecodedCache::Take(const FPhotoKey& key, FDecodedImage& image)
{
    auto found = entries_.find(key);
    if (found == entries_.end())
        return false;
    bytes_ -= found->second.image.ByteSize();
    order_.erase(found->second.use);
    image = std::move(found->second.image);
    entries_.erase(found);
    return true;
}

void FDecodedCache::Trim(size_t maxBytes)
{
    while (bytes_ > maxBytes && !entries_.empty()) {
        auto oldest = entries_.find(order_.back());
        bytes_ -= oldest->second.image.ByteSize();
        entries_.erase(oldest);
        order_.pop_back();
    }
}

void FDecodedCache::Clear()
{
    entries_.clear();
    order_.clear();
    bytes_ = 0;
}

FPhotoStream::FPhotoStream(const DecoderFactory& makeDecoder, int threads, size_t budgetBytes,
                           std::function<void()> decoded)
    : budget_(budgetBytes), cache_(budgetBytes), decoded_(std::move(decoded))
{
    // As many workers as cores: the photos on show decode side by side. They run
    // below the user interface's priority, so a frame never waits for a decode;
    // and only the first works ahead of time.
    if (threads <= 0)
        threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    for (int i = 0; i < threads; ++i) {
        std::unique_ptr<FPhotoDecoder> decoder = makeDecoder();
        if (decoder)
            decoders_.push_back(std::move(decoder));
    }
    for (size_t i = 0; i < decoders_.size(); ++i)
        workers_.emplace_back([this, d = decoders_[i].get(), first = i == 0] { Work(*d, first); });
}

FPhotoStream::~FPhotoStream()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

bool FPhotoStream::Known(const FPhotoKey& key) const
{
    return ready_.count(key) || failed_.count(key) || cache_.Contains(key) ||
           std::find(running_.begin(), running_.end(), key) != running_.end();
}

void FPhotoStream::Request(std::vector<FPhotoJob> jobs)
{
    {
        std::lock_guard lock(mutex_);
        // Images finished for slots the window has left wait in the cache instead.
        std::set<FPhotoKey>& forSlots = slotKeys_;
        forSlots.clear();
        for (const FPhotoJob& job : jobs)
            if (job.forSlot)
                forSlots.insert(job.key);
        for (auto it = ready_.begin(); it != ready_.end();) {
            if (forSlots.count(it->first)) {
                ++it;
                continue;
            }
            readyBytes_ -= it->second.ByteSize();
            cache_.Put(it->first, std::move(it->second));
            it = ready_.erase(it);
        }
        // A slot's photo prefetched earlier moves to where the slot takes it from.
        for (const FPhotoKey& key : forSlots) {
            FDecodedImage image;
            if (cache_.Take(key, image)) {
                readyBytes_ += image.ByteSize();
                ready_.emplace(key, std::move(image));
            }
        }
        FitBudget();
        queue_.clear();
        std::set<FPhotoKey> queued;
        for (FPhotoJob& job : jobs)
            if (!Known(job.key) && queued.insert(job.key).second)
                queue_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void FPhotoStream::Cancel()
{
    std::lock_guard lock(mutex_);
    ++generation_;
    queue_.clear();
    ready_.clear();
    readyBytes_ = 0;
    largestImage_ = 0;
    wake_.notify_all();
    failed_.clear();
    slotKeys_.clear();
}

void FPhotoStream::WaitIdle()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return workers_.empty() || (running_.empty() && (queue_.empty() || !MayStart())); });
}

FPhotoStream::Result FPhotoStream::Take(const FPhotoKey& key, FDecodedImage& image, FString& error)
{
    std::lock_guard lock(mutex_);
    if (auto found = ready_.find(key); found != ready_.end()) {
        readyBytes_ -= found->second.ByteSize();
        image = std::move(found->second);
        ready_.erase(found);
        wake_.notify_all(); // room in the budget, maybe
        return Result::Decoded;
    }
    if (cache_.Take(key, image))
        return Result::Decoded;
    if (auto found = failed_.find(key); found != failed_.end()) {
        error = std::move(found->second.reason);
        const bool mayPass = found->second.mayPass;
        failed_.erase(found);
        return mayPass ? Result::FailedForNow : Result::Failed;
    }
    return Result::NotReady;
}

void FPhotoStream::Keep(const FPhotoKey& key, FDecodedImage image)
{
    std::lock_guard lock(mutex_);
    cache_.Put(key, std::move(image));
    FitBudget();
}

size_t FPhotoStream::Estimate(const FPhotoJob& job) const
{
    const FDecodeRequest& r = job.request;
    if (r.squareSize <= 0)
        return largestImage_;
    const size_t square = size_t(r.squareSize) * size_t(r.squareSize) * 4;
    return r.mipChain ? square / 3 * 4 : square;
}

bool FPhotoStream::MayStart() const
{
    // Something always goes on: with nothing waiting and nothing under way, the
    // next starts whatever its size. A quick picture is small and something on
    // show waits for it. Everything else waits until its image fits beside those
    // waiting for slots and those under way; the cache gives way to them.
    const FPhotoJob& next = queue_.front();
    if ((ready_.empty() && flightBytes_ == 0) || next.request.preview)
        return true;
    return readyBytes_ + flightBytes_ + Estimate(next) <= budget_;
}

void FPhotoStream::FitBudget()
{
    const size_t taken = readyBytes_ + flightBytes_;
    cache_.Trim(budget_ > taken ? budget_ - taken : 0);
}

size_t FPhotoStream::HeldBytes() const
{
    std::lock_guard lock(mutex_);
    return readyBytes_ + flightBytes_ + cache_.Bytes();
}

uint64_t FPhotoStream::DecodesStarted() const
{
    std::lock_guard lock(mutex_);
    return started_;
}

size_t FPhotoStream::CachedBytes() const
{
    std::lock_guard lock(mutex_);
    return cache_.Bytes();
}

void FPhotoStream::Work(FPhotoDecoder& decoder, bool first)
{
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock,
                   [&] { return stop_ || (!queue_.empty() && (first || queue_.front().urgent) && MayStart()); });
        if (stop_)
            return;
        FPhotoJob job = std::move(queue_.front());
        queue_.erase(queue_.begin());
        if (!queue_.empty() && queue_.front().urgent)
            wake_.notify_all();
        const uint64_t generation = generation_;
        const size_t reserved = Estimate(job);
        flightBytes_ += reserved;
        FitBudget();
        running_.push_back(job.key);
        ++started_;
        lock.unlock();

        FDecodedImage image;
        FString error;
        bool decoded = decoder.Decode(job.key.path, job.request, image, &error);
        const bool mayPass = !decoded && decoder.FailureMayPass();
        if (decoded && job.request.mipChain)
            BuildMipChain(image);
        // Written to while being read: what was read may be neither state, so the
        // decode counts for nothing and the next request reads the file again.
        const bool unchanged = FPhotoKey::Of(job.key.path, job.key.quality) == job.key;

        lock.lock();
        flightBytes_ -= reserved;
        if (decoded && job.request.squareSize <= 0)
            largestImage_ = std::max(largestImage_, image.ByteSize());
        running_.erase(std::find(running_.begin(), running_.end(), job.key));
        if (generation == generation_ && unchanged && !stop_) {
            if (!decoded)
                failed_[job.key] = {error.IsEmpty() ? job.key.path : error, mayPass};
            else if (job.forSlot) {
                readyBytes_ += image.ByteSize();
                FDecodedImage& slot = ready_[job.key];
                readyBytes_ -= slot.ByteSize(); // a second decode of the same state
                slot = std::move(image);
            } else {
                cache_.Put(job.key, std::move(image));
            }
            FitBudget();
        }
        wake_.notify_all(); // its reservation is free for the next
        idle_.notify_all();
        // Only a photo a slot waits for is news; one decoded ahead of time is not.
        if (decoded_ && slotKeys_.count(job.key)) {
            lock.unlock();
            decoded_();
            lock.lock();
        }
    }
}

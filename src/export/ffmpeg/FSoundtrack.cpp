#include "export/ffmpeg/FSoundtrack.h"

#include "export/SoundtrackMix.h"
#include "export/ffmpeg/FFmpegPtr.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// How reading one file went: error < 0 when it could not be read at all.
struct FSoundRead
{
    int error = 0;
    int64_t samples = 0; // decoded, whether kept or not
    bool stoppedEarly = false;
};

class FSoundReader
{
public:
    FSoundReader(int64_t needed, FMusic& music) : needed_(needed), music_(music) {}
    ~FSoundReader() { av_channel_layout_uninit(&layout_); }
    FSoundReader(const FSoundReader&) = delete;
    FSoundReader& operator=(const FSoundReader&) = delete;

    FSoundRead Read(AVFormatContext* input)
    {
        if ((read_.error = avformat_find_stream_info(input, nullptr)) < 0)
            return read_;
        const AVCodec* codec = nullptr;
        const int index = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        read_.error = 0;
        if (index < 0 || !codec)
            return read_; // no sound in it
        decoder_.reset(avcodec_alloc_context3(codec));
        packet_.reset(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!decoder_ || !packet_ || !frame_)
            return read_.error = AVERROR(ENOMEM), read_;
        // The stream's time base lets the decoder drop MP3's and AAC's priming by the stamps.
        decoder_->pkt_timebase = input->streams[index]->time_base;
        if ((read_.error = avcodec_parameters_to_context(decoder_.get(), input->streams[index]->codecpar)) < 0 ||
            (read_.error = avcodec_open2(decoder_.get(), codec, nullptr)) < 0)
            return read_;
        // A damaged packet or a broken tail ends the sound there, as in a player;
        // a file that gives none at all is no sound.
        while (av_read_frame(input, packet_.get()) >= 0) {
            const int sent = packet_->stream_index == index ? avcodec_send_packet(decoder_.get(), packet_.get()) : 0;
            av_packet_unref(packet_.get());
            if ((sent < 0 && sent != AVERROR_INVALIDDATA) || TakeFrames() < 0)
                return read_;
            if (Full() && read_.samples > 0) {
                read_.stoppedEarly = true;
                return read_;
            }
        }
        avcodec_send_packet(decoder_.get(), nullptr);
        if (TakeFrames() >= 0 && resample_)
            Append(nullptr, 0);
        return read_;
    }

private:
    bool Full() const { return static_cast<int64_t>(music_.left.size()) >= needed_; }

    int TakeFrames()
    {
        for (;;) {
            const int received = avcodec_receive_frame(decoder_.get(), frame_.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return 0;
            if (received < 0)
                return received;
            const int made = Resampler() < 0 ? -1
                                             : Append(const_cast<const uint8_t**>(frame_->extended_data),
                                                      frame_->nb_samples);
            av_frame_unref(frame_.get());
            if (made < 0)
                return made;
        }
    }

    // A stream may change its rate or channels midway: the resampler follows.
    int Resampler()
    {
        AVChannelLayout layout{};
        if (frame_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&layout, frame_->ch_layout.nb_channels);
        else if (av_channel_layout_copy(&layout, &frame_->ch_layout) < 0)
            return -1;
        if (resample_ && frame_->format == format_ && frame_->sample_rate == rate_ &&
            av_channel_layout_compare(&layout, &layout_) == 0) {
            av_channel_layout_uninit(&layout);
            return 0;
        }
        if (resample_)
            Append(nullptr, 0); // what the old one holds back
        av_channel_layout_uninit(&layout_);
        layout_ = layout;
        format_ = frame_->format;
        rate_ = frame_->sample_rate;
        SwrContext* context = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO; // not const in FFmpeg 5.1's prototype
        const int made = swr_alloc_set_opts2(&context, &stereo, AV_SAMPLE_FMT_FLTP, kSoundRate, &layout_,
                                             static_cast<AVSampleFormat>(format_), rate_, 0, nullptr);
        resample_.reset(context);
        if (made < 0 || !context || swr_init(context) < 0) {
            resample_.reset();
            return -1;
        }
        return 0;
    }

    // Resamples count input samples (none: flushes) and keeps what still fits.
    int Append(const uint8_t** data, int count)
    {
        const int room = swr_get_out_samples(resample_.get(), count);
        if (room <= 0)
            return room;
        left_.resize(static_cast<size_t>(room));
        right_.resize(static_cast<size_t>(room));
        uint8_t* out[2] = {reinterpret_cast<uint8_t*>(left_.data()), reinterpret_cast<uint8_t*>(right_.data())};
        const int made = swr_convert(resample_.get(), out, room, data, count);
        if (made < 0)
            return made;
        read_.samples += made;
        const int64_t keep = std::min<int64_t>(made, needed_ - static_cast<int64_t>(music_.left.size()));
        for (int64_t i = 0; i < keep; ++i) {
            music_.left.push_back(ToMusicSample(left_[static_cast<size_t>(i)]));
            music_.right.push_back(ToMusicSample(right_[static_cast<size_t>(i)]));
        }
        return made;
    }

    int64_t needed_;
    FMusic& music_;
    FSoundRead read_;
    FAvCodecPtr decoder_;
    FAvPacketPtr packet_;
    FAvFramePtr frame_;
    FSwrPtr resample_;
    AVChannelLayout layout_{};
    int format_ = -1;
    int rate_ = 0;
    std::vector<float> left_, right_;
};

// The file's length: what was decoded, or what the file says when decoding stopped early.
double FileSeconds(const AVFormatContext* input, const FSoundRead& read)
{
    const double decoded = static_cast<double>(read.samples) / kSoundRate;
    if (read.stoppedEarly && input->duration > 0)
        return std::max(decoded, static_cast<double>(input->duration) / AV_TIME_BASE);
    return decoded;
}

// Bytes in memory as a file FFmpeg reads.
struct FMemoryFile
{
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    static int ReadPacket(void* opaque, uint8_t* buffer, int wanted)
    {
        auto* file = static_cast<FMemoryFile*>(opaque);
        const size_t count = std::min(static_cast<size_t>(wanted), file->size - file->at);
        if (count == 0)
            return AVERROR_EOF;
        std::memcpy(buffer, file->data + file->at, count);
        file->at += count;
        return static_cast<int>(count);
    }
    static int64_t Seek(void* opaque, int64_t offset, int whence)
    {
        auto* file = static_cast<FMemoryFile*>(opaque);
        if (whence & AVSEEK_SIZE)
            return static_cast<int64_t>(file->size);
        const int64_t base = (whence & 3) == SEEK_CUR ? static_cast<int64_t>(file->at)
                             : (whence & 3) == SEEK_END ? static_cast<int64_t>(file->size)
                                                        : 0;
        const int64_t to = base + offset;
        if (to < 0 || to > static_cast<int64_t>(file->size))
            return AVERROR(EINVAL);
        file->at = static_cast<size_t>(to);
        return to;
    }
};

} // namespace

FString LoadMusic(const std::vector<FString>& files, int64_t needed, FMusic& music)
{
    music = FMusic();
    for (const FString& file : files) {
        const auto refuse = [&](int error) {
            const FString start = FString(u"Music file ") + file;
            if (error == 0)
                return start + FString(u" holds no sound.");
            char reason[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(error, reason, sizeof reason);
            return start + FString(u" cannot be read: ") + FString::FromUtf8(reason) + FString(u".");
        };
        // Without the scheme FFmpeg reads "12:30.mp3" as a protocol. A file that opens
        // but that no demuxer takes is no sound, whatever the demuxer says (a probe that
        // reads garbage as MP3 ends in "Invalid argument").
        const std::string url = "file:" + file.ToUtf8();
        FAvioPtr probe;
        AVIOContext* io = nullptr;
        const int readable = avio_open(&io, url.c_str(), AVIO_FLAG_READ);
        probe.reset(io);
        if (readable < 0)
            return refuse(readable);
        probe.reset();
        FAvInputPtr input;
        if (const int opened = OpenInput(input, url.c_str()); opened < 0)
            return refuse(opened == AVERROR(EISDIR) || opened == AVERROR(EIO) ? opened : 0);
        // Past the open, what fails is the content: a file of no sound FFmpeg knows.
        const FSoundRead read = FSoundReader(needed, music).Read(input.get());
        if (read.error < 0 || read.samples == 0)
            return refuse(0);
        music.seconds += FileSeconds(input.get(), read);
    }
    return FString();
}

std::string DecodeMusicBytes(const uint8_t* data, size_t size, int64_t needed, FMusic& music)
{
    music = FMusic();
    FMemoryFile file{data, size};
    constexpr int kBufferSize = 4096;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    if (!buffer)
        return "out of memory";
    FAvioBufferPtr io(
        avio_alloc_context(buffer, kBufferSize, 0, &file, &FMemoryFile::ReadPacket, nullptr, &FMemoryFile::Seek));
    if (!io) {
        av_free(buffer);
        return "out of memory";
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return "out of memory";
    context->pb = io.get();
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    FAvInputPtr input;
    const int opened = avformat_open_input(&context, nullptr, nullptr, nullptr);
    if (opened < 0) // the context is freed on failure
        return AvErrorText("open", opened);
    input.reset(context);
    const FSoundRead read = FSoundReader(needed, music).Read(input.get());
    if (read.error < 0)
        return AvErrorText("read", read.error);
    if (read.samples == 0)
        return "no sound";
    music.seconds = FileSeconds(input.get(), read);
    return "";
}

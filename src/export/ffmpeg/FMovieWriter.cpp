#include "export/ffmpeg/FMovieWriter.h"

#include "export/ffmpeg/EncoderSetup.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FSoundtrack.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
const char16_t* const kFrameNotStored = u"Error exporting frame. Maybe you run out of diskspace.";

// The rate frames are stamped with: the frame length in 100 ns units is truncated
// from the float rate first (29.97f gives 333 667), as players were always given;
// den <= 65535 keeps MPEG-4's time base legal.
AVRational FrameRate(float framesPerSecond)
{
    if (framesPerSecond <= 0)
        return {25, 1};
    const int64_t frameLength = static_cast<int64_t>(10000000.0 / static_cast<double>(framesPerSecond));
    return av_d2q(1e7 / static_cast<double>(frameLength), 65535);
}

// Chapters go in before the header, owned by the context from then on (freed with
// it). Times count frames, so each chapter starts exactly on its frame whatever the
// muxer rescales them to; each ends where the next begins, the last with the movie.
int AddChapters(AVFormatContext* format, const std::vector<FMovieChapter>& chapters, AVRational frameLength,
                int64_t totalFrames)
{
    if (chapters.empty())
        return 0;
    auto* list = static_cast<AVChapter**>(av_calloc(chapters.size(), sizeof(AVChapter*)));
    if (!list)
        return AVERROR(ENOMEM);
    format->chapters = list;
    for (size_t i = 0; i < chapters.size(); ++i) {
        AVChapter* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return AVERROR(ENOMEM);
        list[i] = chapter;
        format->nb_chapters = static_cast<unsigned>(i + 1);
        chapter->id = static_cast<int64_t>(i + 1);
        chapter->time_base = frameLength;
        chapter->start = chapters[i].frame;
        chapter->end = i + 1 < chapters.size() ? chapters[i + 1].frame : std::max(totalFrames, chapter->start + 1);
        const int titled = av_dict_set(&chapter->metadata, "title", chapters[i].title.ToUtf8().c_str(), 0);
        if (titled < 0)
            return titled;
    }
    return 0;
}

void RemoveFile(const FString& path)
{
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(path.ToUtf8()), ignored);
}
} // namespace

FMovieWriter::FMovieWriter(std::chrono::milliseconds frameWait, int slotCount)
    : frameWait_(frameWait), slots_(static_cast<size_t>(std::max(slotCount, 1)))
{
    // Encoders chat at the info level (x264 prints its whole option string); our own
    // messages say what went wrong, FFmpeg's warnings and errors still reach stderr.
    if (av_log_get_level() > AV_LOG_WARNING)
        av_log_set_level(AV_LOG_WARNING);
}

FMovieWriter::~FMovieWriter()
{
    Finish();
}

FSinkError FMovieWriter::Fail(const FString& text, const char* what, int error)
{
    std::lock_guard lock(mutex_);
    if (!failed_) {
        failed_ = true;
        error_ = {true, text, what ? FString::FromUtf8(AvErrorText(what, error)) : FString()};
    }
    changed_.notify_all();
    return error_;
}

FSinkError FMovieWriter::Failure() const
{
    std::lock_guard lock(mutex_);
    return failed_ ? error_ : FSinkError{};
}

FSinkError FMovieWriter::Open(const FMovieConfig& config, const FFrameView& source)
{
    if (format_ || finished_ || config.path.IsEmpty())
        return Fail(FString());
    config_ = config;
    grabber_ = std::make_unique<FFrameGrabber>(source, config.width, config.height);
    if (!grabber_->IsValid())
        return Fail(FString());
    frameRate_ = FrameRate(config.framesPerSecond);

    AVFormatContext* format = nullptr;
    const int allocated =
        avformat_alloc_output_context2(&format, nullptr, MuxerName(config.container), config.path.ToUtf8().c_str());
    if (allocated < 0 || !format)
        return Fail(FString(), "Could not create the muxer", allocated < 0 ? allocated : AVERROR(ENOMEM));
    format_.reset(format);
    packet_.reset(av_packet_alloc());
    if (!packet_)
        return Fail(FString(), "Could not allocate a packet", AVERROR(ENOMEM));

    const FString& name = config.encoderName;
    const AVCodec* codec = !name.IsEmpty() ? FindEncoderByName(name) : nullptr;
    if (name.IsEmpty()) {
        const AVCodec* h264 = config.h264 ? BestH264Encoder() : nullptr;
        codec = h264 && ContainerCarriesEncoder(config.container, h264) ? h264 : DefaultEncoder(config.container);
    }
    if (name.IsEmpty() && !codec && config.container != FMovieContainer::Avi)
        return Fail(FString(u"No encoder for ") + FString::FromUtf8(ContainerLabel(config.container)) +
                    FString(u" files is built into this FFmpeg."));
    if (!name.IsEmpty() && !codec)
        return Fail(FString(u"Could not create the ") + name + FString(u" encoder filter object."));
    if (codec) {
        if (const FSinkError failed = OpenEncoder(name.IsEmpty() ? EncoderFriendlyName(codec) : name, codec))
            return failed;
    } else {
        // The grabber's rows go into the file as they are: bottom-up, each padded to 4
        // bytes, which is what an uncompressed AVI frame is when the stream says so.
        stream_ = avformat_new_stream(format_.get(), nullptr);
        if (!stream_)
            return Fail(FString(), "Could not add a video stream", AVERROR(ENOMEM));
        AVCodecParameters* par = stream_->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0; // BI_RGB
        par->format = AV_PIX_FMT_BGR24;
        par->bits_per_coded_sample = 24;
        par->width = config.width;
        par->height = config.height;
        stream_->time_base = av_inv_q(frameRate_);
        stream_->avg_frame_rate = frameRate_;
        if (config.container == FMovieContainer::Avi) {
            const int flipped = av_opt_set_int(format_->priv_data, "flipped_raw_rgb", 1, 0);
            if (flipped < 0)
                return Fail(FString(), "Could not store raw rows bottom-up", flipped);
        }
    }
    if (!config.musicFiles.empty())
        if (const FSinkError failed = OpenSoundtrack())
            return failed;
    if (const FSinkError failed = OpenFile())
        return failed;

    const size_t slotBytes = static_cast<size_t>(source.width) * static_cast<size_t>(source.height) * 4;
    for (std::vector<uint8_t>& slot : slots_)
        slot.resize(slotBytes);
    sourceWidth_ = source.width;
    sourceHeight_ = source.height;
    worker_ = std::thread([this] { Work(); });
    return {};
}

FSinkError FMovieWriter::OpenEncoder(const FString& name, const AVCodec* codec)
{
    if (!ContainerCarriesEncoder(config_.container, codec))
        return Fail(FString(u"The ") + name + FString(u" encoder filter says that it can't be used to create ") +
                    FString::FromUtf8(ContainerLabel(config_.container)) +
                    FString(u" files.\n\nPlease try another encoder."));
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        return Fail(FString(u"Could not add the ") + name + FString(u" encoder filter to the graph."),
                    "Could not allocate the encoder", AVERROR(ENOMEM));
    encoder_->codec_type = AVMEDIA_TYPE_VIDEO;
    encoder_->width = config_.width;
    encoder_->height = config_.height;
    encoder_->time_base = av_inv_q(frameRate_);
    encoder_->framerate = frameRate_;
    if (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)
        encoder_->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER)
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    ConfigureEncoder(encoder_.get(), codec, config_.quality, &options);
    // The encoder may keep a standard rate close to the one asked for.
    frameRate_ = encoder_->framerate;
    // Some encoders open at sizes they then fail to store: refused here, before any file exists.
    const int opened = encoder_->pix_fmt == AV_PIX_FMT_NONE || !EncoderTakesSize(codec, config_.width, config_.height)
                           ? AVERROR(EINVAL)
                           : avcodec_open2(encoder_.get(), codec, &options);
    av_dict_free(&options);
    if (opened < 0) {
        FString text = FString(u"Could not connect the ") + name + FString(u" encoder filter to the source filter.");
        if (config_.width != 640 || config_.height != 480)
            text.Append(FString(u"\n\nMaybe the ") + name +
                        FString(u" encoder does not like your resolution. To find out if this is the case you "
                                u"could try a standard resolution like 640x480."));
        text.Append(FString(u"\n\nPlease try another encoder."));
        return Fail(text, "Could not open the encoder", opened);
    }
    // Starting at the grabber's last row with a negative stride turns its bottom-up rows upright.
    convert_ = MakeConverter(encoder_.get());
    frame_.reset(av_frame_alloc());
    const FString toMux(u"Could not connect encoder filter to mux filter.\n\nPlease try another encoder.");
    if (!convert_ || !frame_)
        return Fail(toMux, "Could not convert BGR24 to the encoder's pixel format", AVERROR(EINVAL));
    frame_->format = encoder_->pix_fmt;
    frame_->width = config_.width;
    frame_->height = config_.height;
    const int buffer = av_frame_get_buffer(frame_.get(), 0);
    if (buffer < 0)
        return Fail(toMux, "Could not allocate a frame", buffer);
    stream_ = avformat_new_stream(format_.get(), nullptr);
    if (!stream_)
        return Fail(toMux, "Could not add a video stream", AVERROR(ENOMEM));
    const int copied = avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
    if (copied < 0)
        return Fail(toMux, "Could not pass the encoder's parameters to the muxer", copied);
    stream_->time_base = encoder_->time_base;
    stream_->avg_frame_rate = frameRate_;
    return {};
}

FSinkError FMovieWriter::OpenSoundtrack()
{
    const bool compressed = encoder_ && encoder_->codec_id != AV_CODEC_ID_RAWVIDEO;
    const AVCodec* codec = SoundEncoder(config_.container, compressed);
    const FString label = FString::FromUtf8(ContainerLabel(config_.container));
    if (!codec)
        return Fail(FString(u"No sound encoder for ") + label + FString(u" files is built into this FFmpeg."));
    const int64_t length = SoundSamplesFor(config_.totalFrames, frameRate_.num, frameRate_.den);
    if (length <= 0)
        return Fail(FString(u"The movie's length is not known, so no music can be fitted to it."));
    FMusic music;
    if (const FString refusal = LoadMusic(config_.musicFiles, length, music); !refusal.IsEmpty())
        return Fail(refusal);
    musicSeconds_ = music.seconds;
    music_ = std::make_unique<FSoundtrackMix>(std::move(music.left), std::move(music.right), length);

    const FString noSound = FString(u"Could not add the ") + FString::FromUtf8(codec->name) +
                            FString(u" sound encoder to ") + label + FString(u" files.");
    soundEncoder_.reset(avcodec_alloc_context3(codec));
    if (!soundEncoder_)
        return Fail(noSound, "Could not allocate the sound encoder", AVERROR(ENOMEM));
    ConfigureSoundEncoder(soundEncoder_.get(), codec);
    if (format_->oformat->flags & AVFMT_GLOBALHEADER)
        soundEncoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = soundEncoder_->sample_fmt == AV_SAMPLE_FMT_NONE
                           ? AVERROR(EINVAL)
                           : avcodec_open2(soundEncoder_.get(), codec, nullptr);
    if (opened < 0)
        return Fail(noSound, "Could not open the sound encoder", opened);
    const bool anySize = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || soundEncoder_->frame_size <= 0;
    soundFrameSize_ = anySize ? 1024 : soundEncoder_->frame_size;
    soundFrame_.reset(av_frame_alloc());
    if (!soundFrame_)
        return Fail(noSound, "Could not allocate a sound frame", AVERROR(ENOMEM));
    soundFrame_->format = soundEncoder_->sample_fmt;
    soundFrame_->sample_rate = kSoundRate;
    soundFrame_->nb_samples = soundFrameSize_;
    int made = av_channel_layout_copy(&soundFrame_->ch_layout, &soundEncoder_->ch_layout);
    if (made >= 0)
        made = av_frame_get_buffer(soundFrame_.get(), 0);
    if (made < 0)
        return Fail(noSound, "Could not allocate a sound frame", made);
    soundStream_ = avformat_new_stream(format_.get(), nullptr);
    if (!soundStream_)
        return Fail(noSound, "Could not add a sound stream", AVERROR(ENOMEM));
    made = avcodec_parameters_from_context(soundStream_->codecpar, soundEncoder_.get());
    if (made < 0)
        return Fail(noSound, "Could not pass the sound encoder's parameters to the muxer", made);
    soundStream_->time_base = soundEncoder_->time_base;
    // AVI cannot say that the sound starts with the encoder's priming (MP3's is 1105
    // samples), so the soundtrack starts that far in: its first packet is stamped 0
    // and every decoded sample plays when the frame it belongs to shows. The other
    // containers carry the delay and players skip it.
    if (config_.container == FMovieContainer::Avi)
        soundSent_ = soundEncoder_->initial_padding;
    soundLeft_.resize(static_cast<size_t>(soundFrameSize_));
    soundRight_.resize(static_cast<size_t>(soundFrameSize_));
    return {};
}

FSinkError FMovieWriter::OpenFile()
{
    // AVI has no place for chapters.
    if (config_.container != FMovieContainer::Avi)
        if (const int added = AddChapters(format_.get(), config_.chapters, av_inv_q(frameRate_), config_.totalFrames);
            added < 0)
            return Fail(FString(), "Could not add the chapters", added);
    AVIOContext* io = nullptr;
    // Without the scheme FFmpeg reads "12:30.avi" as protocol "12" and refuses it.
    const std::string url = "file:" + config_.path.ToUtf8();
    const int opened = avio_open(&io, url.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0)
        return Fail(FString(u"Could not set file name \"") + config_.path + FString(u"\" to writer filter"),
                    "Could not open the file", opened);
    io_.reset(io);
    format_->pb = io;
    AVDictionary* options = nullptr;
    SetMuxerOptions(config_.container, &options);
    const int header = avformat_write_header(format_.get(), &options);
    av_dict_free(&options);
    if (header < 0) {
        format_->pb = nullptr;
        CloseAvio(io_);
        RemoveFile(config_.path);
        return Fail(encoder_
                        ? FString(u"Could not connect encoder filter to mux filter.\n\nPlease try another encoder.")
                        : FString(),
                    "Could not write the file's header", header);
    }
    headerWritten_ = true;
    return {};
}

FSinkError FMovieWriter::Write(const FFrameView& frame)
{
    if (!worker_.joinable() || stopping_)
        return Failure() ? Failure() : FSinkError{true};
    if (!frame.bits || frame.width != sourceWidth_ || frame.height != sourceHeight_ || frame.pitch < frame.width * 4)
        return Fail(FString(), nullptr);
    std::unique_lock lock(mutex_);
    const int count = static_cast<int>(slots_.size());
    if (!changed_.wait_for(lock, frameWait_, [&] { return failed_ || filled_ < count; })) {
        lock.unlock();
        return Fail(FString(kFrameNotStored));
    }
    if (failed_)
        return error_;
    std::vector<uint8_t>& slot = slots_[static_cast<size_t>((read_ + filled_) % count)];
    lock.unlock();
    // The one copy a frame costs the render thread; the worker never touches this slot
    // until it is counted below.
    const size_t rowBytes = static_cast<size_t>(frame.width) * 4;
    for (int32_t y = 0; y < frame.height; ++y)
        std::memcpy(slot.data() + rowBytes * static_cast<size_t>(y),
                    frame.bits + static_cast<size_t>(frame.pitch) * static_cast<size_t>(y), rowBytes);
    lock.lock();
    ++filled_;
    changed_.notify_all();
    return {};
}

void FMovieWriter::Work()
{
    const int count = static_cast<int>(slots_.size());
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return filled_ > 0 || stopping_ || failed_; });
        if (failed_ || filled_ == 0)
            return;
        const std::vector<uint8_t>& slot = slots_[static_cast<size_t>(read_)];
        lock.unlock();
        grabber_->ProcessFrame(FFrameView{slot.data(), sourceWidth_, sourceHeight_, sourceWidth_ * 4});
        int stored = StoreBitmap();
        // The sound keeps up with the frames, so the muxer holds few packets back.
        if (stored >= 0 && music_)
            stored = EncodeSound(SoundSamplesFor(framesWritten_, frameRate_.num, frameRate_.den), false);
        lock.lock();
        read_ = (read_ + 1) % count;
        --filled_;
        changed_.notify_all();
        if (stored < 0)
            return; // StoreBitmap has said why
    }
}

int FMovieWriter::WritePacket(AVPacket* packet, AVRational timeBase, AVStream* stream)
{
    packet->stream_index = stream->index;
    av_packet_rescale_ts(packet, timeBase, stream->time_base);
    // With sound, the muxer orders the two streams' packets by time.
    const int written =
        soundStream_ ? av_interleaved_write_frame(format_.get(), packet) : av_write_frame(format_.get(), packet);
    av_packet_unref(packet);
    if (written < 0)
        Fail(FString(kFrameNotStored), "Could not write a frame to the file", written);
    return written;
}

int FMovieWriter::DrainPackets(AVCodecContext* encoder, AVStream* stream, const char* failure)
{
    for (;;) {
        const int received = avcodec_receive_packet(encoder, packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return 0;
        if (received < 0) {
            Fail(FString(kFrameNotStored), failure, received);
            return received;
        }
        const int written = WritePacket(packet_.get(), encoder->time_base, stream);
        if (written < 0)
            return written;
    }
}

int FMovieWriter::Drain()
{
    return DrainPackets(encoder_.get(), stream_, "Could not encode a frame");
}

int FMovieWriter::DrainSound()
{
    return DrainPackets(soundEncoder_.get(), soundStream_, "Could not encode the sound");
}

int FMovieWriter::EncodeSound(int64_t until, bool last)
{
    // LAME takes a short last frame but then flushes more than it was given.
    const bool anyLast = (soundEncoder_->codec->capabilities &
                          (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) &&
                         soundEncoder_->codec_id != AV_CODEC_ID_MP3;
    while (soundSent_ < until) {
        const int64_t rest = until - soundSent_;
        if (rest < soundFrameSize_ && !last)
            return 0;
        // An encoder that takes whole frames only gets the last one filled with silence.
        const int count = rest < soundFrameSize_ && anyLast ? static_cast<int>(rest) : soundFrameSize_;
        const int writable = av_frame_make_writable(soundFrame_.get());
        if (writable < 0) {
            Fail(FString(kFrameNotStored), "Could not prepare a sound frame", writable);
            return writable;
        }
        float* left = soundLeft_.data();
        float* right = soundRight_.data();
        music_->Fill(soundSent_, count, left, right);
        soundFrame_->nb_samples = count;
        uint8_t** data = soundFrame_->data;
        const auto pcm = [](float v) {
            return static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
        };
        switch (soundFrame_->format) {
        case AV_SAMPLE_FMT_FLTP:
            std::memcpy(data[0], left, sizeof(float) * static_cast<size_t>(count));
            std::memcpy(data[1], right, sizeof(float) * static_cast<size_t>(count));
            break;
        case AV_SAMPLE_FMT_FLT:
            for (int i = 0; i < count; ++i)
                reinterpret_cast<float*>(data[0])[2 * i] = left[i], reinterpret_cast<float*>(data[0])[2 * i + 1] = right[i];
            break;
        case AV_SAMPLE_FMT_S16P:
            for (int i = 0; i < count; ++i)
                reinterpret_cast<int16_t*>(data[0])[i] = pcm(left[i]), reinterpret_cast<int16_t*>(data[1])[i] = pcm(right[i]);
            break;
        default: // AV_SAMPLE_FMT_S16
            for (int i = 0; i < count; ++i)
                reinterpret_cast<int16_t*>(data[0])[2 * i] = pcm(left[i]),
                                        reinterpret_cast<int16_t*>(data[0])[2 * i + 1] = pcm(right[i]);
            break;
        }
        soundFrame_->pts = soundSent_;
        const int sent = avcodec_send_frame(soundEncoder_.get(), soundFrame_.get());
        if (sent < 0) {
            Fail(FString(kFrameNotStored), "Could not encode the sound", sent);
            return sent;
        }
        soundSent_ += count;
        if (const int drained = DrainSound(); drained < 0)
            return drained;
    }
    return 0;
}

int FMovieWriter::StoreBitmap()
{
    const uint8_t* bits = grabber_->Bits();
    const int32_t stride = grabber_->Stride();
    const int32_t height = grabber_->Height();
    const int64_t index = framesWritten_;
    if (!encoder_) {
        AVPacket* packet = packet_.get();
        // The bitmap stays the grabber's; the muxer copies what it keeps.
        packet->data = const_cast<uint8_t*>(bits);
        packet->size = stride * height;
        packet->pts = packet->dts = index;
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        const int written = WritePacket(packet, av_inv_q(frameRate_), stream_);
        if (written < 0)
            return written;
        ++framesWritten_;
        return 0;
    }
    const int writable = av_frame_make_writable(frame_.get());
    if (writable < 0) {
        Fail(FString(kFrameNotStored), "Could not prepare a frame for the encoder", writable);
        return writable;
    }
    const uint8_t* rows[1] = {bits + static_cast<size_t>(stride) * static_cast<size_t>(height - 1)};
    const int strides[1] = {-stride};
    sws_scale(convert_.get(), rows, strides, 0, height, frame_->data, frame_->linesize);
    frame_->pts = index;
    frame_->quality = encoder_->global_quality; // fixed-quantiser encoders read it per frame
    const int sent = avcodec_send_frame(encoder_.get(), frame_.get());
    if (sent < 0) {
        Fail(FString(kFrameNotStored), "Could not encode a frame", sent);
        return sent;
    }
    ++framesWritten_;
    return Drain();
}

int FMovieWriter::Close()
{
    int result = 0;
    // The sound ends with the last frame: as many samples as the frames last.
    if (music_) {
        result = EncodeSound(SoundSamplesFor(framesWritten_, frameRate_.num, frameRate_.den), true);
        if (result >= 0) {
            const int flushed = avcodec_send_frame(soundEncoder_.get(), nullptr);
            if (flushed < 0)
                Fail(FString(kFrameNotStored), "Could not flush the sound encoder", result = flushed);
            else
                result = DrainSound();
        }
    }
    if (encoder_ && result >= 0) {
        const int flushed = avcodec_send_frame(encoder_.get(), nullptr);
        if (flushed < 0)
            Fail(FString(kFrameNotStored), "Could not flush the encoder", result = flushed);
        else
            result = Drain();
    }
    const int trailer = av_write_trailer(format_.get());
    if (trailer < 0 && result >= 0)
        Fail(FString(kFrameNotStored), "Could not write the index", result = trailer);
    // The trailer may sit in the buffer still: what closing costs (a full disk, a
    // file size limit) shows up here.
    avio_flush(format_->pb);
    const int flushError = format_->pb->error;
    format_->pb = nullptr;
    const int closed = CloseAvio(io_);
    const int lost = flushError < 0 ? flushError : closed;
    if (lost < 0 && result >= 0)
        Fail(FString(kFrameNotStored), "Could not close the file", result = lost);
    return result;
}

FSinkError FMovieWriter::Finish()
{
    if (!finished_) {
        finished_ = true;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (worker_.joinable())
            worker_.join();
        if (headerWritten_) {
            if (Failure()) {
                // Whatever the file holds is not a movie; close it without an index.
                format_->pb = nullptr;
                CloseAvio(io_);
            } else {
                Close();
            }
        }
    }
    return Failure();
}

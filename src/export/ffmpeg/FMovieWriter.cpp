#include "export/ffmpeg/FMovieWriter.h"

#include "export/ffmpeg/EncoderSetup.h"
#include "export/ffmpeg/FEncoderList.h"

extern "C" {
#include <libavutil/opt.h>
}

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

FSinkError FMovieWriter::OpenFile()
{
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
        const int stored = StoreBitmap();
        lock.lock();
        read_ = (read_ + 1) % count;
        --filled_;
        changed_.notify_all();
        if (stored < 0)
            return; // StoreBitmap has said why
    }
}

int FMovieWriter::WritePacket(AVPacket* packet, AVRational timeBase)
{
    packet->stream_index = stream_->index;
    av_packet_rescale_ts(packet, timeBase, stream_->time_base);
    const int written = av_write_frame(format_.get(), packet);
    av_packet_unref(packet);
    if (written < 0)
        Fail(FString(kFrameNotStored), "Could not write a frame to the file", written);
    return written;
}

int FMovieWriter::Drain()
{
    for (;;) {
        const int received = avcodec_receive_packet(encoder_.get(), packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return 0;
        if (received < 0) {
            Fail(FString(kFrameNotStored), "Could not encode a frame", received);
            return received;
        }
        const int written = WritePacket(packet_.get(), encoder_->time_base);
        if (written < 0)
            return written;
    }
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
        const int written = WritePacket(packet, av_inv_q(frameRate_));
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
    if (encoder_) {
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

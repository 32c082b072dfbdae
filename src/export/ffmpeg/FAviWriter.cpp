#include "export/ffmpeg/FAviWriter.h"

#include "export/ffmpeg/EncoderSetup.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {
AVRational FrameRate(int64_t frameLength)
{
    // The rate the frame source stamps with; den <= 65535 keeps MPEG-4's time base legal.
    return frameLength > 0 ? av_d2q(1e7 / static_cast<double>(frameLength), 65535) : AVRational{25, 1};
}
} // namespace

FAviWriter::~FAviWriter()
{
    Finish();
}

int FAviWriter::Fail(const char* what, int error)
{
    std::lock_guard lock(errorMutex_);
    error_ = AvErrorText(what, error);
    return error < 0 ? error : AVERROR(EINVAL);
}

std::string FAviWriter::Error() const
{
    std::lock_guard lock(errorMutex_);
    return error_;
}

int FAviWriter::Create(const FString& path)
{
    path_ = path;
    container_ = ContainerForPath(path);
    AVFormatContext* format = nullptr;
    const int result = avformat_alloc_output_context2(&format, nullptr, MuxerName(container_), path.ToUtf8().c_str());
    if (result < 0 || !format)
        return Fail("Could not create the muxer", result < 0 ? result : AVERROR(ENOMEM));
    format_.reset(format);
    packet_.reset(av_packet_alloc());
    if (!packet_)
        return Fail("Could not allocate a packet", AVERROR(ENOMEM));
    if (container_ != FMovieContainer::Avi)
        return 0;
    // Store uncompressed rows bottom-up, exactly as the frame source hands them over.
    const int flipped = av_opt_set_int(format_->priv_data, "flipped_raw_rgb", 1, 0);
    if (flipped < 0)
        return Fail("Could not store raw rows bottom-up", flipped);
    return 0;
}

int FAviWriter::ConnectRaw(const FMediaType& type)
{
    if (!format_)
        return Fail("Could not connect to the AVI muxer", AVERROR(EINVAL));
    width_ = type.width;
    height_ = type.height;
    stride_ = type.imageSize / std::max(type.height, 1);
    frameRate_ = FrameRate(type.averageTimePerFrame);
    stream_ = avformat_new_stream(format_.get(), nullptr);
    if (!stream_)
        return Fail("Could not add a video stream", AVERROR(ENOMEM));
    AVCodecParameters* par = stream_->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_RAWVIDEO;
    par->codec_tag = 0; // BI_RGB
    par->format = type.bitCount == 32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    par->bits_per_coded_sample = type.bitCount;
    par->width = type.width;
    par->height = type.height;
    stream_->time_base = av_inv_q(frameRate_);
    stream_->avg_frame_rate = frameRate_;
    return 0;
}

int FAviWriter::AddEncoder(const AVCodec* codec, int quality)
{
    quality_ = quality;
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        return Fail("Could not allocate the encoder", AVERROR(ENOMEM));
    return 0;
}

int FAviWriter::ConnectEncoder(const FMediaType& type)
{
    if (!encoder_ || !format_)
        return Fail("Could not open the encoder", AVERROR(EINVAL));
    const AVCodec* codec = encoder_->codec;
    width_ = type.width;
    height_ = type.height;
    stride_ = type.imageSize / std::max(type.height, 1);
    frameRate_ = FrameRate(type.averageTimePerFrame);

    const AVPixelFormat source = AV_PIX_FMT_BGR24;
    if (!EncoderTakesSize(codec, width_, height_))
        return Fail("The encoder cannot store this picture size", AVERROR(EINVAL));
    encoder_->codec_type = AVMEDIA_TYPE_VIDEO;
    encoder_->width = width_;
    encoder_->height = height_;
    encoder_->time_base = av_inv_q(frameRate_);
    encoder_->framerate = frameRate_;
    if (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)
        encoder_->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER)
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    ConfigureEncoder(encoder_.get(), codec, quality_, &options);
    const AVPixelFormat target = encoder_->pix_fmt;
    if (target == AV_PIX_FMT_NONE) {
        av_dict_free(&options);
        return Fail("The encoder takes no pixel format we can convert to", AVERROR(EINVAL));
    }
    // The encoder may store a standard rate close to the asked one.
    frameRate_ = encoder_->framerate;
    const int opened = avcodec_open2(encoder_.get(), codec, &options);
    av_dict_free(&options);
    if (opened < 0)
        return Fail("Could not open the encoder", opened);

    convert_.reset(
        sws_getContext(width_, height_, source, width_, height_, target, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!convert_)
        return Fail("Could not convert BGR24 to the encoder's pixel format", AVERROR(EINVAL));
    frame_.reset(av_frame_alloc());
    if (!frame_)
        return Fail("Could not allocate a frame", AVERROR(ENOMEM));
    frame_->format = target;
    frame_->width = width_;
    frame_->height = height_;
    const int buffer = av_frame_get_buffer(frame_.get(), 0);
    if (buffer < 0)
        return Fail("Could not allocate a frame", buffer);
    return 0;
}

int FAviWriter::ConnectEncoderToMux()
{
    if (!encoder_ || !format_)
        return Fail("Could not connect the encoder to the AVI muxer", AVERROR(EINVAL));
    stream_ = avformat_new_stream(format_.get(), nullptr);
    if (!stream_)
        return Fail("Could not add a video stream", AVERROR(ENOMEM));
    const int copied = avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
    if (copied < 0)
        return Fail("Could not pass the encoder's parameters to the AVI muxer", copied);
    stream_->time_base = encoder_->time_base;
    stream_->avg_frame_rate = frameRate_;
    return 0;
}

int FAviWriter::OpenFile()
{
    if (!format_ || !stream_)
        return Fail("Could not open the file", AVERROR(EINVAL));
    AVIOContext* io = nullptr;
    // Without the scheme FFmpeg reads "12:30.avi" as protocol "12" and refuses it.
    const std::string url = "file:" + path_.ToUtf8();
    const int opened = avio_open(&io, url.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0)
        return Fail("Could not open the file", opened);
    io_.reset(io);
    format_->pb = io;
    return 0;
}

int FAviWriter::WriteHeader()
{
    if (!format_ || !io_)
        return Fail("Could not write the AVI header", AVERROR(EINVAL));
    AVDictionary* options = nullptr;
    SetMuxerOptions(container_, &options);
    const int header = avformat_write_header(format_.get(), &options);
    av_dict_free(&options);
    if (header < 0) {
        format_->pb = nullptr;
        CloseAvio(io_);
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::path(path_.ToUtf8()), ignored);
        return Fail("Could not write the AVI header", header);
    }
    headerWritten_ = true;
    return 0;
}

int FAviWriter::WritePacket(AVPacket* packet)
{
    packet->stream_index = stream_->index;
    const int written = av_write_frame(format_.get(), packet);
    av_packet_unref(packet);
    return written < 0 ? Fail("Could not write a frame to the file", written) : 0;
}

int FAviWriter::Drain()
{
    for (;;) {
        const int received = avcodec_receive_packet(encoder_.get(), packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return 0;
        if (received < 0)
            return Fail("Could not encode a frame", received);
        av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
        const int written = WritePacket(packet_.get());
        if (written < 0)
            return written;
    }
}

int FAviWriter::Receive(const FMediaSample& sample)
{
    if (!headerWritten_ || finished_)
        return Fail("Could not write a frame to the file", AVERROR(EINVAL));
    const uint8_t* data = sample.Data();
    const int64_t frameBytes = static_cast<int64_t>(stride_) * height_;
    if (!data || sample.actualLength < frameBytes)
        return Fail("Could not write a frame to the file", AVERROR(EINVAL));

    if (!encoder_) {
        AVPacket* packet = packet_.get();
        // The sample stays ours; the muxer copies what it keeps.
        packet->data = const_cast<uint8_t*>(data);
        packet->size = static_cast<int>(frameBytes);
        packet->pts = packet->dts = framesWritten_;
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        const int written = WritePacket(packet);
        if (written < 0)
            return written;
        ++framesWritten_;
        return 0;
    }

    const int writable = av_frame_make_writable(frame_.get());
    if (writable < 0)
        return Fail("Could not prepare a frame for the encoder", writable);
    // Starting at the last row with a negative stride turns the bottom-up rows upright.
    const uint8_t* rows[1] = {data + static_cast<size_t>(stride_) * static_cast<size_t>(height_ - 1)};
    const int strides[1] = {-stride_};
    sws_scale(convert_.get(), rows, strides, 0, height_, frame_->data, frame_->linesize);
    frame_->pts = framesWritten_;
    frame_->quality = encoder_->global_quality; // fixed-quantiser encoders read it per frame
    const int sent = avcodec_send_frame(encoder_.get(), frame_.get());
    if (sent < 0)
        return Fail("Could not encode a frame", sent);
    ++framesWritten_;
    return Drain();
}

int FAviWriter::Finish()
{
    if (finished_)
        return finishResult_;
    finished_ = true;
    if (!headerWritten_)
        return finishResult_ = 0;
    int result = 0;
    if (encoder_) {
        const int flushed = avcodec_send_frame(encoder_.get(), nullptr);
        result = flushed < 0 ? Fail("Could not flush the encoder", flushed) : Drain();
    }
    const int trailer = av_write_trailer(format_.get());
    if (trailer < 0 && result >= 0)
        result = Fail("Could not write the AVI index", trailer);
    format_->pb = nullptr;
    const int closed = CloseAvio(io_);
    if (closed < 0 && result >= 0)
        result = Fail("Could not close the file", closed);
    return finishResult_ = result;
}

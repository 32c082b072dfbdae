#pragma once
// How a movie is encoded and stored: the muxer for the container, the encoder used when
// none is named, and each encoder's pixel format and quality. The writer calls these
// while it sets up; nothing here touches a file.

#include "export/MovieContainer.h"
#include "export/ffmpeg/FFmpegPtr.h"

// libavformat's muxer name: "avi", "mp4", "matroska".
const char* MuxerName(FMovieContainer container);
// Options for avformat_write_header (e.g. MP4's index at the front).
void SetMuxerOptions(FMovieContainer container, AVDictionary** options);
// The encoder used when the settings name none: null (uncompressed) for AVI.
const AVCodec* DefaultEncoder(FMovieContainer container);
// The soundtrack's encoder: AAC (FFmpeg's own, LC) in MP4, QuickTime and Matroska;
// Opus, else Vorbis, in WebM; in AVI MP3 beside encoded video and 16-bit PCM beside
// uncompressed frames. Null when this FFmpeg has none of them.
const AVCodec* SoundEncoder(FMovieContainer container, bool compressedVideo);
// Before avcodec_open2: 48 kHz stereo in a sample format the encoder takes, and its bit rate.
void ConfigureSoundEncoder(AVCodecContext* context, const AVCodec* codec);

// Before avcodec_open2, with width, height, time base and frame rate set: picks the
// pixel format, the colour description (see DescribeColour) and the quality
// (quantiser, CRF or scaled bit rate) for quality 1..100; encoder-private options go
// into options. Frames sent to a quantiser encoder should carry the context's
// global_quality in AVFrame::quality.
void ConfigureEncoder(AVCodecContext* context, const AVCodec* codec, int quality, AVDictionary** options);

// The matrix players assume for YUV video that does not say which: BT.709 from 1280
// wide or more than 576 lines (HD, and the square and upright phone sizes), BT.601
// below. The movie is converted with it and says so, so a player that reads the tags
// and one that guesses agree.
AVColorSpace MatrixPlayersAssume(int width, int height);
// Sets the context's colour description for its pixel format and size: the photos are
// sRGB, so BT.709 primaries and transfer throughout; RGB formats say RGB; YUV gets
// MatrixPlayersAssume in limited range, except full-range (JPEG) formats and encoders,
// which get full range and JPEG's BT.601. The muxers and the encoders' own headers
// (H.264's VUI, VP9's colour space) carry it from there.
void DescribeColour(AVCodecContext* context, const AVCodec* codec);
// The grabber's BGR24 rows converted into the context's pixel format with the matrix and
// range it declares; null when swscale cannot make that conversion.
FSwsPtr MakeConverter(const AVCodecContext* context);

// False for the picture sizes an encoder takes at open but then fails on at the first
// frame (or writes a file no decoder reads): the writer refuses them before any file exists.
bool EncoderTakesSize(const AVCodec* codec, int width, int height);

// The quantiser (1 best .. 31) and CRF (x264's scale, 0 best .. 51) for quality 1..100;
// out-of-range qualities are clamped.
int QuantiserForQuality(int quality);
int CrfForQuality(int quality);

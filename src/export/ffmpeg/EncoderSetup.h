#pragma once
// Codec and muxer choices per container and quality, in one place.

#include "export/MovieContainer.h"

extern "C" {
struct AVCodec;
struct AVCodecContext;
struct AVDictionary;
}

// libavformat's muxer name: "avi", "mp4", "matroska".
const char* MuxerName(FMovieContainer container);
// Options for avformat_write_header (e.g. MP4's index at the front).
void SetMuxerOptions(FMovieContainer container, AVDictionary** options);
// The encoder used when the settings name none: null (uncompressed) for AVI.
const AVCodec* DefaultEncoder(FMovieContainer container);
// Before avcodec_open2, with width, height, time base and frame rate set: picks the
// pixel format and the quality (quantiser, CRF or scaled bit rate) for quality 1..100;
// encoder-private options go into options.
void ConfigureEncoder(AVCodecContext* context, const AVCodec* codec, int quality, AVDictionary** options);

#pragma once
// Owners of the FFmpeg objects the shareable clip uses: each frees its object
// with the library's own function, so every way out of the encoder cleans up.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

struct InputFormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputFormatCloser {
  void operator()(AVFormatContext* context) const {
    if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct CodecCloser {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameCloser {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketCloser {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerCloser {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct ResamplerCloser {
  void operator()(SwrContext* context) const { swr_free(&context); }
};
struct AudioFifoCloser {
  void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

using InputFormat = std::unique_ptr<AVFormatContext, InputFormatCloser>;
using OutputFormat = std::unique_ptr<AVFormatContext, OutputFormatCloser>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecCloser>;
using Frame = std::unique_ptr<AVFrame, FrameCloser>;
using Packet = std::unique_ptr<AVPacket, PacketCloser>;
using Scaler = std::unique_ptr<SwsContext, ScalerCloser>;
using Resampler = std::unique_ptr<SwrContext, ResamplerCloser>;
using AudioFifo = std::unique_ptr<AVAudioFifo, AudioFifoCloser>;

#pragma once
// The shareable clip's file: H.264 pictures (yuv420p) and AAC sound in an MP4
// whose index comes first (+faststart), encoded with libavcodec.
#include <cstdint>
#include <string>

#include "clip/ClipTypes.h"
#include "clip/video/LibavHandles.h"

class Mp4Writer {
 public:
  Mp4Writer() = default;
  ~Mp4Writer();
  Mp4Writer(const Mp4Writer&) = delete;
  Mp4Writer& operator=(const Mp4Writer&) = delete;

  // Opens `path` for a clip of `width` x `height` pictures at `frameRate`,
  // with sound like `sound` (null: none). False with `failure` and `why`.
  bool Open(const std::string& path, int width, int height, AVRational frameRate, const AVCodecContext* sound,
            ClipFailure& failure, std::string& why);

  // The picture to fill before WriteVideo (yuv420p, the clip's size).
  AVFrame* Picture() { return m_picture.get(); }
  bool WriteVideo();
  // Appends the samples [skip, skip + count) of a decoded sound frame.
  bool WriteSound(const AVFrame* decoded, int skip, int count);
  // Silence or cuts so the sound ends where the pictures end: a piece
  // without sound, or with less of it, keeps the next one in step.
  bool AlignSound();
  // Encodes what is held, writes the index; false with `why`.
  bool Finish(std::string& why);

  bool HasSound() const { return m_soundCodec != nullptr; }
  int64_t Pictures() const { return m_pictures; }
  double Seconds() const { return static_cast<double>(m_pictures) * av_q2d(av_inv_q(m_frameRate)); }
  const std::string& Failure() const { return m_why; }

 private:
  bool Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);
  bool EncodeHeldSound(bool all);
  bool PrepareResampler(const AVFrame* decoded);

  OutputFormat m_format;
  CodecContext m_videoCodec;
  CodecContext m_soundCodec;
  AVStream* m_videoStream = nullptr;  // owned by m_format
  AVStream* m_soundStream = nullptr;
  Frame m_picture;
  Frame m_soundFrame;
  Frame m_converted;
  Packet m_packet;
  Resampler m_resampler;
  AVChannelLayout m_resamplerInput{};
  int m_resamplerFormat = -1;
  int m_resamplerRate = 0;
  AudioFifo m_fifo;
  AVRational m_frameRate{25, 1};
  int64_t m_pictures = 0;
  int64_t m_soundSamples = 0;  // sent to the encoder
  bool m_headerWritten = false;
  std::string m_why;
};

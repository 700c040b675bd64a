#include "clip/video/Mp4Writer.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// Chosen so that a 1280x720 span encodes faster than it plays on two cores.
constexpr const char* kPreset = "veryfast";
constexpr const char* kQuality = "23";  // crf
constexpr int64_t kSoundBitRate = 128000;
constexpr int kFallbackSoundRate = 48000;

std::string ErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// The AAC encoder takes a fixed list of rates; the source's when it is one of them.
int SoundRateFor(const AVCodec* codec, int sourceRate) {
  for (const int* rate = codec->supported_samplerates; rate != nullptr && *rate != 0; ++rate)
    if (*rate == sourceRate) return sourceRate;
  return codec->supported_samplerates == nullptr && sourceRate > 0 ? sourceRate : kFallbackSoundRate;
}

struct DictionaryCloser {
  void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

}  // namespace

Mp4Writer::~Mp4Writer() { av_channel_layout_uninit(&m_resamplerInput); }

bool Mp4Writer::Open(const std::string& path, int width, int height, AVRational frameRate, const AVCodecContext* sound,
                     ClipFailure& failure, std::string& why) {
  failure = ClipFailure::EncoderMissing;
  const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
  const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (h264 == nullptr || (sound != nullptr && aac == nullptr)) {
    why = "the H.264 or AAC encoder of the FFmpeg libraries is missing";
    return false;
  }
  failure = ClipFailure::WriteFailed;
  AVFormatContext* format = nullptr;
  if (avformat_alloc_output_context2(&format, nullptr, "mp4", path.c_str()) < 0) {
    why = "cannot make an MP4";
    return false;
  }
  m_format.reset(format);
  m_frameRate = frameRate;

  m_videoCodec.reset(avcodec_alloc_context3(h264));
  if (!m_videoCodec) return why = "out of memory", false;
  AVCodecContext& video = *m_videoCodec;
  video.width = width & ~1;  // 4:2:0 halves both sides
  video.height = height & ~1;
  video.pix_fmt = AV_PIX_FMT_YUV420P;
  video.time_base = av_inv_q(frameRate);
  video.framerate = frameRate;
  video.gop_size = 2 * frameRate.num / std::max(frameRate.den, 1);
  if (m_format->oformat->flags & AVFMT_GLOBALHEADER) video.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(video.priv_data, "preset", kPreset, 0);
  av_opt_set(video.priv_data, "crf", kQuality, 0);
  int code = avcodec_open2(&video, h264, nullptr);
  m_videoStream = avformat_new_stream(m_format.get(), nullptr);
  if (code < 0 || m_videoStream == nullptr || avcodec_parameters_from_context(m_videoStream->codecpar, &video) < 0) {
    why = "cannot start the H.264 encoder: " + ErrorText(code);
    return false;
  }
  m_videoStream->time_base = video.time_base;
  m_videoStream->avg_frame_rate = frameRate;

  if (sound != nullptr) {
    m_soundCodec.reset(avcodec_alloc_context3(aac));
    if (!m_soundCodec) return why = "out of memory", false;
    AVCodecContext& audio = *m_soundCodec;
    audio.sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio.sample_rate = SoundRateFor(aac, sound->sample_rate);
    av_channel_layout_default(&audio.ch_layout, sound->ch_layout.nb_channels >= 2 ? 2 : 1);
    audio.bit_rate = kSoundBitRate;
    audio.time_base = AVRational{1, audio.sample_rate};
    if (m_format->oformat->flags & AVFMT_GLOBALHEADER) audio.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    code = avcodec_open2(&audio, aac, nullptr);
    m_soundStream = avformat_new_stream(m_format.get(), nullptr);
    if (code < 0 || m_soundStream == nullptr || avcodec_parameters_from_context(m_soundStream->codecpar, &audio) < 0) {
      why = "cannot start the AAC encoder: " + ErrorText(code);
      return false;
    }
    m_soundStream->time_base = audio.time_base;
    m_fifo.reset(av_audio_fifo_alloc(audio.sample_fmt, audio.ch_layout.nb_channels, audio.frame_size));
    m_soundFrame.reset(av_frame_alloc());
    m_converted.reset(av_frame_alloc());
    if (!m_fifo || !m_soundFrame || !m_converted) return why = "out of memory", false;
  }

  m_picture.reset(av_frame_alloc());
  m_packet.reset(av_packet_alloc());
  if (!m_picture || !m_packet) return why = "out of memory", false;
  m_picture->format = video.pix_fmt;
  m_picture->width = video.width;
  m_picture->height = video.height;
  if (av_frame_get_buffer(m_picture.get(), 0) < 0) return why = "out of memory", false;

  code = avio_open(&m_format->pb, path.c_str(), AVIO_FLAG_WRITE);
  AVDictionary* options = nullptr;
  av_dict_set(&options, "movflags", "+faststart", 0);
  std::unique_ptr<AVDictionary, DictionaryCloser> optionsOwner(options);
  if (code >= 0) {
    AVDictionary* left = optionsOwner.release();
    code = avformat_write_header(m_format.get(), &left);
    optionsOwner.reset(left);
  }
  if (code < 0) {
    why = "cannot write " + path + ": " + ErrorText(code);
    return false;
  }
  m_headerWritten = true;
  return true;
}

bool Mp4Writer::Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
  int code = avcodec_send_frame(codec, frame);
  while (code >= 0) {
    code = avcodec_receive_packet(codec, m_packet.get());
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
    if (code < 0) break;
    av_packet_rescale_ts(m_packet.get(), codec->time_base, stream->time_base);
    m_packet->stream_index = stream->index;
    code = av_interleaved_write_frame(m_format.get(), m_packet.get());
  }
  m_why = "cannot encode or write the clip: " + ErrorText(code);
  return false;
}

bool Mp4Writer::WriteVideo() {
  m_picture->pts = m_pictures++;
  return Encode(m_videoCodec.get(), m_videoStream, m_picture.get());
}

bool Mp4Writer::PrepareResampler(const AVFrame* decoded) {
  if (m_resampler && m_resamplerFormat == decoded->format && m_resamplerRate == decoded->sample_rate &&
      av_channel_layout_compare(&m_resamplerInput, &decoded->ch_layout) == 0)
    return true;
  // A later recording may carry its sound differently: the converter follows it.
  m_resampler.reset();
  SwrContext* resampler = nullptr;
  const AVCodecContext& audio = *m_soundCodec;
  // FFmpeg 5.1 declares the layouts writable; it only reads them.
  if (swr_alloc_set_opts2(&resampler, const_cast<AVChannelLayout*>(&audio.ch_layout), audio.sample_fmt,
                          audio.sample_rate, const_cast<AVChannelLayout*>(&decoded->ch_layout),
                          static_cast<AVSampleFormat>(decoded->format), decoded->sample_rate, 0, nullptr) < 0)
    return false;
  m_resampler.reset(resampler);
  if (swr_init(resampler) < 0) return false;
  av_channel_layout_uninit(&m_resamplerInput);
  av_channel_layout_copy(&m_resamplerInput, &decoded->ch_layout);
  m_resamplerFormat = decoded->format;
  m_resamplerRate = decoded->sample_rate;
  return true;
}

bool Mp4Writer::WriteSound(const AVFrame* decoded, int skip, int count) {
  if (!m_soundCodec || count <= 0 || skip < 0 || skip + count > decoded->nb_samples) return true;
  if (!PrepareResampler(decoded)) {
    m_why = "cannot convert the sound";
    return false;
  }
  const auto format = static_cast<AVSampleFormat>(decoded->format);
  const int bytes = av_get_bytes_per_sample(format);
  const int channels = decoded->ch_layout.nb_channels;
  const bool planar = av_sample_fmt_is_planar(format) != 0;
  std::vector<const uint8_t*> input(static_cast<std::size_t>(planar ? channels : 1));
  for (std::size_t plane = 0; plane < input.size(); ++plane)
    input[plane] = decoded->extended_data[plane] + static_cast<std::ptrdiff_t>(skip) * bytes * (planar ? 1 : channels);

  AVFrame& converted = *m_converted;
  av_frame_unref(&converted);
  converted.format = m_soundCodec->sample_fmt;
  converted.sample_rate = m_soundCodec->sample_rate;
  converted.nb_samples = swr_get_out_samples(m_resampler.get(), count);
  if (av_channel_layout_copy(&converted.ch_layout, &m_soundCodec->ch_layout) < 0 ||
      av_frame_get_buffer(&converted, 0) < 0) {
    m_why = "out of memory";
    return false;
  }
  const int made = swr_convert(m_resampler.get(), converted.extended_data, converted.nb_samples, input.data(), count);
  if (made < 0 || av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(converted.extended_data), made) < made) {
    m_why = "cannot convert the sound";
    return false;
  }
  return EncodeHeldSound(false);
}

bool Mp4Writer::EncodeHeldSound(bool all) {
  const AVCodecContext& audio = *m_soundCodec;
  while (av_audio_fifo_size(m_fifo.get()) >= audio.frame_size || (all && av_audio_fifo_size(m_fifo.get()) > 0)) {
    AVFrame& frame = *m_soundFrame;
    av_frame_unref(&frame);
    frame.format = audio.sample_fmt;
    frame.sample_rate = audio.sample_rate;
    frame.nb_samples = std::min(audio.frame_size, av_audio_fifo_size(m_fifo.get()));
    if (av_channel_layout_copy(&frame.ch_layout, &audio.ch_layout) < 0 || av_frame_get_buffer(&frame, 0) < 0) {
      m_why = "out of memory";
      return false;
    }
    av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame.extended_data), frame.nb_samples);
    frame.pts = m_soundSamples;
    m_soundSamples += frame.nb_samples;
    if (!Encode(m_soundCodec.get(), m_soundStream, &frame)) return false;
  }
  return true;
}

bool Mp4Writer::AlignSound() {
  if (!m_soundCodec) return true;
  const AVCodecContext& audio = *m_soundCodec;
  const auto target = static_cast<int64_t>(std::llround(Seconds() * audio.sample_rate));
  const int64_t held = m_soundSamples + av_audio_fifo_size(m_fifo.get());
  if (held > target) {
    const int64_t excess = std::min<int64_t>(held - target, av_audio_fifo_size(m_fifo.get()));
    av_audio_fifo_drain(m_fifo.get(), static_cast<int>(excess));
    return true;
  }
  int64_t missing = target - held;
  while (missing > 0) {
    AVFrame& silence = *m_converted;
    av_frame_unref(&silence);
    silence.format = audio.sample_fmt;
    silence.sample_rate = audio.sample_rate;
    silence.nb_samples = static_cast<int>(std::min<int64_t>(missing, audio.frame_size));
    if (av_channel_layout_copy(&silence.ch_layout, &audio.ch_layout) < 0 || av_frame_get_buffer(&silence, 0) < 0) {
      m_why = "out of memory";
      return false;
    }
    av_samples_set_silence(silence.extended_data, 0, silence.nb_samples, audio.ch_layout.nb_channels, audio.sample_fmt);
    av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(silence.extended_data), silence.nb_samples);
    missing -= silence.nb_samples;
  }
  return EncodeHeldSound(false);
}

bool Mp4Writer::Finish(std::string& why) {
  bool ok = m_headerWritten && Encode(m_videoCodec.get(), m_videoStream, nullptr);
  if (ok && m_soundCodec)
    ok = AlignSound() && EncodeHeldSound(true) && Encode(m_soundCodec.get(), m_soundStream, nullptr);
  if (ok) {
    const int code = av_write_trailer(m_format.get());
    if (code < 0) {
      m_why = "cannot finish the clip: " + ErrorText(code);
      ok = false;
    }
  }
  if (ok && avio_closep(&m_format->pb) < 0) {
    m_why = "cannot finish the clip";
    ok = false;
  }
  if (!ok) why = m_why;
  return ok;
}

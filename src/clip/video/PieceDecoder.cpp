#include "clip/video/PieceDecoder.h"

#include <cmath>

namespace {

std::string ErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

bool PieceDecoder::OpenDecoder(int stream, CodecContext& context) {
  const AVCodecParameters* parameters = m_format->streams[stream]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  if (codec == nullptr) return false;
  context.reset(avcodec_alloc_context3(codec));
  if (!context || avcodec_parameters_to_context(context.get(), parameters) < 0) return false;
  context->pkt_timebase = m_format->streams[stream]->time_base;
  // Decoding runs beside the drawing and the encoder on the other cores.
  context->thread_count = 0;
  return avcodec_open2(context.get(), codec, nullptr) >= 0;
}

bool PieceDecoder::Open(const std::string& path, std::string& why) {
  AVFormatContext* opened = nullptr;
  int code = avformat_open_input(&opened, path.c_str(), nullptr, nullptr);
  if (code < 0) {
    why = "cannot open " + path + ": " + ErrorText(code);
    return false;
  }
  m_format.reset(opened);
  code = avformat_find_stream_info(m_format.get(), nullptr);
  m_videoStream = av_find_best_stream(m_format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (code < 0 || m_videoStream < 0 || !OpenDecoder(m_videoStream, m_video)) {
    why = "no readable video in " + path;
    return false;
  }
  // Sound is optional: a sound stream that cannot be decoded is left out.
  m_soundStream = av_find_best_stream(m_format.get(), AVMEDIA_TYPE_AUDIO, -1, m_videoStream, nullptr, 0);
  if (m_soundStream >= 0 && !OpenDecoder(m_soundStream, m_sound)) {
    m_sound.reset();
    m_soundStream = -1;
  }
  const AVStream* video = m_format->streams[m_videoStream];
  const AVRational rate = av_guess_frame_rate(m_format.get(), m_format->streams[m_videoStream], nullptr);
  if (rate.num > 0 && rate.den > 0) m_frameRate = rate;
  if (video->start_time != AV_NOPTS_VALUE) m_origin = static_cast<double>(video->start_time) * av_q2d(video->time_base);
  m_packet.reset(av_packet_alloc());
  m_frame.reset(av_frame_alloc());
  if (!m_packet || !m_frame) {
    why = "out of memory";
    return false;
  }
  return true;
}

bool PieceDecoder::Seek(double seconds) {
  if (seconds <= 0.0) return true;
  const AVStream* video = m_format->streams[m_videoStream];
  const auto target = static_cast<int64_t>(std::floor((seconds + m_origin) / av_q2d(video->time_base)));
  if (av_seek_frame(m_format.get(), m_videoStream, target, AVSEEK_FLAG_BACKWARD) < 0) {
    // Without an index to seek by, reading from the start reaches the same pictures.
    return av_seek_frame(m_format.get(), m_videoStream, 0, AVSEEK_FLAG_BACKWARD) >= 0;
  }
  avcodec_flush_buffers(m_video.get());
  if (m_sound) avcodec_flush_buffers(m_sound.get());
  return true;
}

PieceDecoder::Got PieceDecoder::Receive() {
  for (AVCodecContext* context : {m_video.get(), m_sound.get()}) {
    if (context == nullptr) continue;
    const bool video = context == m_video.get();
    if (video ? m_videoDrained : m_soundDrained) continue;
    const int code = avcodec_receive_frame(context, m_frame.get());
    if (code == AVERROR_EOF || (code == AVERROR(EAGAIN) && m_draining)) {
      (video ? m_videoDrained : m_soundDrained) = true;
      continue;
    }
    if (code == AVERROR(EAGAIN)) continue;
    if (code < 0) {
      m_why = "cannot decode: " + ErrorText(code);
      return Got::Failed;
    }
    const AVStream* stream = m_format->streams[video ? m_videoStream : m_soundStream];
    const int64_t pts = m_frame->best_effort_timestamp;
    m_time = pts == AV_NOPTS_VALUE ? m_time : static_cast<double>(pts) * av_q2d(stream->time_base) - m_origin;
    return video ? Got::Picture : Got::Sound;
  }
  return Got::End;
}

PieceDecoder::Got PieceDecoder::Next() {
  for (;;) {
    const Got got = Receive();
    if (got != Got::End) return got;
    if (m_draining) {
      if (m_videoDrained && (m_sound == nullptr || m_soundDrained)) return Got::End;
      continue;
    }
    const int code = av_read_frame(m_format.get(), m_packet.get());
    if (code < 0) {
      // The end of the file (or a file that ends early): what the decoders hold still comes.
      m_draining = true;
      avcodec_send_packet(m_video.get(), nullptr);
      if (m_sound) avcodec_send_packet(m_sound.get(), nullptr);
      continue;
    }
    AVCodecContext* target = m_packet->stream_index == m_videoStream   ? m_video.get()
                             : m_packet->stream_index == m_soundStream ? m_sound.get()
                                                                       : nullptr;
    // A damaged packet costs its picture, not the clip: the decoder carries on.
    if (target != nullptr) avcodec_send_packet(target, m_packet.get());
    av_packet_unref(m_packet.get());
  }
}

#pragma once
// Reads one recording's pictures and sound with libavformat/libavcodec, in
// decoding order, each with its time in seconds from the first picture.
#include <string>

#include "clip/video/LibavHandles.h"

class PieceDecoder {
 public:
  enum class Got { Picture, Sound, End, Failed };

  // False with `why` when the file has no readable video.
  bool Open(const std::string& path, std::string& why);
  // Goes to the key picture at or before `seconds`.
  bool Seek(double seconds);
  // The next decoded picture or sound; End after the last of both.
  Got Next();

  // The last decoded frame and its time (valid after Next gave Picture or Sound).
  AVFrame* Decoded() const { return m_frame.get(); }
  double DecodedTime() const { return m_time; }

  const AVCodecContext* Video() const { return m_video.get(); }
  const AVCodecContext* Sound() const { return m_sound.get(); }  // null without sound
  AVRational FrameRate() const { return m_frameRate; }
  const std::string& Failure() const { return m_why; }

 private:
  bool OpenDecoder(int stream, CodecContext& context);
  Got Receive();

  InputFormat m_format;
  CodecContext m_video;
  CodecContext m_sound;
  Packet m_packet;
  Frame m_frame;
  int m_videoStream = -1;
  int m_soundStream = -1;
  AVRational m_frameRate{25, 1};
  double m_origin = 0.0;  // the first picture's time in the container, seconds
  double m_time = 0.0;
  bool m_draining = false;
  bool m_videoDrained = false;
  bool m_soundDrained = false;
  std::string m_why;
};

#include "clip/video/ShareableClip.h"

#include <QGuiApplication>
#include <QImage>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "fileio/AtomicReplace.h"
#include "clip/video/ClipTelemetry.h"
#include "clip/video/Mp4Writer.h"
#include "clip/video/PieceDecoder.h"
#include "clip/video/TelemetryOverlay.h"

namespace {

constexpr const char* kStage = "shareable clip";
constexpr int kPicturesPerReport = 5;
constexpr int kRowAlignment = 64;
constexpr double kShortfallSeconds = 0.5;  // more than the rounding of a recording's length
constexpr double kTimeSlack = 0.001;       // container times are rounded to their time base

ClipResult Failed(ClipFailure failure, const std::string& why) {
  ClipResult result;
  result.failure = failure;
  result.detail = why;
  return result;
}

// The samples of a sound frame inside [from, to) of its piece.
void SoundInside(const AVFrame& sound, double time, const ClipPiece& piece, int& skip, int& count) {
  const double rate = sound.sample_rate > 0 ? sound.sample_rate : 1.0;
  const long samples = sound.nb_samples;
  skip = static_cast<int>(std::clamp(std::lround((piece.from - time) * rate), 0L, samples));
  const auto end = static_cast<int>(std::clamp(std::lround((piece.to - time) * rate), 0L, samples));
  count = std::max(0, end - skip);
}

class ClipEncoding {
 public:
  ClipEncoding(const std::vector<ClipPiece>& pieces, int speedUnit, const ClipProgress& progress)
      : m_pieces(pieces), m_unit(speedUnit == 1 ? SpeedUnit::Mph : SpeedUnit::Kph), m_progress(progress) {}

  ClipResult Run(const std::string& destination);

 private:
  ClipResult Piece(std::size_t index);
  bool Picture(std::size_t piece, const AVFrame& decoded, double time);
  bool PrepareAreas();

  const std::vector<ClipPiece>& m_pieces;
  SpeedUnit m_unit;
  const ClipProgress& m_progress;
  std::vector<std::unique_ptr<PieceDecoder>> m_decoders;
  ClipTelemetry m_telemetry;
  Mp4Writer m_writer;
  std::unique_ptr<TelemetryOverlay> m_overlay;
  Scaler m_toPicture;
  std::vector<QRect> m_areas;  // under the overlay
  std::vector<std::vector<uint8_t>> m_canvasBytes;
  std::vector<QImage> m_canvases;  // over m_canvasBytes
  std::vector<Scaler> m_fromArea;
  std::vector<Scaler> m_toArea;
  struct AreaPlanes {
    std::vector<uint8_t> bytes;
    uint8_t* planes[3] = {};
    int strides[3] = {};
  };
  std::vector<AreaPlanes> m_areaPlanes;
  double m_seconds = 0.0;  // the span's length, for the progress
  double m_firstTime = -1.0;
};

bool ClipEncoding::Picture(std::size_t piece, const AVFrame& decoded, double time) {
  AVFrame& picture = *m_writer.Picture();
  if (av_frame_make_writable(&picture) < 0) return false;
  m_toPicture.reset(sws_getCachedContext(m_toPicture.release(), decoded.width, decoded.height,
                                         static_cast<AVPixelFormat>(decoded.format), picture.width, picture.height,
                                         AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!m_toPicture) return false;
  sws_scale(m_toPicture.get(), decoded.data, decoded.linesize, 0, decoded.height, picture.data, picture.linesize);

  // Only the parts under the overlay go through RGB and back: the rest of
  // the picture is encoded as decoded.
  const FrameTelemetry shown = m_telemetry.At(piece, time);
  for (std::size_t i = 0; i < m_areas.size(); ++i) {
    const QRect& area = m_areas[i];
    uint8_t* planes[3] = {picture.data[0] + area.top() * picture.linesize[0] + area.left(),
                          picture.data[1] + area.top() / 2 * picture.linesize[1] + area.left() / 2,
                          picture.data[2] + area.top() / 2 * picture.linesize[2] + area.left() / 2};
    QImage& canvas = m_canvases[i];
    uint8_t* rgb[1] = {canvas.bits()};
    const int rgbStride[1] = {static_cast<int>(canvas.bytesPerLine())};
    sws_scale(m_fromArea[i].get(), planes, picture.linesize, 0, area.height(), rgb, rgbStride);
    m_overlay->Paint(canvas, area.topLeft(), shown);
    // Back through a buffer of its own, copied in by lines: the converter
    // writes past a line's end, which would reach the picture beside the area.
    const uint8_t* painted[1] = {canvas.constBits()};
    AreaPlanes& yuv = m_areaPlanes[i];
    sws_scale(m_toArea[i].get(), painted, rgbStride, 0, area.height(), yuv.planes, yuv.strides);
    for (int plane = 0; plane < 3; ++plane) {
      const int shift = plane == 0 ? 0 : 1;
      for (int y = 0; y < area.height() >> shift; ++y)
        std::memcpy(planes[plane] + y * picture.linesize[plane], yuv.planes[plane] + y * yuv.strides[plane],
                    static_cast<std::size_t>(area.width() >> shift));
    }
  }
  return m_writer.WriteVideo();
}

bool ClipEncoding::PrepareAreas() {
  m_areas = m_overlay->Areas();
  for (const QRect& area : m_areas) {
    // libswscale writes whole vector registers: room past the last line's end.
    const int lineBytes = (area.width() * 4 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    const auto stride = static_cast<std::size_t>(lineBytes);
    m_canvasBytes.emplace_back(stride * static_cast<std::size_t>(area.height() + 1));
    m_canvases.emplace_back(m_canvasBytes.back().data(), area.width(), area.height(), static_cast<qsizetype>(stride),
                            QImage::Format_RGB32);
    m_fromArea.emplace_back(sws_getContext(area.width(), area.height(), AV_PIX_FMT_YUV420P, area.width(), area.height(),
                                           AV_PIX_FMT_RGB32, SWS_POINT, nullptr, nullptr, nullptr));
    m_toArea.emplace_back(sws_getContext(area.width(), area.height(), AV_PIX_FMT_RGB32, area.width(), area.height(),
                                         AV_PIX_FMT_YUV420P, SWS_POINT, nullptr, nullptr, nullptr));
    AreaPlanes& yuv = m_areaPlanes.emplace_back();
    const int lumaStride = (area.width() + kRowAlignment - 1) / kRowAlignment * kRowAlignment + kRowAlignment;
    const std::size_t lumaBytes = static_cast<std::size_t>(lumaStride) * static_cast<std::size_t>(area.height() + 2);
    yuv.bytes.resize(2 * lumaBytes);
    yuv.strides[0] = lumaStride;
    yuv.strides[1] = yuv.strides[2] = lumaStride / 2;
    yuv.planes[0] = yuv.bytes.data();
    yuv.planes[1] = yuv.planes[0] + lumaBytes;
    yuv.planes[2] = yuv.planes[1] + lumaBytes / 2;
    if (m_canvases.back().isNull() || !m_fromArea.back() || !m_toArea.back()) return false;
  }
  return true;
}

ClipResult ClipEncoding::Piece(std::size_t index) {
  const ClipPiece& piece = m_pieces[index];
  PieceDecoder& decoder = *m_decoders[index];
  if (!decoder.Seek(piece.from)) return Failed(ClipFailure::SourceUnreadable, "cannot seek in " + piece.path);
  if (!m_writer.AlignSound()) return Failed(ClipFailure::WriteFailed, m_writer.Failure());
  bool picturesDone = false;
  double lastPicture = -1.0;
  bool soundDone = !m_writer.HasSound() || decoder.Sound() == nullptr;
  while (!picturesDone || !soundDone) {
    const PieceDecoder::Got got = decoder.Next();
    if (got == PieceDecoder::Got::End) break;
    if (got == PieceDecoder::Got::Failed)
      return Failed(ClipFailure::SourceUnreadable, piece.path + ": " + decoder.Failure());
    const AVFrame& decoded = *decoder.Decoded();
    const double time = decoder.DecodedTime();
    if (got == PieceDecoder::Got::Sound) {
      if (time >= piece.to - kTimeSlack) soundDone = true;
      int skip = 0, count = 0;
      SoundInside(decoded, time, piece, skip, count);
      if (!soundDone && !m_writer.WriteSound(&decoded, skip, count))
        return Failed(ClipFailure::WriteFailed, m_writer.Failure());
      continue;
    }
    if (picturesDone || time < piece.from - kTimeSlack) continue;
    if (time >= piece.to - kTimeSlack) {
      picturesDone = true;
      continue;
    }
    if (m_firstTime < 0.0) m_firstTime = time;
    lastPicture = time;
    if (!Picture(index, decoded, time))
      return Failed(ClipFailure::WriteFailed, "cannot encode a picture of " + piece.path);
    if (m_writer.Pictures() % kPicturesPerReport == 0 && m_progress &&
        !m_progress(std::min(1.0, m_writer.Seconds() / m_seconds), kStage))
      return Failed(ClipFailure::Cancelled, "cancelled");
  }
  // Pictures that stop well before the span's end: a recording cut by power
  // loss or damaged part-way. A shorter clip would pass for the whole span.
  if (!picturesDone && lastPicture < piece.to - kShortfallSeconds) {
    char text[96];
    std::snprintf(text, sizeof text, ": its pictures end at %.1f s, before the span's end at %.1f s",
                  std::max(lastPicture, piece.from), piece.to);
    return Failed(ClipFailure::SourceUnreadable, piece.path + text);
  }
  return ClipResult();
}

ClipResult ClipEncoding::Run(const std::string& destination) {
  if (QGuiApplication::instance() == nullptr)
    return Failed(ClipFailure::EncoderMissing, "the overlay needs a QGuiApplication");
  for (const ClipPiece& piece : m_pieces) m_seconds += std::max(0.0, piece.to - piece.from);
  if (m_pieces.empty() || m_seconds <= 0.0) return Failed(ClipFailure::EmptySpan, "the span holds no picture");
  std::string why;
  if (!m_telemetry.Load(m_pieces, why)) return Failed(ClipFailure::SourceUnreadable, why);
  // Every source is opened before anything is written: a bad one stops the clip at once.
  const AVCodecContext* sound = nullptr;
  for (const ClipPiece& piece : m_pieces) {
    m_decoders.push_back(std::make_unique<PieceDecoder>());
    if (!m_decoders.back()->Open(piece.path, why)) return Failed(ClipFailure::SourceUnreadable, why);
    if (sound == nullptr) sound = m_decoders.back()->Sound();
  }
  const AVCodecContext& first = *m_decoders.front()->Video();
  const QSize size(first.width & ~1, first.height & ~1);
  if (size.isEmpty()) return Failed(ClipFailure::SourceUnreadable, "no picture size in " + m_pieces[0].path);
  m_overlay = std::make_unique<TelemetryOverlay>(size, m_unit, m_telemetry.Route());
  if (!PrepareAreas()) return Failed(ClipFailure::WriteFailed, "out of memory");

  AtomicReplace output;
  int error = 0;
  if (!output.Begin(destination, error))
    return Failed(ClipFailure::DestinationUnwritable, "cannot write " + destination + ": " + std::strerror(error));
  ClipFailure failure = ClipFailure::None;
  if (!m_writer.Open(output.TemporaryPath(), size.width(), size.height(), m_decoders.front()->FrameRate(), sound,
                     failure, why))
    return Failed(failure, why);
  for (std::size_t index = 0; index < m_pieces.size(); ++index) {
    ClipResult piece = Piece(index);
    if (!piece.Ok()) return piece;
  }
  if (m_writer.Pictures() == 0) return Failed(ClipFailure::EmptySpan, "the span holds no picture");
  if (!m_writer.Finish(why)) return Failed(ClipFailure::WriteFailed, why);
  if (!output.CommitNew(error))
    return Failed(error == EEXIST ? ClipFailure::NameExists : ClipFailure::WriteFailed, std::strerror(error));

  ClipResult result;
  result.files.push_back(destination);
  result.spanStart = m_firstTime;
  result.spanEnd = m_firstTime + m_writer.Seconds();
  if (m_progress) m_progress(1.0, kStage);
  return result;
}

}  // namespace

ClipResult WriteShareableClip(const std::vector<ClipPiece>& pieces, const std::string& destination, int speedUnit,
                              const ClipProgress& progress) {
  // The libraries' chatter (encoder settings, muxer passes) would fill the
  // output of trk-probe and the tests; their errors still show.
  av_log_set_level(AV_LOG_ERROR);
  ClipEncoding encoding(pieces, speedUnit, progress);
  return encoding.Run(destination);
}

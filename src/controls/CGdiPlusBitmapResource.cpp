#include "controls/CGdiPlusBitmapResource.h"

#include <QFile>
#include <cstring>

QString PictureResourcePath(uint32_t id, const char* type) {
  if (type != nullptr && std::strcmp(type, "BMP") == 0) return QStringLiteral(":/bmp/%1.bmp").arg(id);
  return QStringLiteral(":/png/%1.png").arg(id);
}

bool CGdiPlusBitmapResource::Load(uint32_t id, const char* type) {
  Empty();
  QFile file(PictureResourcePath(id, type));
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray bytes = file.readAll();
  if (bytes.isEmpty()) return false;
  m_buffer = std::move(bytes);
  auto picture = std::make_unique<QImage>();
  if (!picture->loadFromData(m_buffer) || picture->isNull()) {
    m_buffer.clear();
    return false;
  }
  m_bitmap = std::make_unique<QImage>(picture->convertToFormat(QImage::Format_ARGB32));
  return true;
}

void CGdiPlusBitmapResource::Empty() {
  m_bitmap.reset();
  m_buffer.clear();
}

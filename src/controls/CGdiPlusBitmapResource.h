#pragma once
// Pictures carried in the program's resources, addressed by numeric id:
// type "PNG" lives at ":/png/<id>.png", type "BMP" (opaque bitmaps such as the
// lock-icon strip) at ":/bmp/<id>.bmp".
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>

QString PictureResourcePath(uint32_t id, const char* type = "PNG");

class CGdiPlusBitmap {
 public:
  CGdiPlusBitmap() = default;
  CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
  CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;
  virtual ~CGdiPlusBitmap() = default;

  // The decoded picture, null when empty. Straight ARGB32.
  const QImage* Bitmap() const { return m_bitmap.get(); }
  bool IsEmpty() const { return m_bitmap == nullptr; }
  int Width() const { return m_bitmap ? m_bitmap->width() : 0; }
  int Height() const { return m_bitmap ? m_bitmap->height() : 0; }

 protected:
  std::unique_ptr<QImage> m_bitmap;
};

class CGdiPlusBitmapResource : public CGdiPlusBitmap {
 public:
  CGdiPlusBitmapResource() = default;
  ~CGdiPlusBitmapResource() override { Empty(); }

  // Copies the resource's bytes and decodes them; false (and empty) when the
  // resource is missing, empty or undecodable.
  bool Load(uint32_t id, const char* type = "PNG");
  void Empty();

  const QByteArray& Buffer() const { return m_buffer; }

 private:
  QByteArray m_buffer;  // the encoded bytes, kept while the picture lives
};

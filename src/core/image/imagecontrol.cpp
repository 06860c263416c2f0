#include "core/image/imagecontrol.h"

#include "core/image/imagelimits.h"

ImageControl::ImageControl(QObject* parent) : QObject(parent) {}

void ImageControl::setBitmap(const ImageControl& source) {
    if (&source == this) return;
    m_image = source.m_image;
    m_bits = source.m_bits;
    emit imageChanged();
}

bool ImageControl::CreateBitmap(int width, int height, int bits) {
    if (!ImageLimits::fits(width, height)) return false;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return false;
    image.fill(Qt::white);
    Q_UNUSED(bits); // blank pictures are always true colour
    setImage(image, 24);
    return true;
}

bool ImageControl::Size(int width, int height) {
    if (m_image.isNull() || !ImageLimits::fits(width, height)) return false;
    const QImage rgb = m_image.convertToFormat(QImage::Format_RGB32);
    QImage scaled = rgb.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) return false;
    setImage(scaled.convertToFormat(QImage::Format_RGB32), 24);
    return true;
}

void ImageControl::setImage(const QImage& image, int bits) {
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_RGB32) {
        m_image = image;
    } else {
        m_image = image.convertToFormat(QImage::Format_RGB32);
        bits = 24;
    }
    m_bits = m_image.format() == QImage::Format_RGB32 ? 24 : bits;
    emit imageChanged();
}

void ImageControl::clear() {
    m_image = QImage();
    m_rgn = QRect();
    emit imageChanged();
}

void ImageControl::SetRgnRect(int left, int top, int width, int height) {
    markRgn(QRect(left, top, width, height));
}

void ImageControl::FreeRgn() {
    if (m_rgn.isNull()) return;
    m_rgn = QRect();
    emit selectionChanged();
}

void ImageControl::markRgn(const QRect& rect) {
    m_rgn = rect.isValid() ? rect : QRect();
    emit selectionChanged();
    emit RgnChange();
}

void ImageControl::setPaintZoomFactor(int percent) {
    percent = qBound(10, percent, 1000);
    if (percent == m_zoom) return;
    m_zoom = percent;
    emit zoomChanged();
}

ImageCodec::Error ImageControl::Load(const QString& file, QString* detail) {
    ImageCodec::Decoded decoded = ImageCodec::decodeFile(file);
    if (detail) *detail = decoded.detail;
    if (decoded.error == ImageCodec::Error::None) setImage(decoded.image, 24);
    return decoded.error;
}

bool ImageControl::GetFileInfo(const QString& file) {
    Info = {};
    return ImageCodec::fileInfo(file, &Info);
}

QByteArray ImageControl::SaveMemory(int format, int bits, int quality, QString* error) const {
    return ImageCodec::encode(m_image, format, bits, quality, error);
}

bool ImageControl::Save(const QString& file, int format, int bits, int quality,
                        QString* error) const {
    return ImageCodec::save(file, m_image, format, bits, quality, error);
}

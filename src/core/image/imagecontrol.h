#pragma once
// One image with its selection and view state: the model behind the canvas, the output image,
// the copy buffer and the undo copies. Decoding, encoding and pixel work are plain functions
// elsewhere; this class keeps the members the windows call under their familiar names.
#include "core/image/imagecodec.h"

#include <QImage>
#include <QObject>
#include <QRect>

class ImageControl : public QObject {
    Q_OBJECT
public:
    explicit ImageControl(QObject* parent = nullptr);

    // --- image
    // True when the control holds an image (the handle is nonzero).
    bool Bitmap() const { return !m_image.isNull(); }
    // Copies another control's image (and its logical depth) in; an empty source empties this.
    void setBitmap(const ImageControl& source);
    int BitmapWidth() const { return m_image.width(); }
    int BitmapHeight() const { return m_image.height(); }
    // Logical bits per pixel: 24 for true colour, 1/2/3/4/8 for palette images.
    int BitsPerPixel() const { return m_image.isNull() ? 0 : m_bits; }
    // A new white image; refuses sizes below 1 or beyond the pixel limit (nothing changes).
    bool CreateBitmap(int width, int height, int bits);
    // Resamples to the size (smooth); palette images become true colour. Refuses as above.
    bool Size(int width, int height);

    const QImage& image() const { return m_image; }
    // Replaces the image. RGB32 images are 24-bit; Indexed8 images keep the given depth.
    void setImage(const QImage& image, int bits = 24);
    void clear();

    // --- files
    // Loads the first page of a picture file at 24 bits. On failure nothing changes and the
    // reason is returned (detail: the decoder's own words).
    ImageCodec::Error Load(const QString& file, QString* detail = nullptr);
    // Reads the file's header into Info without decoding pixels.
    bool GetFileInfo(const QString& file);
    ImageCodec::FileInfo Info;
    // Encodes the image at the given format code (75 PNG, 6 BMP, 10 JPEG), logical depth and
    // JPEG factor; empty on failure.
    QByteArray SaveMemory(int format, int bits, int quality, QString* error = nullptr) const;
    // SaveMemory, then one atomic write; the old file stays whole on failure.
    bool Save(const QString& file, int format, int bits, int quality,
              QString* error = nullptr) const;

    // --- selection, in image pixels
    bool HasRgn() const { return !m_rgn.isEmpty(); }
    int RgnLeft() const { return m_rgn.left(); }
    int RgnTop() const { return m_rgn.top(); }
    int RgnWidth() const { return m_rgn.width(); }
    int RgnHeight() const { return m_rgn.height(); }
    QRect rgn() const { return m_rgn; }
    // Replaces the selection and raises RgnChange, as a user's marking would.
    void SetRgnRect(int left, int top, int width, int height);
    // Drops the selection without raising RgnChange.
    void FreeRgn();
    // Sets the selection as the view marked it, raising RgnChange.
    void markRgn(const QRect& rect);

    // --- view state, shown by an ImageView
    int RgnFrameType = 0;   // 1: the selection outline is shown
    int RgnMarkingMode = 0; // 1: left-button drag marks a rectangle
    int PaintSizeMode = 4;  // 4: zoom
    int PaintZoomFactor() const { return m_zoom; }
    void setPaintZoomFactor(int percent);
    void ForceRepaint() { emit repaintRequested(); }
    void ResetView() { emit viewReset(); }

signals:
    void imageChanged();
    void selectionChanged();
    void RgnChange();
    void zoomChanged();
    void repaintRequested();
    void viewReset();

private:
    QImage m_image;
    int m_bits = 24;
    QRect m_rgn;
    int m_zoom = 100;
};

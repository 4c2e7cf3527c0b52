#include "Bitmap.h"

#include <QPainter>

TBitmap::TBitmap()
    : TBitmap(0, 0, pfDevice)
{
}

TBitmap::TBitmap(int width, int height, TPixelFormat format)
{
    SetPixelFormat(format);
    SetSize(width, height);
}

TBitmap::~TBitmap() = default;

QImage::Format TBitmap::QtFormat(TPixelFormat format)
{
    switch (format) {
    case pfDevice:
        return QImage::Format_RGB32;
    case pf15bit:
        return QImage::Format_RGB555;
    case pf16bit:
        return QImage::Format_RGB16;
    case pf24bit:
        return QImage::Format_BGR888;
    case pf32bit:
        return QImage::Format_ARGB32;
    default:
        throw EInvalidOperation(QStringLiteral("Palette bitmaps are not supported"));
    }
}

int TBitmap::BytesPerPixel() const
{
    return m_image.depth() / 8;
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height() && !m_image.isNull())
        return;
    if (m_canvas)
        m_canvas->Release();
    QImage image(width, height, QtFormat(m_format));
    if (!image.isNull()) {
        image.fill(Qt::white);
        if (!m_image.isNull()) {
            QPainter p(&image);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, m_image);
        }
    }
    m_image = image;
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    const QImage::Format qt = QtFormat(format);
    m_format = format;
    if (m_image.isNull() || m_image.format() == qt)
        return;
    if (m_canvas)
        m_canvas->Release();
    m_image.convertTo(qt);
}

TCanvas& TBitmap::Canvas()
{
    if (!m_canvas)
        m_canvas = std::make_unique<TCanvas>(&m_image);
    return *m_canvas;
}

void TBitmap::checkRow(int y) const
{
    if (y < 0 || y >= Height())
        throw EListError(QStringLiteral("Scan line index out of range"));
}

uchar* TBitmap::ScanLine(int y)
{
    checkRow(y);
    return m_image.scanLine(y);
}

const uchar* TBitmap::ScanLine(int y) const
{
    checkRow(y);
    return m_image.constScanLine(y);
}

TColor TBitmap::TransparentColor() const
{
    if (m_transparentColor != clDefault || m_image.isNull())
        return m_transparentColor;
    return FromQColor(QColor(m_image.pixel(0, Height() - 1)));
}

void TBitmap::LoadFromImage(const QImage& image)
{
    if (m_canvas)
        m_canvas->Release();
    m_image = image.convertToFormat(QtFormat(m_format));
}

QImage TBitmap::DrawnImage() const
{
    if (!Transparent() || m_image.isNull())
        return m_image;
    const QRgb key = ToQColor(TransparentColor()).rgb() & 0x00FFFFFF;
    QImage keyed = m_image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            row[x] = (row[x] & 0x00FFFFFF) == key ? 0 : (row[x] | 0xFF000000);
    }
    return keyed;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) const
{
    if (Empty())
        return;
    const TRect all(0, 0, Width(), Height());
    if (Transparent()) {
        // Leave out the transparent colour's pixels by drawing through an alpha copy.
        const QImage keyed = DrawnImage();
        const TCopyMode saved = canvas.CopyMode();
        canvas.WithPainter([&](QPainter& p) { p.drawImage(r.ToQRect(), keyed); });
        canvas.SetCopyMode(saved);
        return;
    }
    if (m_format == pf32bit) {
        // A copy takes the colour bytes as they are; the alpha byte is data, not coverage.
        const QImage opaque(m_image.constBits(), Width(), Height(), int(m_image.bytesPerLine()),
            QImage::Format_RGB32);
        canvas.DrawImage(r, opaque, all);
        return;
    }
    canvas.DrawImage(r, m_image, all);
}

void TBitmap::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TBitmap*>(source)) {
        if (m_canvas)
            m_canvas->Release();
        m_format = other->m_format;
        m_image = other->m_image.copy();
        m_transparentColor = other->m_transparentColor;
        SetTransparent(other->Transparent());
        return;
    }
    TPersistent::Assign(source);
}

#pragma once

#include "Canvas.h"

#include <QImage>

#include <memory>

// Anything that can draw itself into a rectangle of a canvas.
class TGraphic : public TPersistent
{
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }
    virtual void Draw(TCanvas& canvas, const TRect& r) const = 0;

    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent) { m_transparent = transparent; }

private:
    bool m_transparent = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// An image with a canvas and direct row access. Row memory follows the
// platform's device-independent layout: pf24bit rows hold blue, green, red;
// pf32bit and pfDevice rows hold blue, green, red, alpha (for pfDevice the
// fourth byte is unused and kept at 255). Palette formats are not supported.
class TBitmap : public TGraphic
{
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pfDevice);
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }
    // New pixels are white; existing ones keep their place.
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return m_format; }
    // Converts the pixels; raises EInvalidOperation for palette formats.
    void SetPixelFormat(TPixelFormat format);
    int BytesPerPixel() const;

    TCanvas& Canvas();
    // The first byte of row y; raises EListError outside 0 .. Height - 1.
    uchar* ScanLine(int y);
    const uchar* ScanLine(int y) const;

    // Transparent drawing leaves out the pixels of TransparentColor; clDefault
    // (the default) takes the colour of the bottom-left pixel.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color) { m_transparentColor = color; }

    const QImage& Image() const { return m_image; }
    // The pixels as drawn: with Transparent, a 32-bit copy in which the
    // pixels of TransparentColor are left out (alpha 0); else Image().
    QImage DrawnImage() const;
    // Takes over an image, converted to this bitmap's pixel format.
    void LoadFromImage(const QImage& image);

    void Draw(TCanvas& canvas, const TRect& r) const override;
    void Assign(const TPersistent* source) override;
    QString ClassName() const override { return QStringLiteral("TBitmap"); }

    static QImage::Format QtFormat(TPixelFormat format);

private:
    void checkRow(int y) const;

    QImage m_image;
    TPixelFormat m_format = pfDevice;
    TColor m_transparentColor = clDefault;
    std::unique_ptr<TCanvas> m_canvas;
};

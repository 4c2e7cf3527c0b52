// The grid's drawing helpers against the QPainter operations that do the same
// work: composition through a grey mask, composition by per-pixel alpha, and a
// vertical linear gradient. Run with the peers side by side and compare times.

#include "SharedClasses.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int Size = 256;

QImage target()
{
    QImage image(Size, Size, QImage::Format_RGB32);
    image.fill(qRgb(0x20, 0x40, 0x80));
    return image;
}

// A colourful picture and a mask that runs from black to white across it.
void makePicture(TBitmap& image, TBitmap& mask)
{
    for (int y = 0; y < Size; ++y) {
        uchar* i = image.ScanLine(y);
        uchar* m = mask.ScanLine(y);
        for (int x = 0; x < Size; ++x) {
            i[3 * x] = uchar(x);
            i[3 * x + 1] = uchar(y);
            i[3 * x + 2] = uchar(x ^ y);
            m[3 * x] = m[3 * x + 1] = m[3 * x + 2] = uchar(x);
        }
    }
}

void DrawMasked(benchmark::State& state)
{
    TBitmap image(Size, Size, pf24bit), mask(Size, Size, pf24bit);
    makePicture(image, mask);
    QImage canvasImage = target();
    TCanvas canvas(&canvasImage);
    for (auto _ : state) {
        TMaskProvider::DrawMasked(canvas, 0, 0, mask, image);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(DrawMasked);

// Peer: the mask already made the picture's alpha channel; only the composition is timed.
void QPainterMaskComposition(benchmark::State& state)
{
    TBitmap image(Size, Size, pf24bit), mask(Size, Size, pf24bit);
    makePicture(image, mask);
    QImage picture = image.Image().convertToFormat(QImage::Format_ARGB32);
    picture.setAlphaChannel(mask.Image().convertToFormat(QImage::Format_Grayscale8));
    picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        painter.drawImage(0, 0, picture);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterMaskComposition);

// Peer with the same inputs as DrawMasked: the mask becomes the alpha channel on every call.
void QPainterMaskFromInputs(benchmark::State& state)
{
    TBitmap image(Size, Size, pf24bit), mask(Size, Size, pf24bit);
    makePicture(image, mask);
    const QImage grey = mask.Image().convertToFormat(QImage::Format_Grayscale8);
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        QImage picture = image.Image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        picture.setAlphaChannel(grey);
        painter.drawImage(0, 0, picture);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterMaskFromInputs);

TBitmap* alphaPicture()
{
    auto* picture = new TBitmap(Size, Size, pf32bit);
    for (int y = 0; y < Size; ++y) {
        uchar* p = picture->ScanLine(y);
        for (int x = 0; x < Size; ++x) {
            p[4 * x] = uchar(x);
            p[4 * x + 1] = uchar(y);
            p[4 * x + 2] = uchar(x ^ y);
            p[4 * x + 3] = uchar((x + y) / 2);
        }
    }
    return picture;
}

void DrawAlpha(benchmark::State& state)
{
    std::unique_ptr<TBitmap> picture(alphaPicture());
    QImage canvasImage = target();
    TCanvas canvas(&canvasImage);
    for (auto _ : state) {
        TDrawProvider::DrawAlpha(canvas, 0, 0, *picture);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(DrawAlpha);

// Peer: the same straight-alpha picture drawn by QPainter (which premultiplies as it goes).
void QPainterAlphaStraight(benchmark::State& state)
{
    std::unique_ptr<TBitmap> picture(alphaPicture());
    const QImage image = picture->Image();
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        painter.drawImage(0, 0, image);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterAlphaStraight);

// Peer: a premultiplied picture, QPainter's fastest composition.
void QPainterAlphaPremultiplied(benchmark::State& state)
{
    std::unique_ptr<TBitmap> picture(alphaPicture());
    const QImage image = picture->Image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        painter.drawImage(0, 0, image);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterAlphaPremultiplied);

void DrawVerticalGradient(benchmark::State& state)
{
    QImage canvasImage = target();
    TCanvas canvas(&canvasImage);
    for (auto _ : state) {
        TGraphicsProvider::DrawVerticalGradient(
            canvas, Rect(0, 0, Size, Size), TColor(0x102030), TColor(0xF0E0D0));
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(DrawVerticalGradient);

// Peer: a linear gradient fill over the same rows.
void QPainterLinearGradient(benchmark::State& state)
{
    QImage canvasImage = target();
    QPainter painter(&canvasImage);
    for (auto _ : state) {
        QLinearGradient gradient(0, 0, 0, Size);
        gradient.setColorAt(0, QColor(0x30, 0x20, 0x10));
        gradient.setColorAt(1, QColor(0xD0, 0xE0, 0xF0));
        painter.fillRect(QRect(0, 0, Size, Size), gradient);
        benchmark::DoNotOptimize(canvasImage.constBits());
    }
}
BENCHMARK(QPainterLinearGradient);

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

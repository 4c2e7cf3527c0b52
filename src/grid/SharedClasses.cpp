#include "SharedClasses.h"

#include "ThemesSupport.h"

#include <QByteArray>
#include <QByteArrayList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

void checkAlpha(int alpha)
{
    if (alpha < 0 || alpha > 255)
        throw EAssertionFailed(
            QStringLiteral("Assertion failed: alpha %1 outside 0..255 (SharedClasses)").arg(alpha));
}

// The packed mix of two 0x00??????-laid-out colours: red and blue travel
// together in one word, green in another, and the sum is divided by 256.
inline std::uint32_t blendPacked(std::uint32_t a, std::uint32_t b, std::uint32_t alpha)
{
    const std::uint32_t n = 255 - alpha;
    const std::uint32_t rb = (alpha * (a & 0x00FF00FFu) + n * (b & 0x00FF00FFu)) & 0xFF00FF00u;
    const std::uint32_t g = (alpha * (a & 0x0000FF00u) + n * (b & 0x0000FF00u)) & 0x00FF0000u;
    return (rb | g) >> 8;
}

// Bytes per pixel of an image whose rows hold blue, green, red first; 0 otherwise.
int bgrStride(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_BGR888:
        return 3;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return 4;
    default:
        return 0;
    }
}

QImage asBgr(const QImage& image)
{
    return bgrStride(image) ? image : image.convertToFormat(QImage::Format_RGB32);
}

// Where a picture of w x h at (x, y) can be mixed straight into the canvas's own
// pixels: the copy mode copies, the clip (if any) is one rectangle, and the rows
// are 32-bit. Returns the area to mix in canvas coordinates, or an empty one
// when the canvas needs the general path.
bool directTarget(TCanvas& canvas, int x, int y, int w, int h, TRect& area)
{
    if (canvas.CopyMode() != cmSrcCopy)
        return false;
    area = TRect::Bounds(x, y, w, h);
    return canvas.DirectArea(area);
}

// round() to the nearest integer with halves going to the even neighbour, as
// the original's rounding does. The processor's conversion rounds so in its
// default mode, without the branches that cost a gradient most of its time.
inline int roundHalfEven(double v)
{
#if defined(__x86_64__) || defined(__i386__)
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    return int(std::nearbyint(v));
#endif
}

// MixColors for two colours already resolved to RGB.
inline TColor mixRgb(std::uint32_t a, std::uint32_t b, double ratio)
{
    TColor result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double x = double((a >> shift) & 0xFF);
        const double y = double((b >> shift) & 0xFF);
        const auto channel = std::uint32_t(roundHalfEven(y * ratio + x * (1 - ratio))) & 0xFF;
        result |= TColor(channel << shift);
    }
    return result;
}

// The row kernels mix channel by channel in 16 bits: every product and sum
// fits ((x * a + y * (255 - a)) <= 255 * 255). The scalar kernel is the
// reference; on x86 an SSSE3 kernel does eight pixels per step with byte
// shuffles (sixteen with AVX2) and the scalar one finishes the row. The destination's fourth byte
// is left as it was.

// Where a channel's bytes come from: the stride of the pixels and the offset of
// the byte that gives the mix weight (the mask's grey level, or the alpha byte).
template <int MaskStride, int ImageStride>
void maskRowScalar(
    uchar* __restrict d, const uchar* __restrict m, const uchar* __restrict s, int from, int w)
{
    for (int x = from; x < w; ++x) {
        const uchar* mp = m + x * MaskStride;
        const uchar* sp = s + x * ImageStride;
        uchar* dp = d + x * 4;
        const unsigned a = (mp[2] * 77u + mp[1] * 151u + mp[0] * 28u) >> 8;
        const unsigned n = 255 - a;
        dp[0] = uchar((sp[0] * a + dp[0] * n) >> 8);
        dp[1] = uchar((sp[1] * a + dp[1] * n) >> 8);
        dp[2] = uchar((sp[2] * a + dp[2] * n) >> 8);
    }
}

void alphaRowScalar(uchar* __restrict d, const uchar* __restrict s, int from, int w)
{
    for (int x = from; x < w; ++x) {
        const uchar* sp = s + x * 4;
        uchar* dp = d + x * 4;
        const unsigned a = sp[3];
        const unsigned n = 255 - a;
        dp[0] = uchar((sp[0] * a + dp[0] * n) >> 8);
        dp[1] = uchar((sp[1] * a + dp[1] * n) >> 8);
        dp[2] = uchar((sp[2] * a + dp[2] * n) >> 8);
    }
}

#if defined(__x86_64__) || defined(__i386__)

#define CALLERID_SSSE3 __attribute__((target("ssse3")))

// A shuffle that gathers byte `channel` of pixels 0..3 (stride bytes apart)
// into the 16-bit lanes `lane0` .. `lane0 + 3`, zero elsewhere.
CALLERID_SSSE3 inline __m128i channelShuffle(int stride, int channel, int lane0)
{
    alignas(16) signed char index[16];
    for (int i = 0; i < 16; ++i)
        index[i] = -1;
    for (int p = 0; p < 4; ++p)
        index[(lane0 + p) * 2] = static_cast<signed char>(p * stride + channel);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(index));
}

// The inverse: 16-bit lanes `lane0` .. `lane0 + 3` into byte `channel` of four 4-byte pixels.
CALLERID_SSSE3 inline __m128i storeShuffle(int channel, int lane0)
{
    alignas(16) signed char index[16];
    for (int i = 0; i < 16; ++i)
        index[i] = -1;
    for (int p = 0; p < 4; ++p)
        index[p * 4 + channel] = static_cast<signed char>((lane0 + p) * 2);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(index));
}

// Channels c of eight pixels (two loads of four) as 16-bit lanes.
struct Lanes
{
    __m128i low[4], high[4];
    CALLERID_SSSE3 Lanes(int stride)
    {
        for (int c = 0; c < 4; ++c) {
            low[c] = channelShuffle(stride, c, 0);
            high[c] = channelShuffle(stride, c, 4);
        }
    }
    CALLERID_SSSE3 __m128i get(__m128i first, __m128i second, int c) const
    {
        return _mm_or_si128(_mm_shuffle_epi8(first, low[c]), _mm_shuffle_epi8(second, high[c]));
    }
};

struct Stores
{
    __m128i low[3], high[3];
    CALLERID_SSSE3 Stores()
    {
        for (int c = 0; c < 3; ++c) {
            low[c] = storeShuffle(c, 0);
            high[c] = storeShuffle(c, 4);
        }
    }
};

// (s * a + d * (255 - a)) >> 8 in each 16-bit lane.
CALLERID_SSSE3 inline __m128i mix(__m128i s, __m128i d, __m128i a, __m128i n)
{
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, n)), 8);
}

// Mixes eight destination pixels with the source channels and weights given in lanes.
CALLERID_SSSE3 inline void mixEight(
    uchar* dp, const Lanes& dl, const Stores& st, __m128i sb, __m128i sg, __m128i sr, __m128i a)
{
    const __m128i n = _mm_sub_epi16(_mm_set1_epi16(255), a);
    const __m128i alphaBytes = _mm_set1_epi32(int(0xFF000000u));
    const __m128i d0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp));
    const __m128i d1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp + 16));
    const __m128i b = mix(sb, dl.get(d0, d1, 0), a, n);
    const __m128i g = mix(sg, dl.get(d0, d1, 1), a, n);
    const __m128i r = mix(sr, dl.get(d0, d1, 2), a, n);
    const __m128i o0 = _mm_or_si128(_mm_and_si128(d0, alphaBytes),
        _mm_or_si128(_mm_shuffle_epi8(b, st.low[0]),
            _mm_or_si128(_mm_shuffle_epi8(g, st.low[1]), _mm_shuffle_epi8(r, st.low[2]))));
    const __m128i o1 = _mm_or_si128(_mm_and_si128(d1, alphaBytes),
        _mm_or_si128(_mm_shuffle_epi8(b, st.high[0]),
            _mm_or_si128(_mm_shuffle_epi8(g, st.high[1]), _mm_shuffle_epi8(r, st.high[2]))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), o0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + 16), o1);
}

// Eight pixels take 8 x stride bytes, but the second load reads 16 bytes from
// the fifth pixel: the vector loop stops where that would pass the row's end.
inline int vectorEnd(int w, int stride)
{
    const int need = 4 * stride + 16; // bytes read from the start of a step
    int end = 0;
    while ((w - end) * stride >= need && w - end >= 8)
        end += 8;
    return end;
}

template <int MaskStride, int ImageStride>
CALLERID_SSSE3 int maskRowSsse3(uchar* d, const uchar* m, const uchar* s, int w)
{
    static const Lanes ml(MaskStride), sl(ImageStride), dl(4);
    static const Stores st;
    const int end = std::min(vectorEnd(w, MaskStride), vectorEnd(w, ImageStride));
    const __m128i w77 = _mm_set1_epi16(77), w151 = _mm_set1_epi16(151), w28 = _mm_set1_epi16(28);
    for (int x = 0; x < end; x += 8) {
        const uchar* mp = m + x * MaskStride;
        const uchar* sp = s + x * ImageStride;
        const __m128i m0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mp));
        const __m128i m1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mp + 4 * MaskStride));
        const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp));
        const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + 4 * ImageStride));
        // Grey level: at most 255 * 256, which still fits an unsigned 16-bit lane.
        const __m128i grey = _mm_add_epi16(_mm_mullo_epi16(ml.get(m0, m1, 2), w77),
            _mm_add_epi16(
                _mm_mullo_epi16(ml.get(m0, m1, 1), w151), _mm_mullo_epi16(ml.get(m0, m1, 0), w28)));
        mixEight(d + x * 4, dl, st, sl.get(s0, s1, 0), sl.get(s0, s1, 1), sl.get(s0, s1, 2),
            _mm_srli_epi16(grey, 8));
    }
    return end;
}

CALLERID_SSSE3 int alphaRowSsse3(uchar* d, const uchar* s, int w)
{
    static const Lanes sl(4);
    static const Stores st;
    const int end = vectorEnd(w, 4);
    for (int x = 0; x < end; x += 8) {
        const uchar* sp = s + x * 4;
        const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp));
        const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + 16));
        mixEight(d + x * 4, sl, st, sl.get(s0, s1, 0), sl.get(s0, s1, 1), sl.get(s0, s1, 2),
            sl.get(s0, s1, 3));
    }
    return end;
}

#define CALLERID_AVX2 __attribute__((target("avx2")))

// The AVX2 steps do sixteen pixels: four loads of four pixels, paired so that
// each 128-bit half of a register holds what the SSSE3 step would.
struct WideLanes
{
    __m256i low[4], high[4];
    CALLERID_AVX2 explicit WideLanes(const Lanes& lanes)
    {
        for (int c = 0; c < 4; ++c) {
            low[c] = _mm256_broadcastsi128_si256(lanes.low[c]);
            high[c] = _mm256_broadcastsi128_si256(lanes.high[c]);
        }
    }
    CALLERID_AVX2 __m256i get(__m256i first, __m256i second, int c) const
    {
        return _mm256_or_si256(
            _mm256_shuffle_epi8(first, low[c]), _mm256_shuffle_epi8(second, high[c]));
    }
};

struct WideStores
{
    __m256i low[3], high[3];
    CALLERID_AVX2 explicit WideStores(const Stores& stores)
    {
        for (int c = 0; c < 3; ++c) {
            low[c] = _mm256_broadcastsi128_si256(stores.low[c]);
            high[c] = _mm256_broadcastsi128_si256(stores.high[c]);
        }
    }
};

// Pixels 0-3 and 8-11 (first) and 4-7 and 12-15 (second) of a step.
CALLERID_AVX2 inline void loadPairs(const uchar* p, int stride, __m256i& first, __m256i& second)
{
    auto at = [&](int group) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + group * 4 * stride));
    };
    first = _mm256_inserti128_si256(_mm256_castsi128_si256(at(0)), at(2), 1);
    second = _mm256_inserti128_si256(_mm256_castsi128_si256(at(1)), at(3), 1);
}

CALLERID_AVX2 inline __m256i mixWide(__m256i s, __m256i d, __m256i a, __m256i n)
{
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, n)), 8);
}

CALLERID_AVX2 inline void mixSixteen(uchar* dp, const WideLanes& dl, const WideStores& st,
    __m256i sb, __m256i sg, __m256i sr, __m256i a)
{
    const __m256i n = _mm256_sub_epi16(_mm256_set1_epi16(255), a);
    const __m256i alphaBytes = _mm256_set1_epi32(int(0xFF000000u));
    __m256i d0, d1;
    loadPairs(dp, 4, d0, d1);
    const __m256i b = mixWide(sb, dl.get(d0, d1, 0), a, n);
    const __m256i g = mixWide(sg, dl.get(d0, d1, 1), a, n);
    const __m256i r = mixWide(sr, dl.get(d0, d1, 2), a, n);
    const __m256i o0 = _mm256_or_si256(_mm256_and_si256(d0, alphaBytes),
        _mm256_or_si256(_mm256_shuffle_epi8(b, st.low[0]),
            _mm256_or_si256(_mm256_shuffle_epi8(g, st.low[1]), _mm256_shuffle_epi8(r, st.low[2]))));
    const __m256i o1 = _mm256_or_si256(_mm256_and_si256(d1, alphaBytes),
        _mm256_or_si256(_mm256_shuffle_epi8(b, st.high[0]),
            _mm256_or_si256(
                _mm256_shuffle_epi8(g, st.high[1]), _mm256_shuffle_epi8(r, st.high[2]))));
    auto* out = reinterpret_cast<__m128i*>(dp);
    _mm_storeu_si128(out, _mm256_castsi256_si128(o0));
    _mm_storeu_si128(out + 1, _mm256_castsi256_si128(o1));
    _mm_storeu_si128(out + 2, _mm256_extracti128_si256(o0, 1));
    _mm_storeu_si128(out + 3, _mm256_extracti128_si256(o1, 1));
}

// Where the sixteen-pixel steps stop: the last load reads 16 bytes from the
// thirteenth pixel.
inline int wideEnd(int w, int stride)
{
    const int need = 12 * stride + 16;
    int end = 0;
    while ((w - end) * stride >= need && w - end >= 16)
        end += 16;
    return end;
}

// The masked mix works on eight pixels as 32-bit blue, green, red, x: blue
// and red from the even bytes and green and x from the odd ones are mixed in
// 16-bit lanes, so the only shuffles spread the bytes of the mask and of
// 3-byte pixels. Each pixel of the mask becomes blue, green, red, green: the
// grey level is then two multiply-adds of bytes with weights that fit a
// signed byte (28 + 100 and 77 + 51 for green's 151).
template <int Stride, bool Mask> CALLERID_AVX2 inline __m256i loadEight(const uchar* p)
{
    constexpr char x = Mask ? 1 : -1; // green again, or zero
    if constexpr (Stride == 4) {
        const __m256i four = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        if constexpr (!Mask)
            return four;
        return _mm256_shuffle_epi8(four,
            _mm256_setr_epi8(0, 1, 2, 1, 4, 5, 6, 5, 8, 9, 10, 9, 12, 13, 14, 13, 0, 1, 2, 1, 4, 5,
                6, 5, 8, 9, 10, 9, 12, 13, 14, 13));
    } else {
        // Pixels 0-3 and 4-7, twelve bytes each, into the two halves.
        const __m256i both = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
        return _mm256_shuffle_epi8(both,
            _mm256_setr_epi8(0, 1, 2, x, 3, 4, 5, char(3 + x), 6, 7, 8, char(6 + x), 9, 10, 11,
                char(9 + x), 0, 1, 2, x, 3, 4, 5, char(3 + x), 6, 7, 8, char(6 + x), 9, 10, 11,
                char(9 + x)));
    }
}

// Pixels a step needs left in a row so that loadEight stays inside it.
constexpr int stepRest(int stride)
{
    return stride == 4 ? 8 : 10; // 3-byte rows: the second load reads bytes 12 to 27
}

template <int MaskStride, int ImageStride>
CALLERID_AVX2 inline void maskEight(uchar* d, const uchar* m, const uchar* s)
{
    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    const __m256i mask = loadEight<MaskStride, true>(m);
    // (red * 77 + green * 151 + blue * 28) >> 8: at most 255 * 128 per pair.
    const __m256i pairs = _mm256_maddubs_epi16(mask, _mm256_set1_epi32(0x334D641C));
    const __m256i grey = _mm256_srli_epi32(_mm256_madd_epi16(pairs, _mm256_set1_epi16(1)), 8);
    // The weights in both 16-bit halves of each pixel.
    const __m256i a = _mm256_or_si256(grey, _mm256_slli_epi32(grey, 16));
    const __m256i n = _mm256_sub_epi16(low, a);
    const __m256i image = loadEight<ImageStride, false>(s);
    const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    // (s * a + d * (255 - a)) >> 8: at most 255 * 255, so every sum fits 16 bits.
    const __m256i blueRed
        = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(image, low), a),
                                _mm256_mullo_epi16(_mm256_and_si256(dst, low), n)),
            8);
    const __m256i greenX = _mm256_andnot_si256(low,
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(image, 8), a),
            _mm256_mullo_epi16(_mm256_srli_epi16(dst, 8), n)));
    // The destination keeps its fourth byte.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
        _mm256_blendv_epi8(
            _mm256_or_si256(blueRed, greenX), dst, _mm256_set1_epi32(int(0xFF000000u))));
}

// The whole row: eight pixels a step while the loads stay inside the rows,
// and the last few (at most nine) through zeroed copies of their bytes.
template <int MaskStride, int ImageStride>
CALLERID_AVX2 int maskRowAvx2(uchar* d, const uchar* m, const uchar* s, int w)
{
    const int last = w - std::max(stepRest(MaskStride), stepRest(ImageStride));
    int x = 0;
    for (; x <= last; x += 8)
        maskEight<MaskStride, ImageStride>(d + 4 * x, m + MaskStride * x, s + ImageStride * x);
    const int rest = w - x;
    if (rest > 0) {
        alignas(32) uchar dt[64] = {}, mt[64] = {}, st[64] = {};
        std::memcpy(dt, d + 4 * x, size_t(rest) * 4);
        std::memcpy(mt, m + MaskStride * x, size_t(rest) * MaskStride);
        std::memcpy(st, s + ImageStride * x, size_t(rest) * ImageStride);
        for (int k = 0; k < rest; k += 8)
            maskEight<MaskStride, ImageStride>(
                dt + 4 * k, mt + MaskStride * k, st + ImageStride * k);
        std::memcpy(d + 4 * x, dt, size_t(rest) * 4);
    }
    return w;
}

CALLERID_AVX2 int alphaRowAvx2(uchar* d, const uchar* s, int w)
{
    static const WideLanes sl { Lanes(4) };
    static const WideStores st { Stores() };
    const int end = wideEnd(w, 4);
    for (int x = 0; x < end; x += 16) {
        __m256i s0, s1;
        loadPairs(s + x * 4, 4, s0, s1);
        mixSixteen(d + x * 4, sl, st, sl.get(s0, s1, 0), sl.get(s0, s1, 1), sl.get(s0, s1, 2),
            sl.get(s0, s1, 3));
    }
    return end;
}

// CALLERID_NO_CPU_FEATURE="avx2 ssse3" (either or both) leaves those kernels
// unused, so that each kernel can be checked on a processor that has them all.
bool featureLeftOut(const char* name)
{
    const QByteArrayList off = qgetenv("CALLERID_NO_CPU_FEATURE").split(' ');
    return off.contains(QByteArray(name));
}

bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2") && !featureLeftOut("avx2");
    return have;
}

bool haveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3") && !featureLeftOut("ssse3");
    return have;
}

template <int MaskStride, int ImageStride>
void maskRow(uchar* d, const uchar* m, const uchar* s, int w)
{
    if (haveAvx2()) {
        maskRowAvx2<MaskStride, ImageStride>(d, m, s, w);
        return;
    }
    const int done = haveSsse3() ? maskRowSsse3<MaskStride, ImageStride>(d, m, s, w) : 0;
    maskRowScalar<MaskStride, ImageStride>(d, m, s, done, w);
}

void alphaRow(uchar* d, const uchar* s, int w)
{
    int done = haveAvx2() ? alphaRowAvx2(d, s, w) : 0;
    if (haveSsse3())
        done += alphaRowSsse3(d + done * 4, s + done * 4, w - done);
    alphaRowScalar(d, s, done, w);
}

#else

template <int MaskStride, int ImageStride>
void maskRow(uchar* d, const uchar* m, const uchar* s, int w)
{
    maskRowScalar<MaskStride, ImageStride>(d, m, s, 0, w);
}

void alphaRow(uchar* d, const uchar* s, int w)
{
    alphaRowScalar(d, s, 0, w);
}

#endif

// Mixes image into dst (32-bit rows) through mask over a w x h area; (sx, sy)
// is the area's corner in the image and mask, (dx, dy) in dst.
void maskInto(QImage& dst, int dx, int dy, const QImage& mask, const QImage& image, int sx, int sy,
    int w, int h)
{
    const int ms = bgrStride(mask), is = bgrStride(image);
    auto* row = ms == 3 ? (is == 3 ? maskRow<3, 3> : maskRow<3, 4>)
                        : (is == 3 ? maskRow<4, 3> : maskRow<4, 4>);
    for (int y = 0; y < h; ++y)
        row(dst.scanLine(dy + y) + dx * 4, mask.constScanLine(sy + y) + sx * ms,
            image.constScanLine(sy + y) + sx * is, w);
}

void alphaInto(QImage& dst, int dx, int dy, const QImage& source, int sx, int sy, int w, int h)
{
    for (int y = 0; y < h; ++y)
        alphaRow(dst.scanLine(dy + y) + dx * 4, source.constScanLine(sy + y) + sx * 4, w);
}

// The canvas area at (x, y) as a 32-bit work image (what is already drawn there).
QImage canvasArea(TCanvas& canvas, int x, int y, int w, int h)
{
    QImage work(w, h, QImage::Format_RGB32);
    work.fill(Qt::black);
    if (const QImage* image = canvas.Image()) {
        const QRect from = QRect(x, y, w, h).intersected(image->rect());
        for (int row = 0; row < from.height(); ++row)
            for (int col = 0; col < from.width(); ++col)
                work.setPixel(from.x() - x + col, from.y() - y + row,
                    image->pixel(from.x() + col, from.y() + row));
    }
    return work;
}

} // namespace

// ---------------------------------------------------------------- TCalcProvider

TRect TCalcProvider::OffsetRectSides(
    const TRect& rect, int dLeft, int dTop, int dRight, int dBottom)
{
    return TRect(rect.Left + dLeft, rect.Top + dTop, rect.Right + dRight, rect.Bottom + dBottom);
}

TPoint TCalcProvider::PlaceInRect(int width, int height, TVerticalAlignment verticalAlignment,
    TAlignment alignment, const TRect& rect, int margin)
{
    TPoint p;
    switch (alignment) {
    case taRightJustify:
        p.X = rect.Right - (width + margin);
        break;
    case taCenter:
        p.X = (rect.Left + rect.Right) / 2 - width / 2;
        break;
    default:
        p.X = rect.Left + margin;
        break;
    }
    switch (verticalAlignment) {
    case vaMiddle:
        p.Y = (rect.Top + rect.Bottom) / 2 - height / 2;
        break;
    case vaBottom:
        p.Y = rect.Bottom - (height + margin);
        break;
    default:
        p.Y = rect.Top + margin;
        break;
    }
    return p;
}

bool TCalcProvider::RectsIntersect(const TRect& a, const TRect& b)
{
    return !(a.Right < b.Left || b.Right < a.Left || a.Bottom < b.Top || b.Bottom < a.Top);
}

double Percentage(double max, double value)
{
    if (max == 0)
        throw Exception(QStringLiteral("Floating point division by zero"));
    return value / max * 100;
}

// ---------------------------------------------------------------- TGraphicsProvider

TColor TGraphicsProvider::BlendColors(TColor a, TColor b, int alpha)
{
    checkAlpha(alpha);
    return TColor(blendPacked(
        std::uint32_t(ColorToRGB(a)), std::uint32_t(ColorToRGB(b)), std::uint32_t(alpha)));
}

TColor TGraphicsProvider::MixColors(TColor a, TColor b, double ratio)
{
    return mixRgb(std::uint32_t(ColorToRGB(a)), std::uint32_t(ColorToRGB(b)), ratio);
}

void TGraphicsProvider::SetClipRect(TCanvas& canvas, const TRect& rect)
{
    canvas.SetClipRect(rect);
}

void TGraphicsProvider::Frame3D(
    TCanvas& canvas, const TRect& rect, TColor topColor, TColor bottomColor)
{
    if (rect.IsEmpty())
        return;
    const int r = rect.Right - 1, b = rect.Bottom - 1;
    canvas.Pen().SetColor(topColor);
    const std::array<TPoint, 3> topLeft
        = { Point(rect.Left, b), Point(rect.Left, rect.Top), Point(r, rect.Top) };
    canvas.Polyline(topLeft);
    canvas.Pen().SetColor(bottomColor);
    const std::array<TPoint, 3> bottomRight
        = { Point(r, rect.Top), Point(r, b), Point(rect.Left - 1, b) };
    canvas.Polyline(bottomRight);
}

void TGraphicsProvider::DrawButtonFace(TCanvas& canvas, const TRect& rect, bool dark)
{
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(rect);
    Frame3D(canvas, rect, clBtnHighlight, dark ? clWindowFrame : clBtnShadow);
}

void TGraphicsProvider::DrawSelectionFrame(TCanvas& canvas, const TRect& rect, bool solid)
{
    if (solid) {
        canvas.Brush().SetColor(clHighlight);
        canvas.Brush().SetStyle(bsSolid);
        canvas.FrameRect(rect);
    } else {
        canvas.DrawFocusRect(rect);
    }
}

int TGraphicsProvider::CheckBoxThemeState(bool checked, bool pressed, bool hot)
{
    if (!hot)
        return checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL;
    if (checked)
        return pressed ? CBS_CHECKEDPRESSED : CBS_CHECKEDHOT;
    return pressed ? CBS_UNCHECKEDPRESSED : CBS_UNCHECKEDHOT;
}

void TGraphicsProvider::DrawClassicCheck(TCanvas& canvas, int x, int y, bool checked, bool pressed)
{
    canvas.Pen().SetColor(clBtnShadow);
    canvas.Pen().SetStyle(psSolid);
    canvas.Brush().SetColor(pressed ? clBtnFace : clWindow);
    canvas.Rectangle(TRect::Bounds(x, y, 11, 11));
    if (!checked)
        return;
    canvas.Pen().SetColor(clWindowText);
    for (int k = 0; k < 3; ++k) {
        canvas.MoveTo(x + 2, y + 4 + k);
        canvas.LineTo(x + 4, y + 6 + k);
        canvas.LineTo(x + 9, y + 1 + k);
    }
}

void TGraphicsProvider::DrawCheckBox(const QWidget* window, TCanvas& canvas, const TRect& rect,
    TAlignment alignment, TVerticalAlignment verticalAlignment, bool checked, bool pressed,
    bool hot)
{
    if (ThemesAvailable()) {
        const TPoint p = TCalcProvider::PlaceInRect(13, 13, verticalAlignment, alignment, rect, 2);
        DrawThemed(window, canvas, TRect::Bounds(p.X, p.Y, 13, 13), BP_CHECKBOX,
            CheckBoxThemeState(checked, pressed, hot), QStringLiteral("Button"));
        return;
    }
    const TPoint p = TCalcProvider::PlaceInRect(11, 11, verticalAlignment, alignment, rect, 2);
    DrawClassicCheck(canvas, p.X, p.Y, checked, pressed);
}

void TGraphicsProvider::DrawVerticalGradient(
    TCanvas& canvas, const TRect& rect, TColor top, TColor bottom)
{
    const int height = rect.Height();
    if (rect.IsEmpty())
        return;
    const auto a = std::uint32_t(ColorToRGB(top)), b = std::uint32_t(ColorToRGB(bottom));
    TRect area = rect;
    if (canvas.DirectArea(area)) {
        // Only the rows inside the canvas and its clip are mixed and filled.
        // The colours of a run of rows are mixed before the rows are filled,
        // so that the processor overlaps the mixes instead of waiting for each.
        QImage& image = *canvas.Image();
        uchar* const bits = image.bits();
        const qsizetype line = image.bytesPerLine();
        constexpr int Run = 64;
        std::array<QRgb, Run> colours;
        for (int first = area.Top; first < area.Bottom; first += Run) {
            const int count = std::min(Run, area.Bottom - first);
            for (int k = 0; k < count; ++k)
                colours[k] = mixRgb(a, b, double(first + k - rect.Top) / height);
            for (int k = 0; k < count; ++k)
                TCanvas::FillPixels(reinterpret_cast<QRgb*>(bits + (first + k) * line) + area.Left,
                    area.Width(), TCanvas::PixelValue(TColor(colours[k])));
        }
    } else {
        for (int y = rect.Top; y < rect.Bottom; ++y)
            canvas.FillSolid(TRect(rect.Left, y, rect.Right, y + 1),
                mixRgb(a, b, double(y - rect.Top) / height));
    }
    canvas.Pen().SetColor(mixRgb(a, b, double(height - 1) / height));
}

void TGraphicsProvider::DrawHorizontalGradient(
    TCanvas& canvas, const TRect& rect, TColor left, TColor right)
{
    const int width = rect.Width();
    if (rect.IsEmpty())
        return;
    const auto a = std::uint32_t(ColorToRGB(left)), b = std::uint32_t(ColorToRGB(right));
    TColor c = TColor(a);
    TRect area = rect;
    if (canvas.DirectArea(area)) {
        // One row of colours, copied down the rectangle.
        if (!area.IsEmpty()) {
            auto* first = reinterpret_cast<QRgb*>(canvas.Image()->scanLine(area.Top));
            for (int x = area.Left; x < area.Right; ++x)
                first[x] = TCanvas::PixelValue(mixRgb(a, b, double(x - rect.Left) / width));
            for (int y = area.Top + 1; y < area.Bottom; ++y)
                std::copy(first + area.Left, first + area.Right,
                    reinterpret_cast<QRgb*>(canvas.Image()->scanLine(y)) + area.Left);
        }
        canvas.Pen().SetColor(mixRgb(a, b, double(width - 1) / width));
        return;
    }
    for (int x = rect.Left; x < rect.Right; ++x) {
        c = mixRgb(a, b, double(x - rect.Left) / width);
        canvas.FillSolid(TRect(x, rect.Top, x + 1, rect.Bottom), c);
    }
    canvas.Pen().SetColor(c);
}

void TGraphicsProvider::DrawCaption(
    TCanvas& canvas, const TRect& rect, const QString& text, TAlignment alignment, bool rightToLeft)
{
    unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
    if (alignment == taRightJustify)
        flags |= DT_RIGHT;
    else if (alignment == taCenter)
        flags |= DT_CENTER;
    if (rightToLeft)
        flags |= DT_RTLREADING;
    canvas.Brush().SetStyle(bsClear);
    TRect r = rect;
    canvas.DrawText(DrawingText(text), r, flags);
    canvas.Brush().SetStyle(bsSolid);
}

void TGraphicsProvider::DrawIndicatorCell(
    TCanvas& canvas, const TRect& rect, bool pushed, bool inverted, bool currentRow)
{
    if (pushed) {
        DrawButtonFace(canvas, rect, true);
    } else {
        canvas.Brush().SetColor(clBtnFace);
        canvas.FillRect(rect);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(rect.Left, rect.Top);
        canvas.LineTo(rect.Left, rect.Bottom);
        canvas.MoveTo(rect.Left + 2, rect.Top);
        canvas.LineTo(rect.Right - 2, rect.Top);
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(rect.Right - 1, rect.Top);
        canvas.LineTo(rect.Right - 1, rect.Bottom);
        canvas.MoveTo(rect.Left + 2, rect.Bottom - 1);
        canvas.LineTo(rect.Right - 2, rect.Bottom - 1);
        canvas.SetPixel(rect.Left, rect.Top, clBtnFace);
        canvas.SetPixel(rect.Left, rect.Bottom - 1, clBtnFace);
        canvas.SetPixel(rect.Right - 1, rect.Top, clBtnFace);
        canvas.SetPixel(rect.Right - 1, rect.Bottom - 1, clBtnFace);
    }
    if (currentRow) {
        const TPoint p = TCalcProvider::PlaceInRect(6, 11, vaMiddle, taCenter, rect, 0);
        canvas.Pen().SetColor(clWindowText);
        canvas.Brush().SetColor(clWindowText);
        const std::array<TPoint, 3> arrow = { p, Point(p.X + 5, p.Y + 5), Point(p.X, p.Y + 10) };
        canvas.Polygon(arrow);
    }
    if (inverted) {
        const TCopyMode saved = canvas.CopyMode();
        canvas.SetCopyMode(cmDstInvert);
        canvas.CopyRect(rect, canvas, rect);
        canvas.SetCopyMode(saved);
    }
}

// ---------------------------------------------------------------- TMaskProvider

int TMaskProvider::GrayLevel(TColor color)
{
    const auto c = std::uint32_t(ColorToRGB(color));
    return int(((c & 0xFF) * 77 + ((c >> 8) & 0xFF) * 151 + ((c >> 16) & 0xFF) * 28) / 256);
}

TColor TMaskProvider::BlendColors(TColor a, TColor b, int alpha)
{
    return TGraphicsProvider::BlendColors(a, b, alpha);
}

TColorBytes TMaskProvider::SplitColor(TColor color)
{
    const auto c = std::uint32_t(ColorToRGB(color));
    return TColorBytes { std::uint8_t(c & 0xFF), std::uint8_t((c >> 8) & 0xFF),
        std::uint8_t((c >> 16) & 0xFF) };
}

void TMaskProvider::DrawMasked(
    TCanvas& canvas, int x, int y, const TBitmap& mask, const TBitmap& image)
{
    if (mask.Width() != image.Width() || mask.Height() != image.Height())
        throw Exception(QStringLiteral("Image and Mask size differ"));
    const int w = image.Width(), h = image.Height();
    if (w == 0 || h == 0)
        return;
    const QImage maskPixels = asBgr(mask.Image());
    const QImage imagePixels = asBgr(image.Image());
    TRect area;
    if (directTarget(canvas, x, y, w, h, area)) {
        if (!area.IsEmpty())
            maskInto(*canvas.Image(), area.Left, area.Top, maskPixels, imagePixels, area.Left - x,
                area.Top - y, area.Width(), area.Height());
        return;
    }
    QImage work = canvasArea(canvas, x, y, w, h);
    maskInto(work, 0, 0, maskPixels, imagePixels, 0, 0, w, h);
    canvas.DrawImage(TRect::Bounds(x, y, w, h), work, TRect(0, 0, w, h));
}

// ---------------------------------------------------------------- TDrawProvider

void TDrawProvider::DrawAlpha(TCanvas& canvas, int x, int y, const TGraphic& graphic)
{
    const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
    if (!bitmap || bitmap->PixelFormat() != pf32bit) {
        canvas.Draw(x, y, graphic);
        return;
    }
    const int w = bitmap->Width(), h = bitmap->Height();
    if (w == 0 || h == 0)
        return;
    const QImage& source = bitmap->Image();
    TRect area;
    if (directTarget(canvas, x, y, w, h, area)) {
        if (!area.IsEmpty())
            alphaInto(*canvas.Image(), area.Left, area.Top, source, area.Left - x, area.Top - y,
                area.Width(), area.Height());
        return;
    }
    QImage work = canvasArea(canvas, x, y, w, h);
    alphaInto(work, 0, 0, source, 0, 0, w, h);
    canvas.DrawImage(TRect::Bounds(x, y, w, h), work, TRect(0, 0, w, h));
}

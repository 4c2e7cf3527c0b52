#include "Win1254.h"

#include <array>

namespace {

// 0x80..0x9F, where the page departs from Latin-1 (0 = unassigned).
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x0000, 0x0000, // 88-8F
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x0000, 0x0178, // 98-9F
};

char16_t byteToUnicode(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b < 0xA0)
        return kHighControls[b - 0x80];
    switch (b) {
    case 0xD0:
        return 0x011E; // Ğ
    case 0xDD:
        return 0x0130; // İ
    case 0xDE:
        return 0x015E; // Ş
    case 0xF0:
        return 0x011F; // ğ
    case 0xFD:
        return 0x0131; // ı
    case 0xFE:
        return 0x015F; // ş
    default:
        return b;
    }
}

struct ReverseTable
{
    // Unicode code unit -> byte, for the 0x80..0xFF range of the page.
    std::array<std::pair<char16_t, unsigned char>, 128> entries {};
    int count = 0;

    ReverseTable()
    {
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char16_t u = byteToUnicode(static_cast<unsigned char>(b));
            if (u != 0)
                entries[count++] = { u, static_cast<unsigned char>(b) };
        }
    }

    int find(char16_t u) const
    {
        for (int i = 0; i < count; ++i)
            if (entries[i].first == u)
                return entries[i].second;
        return -1;
    }
};

const ReverseTable& reverseTable()
{
    static const ReverseTable table;
    return table;
}

} // namespace

namespace Win1254 {

QByteArray encode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    const auto& table = reverseTable();
    for (int i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80) {
            out.append(static_cast<char>(u));
            continue;
        }
        // A surrogate pair is one character and becomes one '?'.
        if (QChar::isHighSurrogate(u) && i + 1 < text.size()
            && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        const int b = table.find(u);
        out.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

QString decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const char16_t u = byteToUnicode(static_cast<unsigned char>(c));
        out.append(QChar(u == 0 ? char16_t(u'?') : u));
    }
    return out;
}

QString toAnsi(const QString& text)
{
    return decode(encode(text));
}

} // namespace Win1254

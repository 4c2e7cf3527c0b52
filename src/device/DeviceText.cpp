#include "DeviceText.h"

#include <algorithm>

namespace {

bool separatesWords(char16_t c)
{
    return c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == 0x2028
        || c == 0x2029;
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
        || c.category() == QChar::Separator_Paragraph;
}

} // namespace

namespace DeviceText {

QString clean(const QString& text, qsizetype maxLength)
{
    QString out;
    out.reserve(std::min(text.size(), maxLength + 1));
    bool cut = false;
    for (QChar c : text) {
        if (separatesWords(c.unicode())) {
            if (!out.isEmpty())
                out.append(QLatin1Char(' '));
        } else if (!isControl(c)) {
            out.append(c);
        }
        // Enough to tell that it is too long: the rest is never looked at.
        if (out.size() > maxLength) {
            cut = true;
            break;
        }
    }
    if (cut) {
        out.truncate(maxLength - 1);
        // Never leave half of a surrogate pair before the ellipsis.
        if (!out.isEmpty() && out.back().isHighSurrogate())
            out.chop(1);
        return out.trimmed() + QChar(0x2026);
    }
    return out.trimmed();
}

} // namespace DeviceText

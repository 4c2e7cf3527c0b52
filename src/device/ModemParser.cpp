#include "ModemParser.h"

#include "Win1254.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <cctype>
#include <utility>

namespace {

// A line longer than this is noise; it is dropped up to its end.
constexpr qsizetype kMaxLine = 1024;
// The smallest raw packet: type, length, 8 digits of date and time, one more
// byte, checksum (SDMF); shorter hex lines are answers such as serial numbers.
constexpr qsizetype kMinPacketDigits = 24;

QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    // Exchanges and modems that do not send UTF-8 send the local code page.
    return utf8.hasError() ? Win1254::decode(bytes) : text;
}

bool isHex(const QByteArray& line)
{
    for (char c : line)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

bool isFinalResult(const QString& text)
{
    static const char* const results[]
        = { "OK", "ERROR", "NO CARRIER", "BUSY", "NO DIALTONE", "NO DIAL TONE", "NO ANSWER" };
    for (const char* r : results)
        if (text == QLatin1String(r))
            return true;
    return false;
}

// Reasons for an absent number or name: a single letter.
void setValue(QString& value, QString& reason, const QString& text)
{
    if (!value.isEmpty() || !reason.isEmpty())
        return; // the first one counts (some exchanges mask a number by sending it again)
    if (text == QLatin1String("P") || text == QLatin1String("O"))
        reason = text;
    else
        value = text;
}

QString ascii(const QByteArray& bytes)
{
    return decodeText(bytes).trimmed();
}

} // namespace

QList<ModemEvent> ModemParser::feed(const QByteArray& bytes)
{
    QList<ModemEvent> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        if (!m_dropping)
            m_partial.append(bytes.constData() + start, i - start);
        // However the bytes came, a line over the limit is noise.
        if (!m_dropping && m_partial.size() <= kMaxLine)
            line(m_partial, out);
        m_partial.clear();
        m_dropping = false;
        start = i + 1;
    }
    if (!m_dropping) {
        m_partial.append(bytes.constData() + start, bytes.size() - start);
        if (m_partial.size() > kMaxLine) {
            m_partial.clear();
            m_dropping = true;
        }
    }
    return out;
}

QList<ModemEvent> ModemParser::flush()
{
    QList<ModemEvent> out;
    complete(out);
    return out;
}

void ModemParser::complete(QList<ModemEvent>& out)
{
    m_justCompleted = false;
    if (!m_pending)
        return;
    const CallerIdBlock& b = m_block;
    // A lone MESG says nothing about a call.
    if (!b.date.isEmpty() || !b.time.isEmpty() || !b.number.isEmpty() || !b.numberReason.isEmpty()
        || !b.name.isEmpty() || !b.nameReason.isEmpty())
        out.append({ ModemEvent::Kind::CallerId, {}, m_block });
    m_block = {};
    m_pending = false;
}

void ModemParser::line(const QByteArray& bytes, QList<ModemEvent>& out)
{
    const QByteArray trimmed = bytes.trimmed();
    if (trimmed.isEmpty())
        return;
    const bool afterFullBlock = std::exchange(m_justCompleted, false);
    if (trimmed.size() >= kMinPacketDigits && trimmed.size() % 2 == 0 && isHex(trimmed)
        && (trimmed.startsWith("04") || trimmed.startsWith("80"))) {
        complete(out);
        CallerIdBlock block;
        QString reason;
        if (decodePacket(QByteArray::fromHex(trimmed), block, reason))
            out.append({ ModemEvent::Kind::CallerId, {}, block });
        else
            out.append({ ModemEvent::Kind::BadPacket, reason, {} });
        return;
    }
    const QString text = decodeText(trimmed);
    if (isFinalResult(text)) {
        out.append({ ModemEvent::Kind::Result, text, {} });
        return;
    }
    static const QRegularExpression cadence(QStringLiteral("^DR(ON|OF)\\s*=\\s*\\d+$"));
    if (cadence.match(text).hasMatch()) {
        // The ring's on time marks a ring; its off time adds nothing.
        if (text.startsWith(QLatin1String("DRON"))) {
            complete(out);
            out.append({ ModemEvent::Kind::Ring, text, {} });
        }
        return;
    }
    // Rings, possibly several and with a variant letter or digit, possibly
    // followed by caller-ID tags on the same line.
    static const QRegularExpression ring(QStringLiteral("^RING(?:\\s+([A-D1-9]))?(?=\\s|$)\\s*"));
    QString rest = text;
    bool rang = false;
    for (auto m = ring.match(rest); m.hasMatch(); m = ring.match(rest)) {
        complete(out);
        out.append({ ModemEvent::Kind::Ring, m.captured(1), {} });
        rest = rest.mid(m.capturedLength());
        rang = true;
    }
    if (rest.isEmpty() || tags(rest, out, afterFullBlock && !rang) || rang)
        return;
    out.append({ ModemEvent::Kind::Line, text, {} });
}

bool ModemParser::tags(const QString& text, QList<ModemEvent>& out, bool afterFullBlock)
{
    // Tags may run together on one line with blanks inside values, so values
    // end where the next known tag begins.
    static const QRegularExpression tag(
        QStringLiteral("(?<![A-Z0-9_])(DATE|TIME|DDN_NMBR|NMBR|NBR|DDN|NAME|MESG)\\s*=\\s*"));
    auto it = tag.globalMatch(text);
    if (!it.hasNext())
        return false;
    QList<QRegularExpressionMatch> matches;
    while (it.hasNext())
        matches.append(it.next());
    if (matches.first().capturedStart() != 0)
        return false;
    for (qsizetype i = 0; i < matches.size(); ++i) {
        const auto& m = matches.at(i);
        const qsizetype end
            = i + 1 < matches.size() ? matches.at(i + 1).capturedStart() : text.size();
        const QString name = m.captured(1);
        const QString value = text.mid(m.capturedEnd(), end - m.capturedEnd()).trimmed();
        const bool isDate = name == QLatin1String("DATE");
        const bool isTime = name == QLatin1String("TIME");
        const bool isName = name == QLatin1String("NAME");
        const bool isMessage = name == QLatin1String("MESG");
        const bool isNumber = !isDate && !isTime && !isName && !isMessage;
        // An exchange that masks a number sends it again: after a full block
        // that is the same call, not the next one.
        if (afterFullBlock && isNumber)
            continue;
        afterFullBlock = false;
        CallerIdBlock& b = m_block;
        if ((isDate && !b.date.isEmpty()) || (isTime && !b.time.isEmpty())
            || (isName && (!b.name.isEmpty() || !b.nameReason.isEmpty()))
            || (isMessage && !b.message.isEmpty()))
            complete(out); // a tag the block already has starts the next call's block
        m_pending = true;
        if (isDate)
            b.date = value;
        else if (isTime)
            b.time = value;
        else if (isName)
            setValue(b.name, b.nameReason, value);
        else if (isMessage)
            b.message = value;
        else
            setValue(b.number, b.numberReason, value);
        if (!b.date.isEmpty() && !b.time.isEmpty()
            && (!b.number.isEmpty() || !b.numberReason.isEmpty())
            && (!b.name.isEmpty() || !b.nameReason.isEmpty())) {
            // Everything a block carries has come: no need to wait for the line to go quiet.
            complete(out);
            m_justCompleted = afterFullBlock = true;
        }
    }
    return true;
}

bool ModemParser::decodePacket(const QByteArray& packet, CallerIdBlock& block, QString& reason)
{
    block = {};
    if (packet.size() < 3) {
        reason = QStringLiteral("too short");
        return false;
    }
    const auto byte = [&](qsizetype i) { return static_cast<quint8>(packet.at(i)); };
    const quint8 type = byte(0);
    const qsizetype length = byte(1);
    if (length + 3 != packet.size()) {
        reason = QStringLiteral("length %1 does not match %2 bytes").arg(length).arg(packet.size());
        return false;
    }
    quint8 sum = 0;
    for (char c : packet)
        sum = quint8(sum + static_cast<quint8>(c));
    if (sum != 0) {
        reason = QStringLiteral("checksum does not match");
        return false;
    }
    const QByteArray body = packet.mid(2, length);
    auto dateTime = [&](const QByteArray& digits) {
        block.date = ascii(digits.left(4));
        block.time = ascii(digits.mid(4, 4));
    };
    if (type == 0x04) {
        if (body.size() < 8) {
            reason = QStringLiteral("no date and time");
            return false;
        }
        dateTime(body.left(8));
        setValue(block.number, block.numberReason, ascii(body.mid(8)));
        return true;
    }
    if (type != 0x80) {
        reason = QStringLiteral("unknown message type %1").arg(type, 2, 16, QLatin1Char('0'));
        return false;
    }
    QString number2, number3;
    for (qsizetype i = 0; i < body.size();) {
        if (i + 2 > body.size()) {
            reason = QStringLiteral("parameter runs past the end");
            return false;
        }
        const quint8 param = static_cast<quint8>(body.at(i));
        const qsizetype size = static_cast<quint8>(body.at(i + 1));
        if (i + 2 + size > body.size()) {
            reason = QStringLiteral("parameter runs past the end");
            return false;
        }
        const QByteArray value = body.mid(i + 2, size);
        switch (param) {
        case 0x01:
            dateTime(value);
            break;
        case 0x02:
            number2 = ascii(value);
            break;
        case 0x03:
            number3 = ascii(value);
            break;
        case 0x04:
            block.numberReason = ascii(value);
            break;
        case 0x07:
            block.name = decodeText(value).trimmed();
            break;
        case 0x08:
            block.nameReason = ascii(value);
            break;
        default:
            block.message += QString::fromLatin1(packet.mid(2 + i, 2 + size).toHex().toUpper());
            break;
        }
        i += 2 + size;
    }
    block.number = number2.isEmpty() ? number3 : number2;
    if (!block.number.isEmpty())
        block.numberReason.clear();
    return true;
}

void RingEpisodes::touch(qint64 nowMs)
{
    if (m_last < 0 || nowMs - m_last >= EpisodeGapMs) {
        m_rings = 0;
        m_data = false;
        m_reported = false;
        m_lastRing = -1;
    }
    m_last = nowMs;
}

bool RingEpisodes::ring(qint64 nowMs)
{
    touch(nowMs);
    if (m_lastRing >= 0 && nowMs - m_lastRing < SameRingMs)
        return false;
    m_lastRing = nowMs;
    if (++m_rings < 2 || m_data || m_reported)
        return false;
    m_reported = true;
    return true;
}

void RingEpisodes::callerId(qint64 nowMs)
{
    touch(nowMs);
    m_data = true;
}

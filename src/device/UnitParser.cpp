#include "UnitParser.h"

#include "Win1254.h"

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Printable and not a blank: what a record's text is made of.
bool isMark(char c)
{
    return c > ' ' && c < 0x7f;
}

bool isControl(char c)
{
    return (c >= 0 && c < ' ') || c == 0x7f;
}

class Cursor
{
public:
    explicit Cursor(QByteArrayView text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_at >= m_text.size(); }
    char peek(qsizetype ahead = 0) const
    {
        return m_at + ahead < m_text.size() ? m_text[m_at + ahead] : '\0';
    }
    QByteArrayView rest() const { return m_text.sliced(m_at); }

    bool take(char c)
    {
        if (atEnd() || peek() != c)
            return false;
        ++m_at;
        return true;
    }

    bool takeOneOf(QByteArrayView set, char& taken)
    {
        if (atEnd() || !set.contains(peek()))
            return false;
        taken = m_text[m_at++];
        return true;
    }

    // WIDTH characters of a decimal number; with blanksLead, leading zeros may
    // come as blanks (" 9"). At least one digit.
    bool number(int width, int& value, bool blanksLead = false)
    {
        if (m_at + width > m_text.size())
            return false;
        value = 0;
        bool digits = false;
        for (int i = 0; i < width; ++i) {
            const char c = m_text[m_at + i];
            if (isDigit(c)) {
                digits = true;
                value = value * 10 + (c - '0');
            } else if (!(blanksLead && !digits && c == ' ')) {
                return false;
            }
        }
        m_at += width;
        return digits;
    }

    // One or two digits.
    bool shortNumber(int& value)
    {
        if (!isDigit(peek()))
            return false;
        value = 0;
        for (int i = 0; i < 2 && isDigit(peek()); ++i)
            value = value * 10 + (m_text[m_at++] - '0');
        return true;
    }

    void skipBlanks()
    {
        while (peek() == ' ')
            ++m_at;
    }

private:
    QByteArrayView m_text;
    qsizetype m_at = 0;
};

QString twoDigits(int a, int b)
{
    return QStringLiteral("%1%2").arg(a, 2, 10, QLatin1Char('0')).arg(b, 2, 10, QLatin1Char('0'));
}

QString dateText(int month, int day)
{
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 ? twoDigits(month, day) : QString();
}

QString timeText24(int hour, int minute)
{
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 ? twoDigits(hour, minute)
                                                                  : QString();
}

UnitRecord unreadable(QByteArrayView text)
{
    UnitRecord record;
    record.kind = UnitRecord::Kind::Unreadable;
    record.text = UnitParser::printable(text);
    return record;
}

// What follows "AM"/"PM": the number (left-aligned in its padded field, never
// holding a blank) and the name, or nothing at all.
bool numberAndName(Cursor& c, UnitRecord& record)
{
    if (c.atEnd())
        return true;
    if (!c.take(' '))
        return false;
    const QByteArrayView rest = c.rest();
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != ' ')
        ++end;
    for (char ch : rest.first(end))
        if (!isMark(ch))
            return false;
    record.number = QString::fromLatin1(rest.first(end));
    record.name = Win1254::decode(rest.sliced(end).toByteArray()).trimmed();
    return true;
}

UnitRecord callRecord(Cursor& c, int line, QByteArrayView text)
{
    UnitRecord r;
    r.kind = UnitRecord::Kind::Call;
    r.line = line;
    char direction = 0, phase = 0, checksum = 0, half = 0;
    int month = 0, day = 0, hour = 0, minute = 0, count = 0;
    const bool ok = c.takeOneOf("IO", direction) && c.take(' ') && c.takeOneOf("SE", phase)
        && c.take(' ') && c.number(4, r.durationSeconds) && c.take(' ')
        && c.takeOneOf("GB", checksum) && c.take(' ') && c.takeOneOf("ABCD", r.ringType)
        && c.number(1, count) && c.take(' ') && c.number(2, month, true) && c.take('/')
        && c.number(2, day, true) && c.take(' ') && c.number(2, hour, true) && c.take(':')
        && c.number(2, minute) && c.take(' ') && c.takeOneOf("AP", half) && c.take('M')
        && numberAndName(c, r);
    if (!ok)
        return unreadable(text);
    r.inbound = direction == 'I';
    r.start = phase == 'S';
    r.checksumOk = checksum == 'G';
    r.ringCount = count;
    r.date = dateText(month, day);
    // A 12-hour clock: 12:05 AM is five past midnight, 12:05 PM five past noon.
    if (hour >= 1 && hour <= 12)
        r.time = timeText24(hour % 12 + (half == 'P' ? 12 : 0), minute);
    return r;
}

UnitRecord detailRecord(Cursor& c, int line, QByteArrayView text)
{
    UnitRecord r;
    r.kind = UnitRecord::Kind::Detail;
    r.line = line;
    char letter = 0;
    c.takeOneOf("RFNH", letter);
    switch (letter) {
    case 'R':
        r.event = UnitRecord::Event::Ring;
        break;
    case 'F':
        r.event = UnitRecord::Event::OffHook;
        break;
    case 'N':
        r.event = UnitRecord::Event::OnHook;
        break;
    default:
        r.event = UnitRecord::Event::Flash;
        break;
    }
    c.skipBlanks();
    if (c.atEnd())
        return r; // a unit that sends no time stamp
    int month = 0, day = 0, hour = 0, minute = 0, second = 0;
    const bool ok = c.shortNumber(month) && c.take('/') && c.number(2, day, true) && c.take(' ')
        && c.number(2, hour, true) && c.take(':') && c.number(2, minute) && c.take(':')
        && c.number(2, second);
    c.skipBlanks();
    if (!ok || !c.atEnd())
        return unreadable(text);
    r.date = dateText(month, day);
    if (second <= 59)
        r.time = timeText24(hour, minute);
    return r;
}

bool hasMark(QByteArrayView bytes)
{
    for (char c : bytes)
        if (isMark(c))
            return true;
    return false;
}

quint64 bigEndian48(QByteArrayView bytes)
{
    quint64 value = 0;
    for (qsizetype i = 0; i < 6; ++i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

} // namespace

std::vector<UnitRecord> UnitParser::feed(QByteArrayView chunk)
{
    std::vector<UnitRecord> records;
    for (const char b : chunk) {
        if (b == '\r' || b == '\n') {
            if (!m_dropping && hasMark(m_line))
                records.push_back(parseRecord(m_line));
            m_line.clear();
            m_dropping = false;
        } else if (m_dropping) {
            continue;
        } else if (b == '#' && !hasMark(m_line)) {
            // Units answer "@" with a bare "#", with or without a line end.
            UnitRecord answer;
            answer.kind = UnitRecord::Kind::Handshake;
            records.push_back(answer);
            m_line.clear();
        } else if (m_line.size() >= MaxLineLength) {
            UnitRecord tooLong;
            tooLong.kind = UnitRecord::Kind::TooLong;
            tooLong.text = printable(m_line);
            records.push_back(tooLong);
            m_line.clear();
            m_dropping = true;
        } else {
            m_line.append(b);
        }
    }
    return records;
}

void UnitParser::reset()
{
    m_line.clear();
    m_dropping = false;
}

UnitRecord UnitParser::parseRecord(QByteArrayView text)
{
    // Noise before a record (a NUL, a blank, a byte of a half-heard one) is not part of it.
    while (!text.isEmpty() && !isMark(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.chop(1);
    for (char c : text)
        if (isControl(c))
            return unreadable(text);
    if (text == "#") {
        UnitRecord answer;
        answer.kind = UnitRecord::Kind::Handshake;
        return answer;
    }
    Cursor c(text);
    c.take('$');
    if (c.peek() == 'V' && isDigit(c.peek(1))) {
        UnitRecord version;
        version.kind = UnitRecord::Kind::Version;
        version.text = printable(c.rest(), MaxLineLength);
        return version;
    }
    int line = 0;
    if (!c.number(2, line) || !c.take(' '))
        return unreadable(text);
    if (c.peek() == 'I' || c.peek() == 'O')
        return callRecord(c, line, text);
    if (QByteArrayView("RFNH").contains(c.peek()) && (c.peek(1) == ' ' || c.peek(1) == '\0'))
        return detailRecord(c, line, text);
    return unreadable(text);
}

UnitDatagram UnitParser::parseDatagram(QByteArrayView bytes)
{
    UnitDatagram datagram;
    if (bytes.size() > MaxDatagramSize) {
        datagram.status = UnitDatagram::Status::TooLong;
        return datagram;
    }
    if (bytes.size() < DatagramHeaderSize || !bytes.startsWith("^^<U>")
        || bytes.sliced(11, 3) != "<S>") {
        datagram.status = UnitDatagram::Status::BadHeader;
        return datagram;
    }
    datagram.status = UnitDatagram::Status::Ok;
    datagram.unitNumber = bigEndian48(bytes.sliced(5, 6));
    datagram.serialNumber = bigEndian48(bytes.sliced(14, 6));
    datagram.record = parseRecord(bytes.sliced(DatagramHeaderSize));
    return datagram;
}

QString UnitParser::printable(QByteArrayView bytes, qsizetype limit)
{
    QString text;
    const qsizetype shown = std::min(bytes.size(), limit);
    text.reserve(shown + 1);
    for (qsizetype i = 0; i < shown; ++i) {
        const char c = bytes[i];
        text.append(c >= ' ' && c < 0x7f ? QLatin1Char(c) : QLatin1Char('?'));
    }
    if (bytes.size() > limit)
        text.append(QChar(0x2026));
    return text;
}

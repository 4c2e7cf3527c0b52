#include "NcidParser.h"

#include "CallerTexts.h"

#include <QRegularExpression>

namespace {

// Line types that report calls without being the call itself.
const QStringList InfoTypes = { QStringLiteral("CIDINFO"), QStringLiteral("HUP"),
    QStringLiteral("BLK"), QStringLiteral("OUT"), QStringLiteral("PID"), QStringLiteral("WID"),
    QStringLiteral("END") };

bool isLogType(const QString& type)
{
    return type.endsWith(QLatin1String("LOG"));
}

bool isTypeName(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            return false;
    return true;
}

NcidEvent statusLine(int code, const QString& text)
{
    NcidEvent event;
    event.code = code;
    event.type = QString::number(code);
    event.text = text;
    if (code == 200)
        event.kind = NcidEvent::Kind::Greeting;
    else if (code == 210)
        event.kind = NcidEvent::Kind::Api;
    else if (code >= 250 && code <= 253)
        event.kind = NcidEvent::Kind::LogEnd;
    else if (code == 300)
        event.kind = NcidEvent::Kind::StartupDone;
    return event;
}

NcidCall callFrom(const QHash<QString, QString>& pairs)
{
    NcidCall call;
    call.date = pairs.value(QStringLiteral("DATE"));
    call.time = pairs.value(QStringLiteral("TIME"));
    call.line = pairs.value(QStringLiteral("LINE"));
    call.number = pairs.value(QStringLiteral("NMBR"));
    call.name = pairs.value(QStringLiteral("NAME"));
    call.mesg = pairs.value(QStringLiteral("MESG"));
    return call;
}

} // namespace

std::vector<NcidEvent> NcidParser::feed(QByteArrayView chunk)
{
    std::vector<NcidEvent> events;
    qsizetype start = 0;
    while (!m_overflowed && start < chunk.size()) {
        const qsizetype end = chunk.indexOf('\n', start);
        const qsizetype stop = end < 0 ? chunk.size() : end;
        // A line end may still come, but not within the limit: a sane server never sends that.
        if (m_pending.size() + (stop - start) > MaxLineLength + 1) {
            m_pending.clear();
            m_pending.squeeze();
            m_overflowed = true;
            NcidEvent event;
            event.kind = NcidEvent::Kind::LineTooLong;
            events.push_back(event);
            break;
        }
        if (end < 0) {
            m_pending.append(chunk.sliced(start));
            break;
        }
        QByteArrayView line = chunk.sliced(start, end - start);
        if (!m_pending.isEmpty()) {
            m_pending.append(line);
            line = m_pending;
        }
        NcidEvent event = parseLine(line);
        if (event.kind != NcidEvent::Kind::Ignored || !event.type.isEmpty())
            events.push_back(std::move(event));
        m_pending.clear();
        start = end + 1;
    }
    return events;
}

void NcidParser::reset()
{
    m_pending.clear();
    m_pending.squeeze();
    m_overflowed = false;
}

NcidEvent NcidParser::parseLine(QByteArrayView raw)
{
    if (raw.endsWith('\r'))
        raw.chop(1);
    const QString line = QString::fromUtf8(raw);
    NcidEvent event;
    if (line.trimmed().isEmpty())
        return event;

    static const QRegularExpression status(QStringLiteral("^([0-9]{3})(?: (.*))?$"));
    if (const QRegularExpressionMatch m = status.match(line); m.hasMatch())
        return statusLine(m.captured(1).toInt(), m.captured(2).trimmed());

    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    event.type = colon > 0 ? line.left(colon) : QStringLiteral("?");
    if (colon <= 0 || !isTypeName(event.type))
        return event; // forwarded ("+CID:") or not a line type at all
    const QString rest = line.mid(colon + 1);

    if (event.type == QLatin1String("CID")) {
        event.kind = NcidEvent::Kind::Call;
        event.call = callFrom(fields(rest));
    } else if (isLogType(event.type)) {
        event.kind = NcidEvent::Kind::LogEntry;
        event.text = rest.trimmed();
    } else if (event.type == QLatin1String("OPT")) {
        event.kind = NcidEvent::Kind::Option;
        event.text = rest.trimmed();
    } else if (event.type == QLatin1String("MSG") || event.type == QLatin1String("NOT")) {
        // The text comes first, its fields after "***".
        event.kind = NcidEvent::Kind::Message;
        const qsizetype stars = rest.indexOf(QLatin1String("***"));
        event.text = (stars < 0 ? rest : rest.left(stars)).trimmed();
        if (stars >= 0)
            event.call = callFrom(fields(rest.mid(stars + 2)));
    } else if (InfoTypes.contains(event.type)) {
        event.kind = NcidEvent::Kind::Info;
        event.call = callFrom(fields(rest));
        event.text = rest.trimmed();
    }
    return event;
}

QHash<QString, QString> NcidParser::fields(const QString& text)
{
    QHash<QString, QString> pairs;
    const QStringList parts = text.split(QLatin1Char('*'));
    // Whatever stands before the first star is not a field; the last star closes the last value.
    for (qsizetype i = 1; i + 1 < parts.size(); i += 2) {
        const QString key = parts.at(i).trimmed();
        if (!key.isEmpty() && !pairs.contains(key))
            pairs.insert(key, parts.at(i + 1).trimmed());
    }
    return pairs;
}

QString NcidParser::modelFromGreeting(const QString& text)
{
    static const QRegularExpression server(
        QStringLiteral("^Server:\\s*\\S+\\s*\\(([^)]+)\\)\\s*(\\S+)"));
    if (const QRegularExpressionMatch m = server.match(text); m.hasMatch())
        return m.captured(1) + QLatin1Char(' ') + m.captured(2);
    QString words = text;
    if (words.startsWith(QLatin1String("Server:")))
        words = words.mid(7);
    words = words.simplified();
    return words.isEmpty() ? QStringLiteral("NCID") : words;
}

QString NcidParser::shownNumber(const QString& number)
{
    const QString n = number.trimmed().toUpper();
    if (n == QLatin1String("P") || n == QLatin1String("PRIVATE") || n == QLatin1String("ANONYMOUS")
        || n == QLatin1String("WITHHELD"))
        return CallerTexts::withheldNumber();
    // Nothing sent, "show nothing", the placeholders and "out of area" all mean no number.
    if (n.isEmpty() || n == QLatin1String("-") || n == QLatin1String("O")
        || n == QLatin1String("NO-NUMBER") || n == QLatin1String("NO NUMBER")
        || n == QLatin1String("OUT-OF-AREA") || n == QLatin1String("UNAVAILABLE"))
        return CallerTexts::missingNumber();
    return number.trimmed();
}

QString NcidParser::shownName(const QString& name)
{
    const QString n = name.trimmed();
    const QString upper = n.toUpper();
    if (n == QLatin1String("-") || upper == QLatin1String("NO NAME")
        || upper == QLatin1String("NO-NAME"))
        return {};
    return n;
}

QString NcidLineNumbers::shownLabel(const QString& label)
{
    const QString key = label.trimmed().left(MaxLabelLength).trimmed();
    return key.isEmpty() ? QStringLiteral("-") : key;
}

int NcidLineNumbers::lowestFree() const
{
    int number = 1;
    while (m_taken.contains(number))
        ++number;
    return number;
}

int NcidLineNumbers::numberFor(const QString& label, Outcome* outcome)
{
    Outcome result = Outcome::Known;
    const QString key = shownLabel(label);
    int number = m_numbers.value(key, 0);
    if (number == 0 && m_numbers.size() >= MaxLabels) {
        // A server with this many lines is broken or hostile: stop remembering.
        result = m_shared == 0 ? Outcome::TableFull : Outcome::Shared;
        if (m_shared == 0) {
            m_shared = lowestFree();
            m_taken.insert(m_shared);
        }
        number = m_shared;
    } else if (number == 0) {
        bool digits = key.size() <= 4;
        for (QChar c : key)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        number = digits ? key.toInt() : 0;
        if (number >= 1 && !m_taken.contains(number)) {
            result = Outcome::Own;
        } else {
            number = lowestFree();
            result = Outcome::Given;
        }
        m_numbers.insert(key, number);
        m_taken.insert(number);
    }
    if (outcome)
        *outcome = result;
    return number;
}

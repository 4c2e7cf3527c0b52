#include "SimRequest.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace SimProtocol {
namespace {

const QHash<QString, Command>& commands()
{
    static const QHash<QString, Command> byName {
        { QStringLiteral("attach"), Command::Attach },
        { QStringLiteral("detach"), Command::Detach },
        { QStringLiteral("call"), Command::Call },
        { QStringLiteral("signal"), Command::Signal },
        { QStringLiteral("fail"), Command::Fail },
        { QStringLiteral("status"), Command::Status },
    };
    return byName;
}

QString codePoint(char32_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

// Model, serial and number end up in the window, the call list and the tray
// balloon: a control character or a broken surrogate there is never meant.
QString checkText(const QString& what, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("the %1 contains an unpaired surrogate (%2)")
                .arg(what, codePoint(c.unicode()));
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph)
            return QStringLiteral("the %1 contains a control character (%2)")
                .arg(what, codePoint(c.unicode()));
    }
    return {};
}

// Only "1" to "4": no blanks, signs, leading zeros or other bases.
bool parseLine(const QString& text, int& line)
{
    if (text.size() != 1 || text.at(0) < QLatin1Char('1') || text.at(0) > QLatin1Char('4'))
        return false;
    line = text.at(0).unicode() - '0';
    return true;
}

QString check(Request& request)
{
    const QStringList& args = request.args;
    switch (request.command) {
    case Command::Attach:
        if (args.size() != 2 || args.at(0).isEmpty())
            return Usage(QStringLiteral("attach"));
        if (QString error = checkText(QStringLiteral("model"), args.at(0)); !error.isEmpty())
            return error;
        return checkText(QStringLiteral("serial"), args.at(1));
    case Command::Detach:
        return args.isEmpty() ? QString() : Usage(QStringLiteral("detach"));
    case Command::Status:
        return args.isEmpty() ? QString() : Usage(QStringLiteral("status"));
    case Command::Call: {
        if (args.size() != 2)
            return Usage(QStringLiteral("call"));
        if (!parseLine(args.at(0), request.line))
            return QStringLiteral("line must be 1 to 4, not '%1'").arg(args.at(0).left(20));
        return checkText(QStringLiteral("number"), args.at(1));
    }
    case Command::Signal:
        return args.size() >= 4 && args.size() <= 8 ? QString() : Usage(QStringLiteral("signal"));
    case Command::Fail:
        if (args.size() != 2
            || (args.at(1) != QLatin1String("on") && args.at(1) != QLatin1String("off")))
            return Usage(QStringLiteral("fail"));
        return {};
    }
    return {};
}

} // namespace

QString Usage(const QString& command)
{
    static const QHash<QString, QString> forms {
        { QStringLiteral("attach"), QStringLiteral("attach MODEL SERIAL") },
        { QStringLiteral("detach"), QStringLiteral("detach") },
        { QStringLiteral("call"), QStringLiteral("call LINE NUMBER (LINE: 1 to 4)") },
        { QStringLiteral("signal"), QStringLiteral("signal L1 L2 L3 L4 [L5 … L8]") },
        { QStringLiteral("fail"),
            QStringLiteral("fail METHOD on|off (METHOD: devicemodel, serial, start, "
                           "serviceaction, command)") },
        { QStringLiteral("status"), QStringLiteral("status") },
    };
    const QString form = forms.value(command);
    return form.isEmpty() ? QString() : QStringLiteral("usage: %1").arg(form);
}

QString ParseRequest(const QByteArray& line, Request& request)
{
    if (line.size() > MaxLineLength)
        return QStringLiteral("request too long");
    const QString malformed = QStringLiteral("malformed request: expected a JSON array of strings");
    QJsonParseError parseError {};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray())
        return malformed;
    QStringList words;
    for (const QJsonValue& v : doc.array()) {
        if (!v.isString())
            return malformed;
        words.append(v.toString());
    }
    if (words.isEmpty())
        return QStringLiteral("empty request");
    const auto found = commands().constFind(words.first());
    if (found == commands().constEnd())
        return QStringLiteral("unknown command '%1'").arg(words.first().left(40));
    request = Request { *found, words.mid(1), 0 };
    return check(request);
}

void LineReader::append(const char* data, qsizetype size)
{
    if (m_start > 0 && m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    m_buffer.append(data, size);
}

bool LineReader::next(Line& line)
{
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n', m_start);
        if (m_discarding) {
            if (end < 0) {
                m_buffer.clear();
                m_start = 0;
                return false;
            }
            m_discarding = false;
            m_start = end + 1;
            continue;
        }
        if (end >= 0 && end - m_start <= MaxLineLength) {
            line = Line { m_buffer.mid(m_start, end - m_start), false };
            m_start = end + 1;
            return true;
        }
        if (end < 0 && buffered() <= MaxLineLength) {
            // Keep only the unfinished line.
            m_buffer.remove(0, m_start);
            m_start = 0;
            return false;
        }
        line = Line { {}, true };
        if (end >= 0) {
            m_start = end + 1;
        } else {
            m_buffer.clear();
            m_start = 0;
            m_discarding = true;
        }
        return true;
    }
}

bool LineReader::finish(Line& line)
{
    Line last;
    const bool pending = !m_discarding && buffered() > 0;
    if (pending)
        last = Line { m_buffer.mid(m_start), buffered() > MaxLineLength };
    m_buffer.clear();
    m_start = 0;
    m_discarding = false;
    if (pending)
        line = last;
    return pending;
}

} // namespace SimProtocol

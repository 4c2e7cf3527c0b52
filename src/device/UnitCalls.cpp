#include "UnitCalls.h"

#include "CallerTexts.h"
#include "ModemParser.h"
#include "ModemXelto.h"

namespace {

QString where(const QString& unit, int line, bool namedUnit)
{
    return namedUnit ? QStringLiteral("Birim %1, hat %2").arg(unit).arg(line)
                     : QStringLiteral("Hat %1").arg(line);
}

QString eventText(UnitRecord::Event event)
{
    switch (event) {
    case UnitRecord::Event::Ring:
        return QStringLiteral("çalıyor");
    case UnitRecord::Event::OffHook:
        return QStringLiteral("açıldı");
    case UnitRecord::Event::OnHook:
        return QStringLiteral("kapandı");
    case UnitRecord::Event::Flash:
        return QStringLiteral("flaş");
    }
    return {};
}

} // namespace

UnitCalls::Open& UnitCalls::open(const QString& unit, int line)
{
    // A flood of made-up serial numbers must not grow the table without end.
    if (!m_open.contains(unit) && m_open.size() >= MaxUnits)
        m_open.clear();
    return m_open[unit][std::clamp(line, 0, Lines - 1)];
}

UnitCalls::Outcome UnitCalls::take(
    const QString& unit, const UnitRecord& record, const QDateTime& now, bool namedUnit)
{
    Outcome outcome;
    const QString at = where(unit, record.line, namedUnit);
    if (record.kind == UnitRecord::Kind::Detail) {
        outcome.log << at + QStringLiteral(": ") + eventText(record.event);
        return outcome;
    }
    if (record.kind != UnitRecord::Kind::Call)
        return outcome;

    Open& slot = open(unit, record.line);
    bool isNew = true;
    if (record.start) {
        slot = { true, record.inbound, record.number };
    } else {
        // The end of the call whose start was seen on this line is no news.
        isNew = !(slot.active && slot.inbound == record.inbound && slot.number == record.number);
        slot = {};
    }
    if (!isNew)
        return outcome;
    if (!record.inbound) {
        outcome.log << (record.number.isEmpty()
                ? at + QStringLiteral(": giden arama")
                : at + QStringLiteral(": giden arama ") + record.number);
        return outcome;
    }
    outcome.call = Call { QString::number(record.line), numberText(record.number),
        dateTimeText(record, now), record.name };
    if (!record.checksumOk)
        outcome.log << at
                + QStringLiteral(": arayan numara bozuk geldi, yanlış olabilir (%1)")
                      .arg(outcome.call->number);
    return outcome;
}

QString UnitCalls::numberText(const QString& number)
{
    static const QStringList withheld = { QStringLiteral("Private"), QStringLiteral("P"),
        QStringLiteral("Anonymous"), QStringLiteral("Blocked"), QStringLiteral("Withheld") };
    static const QStringList missing = { QStringLiteral("Out-of-Area"), QStringLiteral("O"),
        QStringLiteral("Unavailable"), QStringLiteral("Unknown") };
    if (withheld.contains(number, Qt::CaseInsensitive))
        return CallerTexts::withheldNumber();
    if (number.isEmpty() || missing.contains(number, Qt::CaseInsensitive))
        return CallerTexts::missingNumber();
    return number;
}

QString UnitCalls::dateTimeText(const UnitRecord& record, const QDateTime& now)
{
    // The same rule as a modem's MMDD and hhmm: the year is NOW's.
    CallerIdBlock block;
    block.date = record.date;
    block.time = record.time;
    return ModemXelto::dateTimeText(block, now);
}

bool UnitDropLog::drop(Kind kind)
{
    const auto index = size_t(kind);
    if (!m_seen[index]) {
        m_seen[index] = true;
        return true;
    }
    ++m_counted[index];
    return false;
}

bool UnitDropLog::counting() const
{
    for (qint64 n : m_counted)
        if (n > 0)
            return true;
    return false;
}

QString UnitDropLog::summary(int seconds)
{
    static const char* const names[] = { "çok uzun veri", "tanınmayan paket", "anlaşılmayan kayıt",
        "dinlenmeyen adresten paket" };
    QStringList parts;
    for (size_t i = 0; i < m_counted.size(); ++i)
        if (m_counted[i] > 0)
            parts << QStringLiteral("%1 %2").arg(m_counted[i]).arg(QString::fromUtf8(names[i]));
    m_counted = {};
    if (parts.isEmpty())
        return {};
    return QStringLiteral("Son %1 sn içinde atılanlar: %2")
        .arg(seconds)
        .arg(parts.join(QStringLiteral(", ")));
}

#include "ModemXelto.h"

#include "CallerTexts.h"
#include "ModemLink.h"

#include <QDateTime>

#include <cmath>

ModemXelto::ModemXelto(ModemLink* link)
    : m_link(link)
{
    m_link->setParent(this);
    connect(m_link, &ModemLink::readyChanged, this, &XeltoControl::deviceChanged);
    connect(m_link, &ModemLink::call, this, &ModemXelto::raiseCall);
    connect(m_link, &ModemLink::voltage, this, [this](double volts) {
        fireSignal({ QString::number(std::lround(volts)), QStringLiteral("0"), QStringLiteral("0"),
            QStringLiteral("0") });
    });
    connect(m_link, &ModemLink::logLine, this, &ModemXelto::logLine);
    if (!m_link->ready())
        m_link->start();
}

ModemXelto::~ModemXelto() = default;

bool ModemXelto::devicePresent() const
{
    return m_link->ready();
}

HRESULT ModemXelto::ServiceAction()
{
    return hr::S_OK;
}

HRESULT ModemXelto::Start()
{
    return hr::S_OK;
}

HRESULT ModemXelto::refuse(const QString& why)
{
    SetErrorInfo(why);
    return hr::E_FAIL;
}

HRESULT ModemXelto::Command(const QString& keyword, QString* result)
{
    if (!result)
        return hr::E_POINTER;
    result->clear();
    if (keyword == QLatin1String("devicemodel")) {
        if (m_link->ready())
            *result = m_link->model();
        return hr::S_OK;
    }
    if (keyword == QLatin1String("serial")) {
        if (m_link->ready())
            *result = m_link->serial();
        return hr::S_OK;
    }
    QString command;
    if (keyword == QLatin1String("LineStatus1"))
        command = QStringLiteral("ATH1");
    else if (keyword == QLatin1String("LineStatus0"))
        command = QStringLiteral("ATH0");
    else if (keyword.startsWith(QLatin1String("dial"))) {
        const QString number = keyword.mid(4);
        static const QString allowed = QStringLiteral("0123456789*#,");
        bool valid = !number.isEmpty();
        for (QChar c : number)
            valid = valid && allowed.contains(c);
        if (!valid)
            return refuse(QStringLiteral("Çevrilecek numara geçersiz: \"%1\" (yalnız rakam, *, # "
                                         "ve , olabilir)")
                              .arg(number));
        command = QStringLiteral("ATDT%1;").arg(number);
    } else
        return refuse(QStringLiteral("Bilinmeyen komut: \"%1\"").arg(keyword));
    if (!m_link->ready())
        return noDevice(keyword);
    m_link->lineCommand(command);
    return hr::S_OK;
}

QString ModemXelto::numberText(const CallerIdBlock& block)
{
    if (!block.number.isEmpty())
        return block.number;
    if (block.numberReason == QLatin1String("P"))
        return CallerTexts::withheldNumber();
    return CallerTexts::missingNumber();
}

QString ModemXelto::dateTimeText(const CallerIdBlock& block, const QDateTime& now)
{
    const QString format = QStringLiteral("dd.MM.yyyy HH:mm");
    const auto two = [](const QString& text, int at, int& value) {
        bool ok = false;
        value = text.mid(at, 2).toInt(&ok);
        return ok;
    };
    const QString& d = block.date;
    const int at = d.size() == 6 ? 2 : 0; // YYMMDD or MMDD
    int hour = 0, minute = 0, month = 0, day = 0, year = now.date().year();
    bool ok = block.time.size() == 4 && two(block.time, 0, hour) && two(block.time, 2, minute)
        && (d.size() == 4 || d.size() == 6) && two(d, at, month) && two(d, at + 2, day);
    if (ok && d.size() == 6) {
        ok = two(d, 0, year);
        year += 2000;
    }
    QDate date(year, month, day);
    // A block sent just before the new year and read just after it is last year's.
    if (d.size() == 4 && date.isValid() && date > now.date().addDays(1))
        date = date.addYears(-1);
    const QTime time(hour, minute);
    if (!ok || !date.isValid() || !time.isValid())
        return now.toString(format);
    return QDateTime(date, time).toString(format);
}

void ModemXelto::raiseCall(const CallerIdBlock& block)
{
    const QString name = block.name;
    fireCallerID(m_link->serial(), QStringLiteral("1"), numberText(block),
        dateTimeText(block, QDateTime::currentDateTime()), name);
}

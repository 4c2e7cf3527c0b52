#include "DemoScript.h"

#include "Forms.h"
#include "SimulatedXelto.h"

#include <QStringList>

DemoScript::DemoScript(SimulatedXelto* control, QObject* parent)
    : QObject(parent)
    , m_control(control)
    , m_random(QRandomGenerator::securelySeeded())
{
    m_levels.setInterval(1000);
    m_calls.setInterval(6000);
    connect(&m_levels, &QTimer::timeout, this, Guarded(this, [this] { reportLevels(); }));
    connect(&m_calls, &QTimer::timeout, this, Guarded(this, [this] { placeCall(); }));
    QTimer::singleShot(1500, this, Guarded(this, [this] { attach(); }));
}

QString DemoScript::DemoModel()
{
    return QStringLiteral("SİMÜLE");
}

QString DemoScript::DemoSerial()
{
    return QStringLiteral("SIM-000451");
}

void DemoScript::attach()
{
    m_control->attach(DemoModel(), DemoSerial());
    m_levels.start();
    m_calls.start();
    QTimer::singleShot(1200, this, Guarded(this, [this] { placeCall(); }));
}

void DemoScript::reportLevels()
{
    if (!m_control->attached())
        return;
    // Idle lines sit low; now and then one rises as if it were ringing.
    QStringList levels;
    for (int& level : m_level) {
        const int target
            = m_random.bounded(100) < 8 ? 12 + m_random.bounded(18) : m_random.bounded(3);
        level = (level + target) / 2;
        levels.append(QString::number(level));
    }
    for (int i = 4; i < 8; ++i)
        levels.append(QStringLiteral("0"));
    m_control->raiseSignal(levels);
}

void DemoScript::placeCall()
{
    if (!m_control->attached())
        return;
    m_control->raiseCall(1 + m_random.bounded(4), randomNumber());
}

QString DemoScript::randomNumber()
{
    // Landlines of the large cities and the mobile prefixes.
    static const char* const prefixes[] = { "0212", "0216", "0312", "0232", "0224", "0242", "0532",
        "0533", "0542", "0505", "0555", "0850" };
    const int count = int(sizeof prefixes / sizeof *prefixes);
    QString number = QString::fromLatin1(prefixes[m_random.bounded(count)]);
    number += QString::number(2 + m_random.bounded(8));
    for (int i = 0; i < 6; ++i)
        number += QString::number(m_random.bounded(10));
    return number;
}

#include "SimulatedXelto.h"

#include <QDateTime>

namespace {

QString methodName(SimulatedXelto::Method method)
{
    switch (method) {
    case SimulatedXelto::Method::DeviceModel:
        return QStringLiteral("devicemodel");
    case SimulatedXelto::Method::Serial:
        return QStringLiteral("serial");
    case SimulatedXelto::Method::Start:
        return QStringLiteral("start");
    case SimulatedXelto::Method::ServiceAction:
        return QStringLiteral("serviceaction");
    case SimulatedXelto::Method::Command:
        return QStringLiteral("command");
    }
    return {};
}

} // namespace

SimulatedXelto::SimulatedXelto() = default;

SimulatedXelto::~SimulatedXelto() = default;

HRESULT SimulatedXelto::fail(Method method, const QString& what)
{
    SetErrorInfo(QStringLiteral("Simüle cihaz hatası: %1 (%2)").arg(what, methodName(method)));
    return hr::E_FAIL;
}

HRESULT SimulatedXelto::ServiceAction()
{
    if (m_failing.contains(int(Method::ServiceAction)))
        return fail(Method::ServiceAction, QStringLiteral("ServiceAction"));
    ++m_serviceActionCount;
    emit stateChanged();
    return hr::S_OK;
}

HRESULT SimulatedXelto::Start()
{
    if (m_failing.contains(int(Method::Start)))
        return fail(Method::Start, QStringLiteral("Start"));
    ++m_startCount;
    emit stateChanged();
    return hr::S_OK;
}

HRESULT SimulatedXelto::Command(const QString& keyword, QString* result)
{
    if (!result)
        return hr::E_POINTER;
    result->clear();
    if (keyword == QLatin1String("devicemodel")) {
        ++m_modelReads;
        if (m_failing.contains(int(Method::DeviceModel)))
            return fail(Method::DeviceModel, QStringLiteral("Command(devicemodel)"));
        *result = m_attached ? m_model : QString();
        return hr::S_OK;
    }
    if (keyword == QLatin1String("serial")) {
        if (m_failing.contains(int(Method::Serial)))
            return fail(Method::Serial, QStringLiteral("Command(serial)"));
        *result = m_attached ? m_serial : QString();
        return hr::S_OK;
    }
    if (m_failing.contains(int(Method::Command)))
        return fail(Method::Command, QStringLiteral("Command(%1)").arg(keyword));
    m_commands.append(keyword);
    emit stateChanged();
    return hr::S_OK;
}

void SimulatedXelto::attach(const QString& model, const QString& serial)
{
    if (model.isEmpty())
        throw Exception(QStringLiteral("a device needs a model name"));
    m_attached = true;
    m_model = model;
    m_serial = serial;
    emit stateChanged();
    emit deviceChanged();
}

void SimulatedXelto::detach()
{
    m_attached = false;
    emit stateChanged();
    emit deviceChanged();
}

void SimulatedXelto::raiseCall(int line, const QString& number)
{
    if (!m_attached)
        throw Exception(QStringLiteral("no device is attached"));
    if (line < 1 || line > 4)
        throw Exception(QStringLiteral("line must be 1 to 4, not %1").arg(line));
    const QString now
        = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    fireCallerID(m_serial, QString::number(line), number, now, QString());
}

void SimulatedXelto::raiseSignal(const QStringList& levels)
{
    if (!m_attached)
        throw Exception(QStringLiteral("no device is attached"));
    if (levels.size() < 4 || levels.size() > 8)
        throw Exception(
            QStringLiteral("a signal report has 4 to 8 levels, not %1").arg(levels.size()));
    fireSignal(levels);
}

void SimulatedXelto::setFailure(Method method, bool failing)
{
    if (failing)
        m_failing.insert(int(method));
    else
        m_failing.remove(int(method));
    emit stateChanged();
}

bool SimulatedXelto::methodFromName(const QString& name, Method& method)
{
    for (Method m : { Method::DeviceModel, Method::Serial, Method::Start, Method::ServiceAction,
             Method::Command }) {
        if (methodName(m) == name) {
            method = m;
            return true;
        }
    }
    return false;
}

QStringList SimulatedXelto::statusLines() const
{
    QStringList lines;
    lines << QStringLiteral("attached: %1")
                 .arg(m_attached ? QStringLiteral("yes") : QStringLiteral("no"))
          << QStringLiteral("model: %1").arg(m_attached ? m_model : QString())
          << QStringLiteral("serial: %1").arg(m_attached ? m_serial : QString())
          << QStringLiteral("start calls: %1").arg(m_startCount)
          << QStringLiteral("model reads: %1").arg(m_modelReads)
          << QStringLiteral("service actions: %1").arg(m_serviceActionCount)
          << QStringLiteral("form visible: %1")
                 .arg(formVisible() ? QStringLiteral("yes") : QStringLiteral("no"));
    QStringList failing;
    for (Method m : { Method::DeviceModel, Method::Serial, Method::Start, Method::ServiceAction,
             Method::Command })
        if (m_failing.contains(int(m)))
            failing << methodName(m);
    lines << QStringLiteral("failing: %1").arg(failing.join(QLatin1Char(' ')));
    lines << QStringLiteral("commands: %1").arg(m_commands.size());
    lines << m_commands;
    return lines;
}

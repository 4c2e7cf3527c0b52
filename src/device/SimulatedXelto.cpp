#include "SimulatedXelto.h"

#include <QDateTime>

namespace {

// Dispatch IDs of the control's methods, for callers that use late binding.
constexpr DISPID kDispServiceAction = 245;
constexpr DISPID kDispStart = 246;
constexpr DISPID kDispCommand = 249;

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

HRESULT SimulatedXelto::QueryInterface(const QUuid& iid, void** object)
{
    if (!object)
        return hr::E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IXelto) {
        *object = static_cast<IXelto*>(this);
        return hr::S_OK;
    }
    if (iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        return hr::S_OK;
    }
    *object = nullptr;
    return hr::E_NOINTERFACE;
}

HRESULT SimulatedXelto::Invoke(
    DISPID id, DispatchKind kind, const QVariantList& args, QVariant* result)
{
    if (id == XeltoDispId::FormVisible) {
        if (kind == DispatchKind::PropertyGet) {
            if (result)
                *result = m_formVisible;
            return hr::S_OK;
        }
        if (kind != DispatchKind::PropertyPut)
            return hr::DISP_E_MEMBERNOTFOUND;
        if (args.size() != 1)
            return hr::DISP_E_BADPARAMCOUNT;
        if (!args.first().canConvert<bool>())
            return hr::DISP_E_TYPEMISMATCH;
        m_formVisible = args.first().toBool();
        emit stateChanged();
        return hr::S_OK;
    }
    if (kind != DispatchKind::Method)
        return hr::DISP_E_MEMBERNOTFOUND;
    switch (id) {
    case kDispServiceAction:
        return args.isEmpty() ? ServiceAction() : hr::DISP_E_BADPARAMCOUNT;
    case kDispStart:
        return args.isEmpty() ? Start() : hr::DISP_E_BADPARAMCOUNT;
    case kDispCommand: {
        if (args.size() != 1)
            return hr::DISP_E_BADPARAMCOUNT;
        QString text;
        const HRESULT code = Command(args.first().toString(), &text);
        if (result)
            *result = text;
        return code;
    }
    default:
        return hr::DISP_E_MEMBERNOTFOUND;
    }
}

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

HRESULT SimulatedXelto::Advise(const QUuid& eventIid, IDispatch* sink, quint32* cookie)
{
    if (!sink || !cookie)
        return hr::E_POINTER;
    if (eventIid != DIID_IXeltoEvents)
        return hr::E_NOINTERFACE;
    *cookie = m_nextCookie++;
    m_sinks.insert(*cookie, sink);
    return hr::S_OK;
}

HRESULT SimulatedXelto::Unadvise(quint32 cookie)
{
    return m_sinks.remove(cookie) ? hr::S_OK : hr::CONNECT_E_NOCONNECTION;
}

void SimulatedXelto::attach(const QString& model, const QString& serial)
{
    if (model.isEmpty())
        throw Exception(QStringLiteral("a device needs a model name"));
    m_attached = true;
    m_model = model;
    m_serial = serial;
    emit stateChanged();
}

void SimulatedXelto::detach()
{
    m_attached = false;
    emit stateChanged();
}

void SimulatedXelto::raiseCall(int line, const QString& number)
{
    if (!m_attached)
        throw Exception(QStringLiteral("no device is attached"));
    if (line < 1 || line > 4)
        throw Exception(QStringLiteral("line must be 1 to 4, not %1").arg(line));
    const QString now
        = QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    fireEvent(XeltoDispId::OnCallerID, { m_serial, QString::number(line), number, now, QString() });
}

void SimulatedXelto::raiseSignal(const QStringList& levels)
{
    if (!m_attached)
        throw Exception(QStringLiteral("no device is attached"));
    if (levels.size() < 4 || levels.size() > 8)
        throw Exception(
            QStringLiteral("a signal report has 4 to 8 levels, not %1").arg(levels.size()));
    QVariantList args;
    for (int i = 0; i < 8; ++i)
        args.append(i < levels.size() ? levels.at(i) : QStringLiteral("0"));
    fireEvent(XeltoDispId::OnSignalA, args);
}

void SimulatedXelto::fireEvent(DISPID id, const QVariantList& args)
{
    // A sink may unadvise while it is being called: walk a copy.
    const auto sinks = m_sinks;
    for (IDispatch* sink : sinks)
        sink->Invoke(id, DispatchKind::Method, args, nullptr);
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
          << QStringLiteral("service actions: %1").arg(m_serviceActionCount)
          << QStringLiteral("form visible: %1")
                 .arg(m_formVisible ? QStringLiteral("yes") : QStringLiteral("no"));
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

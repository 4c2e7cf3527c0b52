#include "ComObj.h"

#include <QHash>

const QUuid IID_IUnknown(QStringLiteral("{00000000-0000-0000-C000-000000000046}"));
const QUuid IID_IDispatch(QStringLiteral("{00020400-0000-0000-C000-000000000046}"));
const QUuid IID_IConnectionPoint(QStringLiteral("{B196B286-BAB4-101A-B69C-00AA00341D07}"));

namespace {

struct Registration
{
    QString progId;
    ComFactory factory;
};

QHash<QUuid, Registration>& registry()
{
    static QHash<QUuid, Registration> classes;
    return classes;
}

QString& pendingErrorInfo()
{
    static thread_local QString text;
    return text;
}

} // namespace

QString SysErrorMessage(HRESULT code)
{
    switch (code) {
    case hr::E_UNEXPECTED:
        return QStringLiteral("Catastrophic failure");
    case hr::E_NOTIMPL:
        return QStringLiteral("Not implemented");
    case hr::E_NOINTERFACE:
        return QStringLiteral("No such interface supported");
    case hr::E_POINTER:
        return QStringLiteral("Invalid pointer");
    case hr::E_FAIL:
        return QStringLiteral("Unspecified error");
    case hr::E_INVALIDARG:
        return QStringLiteral("The parameter is incorrect");
    case hr::E_OUTOFMEMORY:
        return QStringLiteral("Not enough storage is available to complete this operation");
    case hr::DISP_E_MEMBERNOTFOUND:
        return QStringLiteral("Member not found");
    case hr::DISP_E_TYPEMISMATCH:
        return QStringLiteral("Type mismatch");
    case hr::DISP_E_BADPARAMCOUNT:
        return QStringLiteral("Invalid number of parameters");
    case hr::CONNECT_E_NOCONNECTION:
        return QStringLiteral("No connection for this cookie");
    case hr::REGDB_E_CLASSNOTREG:
        return QStringLiteral("Class not registered");
    case hr::CLASS_E_CLASSNOTAVAILABLE:
        return QStringLiteral("ClassFactory cannot supply requested class");
    default:
        return QStringLiteral("OLE error %1")
            .arg(QString::number(static_cast<quint32>(code), 16)
                     .toUpper()
                     .rightJustified(8, QLatin1Char('0')));
    }
}

void SetErrorInfo(const QString& description)
{
    pendingErrorInfo() = description;
}

QString TakeErrorInfo()
{
    return std::exchange(pendingErrorInfo(), QString());
}

void OleCheck(HRESULT code)
{
    if (Succeeded(code)) {
        TakeErrorInfo(); // a stale description must not stick to a later failure
        return;
    }
    QString message = TakeErrorInfo();
    if (message.isEmpty())
        message = SysErrorMessage(code);
    throw EOleSysError(message, code);
}

namespace ComRegistry {

void RegisterClass(const QUuid& clsid, const QString& progId, ComFactory factory)
{
    registry().insert(clsid, Registration { progId, std::move(factory) });
}

void UnregisterClass(const QUuid& clsid)
{
    registry().remove(clsid);
}

bool IsRegistered(const QUuid& clsid)
{
    return registry().contains(clsid);
}

HRESULT CoCreateInstance(const QUuid& clsid, ComObject& object)
{
    object.reset();
    const auto it = registry().constFind(clsid);
    if (it == registry().constEnd() || !it->factory)
        return hr::REGDB_E_CLASSNOTREG;
    try {
        object = it->factory();
    } catch (const Exception& e) {
        SetErrorInfo(e.Message());
        return hr::E_FAIL;
    } catch (const std::bad_alloc&) {
        return hr::E_OUTOFMEMORY;
    }
    return object ? hr::S_OK : hr::CLASS_E_CLASSNOTAVAILABLE;
}

} // namespace ComRegistry

void SetDispatchProperty(IDispatch* dispatch, DISPID id, const QVariant& value)
{
    if (!dispatch)
        OleCheck(hr::E_POINTER);
    OleCheck(dispatch->Invoke(id, DispatchKind::PropertyPut, QVariantList { value }, nullptr));
}

#pragma once

#include "Exceptions.h"

#include <QUuid>
#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <functional>
#include <memory>

// A small COM-style object model: controls are created by class ID from a
// registry, queried for interfaces by ID, driven through dispatch IDs, and
// report failures as HRESULT codes that the caller turns into exceptions.

using HRESULT = std::int32_t;
using DISPID = std::int32_t;

namespace hr {
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
} // namespace hr

inline bool Succeeded(HRESULT code)
{
    return code >= 0;
}
inline bool Failed(HRESULT code)
{
    return code < 0;
}

// A failure code raised as an exception; the message is the control's own
// description when it gave one, else the system's text for the code.
class EOleSysError : public Exception
{
public:
    EOleSysError(QString message, HRESULT code)
        : Exception(std::move(message))
        , m_code(code)
    {
    }
    HRESULT ErrorCode() const noexcept { return m_code; }

private:
    HRESULT m_code;
};

// The readable text of a failure code ("Class not registered", ...).
QString SysErrorMessage(HRESULT code);

// The description a failing method leaves for its caller (IErrorInfo's role):
// set by the object just before it returns a failure, taken once by OleCheck.
void SetErrorInfo(const QString& description);
QString TakeErrorInfo();

// Raises EOleSysError for a failure code.
void OleCheck(HRESULT code);

class IUnknown
{
public:
    virtual ~IUnknown() = default;
    // Sets *object to the interface with the given ID, valid as long as the object lives.
    virtual HRESULT QueryInterface(const QUuid& iid, void** object) = 0;
};

enum class DispatchKind { Method, PropertyGet, PropertyPut };

class IDispatch : public IUnknown
{
public:
    virtual HRESULT Invoke(DISPID id, DispatchKind kind, const QVariantList& args, QVariant* result)
        = 0;
};

// The event side of a control: sinks are advised for an event interface and
// called through IDispatch::Invoke with the event's DISPID.
class IConnectionPoint : public IUnknown
{
public:
    virtual HRESULT Advise(const QUuid& eventIid, IDispatch* sink, quint32* cookie) = 0;
    virtual HRESULT Unadvise(quint32 cookie) = 0;
};

extern const QUuid IID_IUnknown;
extern const QUuid IID_IDispatch;
extern const QUuid IID_IConnectionPoint;

using ComObject = std::shared_ptr<IUnknown>;
using ComFactory = std::function<ComObject()>;

// The process's class registry: the place where controls are found by class ID.
namespace ComRegistry {
void RegisterClass(const QUuid& clsid, const QString& progId, ComFactory factory);
void UnregisterClass(const QUuid& clsid);
bool IsRegistered(const QUuid& clsid);
HRESULT CoCreateInstance(const QUuid& clsid, ComObject& object);
} // namespace ComRegistry

// Writes a property by DISPID and raises on failure.
void SetDispatchProperty(IDispatch* dispatch, DISPID id, const QVariant& value);

template <typename Interface> Interface* QueryInterfaceAs(IUnknown* object, const QUuid& iid)
{
    if (!object)
        throw EOleSysError(SysErrorMessage(hr::E_POINTER), hr::E_POINTER);
    void* out = nullptr;
    OleCheck(object->QueryInterface(iid, &out));
    if (!out)
        throw EOleSysError(SysErrorMessage(hr::E_NOINTERFACE), hr::E_NOINTERFACE);
    return static_cast<Interface*>(out);
}

#include "ComObj.h"

#include <gtest/gtest.h>

namespace {

const QUuid kClass(QStringLiteral("{11111111-2222-3333-4444-555555555555}"));

class Recorder : public IDispatch
{
public:
    HRESULT QueryInterface(const QUuid& iid, void** object) override
    {
        if (iid == IID_IDispatch || iid == IID_IUnknown) {
            *object = static_cast<IDispatch*>(this);
            return hr::S_OK;
        }
        *object = nullptr;
        return hr::E_NOINTERFACE;
    }
    HRESULT Invoke(DISPID id, DispatchKind kind, const QVariantList& args, QVariant*) override
    {
        if (id != 201 || kind != DispatchKind::PropertyPut)
            return hr::DISP_E_MEMBERNOTFOUND;
        if (failNext) {
            SetErrorInfo(QStringLiteral("the device refused"));
            return hr::E_FAIL;
        }
        written = args.value(0);
        return hr::S_OK;
    }
    QVariant written;
    bool failNext = false;
};

} // namespace

TEST(ComRegistry, CreatesRegisteredClassesOnly)
{
    ComObject object;
    EXPECT_EQ(ComRegistry::CoCreateInstance(kClass, object), hr::REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(object);

    ComRegistry::RegisterClass(
        kClass, QStringLiteral("Test.Recorder"), [] { return std::make_shared<Recorder>(); });
    EXPECT_EQ(ComRegistry::CoCreateInstance(kClass, object), hr::S_OK);
    ASSERT_TRUE(object);
    EXPECT_NE(QueryInterfaceAs<IDispatch>(object.get(), IID_IDispatch), nullptr);
    EXPECT_THROW(QueryInterfaceAs<IDispatch>(object.get(), IID_IConnectionPoint), EOleSysError);

    ComRegistry::UnregisterClass(kClass);
    EXPECT_FALSE(ComRegistry::IsRegistered(kClass));
}

TEST(ComRegistry, FactoryFailureBecomesAFailureCodeWithItsMessage)
{
    ComRegistry::RegisterClass(kClass, QStringLiteral("Test.Broken"),
        []() -> ComObject { throw Exception(QStringLiteral("no hardware")); });
    ComObject object;
    const HRESULT code = ComRegistry::CoCreateInstance(kClass, object);
    EXPECT_EQ(code, hr::E_FAIL);
    try {
        OleCheck(code);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("no hardware"));
    }
    ComRegistry::UnregisterClass(kClass);
}

TEST(OleCheck, UsesTheObjectsDescriptionOrTheSystemText)
{
    Recorder recorder;
    SetDispatchProperty(&recorder, 201, false);
    EXPECT_EQ(recorder.written, QVariant(false));

    recorder.failNext = true;
    try {
        SetDispatchProperty(&recorder, 201, true);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("the device refused"));
        EXPECT_EQ(e.ErrorCode(), hr::E_FAIL);
    }
    try {
        SetDispatchProperty(&recorder, 999, true);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        // The earlier description was taken and does not leak into this failure.
        EXPECT_EQ(e.Message(), QStringLiteral("Member not found"));
    }
    EXPECT_EQ(SysErrorMessage(hr::REGDB_E_CLASSNOTREG), QStringLiteral("Class not registered"));
    EXPECT_EQ(
        SysErrorMessage(static_cast<HRESULT>(0x8001ABCDu)), QStringLiteral("OLE error 8001ABCD"));
}

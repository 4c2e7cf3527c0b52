#pragma once

#include "XeltoControl.h"

#include <QSet>
#include <QStringList>

// A caller-ID control that simulates the device: a device can be attached (with
// a model and a serial number) and detached, calls and signal reports are
// raised on request, every line command it receives is recorded, and any of
// its methods can be told to fail.
class SimulatedXelto : public XeltoControl
{
    Q_OBJECT
public:
    enum class Method { DeviceModel, Serial, Start, ServiceAction, Command };

    SimulatedXelto();
    ~SimulatedXelto() override;

    // IXelto
    HRESULT ServiceAction() override;
    HRESULT Start() override;
    HRESULT Command(const QString& keyword, QString* result) override;

    // The simulated device. Raising events needs an attached device; the
    // Exception raised otherwise explains why.
    void attach(const QString& model, const QString& serial);
    void detach();
    void raiseCall(int line, const QString& number);
    void raiseSignal(const QStringList& levels);
    void setFailure(Method method, bool fail);
    static bool methodFromName(const QString& name, Method& method);

    bool devicePresent() const override { return m_attached; }
    bool attached() const { return m_attached; }
    QString model() const { return m_model; }
    QString serial() const { return m_serial; }
    int startCount() const { return m_startCount; }
    int serviceActionCount() const { return m_serviceActionCount; }
    // Line commands received ("LineStatus0", "dial…"); the status queries are not recorded.
    QStringList commands() const { return m_commands; }
    // A readable report: attachment, model, serial, calls received, commands.
    QStringList statusLines() const;

signals:
    void stateChanged();

protected:
    void formVisibleChanged() override { emit stateChanged(); }

private:
    HRESULT fail(Method method, const QString& what);

    bool m_attached = false;
    QString m_model;
    QString m_serial;
    int m_startCount = 0;
    // The window's status poll reads the model: a controller can wait for the
    // window to have seen a change instead of sleeping.
    int m_modelReads = 0;
    int m_serviceActionCount = 0;
    QStringList m_commands;
    QSet<int> m_failing; // Method values
};

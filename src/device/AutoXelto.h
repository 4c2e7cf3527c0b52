#pragma once

#include "DeviceFinder.h"
#include "XeltoControl.h"

#include <memory>
#include <vector>

// The control for `auto`: its candidates look for a device at the same time,
// and the first that answers stands behind the control until it goes away,
// when the search starts again. Until then there is no device: "devicemodel"
// answers empty text and line commands are refused.
class AutoXelto : public XeltoControl
{
    Q_OBJECT
public:
    explicit AutoXelto(std::vector<std::unique_ptr<DeviceCandidate>> candidates);
    ~AutoXelto() override;

    HRESULT ServiceAction() override;
    HRESULT Start() override;
    HRESULT Command(const QString& keyword, QString* result) override;
    bool devicePresent() const override;

    // The device standing behind the control now, if any.
    XeltoControl* device() const { return m_device.get(); }

private:
    class Relay;

    void search();
    void adopt(std::unique_ptr<XeltoControl> device);
    void release();

    std::vector<std::unique_ptr<DeviceCandidate>> m_candidates;
    std::unique_ptr<XeltoControl> m_device;
    std::unique_ptr<Relay> m_relay;
    quint32 m_cookie = 0;
    bool m_started = false;
};

#pragma once

#include "DeviceFinder.h"
#include "XeltoControl.h"

#include <memory>
#include <vector>

// The control for `auto`: its candidates look for a device at the same time,
// and the first that answers stands behind the control until it goes away,
// when the search starts again. Candidates come in order of preference: a
// device found while an earlier candidate is still probing waits until that
// probe has ended, and is taken only if the probe found nothing. Until then there is no device:
// "devicemodel" answers empty text and line commands are refused.
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
    void search();
    void offer(size_t index, std::unique_ptr<XeltoControl> device);
    bool earlierBusy(size_t index) const;
    void unpark();
    void adopt(std::unique_ptr<XeltoControl> device);
    void release();

    std::vector<std::unique_ptr<DeviceCandidate>> m_candidates;
    std::unique_ptr<XeltoControl> m_device;
    // A device that waits for an earlier candidate's probe, and its candidate.
    std::unique_ptr<XeltoControl> m_parked;
    size_t m_parkedIndex = 0;
    std::unique_ptr<XeltoEventSink> m_relay;
    quint32 m_cookie = 0;
    bool m_started = false;
};

#include "DeviceTimer.h"

#include <QTimer>

namespace {

class QtDeviceTimer final : public DeviceTimer
{
public:
    explicit QtDeviceTimer(QObject* context)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, context, [this] {
            if (onTimeout)
                onTimeout();
        });
    }

    void start(int milliseconds) override { m_timer.start(milliseconds); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    int interval() const override { return m_timer.interval(); }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<DeviceTimer> MakeQtDeviceTimer(QObject* context)
{
    return std::make_unique<QtDeviceTimer>(context);
}

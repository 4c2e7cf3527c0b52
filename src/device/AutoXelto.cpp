#include "AutoXelto.h"

#include <QTimer>

AutoXelto::AutoXelto(std::vector<std::unique_ptr<DeviceCandidate>> candidates)
    : m_candidates(std::move(candidates))
    // Passes the found device's events on as the auto control's own.
    , m_relay(std::make_unique<XeltoEventSink>([this](DISPID id, const QVariantList& args) {
        fireEvent(id, args);
        return hr::S_OK;
    }))
{
    for (auto& candidate : m_candidates) {
        connect(candidate.get(), &DeviceCandidate::logLine, this, &AutoXelto::logLine);
        // Queued: the candidate must be able to finish its own step first.
        connect(candidate.get(), &DeviceCandidate::busyChanged, this, &AutoXelto::unpark,
            Qt::QueuedConnection);
    }
    // Look once the event loop runs, so that nothing is probed while windows are built.
    QTimer::singleShot(0, this, [this] { search(); });
}

AutoXelto::~AutoXelto()
{
    for (auto& candidate : m_candidates)
        candidate->stopSearch();
    release();
}

void AutoXelto::search()
{
    if (m_device)
        return;
    for (size_t i = 0; i < m_candidates.size(); ++i)
        m_candidates[i]->startSearch([this, i](std::unique_ptr<XeltoControl> device) {
            // Queued: the candidate handing over must be able to finish its own step first.
            auto* raw = device.release();
            QTimer::singleShot(
                0, this, [this, i, raw] { offer(i, std::unique_ptr<XeltoControl>(raw)); });
        });
}

bool AutoXelto::earlierBusy(size_t index) const
{
    for (size_t j = 0; j < index; ++j)
        if (m_candidates[j]->busy())
            return true;
    return false;
}

void AutoXelto::offer(size_t index, std::unique_ptr<XeltoControl> device)
{
    if (m_device)
        return; // another candidate was quicker
    if (!device->devicePresent()) {
        search(); // the device left before it could be taken over
        return;
    }
    if (earlierBusy(index)) {
        if (!m_parked || index < m_parkedIndex) {
            m_parked = std::move(device);
            m_parkedIndex = index;
        }
        return;
    }
    adopt(std::move(device));
}

void AutoXelto::unpark()
{
    if (m_parked && !earlierBusy(m_parkedIndex))
        offer(m_parkedIndex, std::move(m_parked));
}

void AutoXelto::adopt(std::unique_ptr<XeltoControl> device)
{
    for (auto& candidate : m_candidates)
        candidate->stopSearch();
    m_parked.reset();
    m_device = std::move(device);
    if (Failed(m_device->Advise(DIID_IXeltoEvents, m_relay.get(), &m_cookie)))
        m_cookie = 0;
    connect(m_device.get(), &XeltoControl::deviceChanged, this, [this] {
        if (m_device && !m_device->devicePresent()) {
            // Not inside the device's own signal: it is deleted here.
            QTimer::singleShot(0, this, [this] {
                if (m_device && !m_device->devicePresent()) {
                    release();
                    emit deviceChanged();
                    search();
                }
            });
        }
    });
    if (m_started)
        m_device->Start();
    emit deviceChanged();
}

void AutoXelto::release()
{
    if (!m_device)
        return;
    if (m_cookie)
        m_device->Unadvise(m_cookie);
    m_cookie = 0;
    m_device.reset();
}

bool AutoXelto::devicePresent() const
{
    return m_device && m_device->devicePresent();
}

HRESULT AutoXelto::ServiceAction()
{
    return m_device ? m_device->ServiceAction() : hr::S_OK;
}

HRESULT AutoXelto::Start()
{
    m_started = true;
    return m_device ? m_device->Start() : hr::S_OK;
}

HRESULT AutoXelto::Command(const QString& keyword, QString* result)
{
    if (!result)
        return hr::E_POINTER;
    result->clear();
    if (m_device)
        return m_device->Command(keyword, result);
    if (keyword == QLatin1String("devicemodel") || keyword == QLatin1String("serial"))
        return hr::S_OK;
    return noDevice(keyword);
}

#pragma once

#include "DeviceFinder.h"
#include "UnitCalls.h"
#include "UnitSource.h"
#include "UnitUdpLink.h"
#include "XeltoControl.h"

#include <deque>
#include <memory>

// The control for a multi-line caller-ID unit, on a serial port (UnitLink) or
// on Ethernet (UnitUdpLink): each line's calls become OnCallerID events with
// the unit's serial number and the record's line number, and each line's
// rings, hook changes and outgoing calls a line in the log. A unit reports no
// line levels, so the meters show 0, and it only listens, so the line commands
// are refused. Calls that come before Start() (a unit found by `auto` before
// it is taken over) wait for it.
class UnitXelto : public XeltoControl
{
    Q_OBJECT
public:
    explicit UnitXelto(std::unique_ptr<UnitSource> source);
    ~UnitXelto() override;

    HRESULT ServiceAction() override;
    HRESULT Start() override;
    HRESULT Command(const QString& keyword, QString* result) override;
    bool devicePresent() const override { return m_source->present(); }

    UnitSource* source() const { return m_source.get(); }

    // Calls kept for Start(); older ones go first.
    static constexpr size_t MaxWaitingCalls = 64;

private:
    void onRecord(const QString& unit, const UnitRecord& record);
    void onPresenceChanged(bool present);

    std::unique_ptr<UnitSource> m_source;
    UnitCalls m_calls;
    bool m_started = false;
    std::deque<std::pair<QString, UnitCalls::Call>> m_waiting;
};

// For `auto`: Ethernet units, heard on UDP port 3520 without asking anything.
// The first unit heard is the device. A port another program holds without
// sharing it is written to the log once, however often the search starts.
class UnitCandidate : public DeviceCandidate
{
    Q_OBJECT
public:
    explicit UnitCandidate(UnitUdpLink::Options options = {});
    ~UnitCandidate() override;

    void startSearch(Found found) override;
    void stopSearch() override;

private:
    UnitUdpLink::Options m_options;
    std::unique_ptr<UnitUdpLink> m_link;
};

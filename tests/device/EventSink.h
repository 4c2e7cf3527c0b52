#pragma once

// What the device controls' tests share: a sink that collects the events a
// control raises, and the CPU the test process has used.

#include "xeltocallerid_TLB.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <sys/resource.h>

// Collects what a control raises: each event's arguments as texts.
class EventSink : public XeltoEventSink
{
public:
    EventSink()
        : XeltoEventSink([this](DISPID id, const QVariantList& args) { return record(id, args); })
    {
    }
    // Line and number of every call, "LINE NUMBER".
    QStringList lines() const
    {
        QStringList out;
        for (const QStringList& c : calls)
            out << c.at(1) + QLatin1Char(' ') + c.at(2);
        return out;
    }
    QList<QStringList> calls;
    QList<QStringList> signals_;
    // How long the window takes to list a call, when a test says so.
    qint64 busyNs = 0;

private:
    HRESULT record(DISPID id, const QVariantList& args)
    {
        QStringList texts;
        for (const QVariant& a : args)
            texts << a.toString();
        (id == XeltoDispId::OnCallerID ? calls : signals_) << texts;
        QElapsedTimer busy;
        busy.start();
        while (id == XeltoDispId::OnCallerID && busy.nsecsElapsed() < busyNs) { }
        return hr::S_OK;
    }
};

inline double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

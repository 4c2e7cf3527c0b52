#pragma once

#include "UnitParser.h"

#include <QObject>

// Where a multi-line unit's records come from: a serial port or UDP. The
// control over it (UnitXelto) is the same for both.
class UnitSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts reaching the unit; calling it again changes nothing.
    virtual void start() = 0;
    virtual bool present() const = 0;
    // While present: what "devicemodel" and "serial" answer.
    virtual QString model() const = 0;
    virtual QString serial() const = 0;

signals:
    void presenceChanged(bool present);
    // A call or detail record from the unit whose serial number is UNIT.
    void record(const QString& unit, const UnitRecord& record);
    // Something the technician should read in the program's log.
    void logLine(const QString& text);
};

#pragma once

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

class SimulatedXelto;

// Plays a plausible device for the demo: it appears shortly after start,
// reports line levels every second and a call every few seconds.
class DemoScript : public QObject
{
    Q_OBJECT
public:
    explicit DemoScript(SimulatedXelto* control, QObject* parent = nullptr);

    static QString DemoModel();
    static QString DemoSerial();

private:
    void attach();
    void reportLevels();
    void placeCall();
    QString randomNumber();

    SimulatedXelto* m_control;
    QTimer m_levels;
    QTimer m_calls;
    int m_level[4] = { 0, 0, 0, 0 };
    QRandomGenerator m_random;
};

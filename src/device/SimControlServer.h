#pragma once

#include <QObject>
#include <QPointer>

class QLocalServer;
class QLocalSocket;
class SimulatedXelto;

// Listens on the controller socket (owner-only) and runs each request line
// against the simulated control.
class SimControlServer : public QObject
{
    Q_OBJECT
public:
    SimControlServer(SimulatedXelto* control, QObject* parent = nullptr);
    ~SimControlServer() override;

    // False when the socket could not be taken (another program holds it).
    bool listen(const QString& path);
    QString path() const { return m_path; }

private:
    void accept();
    void serve(QLocalSocket* socket);

    SimulatedXelto* m_control;
    QLocalServer* m_server;
    QString m_path;
};

#pragma once

#include "SimRequest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class SimulatedXelto;

// The simulated device's controller protocol: one JSON array of strings per
// line ("attach", model, serial), answered by one JSON object per line:
// {"ok": true, "lines": [...]} or {"ok": false, "error": "..."}.
namespace SimProtocol {

struct Reply
{
    bool ok = false;
    QString error;
    QStringList lines;
};

QByteArray EncodeRequest(const QStringList& words);
QByteArray EncodeReply(const Reply& reply);
Reply DecodeReply(const QByteArray& line);

// Runs one request line against the control. Never throws: malformed
// requests and refused actions become error replies and change nothing.
Reply Execute(SimulatedXelto& control, const QByteArray& line);

// Where the controller socket lives: $CALLERID_SIM_SOCKET if set, else
// callerid-sim.socket in $XDG_RUNTIME_DIR, else in a private folder under the
// temporary folder (made and checked by whoever listens or connects, not here).
QString SocketPath();

} // namespace SimProtocol

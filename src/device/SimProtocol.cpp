#include "SimProtocol.h"

#include "SimSocket.h"
#include "SimulatedXelto.h"
#include "SysUtils.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace SimProtocol {
namespace {

Reply error(const QString& message)
{
    return Reply { false, message, {} };
}

Reply ok(const QStringList& lines = {})
{
    return Reply { true, {}, lines };
}

Reply run(SimulatedXelto& control, const Request& request)
{
    const QStringList& args = request.args;
    switch (request.command) {
    case Command::Attach:
        control.attach(args.at(0), args.at(1));
        return ok();
    case Command::Detach:
        control.detach();
        return ok();
    case Command::Call:
        control.raiseCall(request.line, args.at(1));
        return ok();
    case Command::Signal:
        control.raiseSignal(args);
        return ok();
    case Command::Fail: {
        SimulatedXelto::Method method {};
        if (!SimulatedXelto::methodFromName(args.at(0), method))
            return error(Usage(QStringLiteral("fail")));
        control.setFailure(method, args.at(1) == QLatin1String("on"));
        return ok();
    }
    case Command::Status:
        return ok(control.statusLines());
    }
    return error(QStringLiteral("unknown command"));
}

} // namespace

QByteArray EncodeRequest(const QStringList& words)
{
    return QJsonDocument(QJsonArray::fromStringList(words)).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray EncodeReply(const Reply& reply)
{
    QJsonObject object { { QStringLiteral("ok"), reply.ok } };
    if (reply.ok)
        object.insert(QStringLiteral("lines"), QJsonArray::fromStringList(reply.lines));
    else
        object.insert(QStringLiteral("error"), reply.error);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

Reply DecodeReply(const QByteArray& line)
{
    QJsonParseError parseError {};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return error(QStringLiteral("malformed reply from the program"));
    const QJsonObject object = doc.object();
    Reply reply;
    reply.ok = object.value(QStringLiteral("ok")).toBool();
    reply.error = object.value(QStringLiteral("error")).toString();
    for (const QJsonValue& v : object.value(QStringLiteral("lines")).toArray())
        reply.lines.append(v.toString());
    return reply;
}

Reply Execute(SimulatedXelto& control, const QByteArray& line)
{
    Request request;
    if (const QString problem = ParseRequest(line, request); !problem.isEmpty())
        return error(problem);
    try {
        return run(control, request);
    } catch (const Exception& e) {
        return error(e.Message());
    }
}

QString SocketPath()
{
    const QString explicitPath = qEnvironmentVariable("CALLERID_SIM_SOCKET");
    if (!explicitPath.isEmpty())
        return explicitPath;
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QDir(dir).exists())
        dir = SimSocket::FallbackFolder();
    return dir + QStringLiteral("/callerid-sim.socket");
}

} // namespace SimProtocol

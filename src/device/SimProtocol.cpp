#include "SimProtocol.h"

#include "SimulatedXelto.h"
#include "SysUtils.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

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

QString usage(const QString& command)
{
    static const QHash<QString, QString> forms {
        { QStringLiteral("attach"), QStringLiteral("attach MODEL SERIAL") },
        { QStringLiteral("detach"), QStringLiteral("detach") },
        { QStringLiteral("call"), QStringLiteral("call LINE NUMBER") },
        { QStringLiteral("signal"), QStringLiteral("signal L1 L2 L3 L4 [L5 … L8]") },
        { QStringLiteral("fail"), QStringLiteral("fail METHOD on|off") },
        { QStringLiteral("status"), QStringLiteral("status") },
    };
    return QStringLiteral("usage: %1").arg(forms.value(command));
}

Reply run(SimulatedXelto& control, const QStringList& words)
{
    const QString command = words.first();
    const QStringList args = words.mid(1);
    if (command == QLatin1String("attach")) {
        if (args.size() != 2 || args.at(0).isEmpty())
            return error(usage(command));
        control.attach(args.at(0), args.at(1));
        return ok();
    }
    if (command == QLatin1String("detach")) {
        if (!args.isEmpty())
            return error(usage(command));
        control.detach();
        return ok();
    }
    if (command == QLatin1String("call")) {
        std::int32_t line = 0;
        if (args.size() != 2 || !SysUtils::TryStrToInt(args.at(0), line))
            return error(usage(command));
        control.raiseCall(line, args.at(1));
        return ok();
    }
    if (command == QLatin1String("signal")) {
        if (args.size() < 4 || args.size() > 8)
            return error(usage(command));
        control.raiseSignal(args);
        return ok();
    }
    if (command == QLatin1String("fail")) {
        SimulatedXelto::Method method {};
        if (args.size() != 2 || !SimulatedXelto::methodFromName(args.at(0), method)
            || (args.at(1) != QLatin1String("on") && args.at(1) != QLatin1String("off")))
            return error(usage(command)
                + QStringLiteral(" (METHOD: devicemodel, serial, start, serviceaction, command)"));
        control.setFailure(method, args.at(1) == QLatin1String("on"));
        return ok();
    }
    if (command == QLatin1String("status")) {
        if (!args.isEmpty())
            return error(usage(command));
        return ok(control.statusLines());
    }
    return error(QStringLiteral("unknown command '%1'").arg(command));
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
    if (line.size() > MaxLineLength)
        return error(QStringLiteral("request too long"));
    QJsonParseError parseError {};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isArray())
        return error(QStringLiteral("malformed request: expected a JSON array of strings"));
    QStringList words;
    for (const QJsonValue& v : doc.array()) {
        if (!v.isString())
            return error(QStringLiteral("malformed request: expected a JSON array of strings"));
        words.append(v.toString());
    }
    if (words.isEmpty())
        return error(QStringLiteral("empty request"));
    try {
        return run(control, words);
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
    if (dir.isEmpty() || !QDir(dir).exists()) {
        dir = QDir::tempPath() + QStringLiteral("/callerid-sim-%1").arg(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return dir + QStringLiteral("/callerid-sim.socket");
}

} // namespace SimProtocol

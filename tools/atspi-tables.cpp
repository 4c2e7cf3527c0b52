// atspi-tables: reads the tables (or the labels) of a running program the way a
// screen reader does, over the desktop's accessibility bus (AT-SPI), and prints
// them.
//
//   atspi-tables --enable       asks the session to turn accessibility on, as a
//                               screen reader does when it starts
//   atspi-tables APPLICATION    prints every table of the application whose
//                               accessible name is APPLICATION:
//
//       table NAME ROWSxCOLUMNS
//       header<TAB>caption<TAB>caption…
//       row N<TAB>cell<TAB>cell…
//
//   atspi-tables --labels APPLICATION
//                               prints the text of every label outside the
//                               tables, a "label TEXT" line each
//   atspi-tables --text NAME APPLICATION
//                               prints the text of the objects named NAME (a
//                               message log, say), a "text LINE" line each
//
// Exits with 0 when it printed at least one table (label), 1 when it found none,
// 2 when the accessibility bus is not there.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <cstdio>

namespace {

// An accessible object on the bus: the connection that owns it and its path.
struct Ref
{
    QString service;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& out, const Ref& ref)
{
    out.beginStructure();
    out << ref.service << ref.path;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, Ref& ref)
{
    in.beginStructure();
    in >> ref.service >> ref.path;
    in.endStructure();
    return in;
}

} // namespace

Q_DECLARE_METATYPE(Ref)

namespace {

const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString kTable = QStringLiteral("org.a11y.atspi.Table");
const QString kText = QStringLiteral("org.a11y.atspi.Text");

class Reader
{
public:
    explicit Reader(const QDBusConnection& bus)
        : m_bus(bus)
    {
    }

    QVariant call(const Ref& ref, const QString& iface, const QString& method,
        const QVariantList& args = {}) const
    {
        QDBusMessage message
            = QDBusMessage::createMethodCall(ref.service, ref.path.path(), iface, method);
        message.setArguments(args);
        const QDBusMessage reply = m_bus.call(message, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return QVariant();
        return reply.arguments().constFirst();
    }

    QVariant property(const Ref& ref, const QString& iface, const QString& name) const
    {
        const QVariant value = call(ref, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"), { iface, name });
        return value.value<QDBusVariant>().variant();
    }

    QString name(const Ref& ref) const
    {
        return property(ref, kAccessible, QStringLiteral("Name")).toString();
    }

    QList<Ref> children(const Ref& ref) const
    {
        const QVariant value = call(ref, kAccessible, QStringLiteral("GetChildren"));
        return qdbus_cast<QList<Ref>>(value.value<QDBusArgument>());
    }

    Ref reference(const QVariant& value) const
    {
        return qdbus_cast<Ref>(value.value<QDBusArgument>());
    }

    // Prints the tables under ref; returns how many.
    int printTables(const Ref& ref, int depth = 0) const
    {
        if (depth > 40)
            return 0;
        const QString role = call(ref, kAccessible, QStringLiteral("GetRoleName")).toString();
        if (role == QLatin1String("table")) {
            printTable(ref);
            return 1;
        }
        int found = 0;
        for (const Ref& child : children(ref))
            found += printTables(child, depth + 1);
        return found;
    }

    // Prints the labels under ref; returns how many.
    int printLabels(const Ref& ref, int depth = 0) const
    {
        if (depth > 40)
            return 0;
        const QString role = call(ref, kAccessible, QStringLiteral("GetRoleName")).toString();
        if (role == QLatin1String("label")) {
            std::printf("label %s\n", qPrintable(name(ref)));
            return 1;
        }
        if (role == QLatin1String("table"))
            return 0;
        int found = 0;
        for (const Ref& child : children(ref))
            found += printLabels(child, depth + 1);
        return found;
    }

    // Prints the text of the objects under ref named NAME; returns how many.
    int printTexts(const Ref& ref, const QString& wanted, int depth = 0) const
    {
        if (depth > 40)
            return 0;
        if (name(ref) == wanted) {
            const QString text = call(ref, kText, QStringLiteral("GetText"), { 0, -1 }).toString();
            for (const QString& line : text.split(QLatin1Char('\n')))
                std::printf("text %s\n", qPrintable(line));
            return 1;
        }
        int found = 0;
        for (const Ref& child : children(ref))
            found += printTexts(child, wanted, depth + 1);
        return found;
    }

    void printTable(const Ref& table) const
    {
        const int rows = property(table, kTable, QStringLiteral("NRows")).toInt();
        const int columns = property(table, kTable, QStringLiteral("NColumns")).toInt();
        std::printf("table %s %dx%d\n", qPrintable(name(table)), rows, columns);
        QStringList header { QStringLiteral("header") };
        for (int c = 0; c < columns; ++c)
            header << call(table, kTable, QStringLiteral("GetColumnDescription"), { c }).toString();
        std::printf("%s\n", qPrintable(header.join(QLatin1Char('\t'))));
        for (int r = 0; r < rows; ++r) {
            QStringList cells { QStringLiteral("row %1").arg(r) };
            for (int c = 0; c < columns; ++c)
                cells << name(
                    reference(call(table, kTable, QStringLiteral("GetAccessibleAt"), { r, c })));
            std::printf("%s\n", qPrintable(cells.join(QLatin1Char('\t'))));
        }
    }

private:
    QDBusConnection m_bus;
};

QDBusMessage busCall(const QString& iface, const QString& method, const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"), iface, method);
    message.setArguments(args);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 10000);
}

int fail(const QString& message, int status)
{
    std::fprintf(stderr, "atspi-tables: %s\n", qPrintable(message));
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<Ref>();
    qDBusRegisterMetaType<QList<Ref>>();
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool labels = !args.isEmpty() && args.constFirst() == QLatin1String("--labels");
    if (labels)
        args.removeFirst();
    QString textName;
    if (!labels && args.size() == 3 && args.constFirst() == QLatin1String("--text")) {
        textName = args.at(1);
        args = args.mid(2);
    }
    if (args.size() != 1)
        return fail(
            QStringLiteral("usage: atspi-tables --enable | [--labels | --text NAME] APPLICATION"),
            2);

    if (!labels && args.constFirst() == QLatin1String("--enable")) {
        const QDBusMessage reply
            = busCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                { QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"),
                    QVariant::fromValue(QDBusVariant(true)) });
        if (reply.type() != QDBusMessage::ReplyMessage)
            return fail(QStringLiteral("cannot turn accessibility on: ") + reply.errorMessage(), 2);
        return 0;
    }

    const QDBusMessage address
        = busCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"), {});
    if (address.type() != QDBusMessage::ReplyMessage || address.arguments().isEmpty())
        return fail(QStringLiteral("no accessibility bus: ") + address.errorMessage(), 2);
    const QDBusConnection bus = QDBusConnection::connectToBus(
        address.arguments().constFirst().toString(), QStringLiteral("a11y"));
    if (!bus.isConnected())
        return fail(QStringLiteral("cannot connect to the accessibility bus"), 2);

    const Reader reader(bus);
    const Ref desktop { QStringLiteral("org.a11y.atspi.Registry"),
        QDBusObjectPath(QStringLiteral("/org/a11y/atspi/accessible/root")) };
    int found = 0;
    for (const Ref& application : reader.children(desktop))
        if (reader.name(application) == args.constFirst())
            found += !textName.isEmpty() ? reader.printTexts(application, textName)
                : labels                 ? reader.printLabels(application)
                                         : reader.printTables(application);
    return found > 0 ? 0 : 1;
}

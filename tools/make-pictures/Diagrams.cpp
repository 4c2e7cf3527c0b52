#include "Kit.h"
#include "Pictures.h"

#include <QPainter>

using namespace kit;

namespace pictures {
namespace {

// Out of a port sideways, along at `x`, then sideways again into the target.
QList<QPointF> across(const QPointF& from, double x, const QPointF& to)
{
    if (qFuzzyCompare(from.y(), to.y()))
        return { from, to };
    return { from, QPointF(x, from.y()), QPointF(x, to.y()), to };
}

// Down (or up) out of a port, then sideways into the target.
QList<QPointF> downThenAcross(const QPointF& from, const QPointF& to)
{
    return { from, QPointF(from.x(), to.y()), to };
}

void separator(QPainter& painter, int width, double y)
{
    painter.setPen(QPen(QColor(0xc9, 0xd1, 0xda), 1));
    painter.drawLine(QPointF(10, y + 0.5), QPointF(width - 10, y + 0.5));
}

struct Note
{
    QColor color;
    QString text;
};

void notes(QPainter& painter, double left, double top, double width, double step,
    const QList<Note>& list, double pixels = 11)
{
    for (int i = 0; i < list.size(); ++i)
        note(painter, QRectF(left, top + i * step, width, step), i + 1, list[i].color, list[i].text,
            pixels);
}

// What the technician should see once the cables are in.
void connectedNote(QPainter& painter, const QRectF& rect)
{
    note(painter, rect, 0, QColor(0x7f, 0x8c, 0x8d),
        QStringLiteral("Bağlantıdan sonra programın Test sayfasında \"Cihaz bağlı\" yazısı "
                       "görünür."),
        10);
}

} // namespace

QImage oneLine()
{
    QImage image = canvas(410, 320);
    QPainter p(&image);
    prepare(p);
    title(p, image.width(), QStringLiteral("Tek hatlı Caller ID cihazı bağlantısı"));

    const double y = 100;
    const QPointF socket = wallSocket(p, QRectF(16, y - 25, 56, 66), QStringLiteral("Duvar prizi"));
    const QRectF body(152, 46, 126, 104);
    device(p, body, QStringLiteral("Caller ID"), QStringLiteral("tek hatlı cihaz"));
    const QPointF hat = devicePort(p, body, Side::Left, y, QStringLiteral("HAT 1"));
    const QPointF tel = devicePort(p, body, Side::Right, y, QStringLiteral("TEL 1"));
    const QPointF usb = devicePort(p, body, Side::Bottom, body.center().x(), QStringLiteral("USB"));
    const QPointF phone
        = telephone(p, telephoneRect(318, y, 84, 84), QStringLiteral("Telefon"), Side::Left);
    const QPointF pc = computer(p, QRectF(298, 166, 100, 84), QStringLiteral("Bilgisayar"));

    wire(p, { socket, hat }, cable::line);
    wire(p, { tel, phone }, cable::phone);
    wire(p, downThenAcross(usb, pc), cable::usb);
    badge(p, QPointF(112, y - 17), 1, cable::line);
    badge(p, QPointF(302, y - 17), 2, cable::phone);
    badge(p, QPointF(usb.x() - 17, (usb.y() + pc.y()) / 2), 3, cable::usb);
    connectedNote(p, QRectF(14, 178, 180, 40));

    separator(p, image.width(), 256);
    notes(p, 12, 262, 392, 19,
        { { cable::line,
              QStringLiteral("Duvardaki telefon hattını cihazın HAT 1 girişine takın.") },
            { cable::phone, QStringLiteral("Telefon makinesini cihazın TEL 1 çıkışına takın.") },
            { cable::usb, QStringLiteral("Cihazı USB kablosuyla bilgisayara bağlayın.") } });
    return image;
}

QImage twoLines()
{
    QImage image = canvas(478, 322);
    QPainter p(&image);
    prepare(p);
    title(p, image.width(), QStringLiteral("2 hatlı Caller ID cihazı bağlantısı"));

    const double rows[] = { 88, 160 };
    const QRectF body(176, 38, 132, 152);
    device(p, body, QStringLiteral("Caller ID"), QStringLiteral("2 hatlı cihaz"));
    for (int i = 0; i < 2; ++i) {
        const QString n = QString::number(i + 1);
        const QPointF socket = wallSocket(
            p, QRectF(18, rows[i] - 24, 54, 64), QStringLiteral("%1. hat prizi").arg(n));
        const QPointF hat
            = devicePort(p, body, Side::Left, rows[i], QStringLiteral("HAT %1").arg(n));
        const QPointF tel
            = devicePort(p, body, Side::Right, rows[i], QStringLiteral("TEL %1").arg(n));
        const QPointF phone = telephone(p, telephoneRect(390, rows[i], 76, 64),
            QStringLiteral("Telefon %1").arg(n), Side::Left);
        wire(p, { socket, hat }, cable::line);
        wire(p, { tel, phone }, cable::phone);
        badge(p, QPointF(118, rows[i] - 17), 1, cable::line);
        badge(p, QPointF(350, rows[i] - 17), 2, cable::phone);
    }
    const QPointF usb = devicePort(p, body, Side::Bottom, body.center().x(), QStringLiteral("USB"));
    const QPointF pc = computer(p, QRectF(352, 200, 100, 66), QStringLiteral("Bilgisayar"));
    connectedNote(p, QRectF(14, 214, 200, 40));
    wire(p, downThenAcross(usb, pc), cable::usb);
    badge(p, QPointF(usb.x() - 17, (usb.y() + pc.y()) / 2), 3, cable::usb);

    separator(p, image.width(), 267);
    notes(p, 12, 272, 460, 17,
        { { cable::line, QStringLiteral("1. hattı HAT 1, 2. hattı HAT 2 girişine takın.") },
            { cable::phone,
                QStringLiteral("Her telefonu kendi hattının çıkışına takın: TEL 1, TEL 2.") },
            { cable::usb, QStringLiteral("Cihazı USB kablosuyla bilgisayara bağlayın.") } });
    return image;
}

QImage fourLines()
{
    QImage image = canvas(478, 400);
    QPainter p(&image);
    prepare(p);
    title(p, image.width(), QStringLiteral("4 hatlı Caller ID cihazı bağlantısı"));

    const QRectF body(188, 36, 130, 240);
    device(p, body, QStringLiteral("Caller ID"), QStringLiteral("4 hatlı cihaz"));
    for (int i = 0; i < 4; ++i) {
        const double y = 90 + i * 52;
        const QString n = QString::number(i + 1);
        const QPointF socket
            = wallSocket(p, QRectF(64, y - 19, 46, 38), QStringLiteral("%1. hat").arg(n), true);
        const QPointF hat = devicePort(p, body, Side::Left, y, QStringLiteral("HAT %1").arg(n));
        const QPointF tel = devicePort(p, body, Side::Right, y, QStringLiteral("TEL %1").arg(n));
        const QPointF phone = telephone(
            p, telephoneRect(390, y, 76, 52), QStringLiteral("Telefon %1").arg(n), Side::Left);
        wire(p, { socket, hat }, cable::line);
        wire(p, { tel, phone }, cable::phone);
    }
    const QPointF usb = devicePort(p, body, Side::Bottom, body.center().x(), QStringLiteral("USB"));
    const QPointF pc = computer(p, QRectF(354, 284, 100, 62), QStringLiteral("Bilgisayar"));
    wire(p, downThenAcross(usb, pc), cable::usb);
    badge(p, QPointF(148, 73), 1, cable::line);
    badge(p, QPointF(356, 73), 2, cable::phone);
    badge(p, QPointF(usb.x() - 17, (usb.y() + pc.y()) / 2), 3, cable::usb);

    note(p, QRectF(14, 294, 168, 40), 0, QColor(0x7f, 0x8c, 0x8d),
        QStringLiteral("Kullanılmayan HAT girişleri boş kalabilir."), 10);

    separator(p, image.width(), 348);
    notes(p, 12, 352, 460, 16,
        { { cable::line,
              QStringLiteral("Her hattı kendi girişine takın: 1. hat → HAT 1 … 4. hat → HAT 4.") },
            { cable::phone,
                QStringLiteral("Her telefonu aynı numaralı çıkışa takın: TEL 1 … TEL 4.") },
            { cable::usb, QStringLiteral("Cihazı USB kablosuyla bilgisayara bağlayın.") } });
    return image;
}

QImage splitterExplained()
{
    QImage image = canvas(413, 340);
    QPainter p(&image);
    prepare(p);
    title(p, image.width(), QStringLiteral("ADSL splitter nedir?"));
    text(p, QRectF(12, 29, 392, 32),
        QStringLiteral("Hattaki konuşma (ses) ile internet sinyalini birbirinden ayıran küçük "
                       "bir kutudur. Genellikle modemle birlikte verilir."),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, 11);

    const QRectF box(150, 72, 118, 100);
    const SplitterPorts ports = splitter(p, box, true);
    text(p, QRectF(box.left(), box.top() + 20, box.width(), 14), QStringLiteral("(ayırıcı)"),
        Qt::AlignCenter, 10, false, QColor(0x6b, 0x72, 0x7a));
    const QPointF socket
        = wallSocket(p, QRectF(14, ports.line.y() - 25, 56, 66), QStringLiteral("Duvar prizi"));
    const double phoneY = 86, modemY = 182;
    const QPointF phone
        = telephone(p, telephoneRect(330, phoneY, 76, 66), QStringLiteral("Telefon"), Side::Left);
    const QPointF adsl
        = modem(p, modemRect(330, modemY, 76, 60), QStringLiteral("ADSL modem"), Side::Left);
    wire(p, { socket, ports.line }, cable::line);
    wire(p, across(ports.phone, 296, phone), cable::phone);
    wire(p, across(ports.modem, 296, adsl), cable::modem);
    tag(p, QPointF(108, ports.line.y() - 17), QStringLiteral("ses + internet"), cable::line);
    tag(p, QPointF(310, phoneY - 19), QStringLiteral("ses"), cable::phone);
    // Clear of the modem's caption to its right.
    tag(p, QPointF(302, modemY + 19), QStringLiteral("internet"), cable::modem);

    separator(p, image.width(), 214);
    struct Row
    {
        QString port;
        QColor color;
        QString meaning;
    };
    const Row rows[] = {
        { QStringLiteral("LINE"), cable::line,
            QStringLiteral("Hat girişi: duvar prizinden gelen kablo takılır.") },
        { QStringLiteral("PHONE"), cable::phone,
            QStringLiteral("Telefon çıkışı: telefon ve Caller ID cihazı takılır.") },
        { QStringLiteral("MODEM"), cable::modem,
            QStringLiteral("Modem (DSL) çıkışı: yalnız ADSL modem takılır.") },
    };
    double y = 221;
    for (const Row& row : rows) {
        p.setPen(QPen(row.color.darker(130), 1));
        p.setBrush(row.color);
        const QRectF chip(12, y, 58, 18);
        p.drawRoundedRect(chip, 3, 3);
        text(p, chip, row.port, Qt::AlignCenter, 10, true, paper);
        text(p, QRectF(78, y, 326, 18), row.meaning, Qt::AlignLeft | Qt::AlignVCenter, 11);
        y += 25;
    }
    warning(p, QRectF(10, 298, 393, 36),
        QStringLiteral("Splitter yalnız internet bağlantısı olan hatta kullanılır. LINE ile "
                       "PHONE karıştırılırsa numara gelmeyebilir."),
        10.5);
    return image;
}

QImage adslWiring()
{
    QImage image = canvas(572, 387);
    QPainter p(&image);
    prepare(p);
    title(p, image.width(), QStringLiteral("İnternet (ADSL) hattı cihaza nasıl bağlanır?"));

    const QRectF splitterBox(146, 46, 100, 90);
    const SplitterPorts ports = splitter(p, splitterBox, false);
    const double lineY = ports.line.y();
    const QPointF socket
        = wallSocket(p, QRectF(6, lineY - 25, 52, 66), QStringLiteral("Duvar prizi"));
    const QRectF body(332, 40, 122, 106);
    device(p, body, QStringLiteral("Caller ID"), QString());
    const QPointF hat = devicePort(p, body, Side::Left, ports.phone.y(), QStringLiteral("HAT 1"));
    const QPointF tel = devicePort(p, body, Side::Right, ports.phone.y(), QStringLiteral("TEL 1"));
    const QPointF usb = devicePort(p, body, Side::Bottom, body.center().x(), QStringLiteral("USB"));
    const QPointF phone = telephone(
        p, telephoneRect(490, ports.phone.y(), 78, 76), QStringLiteral("Telefon"), Side::Left);
    const QPointF adsl
        = modem(p, QRectF(232, 168, 86, 66), QStringLiteral("ADSL modem"), Side::Top);
    const QPointF pc = computer(p, QRectF(454, 168, 108, 84), QStringLiteral("Bilgisayar"));

    wire(p, { socket, ports.line }, cable::line);
    wire(p, { ports.phone, hat }, cable::line);
    wire(p, { ports.modem, QPointF(adsl.x(), ports.modem.y()), adsl }, cable::modem);
    wire(p, { tel, phone }, cable::phone);
    wire(p, downThenAcross(usb, pc), cable::usb);

    tag(p, QPointF(104, lineY - 17), QStringLiteral("ses + internet"), cable::line);
    tag(p, QPointF(290, ports.phone.y() - 21), QStringLiteral("yalnız ses"), cable::line);
    tag(p, QPointF(adsl.x() + 40, ports.modem.y() + 26), QStringLiteral("internet"), cable::modem);
    badge(p, QPointF(104, lineY + 17), 1, cable::line);
    badge(p, QPointF(258, ports.modem.y() - 14), 2, cable::modem);
    badge(p, QPointF(290, ports.phone.y() + 17), 3, cable::line);
    badge(p, QPointF(472, ports.phone.y() - 17), 4, cable::phone);
    badge(p, QPointF(usb.x() - 17, (usb.y() + pc.y()) / 2), 5, cable::usb);

    separator(p, image.width(), 254);
    notes(p, 12, 259, 548, 17,
        { { cable::line,
              QStringLiteral("Duvar prizindeki hattı splitter'ın LINE girişine takın.") },
            { cable::modem, QStringLiteral("Splitter'ın MODEM (DSL) çıkışına ADSL modemi takın.") },
            { cable::line,
                QStringLiteral(
                    "Splitter'ın PHONE (telefon) çıkışını cihazın HAT 1 girişine takın.") },
            { cable::phone, QStringLiteral("Telefonu cihazın TEL 1 çıkışına takın.") },
            { cable::usb, QStringLiteral("Cihazı USB kablosuyla bilgisayara bağlayın.") } });
    warning(p, QRectF(10, 346, 552, 36),
        QStringLiteral("İnternet hattı cihaza doğrudan bağlanmaz. Splitter kullanılmazsa veya ters "
                       "bağlanırsa sinyal göstergeleri yüksek görünür ve numara gelmeyebilir."),
        10.5);
    return image;
}

QImage deviceThumbnail()
{
    // Drawn at twice the size and reduced, so that the small shapes stay smooth.
    QImage large = canvas(192, 136);
    {
        QPainter p(&large);
        prepare(p);
        const double y = 40;
        const QPointF socket = wallSocket(p, QRectF(4, y - 19, 40, 38), QString(), true);
        const QRectF body(64, 10, 64, 74);
        device(p, body, QString(), QString());
        const QPointF hat = devicePort(p, body, Side::Left, y, QString());
        const QPointF tel = devicePort(p, body, Side::Right, y, QString());
        const QPointF usb = devicePort(p, body, Side::Bottom, body.center().x(), QString());
        const QPointF phone = telephone(p, telephoneRect(140, y, 50, 58), QString(), Side::Left);
        const QPointF pc = computer(p, QRectF(122, 76, 66, 72), QString());
        wire(p, { socket, hat }, cable::line);
        wire(p, { tel, phone }, cable::phone);
        wire(p, downThenAcross(usb, pc), cable::usb);
        p.setPen(paper);
        p.setFont(font(17, true));
        p.drawText(
            QRectF(body.left(), y + 8, body.width(), 26), Qt::AlignCenter, QStringLiteral("ID"));
    }
    return large.scaled(96, 68, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage adslThumbnail(const QImage& adslWiring)
{
    QImage image = canvas(96, 68);
    const QImage reduced = adslWiring.scaled(96, 68, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter p(&image);
    p.drawImage(QPointF((96 - reduced.width()) / 2.0, (68 - reduced.height()) / 2.0), reduced);
    return image;
}

} // namespace pictures

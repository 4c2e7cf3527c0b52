#include "UnitParser.h"
#include "UnitCalls.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Kind = UnitRecord::Kind;
using Event = UnitRecord::Event;

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

UnitRecord one(QByteArrayView text)
{
    return UnitParser::parseRecord(text);
}

std::vector<UnitRecord> fedInChunks(const QByteArray& bytes, const std::vector<qsizetype>& sizes)
{
    UnitParser parser;
    std::vector<UnitRecord> records;
    qsizetype at = 0;
    for (size_t i = 0; at < bytes.size(); ++i) {
        const qsizetype size
            = std::min(sizes.empty() ? 1 : sizes[i % sizes.size()], bytes.size() - at);
        for (UnitRecord& r : parser.feed(QByteArrayView(bytes).sliced(at, size)))
            records.push_back(std::move(r));
        at += size;
    }
    return records;
}

QByteArray header(quint64 unit, quint64 serial)
{
    QByteArray bytes = "^^<U>";
    for (int shift = 40; shift >= 0; shift -= 8)
        bytes.append(char((unit >> shift) & 0xff));
    bytes += "<S>";
    for (int shift = 40; shift >= 0; shift -= 8)
        bytes.append(char((serial >> shift) & 0xff));
    return bytes;
}

// A session as a four-line unit on a serial port sends it: the handshake's
// answer without a line end, the version, rings, calls starting and ending on
// several lines, an outbound call, a bad checksum, and noise.
const QByteArray Session = "#V4.2 ECXUDASOBKT L=01 12/09 14:30:05\r\n"
                           "$01 R          12/09 14:30:02\r\n"
                           "$01 I S 0000 G A1 12/09 02:30 PM 0212-555-0123  AYSE YILMAZ    \r\n"
                           "$02 R          12/09 14:30:04\r\n"
                           "$02 I S 0000 B A1 12/09 02:30 PM 0216-555-0456  \r\n"
                           "$01 F          12/09 14:30:09\r\n"
                           "garbage \x01\xff line\r\n"
                           "$01 N          12/09 14:31:40\r\n"
                           "$01 I E 0098 G A2 12/09 02:30 PM 0212-555-0123  AYSE YILMAZ    \r\n"
                           "\r\n"
                           "03 O S 0000 G A0 12/09 02:32 PM 4440444\n"
                           "#\r\n"
                           "$04 H          12/09 14:33:00\r";

} // namespace

TEST(UnitParser, ACallRecordWithEveryField)
{
    const UnitRecord r = one("$01 I S 0000 G A1 12/09 02:30 PM 0212-555-0123   AYSE YILMAZ");
    ASSERT_EQ(r.kind, Kind::Call) << qPrintable(r.text);
    EXPECT_EQ(r.line, 1);
    EXPECT_TRUE(r.inbound);
    EXPECT_TRUE(r.start);
    EXPECT_EQ(r.durationSeconds, 0);
    EXPECT_TRUE(r.checksumOk);
    EXPECT_EQ(r.ringType, 'A');
    EXPECT_EQ(r.ringCount, 1);
    EXPECT_EQ(r.date, s("1209"));
    EXPECT_EQ(r.time, s("1430"));
    EXPECT_EQ(r.number, s("0212-555-0123"));
    EXPECT_EQ(r.name, s("AYSE YILMAZ"));
}

TEST(UnitParser, CallRecordVariants)
{
    // No "$", no dashes, a blank for the month's leading zero, an end with duration and rings.
    UnitRecord r = one("03 I E 0125 G B4  9/26 11:05 AM 02125550123    MEHMET         ");
    ASSERT_EQ(r.kind, Kind::Call) << qPrintable(r.text);
    EXPECT_EQ(r.line, 3);
    EXPECT_FALSE(r.start);
    EXPECT_EQ(r.durationSeconds, 125);
    EXPECT_EQ(r.ringType, 'B');
    EXPECT_EQ(r.ringCount, 4);
    EXPECT_EQ(r.date, s("0926"));
    EXPECT_EQ(r.time, s("1105"));
    EXPECT_EQ(r.number, s("02125550123"));
    EXPECT_EQ(r.name, s("MEHMET"));

    // Outbound, no name, nothing padded; midnight and noon on a 12-hour clock.
    r = one("$08 O S 0000 G A0 12/09 12:05 AM 4440444");
    ASSERT_EQ(r.kind, Kind::Call);
    EXPECT_EQ(r.line, 8);
    EXPECT_FALSE(r.inbound);
    EXPECT_EQ(r.time, s("0005"));
    EXPECT_EQ(r.number, s("4440444"));
    EXPECT_EQ(r.name, QString());
    EXPECT_EQ(one("$08 O E 0003 G D9 01/01 12:59 PM 4440444").time, s("1259"));
    EXPECT_EQ(one("$08 O E 0003 G C0  1/ 2 01:00 PM 4440444").date, s("0102"));

    // Words in the number field, an empty number, no number field at all, a bad checksum.
    r = one("$01 I S 0000 G A1 12/09 02:30 PM Private                       ");
    EXPECT_EQ(r.number, s("Private"));
    EXPECT_EQ(r.name, QString());
    EXPECT_EQ(one("$01 I S 0000 G A1 12/09 02:30 PM Out-of-Area    ").number, s("Out-of-Area"));
    r = one("$01 I S 0000 G A1 12/09 02:30 PM                AYSE YILMAZ    ");
    ASSERT_EQ(r.kind, Kind::Call);
    EXPECT_EQ(r.number, QString());
    EXPECT_EQ(r.name, s("AYSE YILMAZ"));
    r = one("$01 I S 0000 G A1 12/09 02:30 PM");
    ASSERT_EQ(r.kind, Kind::Call);
    EXPECT_EQ(r.number, QString());
    EXPECT_FALSE(one("$01 I S 0000 B A1 12/09 02:30 PM 0212-555-0123").checksumOk);

    // A name in the Turkish code page, and one running past its 15 characters.
    EXPECT_EQ(one("$01 I S 0000 G A1 12/09 02:30 PM 02125550123    AY\xde"
                  "E \xc7\x49\xd0\x44\x45M")
                  .name,
        s("AYŞE ÇIĞDEM"));
    EXPECT_EQ(one("$01 I S 0000 G A1 12/09 02:30 PM 02125550123    A VERY LONG NAME INDEED").name,
        s("A VERY LONG NAME INDEED"));

    // Fields that are no date or time leave them empty; the call is still a call.
    r = one("$01 I S 0000 G A1 13/45 00:61 PM 02125550123");
    ASSERT_EQ(r.kind, Kind::Call);
    EXPECT_EQ(r.date, QString());
    EXPECT_EQ(r.time, QString());
    EXPECT_EQ(one("$01 I S 0000 G A1 12/09 13:10 PM 02125550123").time, QString());
}

TEST(UnitParser, EachDetailEvent)
{
    const struct
    {
        const char* text;
        Event event;
    } cases[] = {
        { "$01 R          12/09 14:30:02", Event::Ring },
        { "02 F          12/09 14:30:09", Event::OffHook },
        { "$03 N          12/09 14:31:40", Event::OnHook },
        { "04 H          12/09 14:31:02   ", Event::Flash },
    };
    int line = 1;
    for (const auto& c : cases) {
        const UnitRecord r = one(c.text);
        ASSERT_EQ(r.kind, Kind::Detail) << c.text << ": " << qPrintable(r.text);
        EXPECT_EQ(r.event, c.event) << c.text;
        EXPECT_EQ(r.line, line++);
        EXPECT_EQ(r.date, s("1209"));
        EXPECT_EQ(r.time.left(2), s("14"));
    }
    EXPECT_EQ(one("$01 R           9/26 09:05:00").date, s("0926"));
    const UnitRecord bare = one("05 R");
    EXPECT_EQ(bare.kind, Kind::Detail);
    EXPECT_EQ(bare.date, QString());
    EXPECT_EQ(one("05 R          12/09 25:00:00").time, QString());
}

TEST(UnitParser, AnswersToTheUnitsCommands)
{
    EXPECT_EQ(one("#").kind, Kind::Handshake);
    const UnitRecord v = one("V4.2 ECXUDASOBKT L=01 12/09 14:30:05");
    EXPECT_EQ(v.kind, Kind::Version);
    EXPECT_EQ(v.text, s("V4.2 ECXUDASOBKT L=01 12/09 14:30:05"));
    EXPECT_EQ(one("$V5.0 ecxudasobkt").kind, Kind::Version);
    EXPECT_EQ(one("Version").kind, Kind::Unreadable);
}

TEST(UnitParser, TruncatedGarbledAndNonAsciiRecordsAreUnreadable)
{
    for (const char* text : { "$01 I S 0000 G A1 12/09 02:3", "$01 I S 00", "$01 I",
             "01 R          12/09 14:3", "01 R          12/09 14:30:02 X", "$1 I S 0000 G A1",
             "$01 X S 0000 G A1 12/09 02:30 PM 0212", "$01 I S 0000 G E1 12/09 02:30 PM 0212",
             "$01 I S 0000 G A1 12/09 02:30 XM 0212", "$01 I S 0000 G A1 12/09 02:30 PM0212",
             "$01 I S 0000 G A1 12-09 02:30 PM 0212", "$01 RING", "hello", "999", "$",
             "$01 I S 0000 G A1 12/09 02:30 PM 0212\x01"
             "555",
             "\xc7\xdd\xfe\xff",
             "$01 I S 0000 G A1 12/09 02:30 PM 02\xe7"
             "12" }) {
        const UnitRecord r = one(text);
        EXPECT_EQ(r.kind, Kind::Unreadable) << text;
        for (QChar c : r.text)
            EXPECT_TRUE((c.unicode() >= 0x20 && c.unicode() < 0x7f) || c.unicode() == 0x2026)
                << "log text must be printable: " << text;
    }
    // Noise in front of a record is not part of it.
    EXPECT_EQ(one(QByteArray("\0\0\xff ", 4) + "$01 R          12/09 14:30:02").kind, Kind::Detail);
    EXPECT_EQ(UnitParser::printable("AB\x01\xff", 40), s("AB??"));
    EXPECT_EQ(UnitParser::printable(QByteArray(50, 'x'), 10), s("xxxxxxxxxx…"));
}

TEST(UnitParser, ASessionGivesTheSameRecordsHoweverItIsSplit)
{
    const std::vector<UnitRecord> whole = fedInChunks(Session, { Session.size() });
    std::vector<Kind> kinds;
    for (const UnitRecord& r : whole)
        kinds.push_back(r.kind);
    EXPECT_EQ(kinds,
        (std::vector<Kind> { Kind::Handshake, Kind::Version, Kind::Detail, Kind::Call, Kind::Detail,
            Kind::Call, Kind::Detail, Kind::Unreadable, Kind::Detail, Kind::Call, Kind::Call,
            Kind::Handshake, Kind::Detail }));
    EXPECT_EQ(whole[5].line, 2);
    EXPECT_FALSE(whole[5].checksumOk);
    EXPECT_EQ(whole[9].durationSeconds, 98);
    EXPECT_FALSE(whole[10].inbound);
    EXPECT_EQ(whole[12].event, Event::Flash);

    EXPECT_EQ(fedInChunks(Session, { 1 }), whole) << "byte by byte";
    std::mt19937 random(20261209);
    for (int round = 0; round < 50; ++round) {
        std::vector<qsizetype> sizes;
        for (int i = 0; i < 40; ++i)
            sizes.push_back(std::uniform_int_distribution<qsizetype>(1, 90)(random));
        EXPECT_EQ(fedInChunks(Session, sizes), whole) << "round " << round;
    }
}

TEST(UnitParser, AnOverLongLineIsOneEventAndTheNextRecordIsRead)
{
    UnitParser parser;
    std::vector<UnitRecord> records;
    const QByteArray noise(1000, 'x');
    for (int i = 0; i < 10; ++i)
        for (UnitRecord& r : parser.feed(noise))
            records.push_back(std::move(r));
    for (UnitRecord& r : parser.feed("\r\n$01 R          12/09 14:30:02\r\n"))
        records.push_back(std::move(r));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].kind, Kind::TooLong);
    EXPECT_EQ(records[1].kind, Kind::Detail);

    // A line of exactly the longest length is still read.
    QByteArray longest = "$01 I S 0000 G A1 12/09 02:30 PM 02125550123    ";
    longest += QByteArray(UnitParser::MaxLineLength - longest.size(), 'N');
    const std::vector<UnitRecord> fits = parser.feed(longest + "\r\n");
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].kind, Kind::Call);
    // A "#" inside a line is part of it, not an answer; reset() forgets a partial line.
    EXPECT_EQ(parser.feed("01 #\r\n").at(0).kind, Kind::Unreadable);
    parser.feed("$01 I S 00");
    parser.reset();
    EXPECT_EQ(parser.feed("#").at(0).kind, Kind::Handshake);
}

TEST(UnitParser, DatagramHeadersCarryBinaryUnitAndSerialNumbers)
{
    const QByteArray call = "$01 I S 0000 G A1 12/09 02:30 PM 0212-555-0123  AYSE YILMAZ    ";
    UnitDatagram d = UnitParser::parseDatagram(header(1, 123456) + call);
    ASSERT_EQ(d.status, UnitDatagram::Status::Ok);
    EXPECT_EQ(d.unitNumber, 1u);
    EXPECT_EQ(d.serialNumber, 123456u);
    EXPECT_EQ(d.record.kind, Kind::Call);
    EXPECT_EQ(d.record.number, s("0212-555-0123"));
    EXPECT_EQ((header(1, 123456) + call).size(), 83) << "as big as the units' call datagrams";

    // Header bytes that look like text (line ends, "$", "#", NUL) are numbers all the same.
    const quint64 awkward = 0x0d0a24230000ULL;
    d = UnitParser::parseDatagram(
        header(0xffffffffffffULL, awkward) + "$02 F          12/09 14:30:09\r\n");
    ASSERT_EQ(d.status, UnitDatagram::Status::Ok);
    EXPECT_EQ(d.unitNumber, 0xffffffffffffULL);
    EXPECT_EQ(d.serialNumber, awkward);
    EXPECT_EQ(d.record.kind, Kind::Detail);
    EXPECT_EQ(d.record.line, 2);

    EXPECT_EQ(UnitParser::parseDatagram(header(1, 2) + "boot 1.0").record.kind, Kind::Unreadable);
    EXPECT_EQ(UnitParser::parseDatagram(header(1, 2)).record.kind, Kind::Unreadable);
    for (const QByteArray& bad : { QByteArray(), QByteArray("^^<U>"), header(1, 2).left(19),
             QByteArray("^^<X>123456<S>123456$01 R"), QByteArray("^^<U>123456<T>123456$01 R"),
             QByteArray("$01 I S 0000 G A1 12/09 02:30 PM 0212-555-0123") })
        EXPECT_EQ(UnitParser::parseDatagram(bad).status, UnitDatagram::Status::BadHeader)
            << bad.toHex().constData();

    QByteArray biggest = header(1, 2) + call;
    biggest += QByteArray(UnitParser::MaxDatagramSize - biggest.size(), ' ');
    EXPECT_EQ(UnitParser::parseDatagram(biggest).status, UnitDatagram::Status::Ok);
    EXPECT_EQ(UnitParser::parseDatagram(biggest + ' ').status, UnitDatagram::Status::TooLong);
}

namespace {

const QDateTime Now(QDate(2026, 12, 9), QTime(14, 35, 7));

UnitRecord call(int line, bool start, const char* number, bool inbound = true)
{
    UnitRecord r;
    r.kind = Kind::Call;
    r.line = line;
    r.start = start;
    r.inbound = inbound;
    r.number = s(number);
    r.name = s("AYSE");
    r.date = s("1209");
    r.time = s("1430");
    return r;
}

UnitRecord detail(int line, Event event)
{
    UnitRecord r;
    r.kind = Kind::Detail;
    r.line = line;
    r.event = event;
    return r;
}

} // namespace

TEST(UnitCalls, StartAndEndAreOneCallAndAnEndAloneIsOneToo)
{
    UnitCalls calls;
    const QString unit = s("123456");
    auto take = [&](const UnitRecord& r) { return calls.take(unit, r, Now); };

    UnitCalls::Outcome o = take(call(1, true, "0212-555-0123"));
    ASSERT_TRUE(o.call);
    EXPECT_EQ(*o.call,
        (UnitCalls::Call { s("1"), s("0212-555-0123"), s("09.12.2026 14:30"), s("AYSE") }));
    EXPECT_TRUE(o.log.isEmpty());
    // Line 2 starts while line 1 is still on; each end belongs to its own start.
    EXPECT_TRUE(take(call(2, true, "0216")).call);
    EXPECT_FALSE(take(call(1, false, "0212-555-0123")).call);
    EXPECT_FALSE(take(call(2, false, "0216")).call);
    // A unit set to report at the end only.
    o = take(call(3, false, "0312"));
    ASSERT_TRUE(o.call);
    EXPECT_EQ(o.call->line, s("3"));
    // An end whose start was another call's: that call's end was lost, this one is news.
    take(call(4, true, "0232"));
    EXPECT_TRUE(take(call(4, false, "0533")).call);
    EXPECT_TRUE(take(call(4, false, "0232")).call) << "the start on line 4 has been used up";
    // The device went away: a start seen before is forgotten.
    take(call(1, true, "0212"));
    calls.reset();
    EXPECT_TRUE(take(call(1, false, "0212")).call);
    // The same line numbers on another unit are other lines.
    take(call(1, true, "0212"));
    EXPECT_TRUE(calls.take(s("654321"), call(1, false, "0212"), Now).call);
}

TEST(UnitCalls, NumbersWithoutDigitsAndBadChecksums)
{
    UnitCalls calls;
    EXPECT_EQ(calls.take(s("1"), call(1, true, "Private"), Now).call->number, s("Gizli numara"));
    EXPECT_EQ(calls.take(s("1"), call(2, true, "Out-of-Area"), Now).call->number, s("Numara yok"));
    EXPECT_EQ(calls.take(s("1"), call(3, true, ""), Now).call->number, s("Numara yok"));
    EXPECT_EQ(UnitCalls::numberText(s("P")), s("Gizli numara"));
    EXPECT_EQ(UnitCalls::numberText(s("O")), s("Numara yok"));

    UnitRecord bad = call(4, true, "0212-555-0123");
    bad.checksumOk = false;
    const UnitCalls::Outcome o = calls.take(s("1"), bad, Now);
    ASSERT_TRUE(o.call) << "a bad checksum is still a call";
    EXPECT_EQ(o.call->number, s("0212-555-0123"));
    ASSERT_EQ(o.log.size(), 1);
    EXPECT_TRUE(o.log.first().startsWith(s("Hat 4: "))) << qPrintable(o.log.first());
    EXPECT_TRUE(o.log.first().contains(s("yanlış olabilir"))) << qPrintable(o.log.first());
}

TEST(UnitCalls, OutboundAndDetailRecordsAreLogLinesNamingTheLine)
{
    UnitCalls calls;
    auto log = [&](const UnitRecord& r, bool named = false) {
        const UnitCalls::Outcome o = calls.take(s("654321"), r, Now, named);
        EXPECT_FALSE(o.call);
        return o.log;
    };
    EXPECT_EQ(log(detail(2, Event::Ring)), QStringList { s("Hat 2: çalıyor") });
    EXPECT_EQ(log(detail(2, Event::OffHook)), QStringList { s("Hat 2: açıldı") });
    EXPECT_EQ(log(detail(2, Event::OnHook)), QStringList { s("Hat 2: kapandı") });
    EXPECT_EQ(log(detail(2, Event::Flash)), QStringList { s("Hat 2: flaş") });
    EXPECT_EQ(log(call(3, true, "0212-555-0199", false)),
        QStringList { s("Hat 3: giden arama 0212-555-0199") });
    EXPECT_EQ(log(call(3, false, "0212-555-0199", false)), QStringList {}) << "its end: no news";
    EXPECT_EQ(log(detail(1, Event::Ring), true), QStringList { s("Birim 654321, hat 1: çalıyor") });
    UnitRecord other;
    other.kind = Kind::Version;
    EXPECT_EQ(log(other), QStringList {});
}

TEST(UnitCalls, DateAndTimeInTheCurrentYear)
{
    UnitRecord r = call(1, true, "0212");
    EXPECT_EQ(UnitCalls::dateTimeText(r, Now), s("09.12.2026 14:30"));
    r.date = s("1231");
    EXPECT_EQ(UnitCalls::dateTimeText(r, QDateTime(QDate(2027, 1, 1), QTime(0, 0, 30))),
        s("31.12.2026 14:30"));
    r.date.clear();
    EXPECT_EQ(UnitCalls::dateTimeText(r, Now), s("09.12.2026 14:35"));
}

TEST(UnitDropLog, TheFirstOfEachKindIsToldTheRestCounted)
{
    UnitDropLog drops;
    EXPECT_FALSE(drops.counting());
    EXPECT_TRUE(drops.drop(UnitDropLog::Kind::BadHeader));
    EXPECT_TRUE(drops.drop(UnitDropLog::Kind::TooLong));
    EXPECT_EQ(drops.summary(10), QString()) << "nothing counted yet";
    for (int i = 0; i < 523; ++i)
        EXPECT_FALSE(drops.drop(UnitDropLog::Kind::BadHeader));
    EXPECT_FALSE(drops.drop(UnitDropLog::Kind::TooLong));
    EXPECT_TRUE(drops.drop(UnitDropLog::Kind::ForeignHost));
    EXPECT_TRUE(drops.counting());
    EXPECT_EQ(
        drops.summary(10), s("Son 10 sn içinde atılanlar: 1 çok uzun veri, 523 tanınmayan paket"));
    EXPECT_FALSE(drops.counting());
    EXPECT_EQ(drops.summary(10), QString());
    EXPECT_FALSE(drops.drop(UnitDropLog::Kind::BadHeader)) << "told once per kind";
}

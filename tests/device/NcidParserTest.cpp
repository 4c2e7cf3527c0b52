#include "NcidParser.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Kind = NcidEvent::Kind;

std::vector<NcidEvent> parseAll(const QByteArray& bytes)
{
    NcidParser parser;
    return parser.feed(bytes);
}

NcidEvent one(const char* line)
{
    return NcidParser::parseLine(QByteArrayView(line));
}

// A server's start-up as a newer server sends it, with a short call log.
const QByteArray Startup
    = "200 Server: ncidd (NCID) 1.6\r\n"
      "210 API 1.5 Feature Set 1 2 3 4 5\r\n"
      "CIDLOG: *DATE*12082026*TIME*0915*LINE*HOME*NMBR*03124440001*MESG*NONE*"
      "NAME*ESKI ARAMA*\r\n"
      "HUPLOG: *DATE*12082026*TIME*0916*LINE*POTS*NMBR*02125550000*MESG*NONE*"
      "NAME*ISTENMEYEN*\r\n"
      "OUTLOG: *DATE*12082026*TIME*0930*LINE*HOME*NMBR*4440444*MESG*NONE*"
      "NAME*-*\r\n"
      "MSGLOG: Kapı zili çaldı ***DATE*12082026*TIME*1000*NAME*-*NMBR*-*LINE*-*"
      "MTYPE*USER*\r\n"
      "LOG: ncidd started\r\n"
      "250 End of call log\r\n"
      "OPT: hangup-1\r\n"
      "OPT: ignore1\r\n"
      "300 End of connection startup\r\n";

} // namespace

TEST(NcidParser, StartUpLinesAreToldApartAndHistoryIsNeverACall)
{
    const std::vector<NcidEvent> events = parseAll(Startup);
    std::vector<Kind> kinds;
    for (const NcidEvent& e : events)
        kinds.push_back(e.kind);
    EXPECT_EQ(kinds,
        (std::vector<Kind> { Kind::Greeting, Kind::Api, Kind::LogEntry, Kind::LogEntry,
            Kind::LogEntry, Kind::LogEntry, Kind::LogEntry, Kind::LogEnd, Kind::Option,
            Kind::Option, Kind::StartupDone }));
    EXPECT_EQ(events[0].text, QStringLiteral("Server: ncidd (NCID) 1.6"));
    EXPECT_EQ(events[2].type, QStringLiteral("CIDLOG"));
    EXPECT_EQ(events[6].type, QStringLiteral("LOG"));
    EXPECT_EQ(events[7].code, 250);
    EXPECT_EQ(events[8].text, QStringLiteral("hangup-1"));

    for (const char* line : { "251 Call log not sent", "252 Call log empty", "253 No Call log" }) {
        EXPECT_EQ(one(line).kind, Kind::LogEnd) << line;
    }
    for (const char* line : { "BLKLOG: *DATE*01012026*TIME*0101*LINE*1*NMBR*1*MESG*NONE*NAME*X*",
             "PIDLOG: *DATE*01012026*TIME*0101*LINE*1*NMBR*1*MESG*NONE*NAME*X*",
             "NOTLOG: Telefon kapatıldı ***DATE*01012026*TIME*0101*",
             "ENDLOG: *HTYPE*BYE*DATE*01012026*TIME*0101*SCALL*01/01/2026 01:01:00*" }) {
        EXPECT_EQ(one(line).kind, Kind::LogEntry) << line;
    }
    // Old servers' empty API line.
    EXPECT_EQ(one("210 ").kind, Kind::Api);
    EXPECT_EQ(one("210").kind, Kind::Api);
}

TEST(NcidParser, ModelComesFromTheGreeting)
{
    EXPECT_EQ(NcidParser::modelFromGreeting(QStringLiteral("Server: ncidd (NCID) 1.6")),
        QStringLiteral("NCID 1.6"));
    EXPECT_EQ(NcidParser::modelFromGreeting(QStringLiteral("Server: ncidd (NCID) 1.11 beta")),
        QStringLiteral("NCID 1.11"));
    EXPECT_EQ(NcidParser::modelFromGreeting(QStringLiteral("Server:  Eski sunucu 0.8 ")),
        QStringLiteral("Eski sunucu 0.8"));
    // A greeting with no words still names a device: the technician must see it is there.
    EXPECT_EQ(NcidParser::modelFromGreeting(QString()), QStringLiteral("NCID"));
}

TEST(NcidParser, CallFieldsInAnyOrderWithUnknownPairsIgnored)
{
    const NcidEvent usual
        = one("CID: *DATE*12092026*TIME*1430*LINE*HOME*NMBR*02125550123*MESG*NONE*NAME*AYSE "
              "YILMAZ*");
    ASSERT_EQ(usual.kind, Kind::Call);
    EXPECT_EQ(usual.call.date, QStringLiteral("12092026"));
    EXPECT_EQ(usual.call.time, QStringLiteral("1430"));
    EXPECT_EQ(usual.call.line, QStringLiteral("HOME"));
    EXPECT_EQ(usual.call.number, QStringLiteral("02125550123"));
    EXPECT_EQ(usual.call.name, QStringLiteral("AYSE YILMAZ"));
    EXPECT_EQ(usual.call.mesg, QStringLiteral("NONE"));

    const NcidEvent shuffled = one("CID: *NAME*ALİ VELİ*FNMBR*+902125550124*NMBR*02125550124*"
                                   "LINE*2*DATE*09122026*TIME*0805*DEVICE*gw1*");
    ASSERT_EQ(shuffled.kind, Kind::Call);
    EXPECT_EQ(shuffled.call.number, QStringLiteral("02125550124"));
    EXPECT_EQ(shuffled.call.name, QStringLiteral("ALİ VELİ"));
    EXPECT_EQ(shuffled.call.line, QStringLiteral("2"));
    EXPECT_EQ(shuffled.call.date, QStringLiteral("09122026"));

    const NcidEvent sparse = one("CID:*NMBR*05325550125*");
    ASSERT_EQ(sparse.kind, Kind::Call);
    EXPECT_EQ(sparse.call.number, QStringLiteral("05325550125"));
    EXPECT_TRUE(sparse.call.line.isEmpty());
    EXPECT_TRUE(sparse.call.name.isEmpty());
}

TEST(NcidParser, PlaceholdersDashesAndPrivateNumbers)
{
    const NcidEvent call = one("CID: *DATE*-*TIME*-*LINE*-*NMBR*NO-NUMBER*MESG*-*NAME*NO NAME*");
    ASSERT_EQ(call.kind, Kind::Call);
    EXPECT_EQ(call.call.line, QStringLiteral("-"));
    EXPECT_EQ(NcidParser::shownNumber(call.call.number), QStringLiteral("Numara yok"));
    EXPECT_EQ(NcidParser::shownName(call.call.name), QString());

    for (const char* missing : { "NO NUMBER", "-", "", "O", "OUT-OF-AREA", "no-number" })
        EXPECT_EQ(NcidParser::shownNumber(QString::fromUtf8(missing)), QStringLiteral("Numara yok"))
            << missing;
    for (const char* withheld : { "P", "PRIVATE", "Anonymous", "WITHHELD" })
        EXPECT_EQ(
            NcidParser::shownNumber(QString::fromUtf8(withheld)), QStringLiteral("Gizli numara"))
            << withheld;
    EXPECT_EQ(
        NcidParser::shownNumber(QStringLiteral(" 02125550123 ")), QStringLiteral("02125550123"));
    EXPECT_EQ(NcidParser::shownName(QStringLiteral("-")), QString());
    EXPECT_EQ(NcidParser::shownName(QStringLiteral("NO-NAME")), QString());
    EXPECT_EQ(NcidParser::shownName(QStringLiteral("PTT")), QStringLiteral("PTT"));
}

TEST(NcidParser, OtherLiveLinesForwardedAndUnknownLinesNeverRaiseACall)
{
    for (const char* line :
        { "CIDINFO: *LINE*HOME*RING*1*TIME*14:30:01*", "CIDINFO: *LINE*HOME*RING*-1*TIME*14:30:09*",
            "HUP: *DATE*12092026*TIME*1431*LINE*HOME*NMBR*08505550000*MESG*NONE*NAME*REKLAM*",
            "BLK: *DATE*12092026*TIME*1431*LINE*HOME*NMBR*08505550000*MESG*NONE*NAME*REKLAM*",
            "OUT: *DATE*12092026*TIME*1432*LINE*HOME*NMBR*4440444*MESG*NONE*NAME*-*",
            "PID: *DATE*12092026*TIME*1433*LINE*CELL*NMBR*05325550199*MESG*NONE*NAME*-*",
            "WID: *DATE*12092026*TIME*1434*LINE*HOME*NMBR*02165550198*MESG*NONE*NAME*-*",
            "END: *HTYPE*BYE*DATE*12092026*TIME*1432*SCALL*12/09/2026 14:30:00*ECALL*12/09/2026 "
            "14:32:00*CTYPE*IN*LINE*HOME*NMBR*02125550123*NAME*AYSE YILMAZ*" }) {
        EXPECT_EQ(one(line).kind, Kind::Info) << line;
    }
    const NcidEvent message = one("MSG: Kapı açık kaldı ***DATE*12092026*TIME*1435*NAME*-*NMBR*-*"
                                  "LINE*-*MTYPE*SYS*");
    EXPECT_EQ(message.kind, Kind::Message);
    EXPECT_EQ(message.text, QStringLiteral("Kapı açık kaldı"));
    EXPECT_EQ(message.call.date, QStringLiteral("12092026"));
    EXPECT_EQ(one("NOT: Cevapsız çağrı").text, QStringLiteral("Cevapsız çağrı"));

    for (const char* line : { "+CID: *DATE*12092026*TIME*1430*LINE*UZAK*NMBR*1*MESG*NONE*NAME*X*",
             "+CIDINFO: *LINE*UZAK*RING*1*TIME*14:30:01*", "ACK: REQ: YO", "XYZ: *NMBR*123*",
             "cid: *NMBR*123*", "CID", "no colon at all", "999 Something new" }) {
        const NcidEvent event = one(line);
        EXPECT_EQ(event.kind, Kind::Ignored) << line;
        EXPECT_NE(event.kind, Kind::Call) << line;
    }
}

TEST(NcidParser, LineEndsAndSplitsGiveTheSameEvents)
{
    const QByteArray crlf = Startup
        + "CID: *DATE*12092026*TIME*1430*LINE*HOME*NMBR*02125550123*MESG*NONE*NAME*AYSE "
          "YILMAZ*\r\n\r\nCIDINFO: *LINE*HOME*RING*2*TIME*14:30:05*\r\n";
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");

    const auto summary = [](const std::vector<NcidEvent>& events) {
        QStringList out;
        for (const NcidEvent& e : events)
            out << QStringLiteral("%1|%2|%3|%4|%5")
                       .arg(int(e.kind))
                       .arg(e.type, e.text, e.call.number, e.call.name);
        return out;
    };
    const QStringList expected = summary(parseAll(crlf));
    ASSERT_EQ(expected.size(), 13);
    EXPECT_TRUE(expected.at(11).contains(QStringLiteral("02125550123|AYSE YILMAZ")));
    EXPECT_EQ(summary(parseAll(lf)), expected);

    // Byte by byte, and in random pieces (a CR and its LF torn apart included).
    NcidParser byByte;
    std::vector<NcidEvent> events;
    for (char c : crlf)
        for (NcidEvent& e : byByte.feed(QByteArrayView(&c, 1)))
            events.push_back(std::move(e));
    EXPECT_EQ(summary(events), expected);

    std::mt19937 random(12);
    for (int round = 0; round < 20; ++round) {
        NcidParser parser;
        events.clear();
        for (qsizetype at = 0; at < crlf.size();) {
            const qsizetype size = std::uniform_int_distribution<qsizetype>(1, 40)(random);
            for (NcidEvent& e :
                parser.feed(QByteArrayView(crlf).sliced(at, std::min(size, crlf.size() - at))))
                events.push_back(std::move(e));
            at += size;
        }
        EXPECT_EQ(summary(events), expected) << "round " << round;
    }

    // Nothing is raised for a line until its end arrives.
    NcidParser parser;
    EXPECT_TRUE(parser.feed("CID: *DATE*12092026*TIME*1430*LINE*1*NMBR*0212").empty());
    const std::vector<NcidEvent> done = parser.feed("5550123*MESG*NONE*NAME*-*\n");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].call.number, QStringLiteral("02125550123"));
}

TEST(NcidParser, AFloodOfHistoryBeforeStartUpEndsRaisesNoCall)
{
    QByteArray bytes = "200 Server: ncidd (NCID) 1.6\n";
    for (int i = 0; i < 5000; ++i)
        bytes += QStringLiteral("CIDLOG: *DATE*12082026*TIME*%1*LINE*HOME*NMBR*0312444%2*MESG*"
                                "NONE*NAME*ESKI*\n")
                     .arg(i % 2400, 4, 10, QLatin1Char('0'))
                     .arg(i, 4, 10, QLatin1Char('0'))
                     .toUtf8();
    bytes += "250 End of call log\n300 End of connection startup\n";
    int logEntries = 0, calls = 0;
    NcidParser parser;
    for (qsizetype at = 0; at < bytes.size(); at += 4096)
        for (const NcidEvent& e : parser.feed(
                 QByteArrayView(bytes).sliced(at, std::min<qsizetype>(4096, bytes.size() - at)))) {
            logEntries += e.kind == Kind::LogEntry;
            calls += e.kind == Kind::Call;
        }
    EXPECT_EQ(logEntries, 5000);
    EXPECT_EQ(calls, 0);
}

TEST(NcidParser, AnOverlongLineStopsTheParserOnceWithoutGrowing)
{
    NcidParser parser;
    const QByteArray piece(4096, 'x');
    int tooLong = 0;
    std::vector<NcidEvent> events = parser.feed("200 Server: ncidd (NCID) 1.6\nCID: ");
    ASSERT_EQ(events.size(), 1u);
    for (int i = 0; i < 40; ++i)
        for (const NcidEvent& e : parser.feed(piece))
            tooLong += e.kind == Kind::LineTooLong;
    EXPECT_EQ(tooLong, 1);
    // Whatever follows is not read until the parser is reset for a new connection.
    EXPECT_TRUE(parser.feed("\nCID: *NMBR*1*\n").empty());
    parser.reset();
    events = parser.feed("CID: *NMBR*1*\n");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Call);

    // A line at the limit is still a line; one longer, ended in the same read, is not.
    const QByteArray atLimit = "LOG: " + QByteArray(NcidParser::MaxLineLength - 5, 'a') + "\r\n";
    EXPECT_EQ(NcidParser().feed(atLimit).at(0).kind, Kind::LogEntry);
    const QByteArray over = "LOG: " + QByteArray(NcidParser::MaxLineLength, 'a') + "\n";
    EXPECT_EQ(NcidParser().feed(over).at(0).kind, Kind::LineTooLong);
}

TEST(NcidLineNumbers, NumbersStayLabelsGetTheNextFreeNumber)
{
    using Outcome = NcidLineNumbers::Outcome;
    NcidLineNumbers lines;
    struct Step
    {
        QString label;
        int number;
        Outcome outcome;
    };
    const Step steps[] = {
        { QStringLiteral("2"), 2, Outcome::Own },
        { QStringLiteral("HOME"), 1, Outcome::Given },
        { QStringLiteral("POTS"), 3, Outcome::Given },
        { QStringLiteral("HOME"), 1, Outcome::Known },
        { QStringLiteral("-"), 4, Outcome::Given },
        // No label at all is the same line as "-".
        { QString(), 4, Outcome::Known },
        { QStringLiteral(" - "), 4, Outcome::Known },
        // A number whose line is taken, or that is no line number, is a label like any other.
        { QStringLiteral("04"), 5, Outcome::Given },
        { QStringLiteral("1"), 6, Outcome::Given },
        { QStringLiteral("10000"), 7, Outcome::Given },
        { QStringLiteral("00007"), 8, Outcome::Given },
        { QStringLiteral("0"), 9, Outcome::Given },
        { QStringLiteral("+1"), 10, Outcome::Given },
        { QStringLiteral("99999999999"), 11, Outcome::Given },
        { QStringLiteral("12"), 12, Outcome::Own },
        { QStringLiteral("9999"), 9999, Outcome::Own },
        { QStringLiteral("CELL"), 13, Outcome::Given },
        { QStringLiteral("1"), 6, Outcome::Known },
    };
    for (const Step& step : steps) {
        Outcome outcome = Outcome::Known;
        EXPECT_EQ(lines.numberFor(step.label, &outcome), step.number) << qPrintable(step.label);
        EXPECT_EQ(outcome, step.outcome) << qPrintable(step.label);
    }
}

TEST(NcidLineNumbers, TheTableKeepsAFewDozenShortLabelsAndSharesOneNumberBeyond)
{
    using Outcome = NcidLineNumbers::Outcome;
    NcidLineNumbers lines;
    // Labels are told apart by their start only: a server's 60 KB label costs no more than a short
    // one.
    const QString huge = QString(60000, QLatin1Char('X'));
    Outcome outcome = Outcome::Known;
    EXPECT_EQ(lines.numberFor(huge, &outcome), 1);
    EXPECT_EQ(outcome, Outcome::Given);
    EXPECT_EQ(lines.numberFor(huge.left(100) + QLatin1Char('Y'), &outcome), 1);
    EXPECT_EQ(outcome, Outcome::Known);
    EXPECT_EQ(NcidLineNumbers::shownLabel(huge).size(), NcidLineNumbers::MaxLabelLength);

    for (int i = 2; i <= NcidLineNumbers::MaxLabels; ++i) {
        EXPECT_EQ(lines.numberFor(QStringLiteral("L%1").arg(i), &outcome), i);
        EXPECT_EQ(outcome, Outcome::Given);
    }
    const int shared = NcidLineNumbers::MaxLabels + 1;
    EXPECT_EQ(lines.numberFor(QStringLiteral("ONE TOO MANY"), &outcome), shared);
    EXPECT_EQ(outcome, Outcome::TableFull);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(lines.numberFor(QStringLiteral("MORE %1").arg(i), &outcome), shared);
        EXPECT_EQ(outcome, Outcome::Shared);
    }
    EXPECT_EQ(lines.numberFor(QStringLiteral("7"), &outcome), shared) << "7 is no free line now";
    EXPECT_EQ(lines.numberFor(QStringLiteral("L5"), &outcome), 5);
    EXPECT_EQ(outcome, Outcome::Known);
}

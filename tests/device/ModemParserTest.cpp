#include "ModemParser.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

using Kind = ModemEvent::Kind;

// An MDMF packet: date/time 12091430, number 02125550123, name AYSE YILMAZ.
const QByteArray kMdmf = "802401083132303931343330020B3032313235353530313233070B415953452059494C4D"
                         "415A4E";
// SDMF: date/time 12091430, number 0312444000.
const QByteArray kSdmf = "041231323039313433303033313234343430303064";
// SDMF with a private number.
const QByteArray kSdmfPrivate = "04093132303931343330500F";
// MDMF: no number and no name, both private.
const QByteArray kMdmfPrivate = "8010010830313032303330340401500801502F";
// MDMF with the number in parameter 3 and a call type the modem does not know.
const QByteArray kMdmfNumber3 = "801A01083031303230333034030B30353332313233343536371101017C";

QList<ModemEvent> parseAll(const QByteArray& bytes)
{
    ModemParser parser;
    QList<ModemEvent> events = parser.feed(bytes);
    events += parser.flush();
    return events;
}

QList<CallerIdBlock> blocks(const QList<ModemEvent>& events)
{
    QList<CallerIdBlock> out;
    for (const ModemEvent& e : events)
        if (e.kind == Kind::CallerId)
            out.append(e.block);
    return out;
}

CallerIdBlock onlyBlock(const QByteArray& bytes)
{
    const auto found = blocks(parseAll(bytes));
    EXPECT_EQ(found.size(), 1) << bytes.constData();
    return found.value(0);
}

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

TEST(ModemParser, FormattedBlockBetweenRings)
{
    ModemParser parser;
    auto events
        = parser.feed("\r\nRING\r\n\r\nDATE = 1209\r\nTIME = 1430\r\nNMBR = 02125550123\r\n\r\n");
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events.at(0).kind, Kind::Ring);
    EXPECT_TRUE(parser.blockPending());
    events = parser.feed("RING\r\n");
    ASSERT_EQ(events.size(), 2) << "the next ring completes the block";
    EXPECT_EQ(events.at(0).kind, Kind::CallerId);
    EXPECT_EQ(events.at(1).kind, Kind::Ring);
    const CallerIdBlock& b = events.at(0).block;
    EXPECT_EQ(b.date, s("1209"));
    EXPECT_EQ(b.time, s("1430"));
    EXPECT_EQ(b.number, s("02125550123"));
    EXPECT_TRUE(b.name.isEmpty());
    EXPECT_TRUE(b.numberReason.isEmpty());
    EXPECT_FALSE(parser.blockPending());
}

TEST(ModemParser, TagVariantsOrderBlanksAndMissingLines)
{
    for (const char* tag : { "NMBR", "DDN_NMBR", "DDN", "NBR" }) {
        const auto b = onlyBlock(QByteArray(tag) + "=05321234567\n");
        EXPECT_EQ(b.number, s("05321234567")) << tag;
    }
    // UK order, no name, blanks only on one side, LF and CR endings mixed.
    const auto uk = onlyBlock("MESG = 110101\nNMBR =01632960123\rTIME= 0915\r\nDATE=0224\n");
    EXPECT_EQ(uk.message, s("110101"));
    EXPECT_EQ(uk.number, s("01632960123"));
    EXPECT_EQ(uk.time, s("0915"));
    EXPECT_EQ(uk.date, s("0224"));
    EXPECT_TRUE(uk.name.isEmpty());
    // A name with blanks inside is kept whole; a number alone is a call.
    EXPECT_EQ(onlyBlock("NAME = ALI  VELI KAYA \n").name, s("ALI  VELI KAYA"));
    EXPECT_EQ(onlyBlock("NMBR = 4440001\n").number, s("4440001"));
    // A lone MESG makes no call.
    EXPECT_TRUE(blocks(parseAll("MESG = 110101\n")).isEmpty());
}

TEST(ModemParser, TagsRunTogetherOnOneLine)
{
    const auto b = onlyBlock("NAME=ALI VELI       NMBR=02125550105\r\n");
    EXPECT_EQ(b.name, s("ALI VELI"));
    EXPECT_EQ(b.number, s("02125550105"));

    const auto events = parseAll("RING RING DATE=0224 NAME=O NMBR=02125550106\r\n");
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events.at(0).kind, Kind::Ring);
    EXPECT_EQ(events.at(1).kind, Kind::Ring);
    EXPECT_EQ(events.at(2).block.date, s("0224"));
    EXPECT_EQ(events.at(2).block.nameReason, s("O"));
    EXPECT_EQ(events.at(2).block.number, s("02125550106"));
}

TEST(ModemParser, FirstNumberWinsAndReasonsStandForTheNumber)
{
    const auto masked = onlyBlock("NMBR = 02125550123\nNMBR = O\nNAME = P\n");
    EXPECT_EQ(masked.number, s("02125550123"));
    EXPECT_TRUE(masked.numberReason.isEmpty());
    EXPECT_EQ(masked.nameReason, s("P"));
    const auto privateNumber = onlyBlock("DATE = 1209\nNMBR = P\n");
    EXPECT_EQ(privateNumber.numberReason, s("P"));
    EXPECT_TRUE(privateNumber.number.isEmpty());
    EXPECT_EQ(onlyBlock("NMBR=O\n").numberReason, s("O"));
}

TEST(ModemParser, ARepeatedDateOrTimeStartsTheNextBlock)
{
    const auto found
        = blocks(parseAll("DATE=1209\nTIME=1430\nNMBR=1\nDATE=1209\nTIME=1431\nNMBR=2\n"));
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found.at(0).number, s("1"));
    EXPECT_EQ(found.at(1).number, s("2"));
    EXPECT_EQ(found.at(1).time, s("1431"));
}

TEST(ModemParser, ABlockEndsOnceItsFourTagsHaveComeOrATagRepeats)
{
    struct Case
    {
        const char* bytes;
        int beforeQuiet; // blocks complete without waiting for the line to go quiet
        QStringList numbers; // of all blocks, once it has
    };
    const Case cases[] = {
        { "DATE=1209\nTIME=1430\nNMBR=1\nNAME=A\n", 1, { s("1") } },
        { "NAME=P\nNMBR=O\nTIME=1430\nDATE=1209\n", 1, { s("") } },
        // The exchange masks the number after the block was full: still one call.
        { "DATE=1209\nTIME=1430\nNAME=A\nNMBR=1\n\nNMBR=O\n", 1, { s("1") } },
        { "DATE=1209\nTIME=1430\nNMBR=1\n", 0, { s("1") } },
        { "DATE=1209\nNMBR=1\nDATE=1209\nNMBR=2\n", 1, { s("1"), s("2") } },
        { "MESG=110101\nNMBR=1\nMESG=110101\nNMBR=2\n", 1, { s("1"), s("2") } },
        { "NMBR=1\nNAME=A\nNAME=B\nNMBR=2\n", 1, { s("1"), s("2") } },
        { "NMBR=1\nNMBR=O\n", 0, { s("1") } },
    };
    for (const Case& c : cases) {
        ModemParser parser;
        const QList<CallerIdBlock> early = blocks(parser.feed(c.bytes));
        EXPECT_EQ(early.size(), c.beforeQuiet) << c.bytes;
        QStringList numbers;
        for (const CallerIdBlock& b : early + blocks(parser.flush()))
            numbers << b.number;
        EXPECT_EQ(numbers, c.numbers) << c.bytes;
    }
}

TEST(ModemParser, RawPacketsWithGoodChecksums)
{
    const auto mdmf = onlyBlock(kMdmf + "\r\n");
    EXPECT_EQ(mdmf.date, s("1209"));
    EXPECT_EQ(mdmf.time, s("1430"));
    EXPECT_EQ(mdmf.number, s("02125550123"));
    EXPECT_EQ(mdmf.name, s("AYSE YILMAZ"));
    EXPECT_EQ(onlyBlock(kMdmf.toLower() + "\n"), mdmf) << "hex digits in either case";

    const auto sdmf = onlyBlock(kSdmf + "\n");
    EXPECT_EQ(sdmf.date, s("1209"));
    EXPECT_EQ(sdmf.time, s("1430"));
    EXPECT_EQ(sdmf.number, s("0312444000"));
    EXPECT_EQ(onlyBlock(kSdmfPrivate + "\n").numberReason, s("P"));

    const auto hidden = onlyBlock(kMdmfPrivate + "\n");
    EXPECT_EQ(hidden.numberReason, s("P"));
    EXPECT_EQ(hidden.nameReason, s("P"));
    EXPECT_TRUE(hidden.number.isEmpty());

    const auto third = onlyBlock(kMdmfNumber3 + "\n");
    EXPECT_EQ(third.number, s("05321234567"));
    EXPECT_EQ(third.message, s("110101"));
}

TEST(ModemParser, CorruptPacketsBecomeOneReportAndNoCall)
{
    QByteArray badSum = kMdmf;
    badSum.back() = 'F'; // 4E -> 4F
    QByteArray badDigit = kMdmf;
    badDigit[30] = badDigit[30] == '1' ? '2' : '1';
    QByteArray longer = kMdmf;
    longer[3] = '5'; // length 0x25: runs past the end
    // MDMF whose parameter claims more bytes than the packet holds.
    const QByteArray pastEnd = "800A010F3132303931343330D2";
    for (const QByteArray& packet : { badSum, badDigit, longer, pastEnd }) {
        const auto events = parseAll(packet + "\n");
        ASSERT_EQ(events.size(), 1) << packet.constData();
        EXPECT_EQ(events.at(0).kind, Kind::BadPacket) << packet.constData();
        EXPECT_FALSE(events.at(0).text.isEmpty());
    }
    // Short hex answers (a serial number) are ordinary lines, not packets.
    const auto serial = parseAll("0412345678901234\n");
    ASSERT_EQ(serial.size(), 1);
    EXPECT_EQ(serial.at(0).kind, Kind::Line);
}

TEST(ModemParser, RawPacketCompletesAPendingFormattedBlock)
{
    const auto found = blocks(parseAll("NMBR = 111\n" + kSdmf + "\n"));
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found.at(0).number, s("111"));
    EXPECT_EQ(found.at(1).number, s("0312444000"));
}

TEST(ModemParser, DistinctiveRingsAndResults)
{
    const auto events
        = parseAll("RING A\r\nRING 1\r\nDRON=5\r\nDROF=11\r\nOK\r\nERROR\r\nNO CARRIER\r\n"
                   "CONNECT\r\nRINGER\r\n30.50\r\n");
    ASSERT_EQ(events.size(), 9);
    EXPECT_EQ(events.at(0), (ModemEvent { Kind::Ring, s("A"), {} }));
    EXPECT_EQ(events.at(1), (ModemEvent { Kind::Ring, s("1"), {} }));
    EXPECT_EQ(events.at(2), (ModemEvent { Kind::Ring, s("DRON=5"), {} }));
    EXPECT_TRUE(events.at(3).isOk());
    EXPECT_EQ(events.at(4), (ModemEvent { Kind::Result, s("ERROR"), {} }));
    EXPECT_EQ(events.at(5), (ModemEvent { Kind::Result, s("NO CARRIER"), {} }));
    EXPECT_EQ(events.at(6), (ModemEvent { Kind::Line, s("CONNECT"), {} }));
    EXPECT_EQ(events.at(7), (ModemEvent { Kind::Line, s("RINGER"), {} }));
    EXPECT_EQ(events.at(8), (ModemEvent { Kind::Line, s("30.50"), {} }));
}

TEST(ModemParser, GarbageAndForeignBytesMakeNoCall)
{
    ModemParser parser;
    QList<ModemEvent> events
        = parser.feed(QByteArray("\x00\xff\xfe\x80garbage\r\n\xc3\x28\r\n", 18));
    events += parser.feed(QByteArray(5000, 'x') + "\r\n" + "NAME = \xc7" + "A\xd0RI\r\n");
    events += parser.flush();
    const auto found = blocks(events);
    ASSERT_EQ(found.size(), 1);
    // Not UTF-8: read as the Turkish code page.
    EXPECT_EQ(found.at(0).name, s("ÇAĞRI"));
    for (const ModemEvent& e : events)
        EXPECT_NE(e.kind, Kind::Ring);
}

TEST(ModemParser, AnySplitOfTheBytesGivesTheSameEvents)
{
    const QByteArray stream = "\r\nRING\r\n\r\nDATE = 1209\r\nTIME = 1430\r\nNMBR = 02125550123\r\n"
                              "NAME = AYSE YILMAZ\r\n\r\nRING\r\nOK\r\n"
        + kMdmf + "\r\nNAME=ALI VELI  NMBR=P\r\nRING B\r\n" + kSdmfPrivate + "\r\nDATE=0101\n";
    const auto whole = parseAll(stream);
    ASSERT_EQ(blocks(whole).size(), 5);

    ModemParser bytewise;
    QList<ModemEvent> events;
    for (char c : stream)
        events += bytewise.feed(QByteArray(1, c));
    events += bytewise.flush();
    EXPECT_EQ(events, whole);

    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 50; ++round) {
        ModemParser chunked;
        QList<ModemEvent> got;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype size = random->bounded(1, 17);
            got += chunked.feed(stream.mid(at, size));
            at += size;
        }
        got += chunked.flush();
        EXPECT_EQ(got, whole) << "round " << round;
    }
}

TEST(RingEpisodes, TwoRingsWithoutCallerIdMakeOneNoNumberCall)
{
    RingEpisodes line;
    EXPECT_FALSE(line.ring(0));
    EXPECT_FALSE(line.ring(300)) << "RING and DRON= of the same ring";
    EXPECT_TRUE(line.ring(5000));
    EXPECT_FALSE(line.ring(10000)) << "once per episode";
    EXPECT_FALSE(line.ring(15000));
    // 8 s of quiet ends the episode; the next one counts afresh.
    EXPECT_FALSE(line.ring(23000));
    EXPECT_TRUE(line.ring(27000));
    // Rings more than 8 s apart never make an episode.
    RingEpisodes slow;
    EXPECT_FALSE(slow.ring(0));
    EXPECT_FALSE(slow.ring(8000));
    EXPECT_FALSE(slow.ring(16500));
}

TEST(RingEpisodes, CallerIdBeforeOrBetweenRingsSuppressesTheNoNumberCall)
{
    RingEpisodes europe; // data before the first ring
    europe.callerId(0);
    EXPECT_FALSE(europe.ring(500));
    EXPECT_FALSE(europe.ring(5500));
    RingEpisodes america; // data between the first and second ring
    EXPECT_FALSE(america.ring(0));
    america.callerId(1500);
    EXPECT_FALSE(america.ring(6000));
    EXPECT_FALSE(america.ring(12000));
    // Old data does not count for a later episode.
    EXPECT_FALSE(america.ring(30000));
    EXPECT_TRUE(america.ring(35000));
}

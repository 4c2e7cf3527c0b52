// libFuzzer target: a multi-line caller-ID unit's bytes, as one UDP datagram
// and as a serial stream read whole, byte by byte and in chunks cut where the
// input says. The three readings must give the same records, and every record
// must hold what its kind promises.

#include "UnitParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

bool printableText(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

bool digits(const QString& text, qsizetype size)
{
    if (text.isEmpty())
        return true;
    if (text.size() != size)
        return false;
    for (QChar c : text)
        if (!c.isDigit())
            return false;
    return true;
}

void check(const UnitRecord& r)
{
    require(printableText(r.text) && printableText(r.number) && printableText(r.name),
        "control characters reach a record's text");
    require(r.text.size() <= UnitParser::MaxLineLength + 1, "a record's text is over the limit");
    switch (r.kind) {
    case UnitRecord::Kind::Call:
        require(r.line >= 0 && r.line <= 99, "a call on a line out of range");
        require(r.durationSeconds >= 0 && r.durationSeconds <= 9999, "a duration out of range");
        require(r.ringType >= 'A' && r.ringType <= 'D', "a ring type out of range");
        require(r.ringCount >= 0 && r.ringCount <= 9, "a ring count out of range");
        require(!r.number.contains(QLatin1Char(' ')), "a number with a blank");
        require(r.name == r.name.trimmed(), "a name with its padding");
        [[fallthrough]];
    case UnitRecord::Kind::Detail:
        require(digits(r.date, 4) && digits(r.time, 4), "a date or time that is no MMDD or HHmm");
        if (!r.date.isEmpty())
            require(r.date.left(2).toInt() >= 1 && r.date.left(2).toInt() <= 12, "month 0 or 13+");
        if (!r.time.isEmpty())
            require(r.time.left(2).toInt() <= 23 && r.time.mid(2).toInt() <= 59, "hour 24+");
        break;
    default:
        break;
    }
}

std::vector<UnitRecord> stream(QByteArrayView bytes, QByteArrayView cuts)
{
    UnitParser parser;
    std::vector<UnitRecord> records;
    qsizetype at = 0;
    for (qsizetype i = 0; at < bytes.size(); ++i) {
        const qsizetype size = cuts.isEmpty()
            ? bytes.size()
            : std::min<qsizetype>(1 + quint8(cuts[i % cuts.size()]) % 97, bytes.size() - at);
        for (UnitRecord& r : parser.feed(bytes.sliced(at, size)))
            records.push_back(std::move(r));
        at += size;
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const UnitDatagram datagram = UnitParser::parseDatagram(bytes);
    if (datagram.status == UnitDatagram::Status::Ok) {
        require(bytes.size() >= UnitParser::DatagramHeaderSize, "a header shorter than a header");
        require(datagram.unitNumber < (1ULL << 48) && datagram.serialNumber < (1ULL << 48),
            "a number wider than six bytes");
        check(datagram.record);
    } else if (datagram.status == UnitDatagram::Status::TooLong) {
        require(bytes.size() > UnitParser::MaxDatagramSize, "a short datagram called too long");
    }

    const std::vector<UnitRecord> whole = stream(bytes, {});
    for (const UnitRecord& r : whole)
        check(r);
    require(stream(bytes, QByteArrayView("\0", 1)) == whole, "byte by byte gives other records");
    require(stream(bytes, bytes) == whole, "chunks give other records");
    return 0;
}

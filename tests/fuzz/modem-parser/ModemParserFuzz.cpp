// libFuzzer target: what a caller-ID modem sends, as a serial port's reads
// cut it, through the modem parser; and the same bytes as a raw caller-ID
// packet through the packet decoder.

#include "ModemParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The parser's limit on a line, in bytes; no event carries more text.
constexpr qsizetype MaxLine = 1024;

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

bool fieldsFit(const CallerIdBlock& b)
{
    for (const QString* field :
        { &b.date, &b.time, &b.number, &b.numberReason, &b.name, &b.nameReason, &b.message })
        if (field->size() > 2 * MaxLine)
            return false;
    return true;
}

void check(const QList<ModemEvent>& events)
{
    for (const ModemEvent& e : events) {
        require(e.text.size() <= MaxLine, "an event carries more than a line");
        if (e.kind == ModemEvent::Kind::CallerId) {
            require(fieldsFit(e.block), "a block's field is longer than a line");
            const CallerIdBlock& b = e.block;
            require(!(b.date.isEmpty() && b.time.isEmpty() && b.number.isEmpty()
                        && b.numberReason.isEmpty() && b.name.isEmpty() && b.nameReason.isEmpty()),
                "a block that says nothing about a call");
        }
    }
}

// A decoded packet must be one whose checksum and lengths hold.
void checkPacket(const QByteArray& bytes)
{
    CallerIdBlock block;
    QString reason;
    if (!ModemParser::decodePacket(bytes, block, reason)) {
        require(!reason.isEmpty(), "a refused packet without a reason");
        return;
    }
    quint8 sum = 0;
    for (char c : bytes)
        sum = quint8(sum + quint8(c));
    require(sum == 0, "a packet with a wrong checksum was taken");
    require(bytes.size() == quint8(bytes.at(1)) + 3, "a packet whose length is wrong was taken");
    require(fieldsFit(block), "a packet's field is longer than the packet");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets how the stream is cut, as reads of a port would.
    const qsizetype chunk = 1 + (data[0] % 4 == 0 ? data[0] * 97 : data[0] % 61);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size) - 1);

    ModemParser cut;
    QList<ModemEvent> pieces;
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        const QList<ModemEvent> events = cut.feed(bytes.mid(at, chunk));
        check(events);
        pieces += events;
        require(cut.buffered() <= MaxLine, "the parser holds more than a line");
    }
    pieces += cut.flush();
    require(!cut.blockPending(), "a block pending after the flush");

    // However the bytes came, the same events.
    ModemParser whole;
    QList<ModemEvent> all = whole.feed(bytes);
    all += whole.flush();
    require(pieces == all, "the events depend on how the bytes were cut");

    checkPacket(bytes);
    return 0;
}

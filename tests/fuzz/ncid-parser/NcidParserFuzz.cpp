// libFuzzer target: what an NCID server sends, as a socket's reads cut it,
// through the NCID parser, the line numbers its calls get, and the cleaning
// every call's fields go through before the window shows them.

#include "DeviceText.h"
#include "NcidParser.h"

#include <QSet>

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

bool sameCall(const NcidCall& a, const NcidCall& b)
{
    return a.date == b.date && a.time == b.time && a.line == b.line && a.number == b.number
        && a.name == b.name && a.mesg == b.mesg;
}

bool sameEvent(const NcidEvent& a, const NcidEvent& b)
{
    return a.kind == b.kind && a.type == b.type && a.code == b.code && a.text == b.text
        && sameCall(a.call, b.call);
}

void checkShown(const QString& text)
{
    const QString shown = DeviceText::clean(text);
    require(shown.size() <= DeviceText::MaxFieldLength, "a cleaned field is too long");
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QChar c = shown.at(i);
        require(c.category() != QChar::Other_Control, "a control character left in a field");
        require(c.unicode() != 0x2028 && c.unicode() != 0x2029, "a line separator left in a field");
    }
    require(shown == shown.trimmed(), "a cleaned field with blanks at its ends");
    require(shown.isEmpty() || !shown.back().isHighSurrogate(), "half a character left at the end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets how the stream is cut, as reads of a socket would.
    const qsizetype chunk = 1 + (data[0] % 4 == 0 ? data[0] * 97 : data[0] % 61);
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size) - 1);

    NcidParser cut;
    std::vector<NcidEvent> pieces;
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        for (NcidEvent& e : cut.feed(bytes.sliced(at, std::min(chunk, bytes.size() - at))))
            pieces.push_back(std::move(e));
        require(cut.buffered() <= NcidParser::MaxLineLength + 1, "the parser holds too much");
    }
    NcidParser whole;
    const std::vector<NcidEvent> all = whole.feed(bytes);
    require(pieces.size() == all.size(), "the events depend on how the bytes were cut");
    for (std::size_t i = 0; i < all.size(); ++i)
        require(sameEvent(pieces[i], all[i]), "an event depends on how the bytes were cut");

    NcidLineNumbers lines;
    QHash<QString, int> numbers;
    QSet<int> given;
    int tooLong = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const NcidEvent& e = all[i];
        if (e.kind == NcidEvent::Kind::LineTooLong) {
            ++tooLong;
            require(i + 1 == all.size(), "events after a line that was too long");
        }
        if (e.kind != NcidEvent::Kind::Call)
            continue;
        NcidLineNumbers::Outcome outcome = NcidLineNumbers::Outcome::Known;
        const int number = lines.numberFor(e.call.line, &outcome);
        const QString label = NcidLineNumbers::shownLabel(e.call.line);
        require(number >= 1, "a line number below 1");
        require(label.size() <= NcidLineNumbers::MaxLabelLength, "a label kept whole");
        if (outcome == NcidLineNumbers::Outcome::Own
            || outcome == NcidLineNumbers::Outcome::Given) {
            require(!numbers.contains(label), "a known label given a number again");
            require(!given.contains(number), "two labels share a line number");
            numbers.insert(label, number);
            given.insert(number);
        } else if (outcome == NcidLineNumbers::Outcome::Known) {
            require(numbers.value(label) == number, "a label changed its number");
        }
        require(numbers.size() <= NcidLineNumbers::MaxLabels, "the label table grew past its size");
        checkShown(NcidParser::shownNumber(e.call.number));
        checkShown(NcidParser::shownName(e.call.name));
        checkShown(e.call.date + QLatin1Char(' ') + e.call.time);
    }
    require(tooLong <= 1, "a line too long reported twice");
    return 0;
}

// libFuzzer target: the controller's request lines, as a client's byte stream
// cut into chunks, through the line reader and the request parser.

#include "SimRequest.h"

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

bool cleanText(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate() || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

void parse(const SimProtocol::LineReader::Line& line)
{
    require(!line.text.contains('\n'), "a line holds a newline");
    require(line.text.size() <= SimProtocol::MaxLineLength, "a line is over the limit");
    if (line.tooLong) {
        require(line.text.isEmpty(), "an over-long line kept its bytes");
        return;
    }
    SimProtocol::Request request;
    if (!SimProtocol::ParseRequest(line.text.trimmed(), request).isEmpty())
        return;
    const QStringList& args = request.args;
    switch (request.command) {
    case SimProtocol::Command::Attach:
        require(args.size() == 2 && !args.at(0).isEmpty(), "attach without model and serial");
        require(cleanText(args.at(0)) && cleanText(args.at(1)), "attach with control characters");
        break;
    case SimProtocol::Command::Call:
        require(args.size() == 2, "call without line and number");
        require(request.line >= 1 && request.line <= 4, "call on a line out of range");
        require(args.at(0) == QString::number(request.line), "call line not plain decimal");
        require(cleanText(args.at(1)), "call with control characters");
        break;
    case SimProtocol::Command::Signal:
        require(args.size() >= 4 && args.size() <= 8, "signal with a wrong count");
        break;
    case SimProtocol::Command::Fail:
        require(args.size() == 2, "fail without method and switch");
        break;
    case SimProtocol::Command::Detach:
    case SimProtocol::Command::Status:
        require(args.isEmpty(), "arguments to a command that takes none");
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets how the stream is cut, as reads of a socket would.
    const qsizetype chunk = 1 + (data[0] % 4 == 0 ? data[0] * 97 : data[0] % 61);
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const qsizetype total = qsizetype(size) - 1;
    SimProtocol::LineReader reader;
    SimProtocol::LineReader::Line line;
    for (qsizetype at = 0; at < total; at += chunk) {
        reader.append(bytes + at, std::min(chunk, total - at));
        while (reader.next(line))
            parse(line);
        require(reader.buffered() <= SimProtocol::MaxLineLength, "the reader holds too much");
    }
    if (reader.finish(line))
        parse(line);
    require(reader.buffered() == 0, "the reader kept bytes after the end");
    return 0;
}

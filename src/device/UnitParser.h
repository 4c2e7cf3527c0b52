#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// One line of what a multi-line caller-ID unit reports, as it was sent.
struct UnitRecord
{
    enum class Kind {
        Call, // a call record: inbound or outbound, start or end
        Detail, // a ring, off hook, on hook or hook flash on a line
        Handshake, // "#", the answer to "@"
        Version, // the answer to "V": text holds it
        Unreadable, // none of these: text shows what came, printable and short
        TooLong, // no line end within MaxLineLength bytes; the rest of that line is dropped
    };
    enum class Event { Ring, OffHook, OnHook, Flash };

    Kind kind = Kind::Unreadable;
    int line = 0;
    // Call records.
    bool inbound = true;
    bool start = true;
    int durationSeconds = 0;
    bool checksumOk = true;
    char ringType = 'A';
    int ringCount = 0;
    QString number; // without its padding: "0212-555-0123", "Private", "" when none was sent
    QString name;
    // Detail records.
    Event event = Event::Ring;
    // Date "MMDD" and time "HHmm" (24-hour) of the record; empty when the unit sent none
    // or sent one that is no date or time.
    QString date;
    QString time;
    QString text;

    bool operator==(const UnitRecord&) const = default;
};

// One UDP datagram of an Ethernet unit.
struct UnitDatagram
{
    enum class Status {
        Ok, // a unit's datagram: numbers and record are set (the record may be unreadable)
        TooLong, // over MaxDatagramSize bytes
        BadHeader, // does not start as a unit's datagram does
    };
    Status status = Status::BadHeader;
    quint64 unitNumber = 0;
    quint64 serialNumber = 0;
    UnitRecord record;
};

// Turns what a multi-line caller-ID unit sends into records: on a serial port
// a stream of lines fed in chunks split anywhere, over Ethernet one record per
// datagram. Knows nothing of ports, sockets or time.
class UnitParser
{
public:
    // Records are about 65 bytes and answers shorter; a line far longer is noise.
    static constexpr qsizetype MaxLineLength = 160;
    static constexpr qsizetype MaxDatagramSize = 512;
    static constexpr qsizetype DatagramHeaderSize = 20;

    // Records for every line the chunk completes, in order. A "#" that starts
    // a line is the handshake's answer at once, with or without a line end.
    std::vector<UnitRecord> feed(QByteArrayView chunk);
    // Forgets a partial line (for a new session).
    void reset();

    // One record without its line end, with or without its leading "$".
    static UnitRecord parseRecord(QByteArrayView text);
    static UnitDatagram parseDatagram(QByteArrayView bytes);
    // BYTES as a short printable text for the log: other bytes as '?', cut to LIMIT characters.
    static QString printable(QByteArrayView bytes, qsizetype limit = 40);

private:
    QByteArray m_line;
    bool m_dropping = false;
};

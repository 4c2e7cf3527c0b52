#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What a caller-ID modem reported about one call, as it was sent.
struct CallerIdBlock
{
    QString date; // MMDD (or YYMMDD), empty when not sent
    QString time; // hhmm
    QString number; // empty when not sent
    QString numberReason; // "P" private, "O" unavailable, else empty
    QString name;
    QString nameReason;
    QString message; // parameters the modem did not understand, in hex

    bool operator==(const CallerIdBlock&) const = default;
};

struct ModemEvent
{
    enum class Kind {
        Result, // a final result: OK, ERROR, NO CARRIER, BUSY, NO DIALTONE, NO ANSWER
        Line, // any other line (command answers, noise), as text
        Ring, // text: the distinctive-ring variant ("A", "1", "DRON=5"), usually empty
        CallerId, // block: one complete caller-ID block
        BadPacket, // text: why a raw caller-ID packet was refused
    };
    Kind kind = Kind::Line;
    QString text;
    CallerIdBlock block;

    bool isOk() const { return kind == Kind::Result && text == QLatin1String("OK"); }
    bool operator==(const ModemEvent&) const = default;
};

// Turns what a caller-ID modem sends into events. Bytes may come in chunks
// split anywhere; lines end in CR, LF or both. Formatted caller-ID tags are
// gathered into one block, which is complete once DATE, TIME, the number and
// the name (or their reasons) have all come, at the next ring or raw packet,
// at a tag the block already has (but a repeated number only masks the
// first), or when the caller says the line has been quiet long enough
// (flush). Knows nothing of ports or time.
class ModemParser
{
public:
    QList<ModemEvent> feed(const QByteArray& bytes);
    // Completes a block whose lines have all come.
    QList<ModemEvent> flush();
    bool blockPending() const { return m_pending; }
    // Bytes held of a line whose end has not come yet.
    qsizetype buffered() const { return m_partial.size(); }

    // A raw caller-ID packet (SDMF or MDMF, hex digits) as a block; false and
    // a reason for a corrupt one.
    static bool decodePacket(const QByteArray& packet, CallerIdBlock& block, QString& reason);

private:
    void line(const QByteArray& bytes, QList<ModemEvent>& out);
    bool tags(const QString& text, QList<ModemEvent>& out, bool afterFullBlock);
    void complete(QList<ModemEvent>& out);

    QByteArray m_partial;
    bool m_dropping = false;
    CallerIdBlock m_block;
    bool m_pending = false;
    // The last line completed a block that had every tag.
    bool m_justCompleted = false;
};

// Decides, from the rings and caller-ID blocks of a line and when they came,
// when a ringing line has delivered no caller ID: two rings of one ringing
// episode (rings less than 8 s apart) without a block mean the exchange sends
// no number. Pure: the caller passes the time.
class RingEpisodes
{
public:
    static constexpr qint64 EpisodeGapMs = 8000;
    // Rings closer than this are one ring reported twice (RING and DRON=).
    static constexpr qint64 SameRingMs = 1000;

    // True when this ring is the one that shows the line rings without caller ID.
    bool ring(qint64 nowMs);
    // Caller-ID data came (also a corrupt packet: it has been reported already).
    void callerId(qint64 nowMs);

private:
    void touch(qint64 nowMs);

    qint64 m_last = -1;
    qint64 m_lastRing = -1;
    int m_rings = 0;
    bool m_data = false;
    bool m_reported = false;
};

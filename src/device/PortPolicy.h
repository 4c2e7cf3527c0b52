#pragma once

#include "PortDescription.h"

#include <QString>

#include <span>

// Whether a serial port may be opened and written to in the search for a
// caller-ID modem. Opening a port resets many boards (DTR) and writing AT
// commands into a printer, a radio stick or a GPS receiver disturbs whatever
// drives it, so only ports that very likely belong to a modem are probed;
// every other port is left alone unless the user names it or marks it with a
// udev property. Pure: the decision depends on the description alone.
namespace PortPolicy {

enum class Reason {
    Named, // probed: the user named the port
    Ignored, // skipped: ID_MM_DEVICE_IGNORE, ID_MM_PORT_IGNORE or CALLERID_IGNORE
    Marked, // probed: CALLERID_MODEM or ID_MM_DEVICE_PROCESS
    UsbModem, // probed: CDC-ACM interface that declares AT commands
    KnownBoard, // skipped: a maker whose boards declare AT commands without being modems
    UsbSerialAdapter, // skipped: a USB serial converter (ftdi_sio, pl2303, …)
    BuiltIn, // skipped: a serial port of the machine itself (ttyS*)
    AcmWithoutAt, // skipped: CDC-ACM that declares no AT commands
    Unknown, // skipped: anything else
};

// What the boards on the table are, for the reasons shown to users.
enum class BoardKind { DevelopmentBoard, DebugProbe, GpsReceiver, RadioStick, Printer, Converter };

struct KnownBoard
{
    quint16 vendor;
    int product; // -1: every product of the vendor
    const char* maker;
    BoardKind kind;
};

struct Decision
{
    bool probe = false;
    Reason reason = Reason::Unknown;
    // The property that ignored or marked the port, the driver of an
    // adapter, or the maker of a known board.
    QString detail;
    BoardKind board = BoardKind::DevelopmentBoard;

    bool operator==(const Decision&) const = default;
};

enum class Use { Search, Named };

Decision decide(const PortDescription& port, Use use = Use::Search);

// "probed: USB modem (CDC-ACM, AT commands)", "skipped: USB serial adapter
// (ftdi_sio); use …": the decision as `--list-ports` prints it.
QString explain(const Decision& decision, const PortDescription& port);
// The same in a few Turkish words for the program's log ("USB seri dönüştürücü").
QString shortTurkish(const Decision& decision);

// The makers whose boards declare AT commands on a CDC-ACM interface without
// being modems.
std::span<const KnownBoard> knownBoards();

} // namespace PortPolicy

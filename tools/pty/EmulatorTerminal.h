#pragma once

#include <QString>

// The device's side of a pseudo-terminal that a program opens as a serial port,
// for the emulators. The emulator keeps only the master side, non-blocking: a
// descriptor of the other side would make it another user of the port.
namespace EmulatorTerminal {

// A new pseudo-terminal in raw mode, so that nothing the device says is echoed
// back to it before the program opens it; LINK, when not empty, is made a
// symbolic link to it. Gives the master and sets TERMINAL to the terminal's
// name, or gives -1 and says why in ERROR.
int open(const QString& link, QString* terminal, QString* error);

// The name of the terminal behind a master that someone else opened, which is
// made non-blocking; empty, with ERROR set, when it is no pseudo-terminal.
QString adopt(int master, QString* error);

} // namespace EmulatorTerminal

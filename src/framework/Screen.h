#pragma once

#include <QCursor>
#include <QHash>
#include <QObject>
#include <cstdint>

// Cursor identifiers: negative ones are the standard shapes, positive ones are
// the program's own, installed by the components that use them.
using TCursor = std::int16_t; // 16 bits, as stored with the components
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crNo = -18;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// The screen's cursor table and the cursor the whole application shows.
class TScreen : public QObject
{
    Q_OBJECT
public:
    TScreen();

    // The cursor of an identifier; unknown identifiers give the arrow.
    QCursor Cursors(TCursor id) const;
    void SetCursors(TCursor id, const QCursor& cursor);

    // A cursor other than crDefault overrides every window's own cursor until
    // crDefault is set again.
    TCursor Cursor() const { return m_cursor; }
    void SetCursor(TCursor id);

private:
    QHash<TCursor, QCursor> m_cursors;
    TCursor m_cursor = crDefault;
    bool m_overriding = false;
};

TScreen* Screen();

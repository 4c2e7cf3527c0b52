#include "Screen.h"

#include <QGuiApplication>

TScreen::TScreen()
{
    const std::pair<TCursor, Qt::CursorShape> standard[] = { { crDefault, Qt::ArrowCursor },
        { crArrow, Qt::ArrowCursor }, { crCross, Qt::CrossCursor }, { crIBeam, Qt::IBeamCursor },
        { crSizeNESW, Qt::SizeBDiagCursor }, { crSizeNS, Qt::SizeVerCursor },
        { crSizeNWSE, Qt::SizeFDiagCursor }, { crSizeWE, Qt::SizeHorCursor },
        { crUpArrow, Qt::UpArrowCursor }, { crHourGlass, Qt::WaitCursor },
        { crDrag, Qt::DragMoveCursor }, { crNoDrop, Qt::ForbiddenCursor },
        { crHSplit, Qt::SplitHCursor }, { crVSplit, Qt::SplitVCursor },
        { crNo, Qt::ForbiddenCursor }, { crHandPoint, Qt::PointingHandCursor },
        { crSizeAll, Qt::SizeAllCursor } };
    for (const auto& [id, shape] : standard)
        m_cursors.insert(id, QCursor(shape));
}

QCursor TScreen::Cursors(TCursor id) const
{
    return m_cursors.value(id, QCursor(Qt::ArrowCursor));
}

void TScreen::SetCursors(TCursor id, const QCursor& cursor)
{
    m_cursors.insert(id, cursor);
}

void TScreen::SetCursor(TCursor id)
{
    m_cursor = id;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (id == crDefault) {
        if (m_overriding)
            QGuiApplication::restoreOverrideCursor();
        m_overriding = false;
        return;
    }
    if (m_overriding) {
        QGuiApplication::changeOverrideCursor(Cursors(id));
    } else {
        QGuiApplication::setOverrideCursor(Cursors(id));
        m_overriding = true;
    }
}

TScreen* Screen()
{
    static TScreen* screen = new TScreen();
    return screen;
}

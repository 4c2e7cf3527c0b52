#include "SuiteCommon.h"

#include "Win1254.h"

bool UnicodeDrawing = true;

QString DrawingText(const QString& text)
{
    return UnicodeDrawing ? text : Win1254::toAnsi(text);
}

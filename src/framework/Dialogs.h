#pragma once

#include <QString>

// The message boxes of the program: modal, centred on the screen, titled by
// kind in Turkish, with the single button "Tamam". Lines of the text are
// separated by CR LF as in the program's texts.
enum class TMsgDlgType { mtInformation, mtWarning };

void MessageDlg(const QString& text, TMsgDlgType kind);

// Title and button texts, for tests and for callers that build their own box.
QString MessageDlgTitle(TMsgDlgType kind);

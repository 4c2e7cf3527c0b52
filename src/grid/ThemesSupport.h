#pragma once

#include "Canvas.h"
#include "Geometry.h"

#include <QString>

class QWidget;

// Themed drawing of the grid's headers, strips, check boxes, editor frames and
// spin buttons, by the visual-style class names, parts and states the painters
// were written for. The pictures come from the application's active QStyle.

// Parts and states of the classes the grid draws.
enum ThemeHeaderPart { HP_HEADERITEM = 1, HP_HEADERITEMLEFT = 2, HP_HEADERITEMRIGHT = 3 };
enum ThemeHeaderState { HIS_NORMAL = 1, HIS_HOT = 2, HIS_PRESSED = 3 };
enum ThemeButtonPart { BP_PUSHBUTTON = 1, BP_RADIOBUTTON = 2, BP_CHECKBOX = 3, BP_GROUPBOX = 4 };
enum ThemePushButtonState {
    PBS_NORMAL = 1,
    PBS_HOT = 2,
    PBS_PRESSED = 3,
    PBS_DISABLED = 4,
    PBS_DEFAULTED = 5
};
// Check boxes and radio buttons: four states (normal, hot, pressed, disabled)
// for unchecked, then checked, then (check boxes only) mixed.
enum ThemeCheckBoxState {
    CBS_UNCHECKEDNORMAL = 1,
    CBS_UNCHECKEDHOT = 2,
    CBS_UNCHECKEDPRESSED = 3,
    CBS_UNCHECKEDDISABLED = 4,
    CBS_CHECKEDNORMAL = 5,
    CBS_CHECKEDHOT = 6,
    CBS_CHECKEDPRESSED = 7,
    CBS_CHECKEDDISABLED = 8,
    CBS_MIXEDNORMAL = 9,
    CBS_MIXEDHOT = 10,
    CBS_MIXEDPRESSED = 11,
    CBS_MIXEDDISABLED = 12
};
enum ThemeSpinPart { SPNP_UP = 1, SPNP_DOWN = 2, SPNP_UPHORZ = 3, SPNP_DOWNHORZ = 4 };
enum ThemeSpinState { UPS_NORMAL = 1, UPS_HOT = 2, UPS_PRESSED = 3, UPS_DISABLED = 4 };
enum ThemeEditPart { EP_EDITTEXT = 1 };
enum ThemeEditState {
    ETS_NORMAL = 1,
    ETS_HOT = 2,
    ETS_SELECTED = 3,
    ETS_DISABLED = 4,
    ETS_FOCUSED = 5,
    ETS_READONLY = 6
};

// True when themed drawing is possible: there is an application with a style
// that is not the classic one, and classic drawing is not forced. A failure
// while asking becomes Exception("Error in Themes").
bool ThemesAvailable();

// Forces the classic look for the whole process (tests, users who prefer it).
// A change is announced to every widget as a style change, so windows already
// on screen repaint in the new look.
void SetClassicDrawing(bool classic);
bool ClassicDrawing();

// Draws the background of Part in State of the theme class ClassName ("header",
// "Button", "listview", "rebar", "spin", "edit") into Rect on the canvas, with
// the style and palette of Window (the application's when null). Returns false,
// drawing nothing, for a class or part it does not know.
bool DrawThemed(const QWidget* window, TCanvas& canvas, const TRect& rect, int part, int state,
    const QString& className);

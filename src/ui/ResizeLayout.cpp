// Where the main window's resize puts its controls for a page width: arithmetic only, no widgets.
#include "ResizeLayout.h"

#include <cmath>

TResizeLayout ComputeResizeLayout(const TResizeInput& In) {
    TResizeLayout L;
    L.FieldWidth = static_cast<int>(std::lround((In.W - 80) * 5.0 / 7.0));
    const int R = In.eToLeft + L.FieldWidth;
    // Integer division truncates toward zero, also for a negative space.
    L.SendBtnLeft = R + (In.W - R - In.SendBtnWidth) / 2;
    const int Pair = In.Button2Width + 8 + In.Button3Width;
    L.Button2Left = R + (In.W - R - Pair) / 2;
    L.Button3Left = L.Button2Left + In.Button2Width + 8;
    L.Button1Left = In.W - In.Button1Width - 8;
    L.reletterLeft = L.Button1Left - 4 - In.reletterWidth;
    L.Button5Left = L.reletterLeft - 4 - In.Button5Width;
    return L;
}

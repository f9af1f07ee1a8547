// Where the main window's resize puts its controls for a page width: arithmetic only, no widgets.
#pragma once

// Where FormResize puts the controls for a page width W. The inputs are the
// left edge of eTo and the widths of the buttons concerned.
struct TResizeInput {
    int W = 0;
    int eToLeft = 0;
    int SendBtnWidth = 0;
    int Button2Width = 0;
    int Button3Width = 0;
    int Button1Width = 0;
    int reletterWidth = 0;
    int Button5Width = 0;
};
struct TResizeLayout {
    int FieldWidth = 0;   // eTo, eCC, eSubject, ComboBox2: round((W - 80) * 5 / 7)
    int SendBtnLeft = 0;  // also ClearBtn and PasswdOK
    int Button2Left = 0;
    int Button3Left = 0;
    int Button1Left = 0;
    int reletterLeft = 0;
    int Button5Left = 0;
};
TResizeLayout ComputeResizeLayout(const TResizeInput& In);

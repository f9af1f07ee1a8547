// The clipboard commands of the edit menu, on whatever kind of text control the user last chose.
#pragma once

class QAction;
class QString;
class QWidget;

// The text control last clicked or entered in any of the program's windows;
// the clipboard commands act on it. May be null.
extern QWidget* ActiveTextControl;

// The clipboard holds text.
bool ClipboardHasText();

// C has selected text that may leave it: never from a password field. C may
// be a memo, a one-line edit, a rich-text box or an editable drop-down box;
// anything else has nothing to copy.
bool CanCopyFrom(const QWidget* C);

// "コピー(&C)": the selection of C onto the clipboard as text.
void CopyFrom(QWidget* C);
// "切り取り(&T)": the selection of C onto the clipboard, then removed from C
// (not from a read-only control or a password field).
void CutFrom(QWidget* C);
// "貼り付け(&P)": Text replaces the selection of C (not in a read-only control).
void PasteInto(QWidget* C, const QString& Text);

// A window's three clipboard items.
struct TEditItems {
    QAction* Cut = nullptr;
    QAction* Copy = nullptr;
    QAction* Paste = nullptr;

    // Focus tracking: Sender becomes ActiveTextControl; cut and copy are
    // enabled when it has a selection that may leave it, paste when the
    // clipboard holds text.
    void Track(QWidget* Sender) const;
    // Cut and copy for C's selection only.
    void ShowSelectionOf(const QWidget* C) const;
    // All three disabled (a page change).
    void DisableAll() const;
};

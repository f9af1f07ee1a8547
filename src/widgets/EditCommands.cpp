// The clipboard commands of the edit menu, on whatever kind of text control the user last chose.
#include "EditCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

QWidget* ActiveTextControl = nullptr;

namespace {

// The one-line editor of C: a one-line edit itself, or the edit of an
// editable drop-down box (which cuts its selection the same way).
QLineEdit* LineOf(const QWidget* C) {
    if (auto* E = qobject_cast<QLineEdit*>(const_cast<QWidget*>(C))) return E;
    if (auto* B = qobject_cast<QComboBox*>(const_cast<QWidget*>(C))) return B->lineEdit();
    return nullptr;
}

bool IsPasswordField(const QLineEdit* E) {
    return E->objectName() == QLatin1String("ePassword") || E->echoMode() != QLineEdit::Normal;
}

// A multi-line box (memo or rich-text box): its cursor, read-only state and
// how it takes plain text.
struct TBox {
    QTextCursor Cursor;
    bool ReadOnly = true;
    QWidget* Widget = nullptr;
};

bool BoxOf(const QWidget* C, TBox& B) {
    if (auto* E = qobject_cast<const QTextEdit*>(C)) {
        B = {E->textCursor(), E->isReadOnly(), const_cast<QWidget*>(C)};
        return true;
    }
    if (auto* E = qobject_cast<const QPlainTextEdit*>(C)) {
        B = {E->textCursor(), E->isReadOnly(), const_cast<QWidget*>(C)};
        return true;
    }
    return false;
}

void SetCursor(QWidget* W, const QTextCursor& C) {
    if (auto* E = qobject_cast<QTextEdit*>(W))
        E->setTextCursor(C);
    else if (auto* E = qobject_cast<QPlainTextEdit*>(W))
        E->setTextCursor(C);
}

// A box's selection as plain text with "\n" line breaks.
QString SelectionOf(const QTextCursor& C) {
    QString S = C.selectedText();
    S.replace(QChar(0x2029), QLatin1Char('\n'));
    S.replace(QChar(0x2028), QLatin1Char('\n'));
    return S;
}

}  // namespace

bool ClipboardHasText() {
    const QMimeData* D = QApplication::clipboard()->mimeData();
    return D && D->hasText();
}

bool CanCopyFrom(const QWidget* C) {
    if (const QLineEdit* E = LineOf(C)) return E->hasSelectedText() && !IsPasswordField(E);
    TBox B;
    return BoxOf(C, B) && B.Cursor.hasSelection();
}

void CopyFrom(QWidget* C) {
    if (!CanCopyFrom(C)) return;
    TBox B;
    QApplication::clipboard()->setText(BoxOf(C, B) ? SelectionOf(B.Cursor) : LineOf(C)->selectedText());
}

void CutFrom(QWidget* C) {
    if (auto* Box = qobject_cast<QComboBox*>(C); Box && Box->lineEdit()) {
        // A drop-down box puts its selected text on the clipboard, even an
        // empty one, and replaces the selection by nothing.
        QApplication::clipboard()->setText(Box->lineEdit()->selectedText());
        Box->lineEdit()->insert(QString());
        return;
    }
    if (!CanCopyFrom(C)) return;
    if (QLineEdit* E = LineOf(C)) {
        if (E->isReadOnly()) return;
        QApplication::clipboard()->setText(E->selectedText());
        E->insert(QString());
        return;
    }
    TBox B;
    if (!BoxOf(C, B) || B.ReadOnly) return;
    QApplication::clipboard()->setText(SelectionOf(B.Cursor));
    B.Cursor.removeSelectedText();
    SetCursor(C, B.Cursor);
}

void PasteInto(QWidget* C, const QString& Text) {
    if (QLineEdit* E = LineOf(C)) {
        if (!E->isReadOnly()) E->insert(Text);
        return;
    }
    if (auto* E = qobject_cast<QTextEdit*>(C); E && !E->isReadOnly()) E->insertPlainText(Text);
    if (auto* E = qobject_cast<QPlainTextEdit*>(C); E && !E->isReadOnly()) E->insertPlainText(Text);
}

void TEditItems::Track(QWidget* Sender) const {
    ActiveTextControl = Sender;
    ShowSelectionOf(Sender);
    if (Paste) Paste->setEnabled(ClipboardHasText());
}

void TEditItems::ShowSelectionOf(const QWidget* C) const {
    const bool E = CanCopyFrom(C);
    if (Cut) Cut->setEnabled(E);
    if (Copy) Copy->setEnabled(E);
}

void TEditItems::DisableAll() const {
    for (QAction* A : {Cut, Copy, Paste})
        if (A) A->setEnabled(false);
}

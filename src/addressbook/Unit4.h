// The address entry dialog TForm4: one new name and address for the address book window's source list.
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class TDualListDlg;

// The entry dialog. Single instance, created at program start after the
// address book window, shown modally by that window's "リスト追加". Every
// accepted entry goes at once into the address book window's source list
// (in memory; that window's "保存" writes the file). No button reacts to
// Enter or Esc.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    // Book: the address book window that takes the entries. The constructor
    // sets Form4 when it is still unset.
    explicit TForm4(TDualListDlg* Book, QWidget* Parent = nullptr);
    ~TForm4() override;

    QLabel* Label1;  // "名前"
    QLineEdit* name;
    QLabel* Label2;  // "メールアドレス"
    QLineEdit* eaddr;
    QPushButton* Button1;  // "OK"
    QPushButton* Button2;  // "キャンセル"
    QPushButton* Button3;  // "継続（追加）"

    // "OK": appends the entry and closes; the fields keep their text.
    void Button1Click();
    // "キャンセル": empties the fields and closes; nothing is appended.
    void Button2Click();
    // "継続（追加）": appends the entry, empties the fields, stays open.
    void Button3Click();
    // Focus tracking: Sender becomes ActiveTextControl.
    void OnClick(QWidget* Sender);

    // A plain message box with an OK button; tests replace it.
    static std::function<void(QWidget* Parent, const QString& Text)> MessageBox;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    // Appends the fields' entry to the book; false (with the message) when
    // the address is empty.
    bool Append();
    QPointer<TDualListDlg> FBook;
};

// The single entry dialog (set when it is created, cleared when destroyed).
extern TForm4* Form4;

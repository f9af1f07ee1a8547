// The address book window TDualListDlg: the address book beside the To and CC lists picked from it.
#pragma once

#include <QWidget>

#include <functional>
#include <string>

#include "AddressLists.h"

class QLabel;
class QPushButton;
class QTreeWidget;

// The address book window. Single instance, created at program start and
// hidden until the main window's "アドレス帳(&A)" fills its source list and
// shows it (not modally); closing it only hides it. Its lists live in Lists;
// the three list widgets show them and every change goes through Lists.
class TDualListDlg : public QWidget {
    Q_OBJECT
public:
    // The constructor sets DualListDlg when it is still unset.
    explicit TDualListDlg(QWidget* Parent = nullptr);
    ~TDualListDlg() override;

    QLabel* SrcLabel;           // "配送元リスト :"
    QLabel* DstLabel;           // "メール配送リスト :"
    QLabel* Label1;             // "CC配送リスト :"
    QTreeWidget* ListView1;     // the address book (source list)
    QTreeWidget* ListView2;     // To list
    QTreeWidget* ListView3;     // CC list
    QPushButton* IncludeBtn;    // ">": copy to the To list
    QPushButton* HelpBtn;       // "CA": empty the To list
    QPushButton* SpeedButton1;  // ">": copy to the CC list
    QPushButton* Button3;       // "CA": empty the CC list
    QPushButton* CancelBtn;     // "リスト追加" (also Esc)
    QPushButton* Button2;       // "削除"
    QPushButton* OKBtn;         // "戻る"
    QPushButton* Button1;       // "保存"

    // The three lists and LastList, without widgets.
    TAddressBookLists Lists;

    // "戻る": the texts for the main window's To and CC fields (Shift_JIS);
    // a null text leaves its field as it is. The receiver also shows its
    // send page.
    std::function<void(const std::string* To, const std::string* CC)> OnHandOver;

    // The main window's "アドレス帳(&A)": the source list becomes the
    // entries of the file at Path. False, and the list stays, without a file.
    bool LoadSource(const std::string& Path);
    // The entry dialog: appends (Name, Address) to the source list; false
    // (nothing appended) for an empty address.
    bool AddEntry(const std::string& Name, const std::string& Address);
    // Shows the window without blocking and brings it to the front.
    void ShowWindow();

    // Handlers.
    void IncludeBtnClick();
    void SpeedButton1Click();
    void HelpBtnClick();
    void Button3Click();
    // Opens the entry dialog (the global Form4) modally.
    void CancelBtnClick();
    void Button2Click();
    void OKBtnClick();
    // "保存": ListSave of the source list to ProgramDir() + "VELNARO.LST".
    void Button1Click();
    void FormResize();
    // Delete key in List; Enter and a double click in the source list copy
    // to the To list; entering a list selects its first row when none is.
    void ListView1KeyDown(QTreeWidget* List);
    void ListView1Enter(QTreeWidget* List);
    void ListView1SelectItem(QTreeWidget* List);

    // The error box of a failed save; tests replace it.
    static std::function<void(QWidget* Parent, const QString& Text)> ErrorBox;

protected:
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TAddressList& ListOf(QTreeWidget* List);
    // The widget's rows := the list's rows, and its selection := the list's.
    void ShowRows(QTreeWidget* List);
    void ShowSelection(QTreeWidget* List);
    static void AppendRow(QTreeWidget* List, const TAddressEntry& Entry);
    // Deletes the selected row of List (the Delete key and "削除").
    void DeleteIn(QTreeWidget* List);
};

// The single address book window (set when it is created, cleared when destroyed).
extern TDualListDlg* DualListDlg;

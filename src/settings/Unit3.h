// The account settings window TForm3: the fields of the current account, bound to the settings-file operations.
#pragma once

#include <QGroupBox>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "AccountHost.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TOKsign;

// A two-column choice without caption; ItemIndex -1 means no item chosen.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* Parent = nullptr);
    // Replaces the items; no item is chosen afterwards.
    void SetItems(const QStringList& Items);
    QStringList Items() const;
    int ItemIndex() const;
    // An index beyond the last item chooses the last one, below 0 none.
    void SetItemIndex(int Index);
    QRadioButton* Button(int Index) const;

signals:
    // Another item was chosen.
    void Changed();

private:
    QButtonGroup* FGroup;
    std::vector<QRadioButton*> FButtons;
};

// The account settings window. Single instance, created at program start
// after the main window and the signature editor, hidden until asked for;
// closing it only hides it. Its fields are the current account record: the
// main windows read server names, address, user name, password and options
// straight from the widgets below, whether the window is visible or not.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    // MainForm: the main window's host (Tag 0); Sign: the signature editor,
    // whose text holds the account's signature lines and whose "OK" shows
    // them here. The constructor sets Form3 first, then reloads
    // (FormCreate). SettingsPath defaults to ProgramDir() + "VELNARO.ini".
    TForm3(TAccountHost* MainForm, TOKsign* Sign, QWidget* Parent = nullptr,
           const std::string& SettingsPath = "");
    ~TForm3() override;

    // Top panel.
    QWidget* Panel1;
    QLabel* Label1;  // "User Name"
    QLineEdit* eUserName;
    QLabel* Label2;        // "Password"
    QLineEdit* ePassword;  // shown as "*"
    QLabel* Label4;        // "pop3 server name"
    QLineEdit* Edit1;
    QLabel* Label5;  // "smtp server name"
    QLineEdit* Edit2;
    QLabel* Label6;  // "Your mail address"
    QLineEdit* Edit4;
    QCheckBox* passsave;  // "上記のpasswordを保存する"
    // Connection panel: group "サーバへの接続", the ports, TLS and the SMTP
    // sign-in. The security choices list "なし", "STARTTLS", "SSL/TLS"
    // (the record's 0, 1, 2); choosing one proposes its usual port while
    // the port field holds a usual port.
    QWidget* Panel4;
    QGroupBox* GroupBox2;
    QLabel* Label7;  // "POP3 ポート"
    QSpinBox* PopPort;
    QLabel* Label8;  // "POP3 暗号化"
    QComboBox* PopSecurity;
    QLabel* Label9;  // "SMTP ポート"
    QSpinBox* SmtpPort;
    QLabel* Label10;  // "SMTP 暗号化"
    QComboBox* SmtpSecurity;
    QLabel* Label11;      // "SMTP 認証"
    QComboBox* SmtpAuth;  // "しない", "する"
    QLabel* Label12;      // "SMTP ユーザ名" (empty: User Name)
    QLineEdit* SmtpUser;
    QLabel* Label13;  // "SMTP パスワード" (empty: Password), shown as "*"
    QLineEdit* SmtpPassword;
    // Middle panel: group "署名".
    QWidget* Panel2;
    QGroupBox* GroupBox1;
    QLabel* Label3;        // signature preview (each line followed by a line break)
    QCheckBox* signcheck;  // "署名をメールの最後に自動挿入する"
    QPushButton* Button3;  // "署名の編集"
    // Bottom panel.
    QWidget* Panel3;
    TRadioGroup* RadioGroup1;  // "RFC2231" (0), "JISEncode" (1)
    QCheckBox* mailhead;       // "メール本文を読み込まない"
    QCheckBox* ApopOn;         // "Apopで接続"
    QCheckBox* pingcheck;      // "pingでのチェックを無視する"
    QCheckBox* patrol;         // "巡回する", never visible
    QPushButton* Button1;      // "データの保存"
    QPushButton* Button2;      // "保存せず実行"

    // The number of the main window served: 0 the main window, k patrol
    // window k. Serve changes it and gives the new window the fields' record.
    int Tag = 0;
    void Serve(int WindowTag);
    // Slot k - 1 holds patrol window k, nullptr for an account outside the
    // patrol. The main window's patrol command fills and empties it; a patrol
    // window clears its own slot when it closes.
    std::vector<TAccountHost*> PatrolWindows;
    // The text field of this window last clicked or entered.
    QWidget* FocusedControl = nullptr;

    // AccountCount, CurrentAccount, SelectedAccount and the settings-file
    // operations. Read Settings.AccountCount etc. directly.
    TAccountSettings Settings;

    // The main window (nullptr once it is destroyed) and the window served
    // now (nullptr when Tag names an empty or missing patrol slot).
    TAccountHost* MainForm() const;
    TAccountHost* ServedWindow() const;

    // The current account record as the fields hold it (Shift_JIS), with the
    // signature editor's lines.
    TAccountRecord CurrentRecord() const;

    // What a main window changes here: the user-name and password fields and
    // "メール本文を読み込まない". Each runs the field's change handler only
    // when the value really changes.
    void SetUserName(const QString& Text);
    void SetPassword(const QString& Text);
    void SetHeaderOnly(bool On);

    // Reload: reads the file, fills the main window's user-name box and the
    // account sub-menus, shows account "start".
    void FormCreate();
    // Reads account n into the fields.
    void editdisp(int n);
    // "データの保存": saves the fields as account CurrentAccount (asking
    // before overwriting an existing file), then reloads.
    void Button1Click();
    // Removes account n, moves the later ones down, reloads.
    void DeleteAccount(int n);
    // The user trusts a server certificate for stored account n (a main
    // window's MySelf): the fingerprint is written to that account's
    // section and, when the fields show account n, joins their record.
    // Nothing else in the file or the fields changes. A refused write shows
    // the error box.
    void TrustCertificate(int n, const std::string& Fingerprint);
    // Sub-item i (0-based) of "編集(&E)" / "削除(&D)" / "巡回リスト".
    void edit2Click(int Index);
    void deleteClick(int Index);
    void patrolClick();
    // New account entry ("追加(&A)"): CurrentAccount := AccountCount + 1,
    // "追加(&A)" disabled, fields and signature emptied, options at their
    // initial state, the window shown.
    void BeginNewAccount();
    // "保存せず実行": keeps the typed values in use and hides the window.
    void Button2Click();
    // "署名の編集": shows the signature editor.
    void Button3Click();
    // Shows the window without blocking and brings it to the front.
    void ShowWindow();
    // Label3 := the lines, each followed by a line break.
    void ShowSignPreview(const std::vector<std::string>& Lines);

    // Change handlers.
    void userchange();
    void passwdChange();
    void passsaveClick();
    void mailheadClick();
    void ApopOnClick();
    void FormActivate();
    void FormClose();
    void FormHide();
    // Focus tracking for the five text fields.
    void OnClick(QWidget* Sender);
    void Edit1MouseUp(QWidget* Sender) { OnClick(Sender); }

    // Message boxes, replaceable so that tests never block. Question: Yes/No
    // box with a question icon, true for Yes. Message: plain box with OK.
    // Error: error box. Defaults show real QMessageBoxes.
    static std::function<bool(QWidget* Parent, const QString& Text)> QuestionBox;
    static std::function<void(QWidget* Parent, const QString& Text)> MessageBox;
    static std::function<void(QWidget* Parent, const QString& Text)> ErrorBox;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    bool event(QEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

private:
    // Puts the record into the fields, in the order of a load (user name,
    // password, servers, status text, signature, options); check boxes that
    // change run their handlers.
    void ShowRecord(const TAccountRecord& R, bool Reloading);
    // The widget side of a reload, after Settings has read the file.
    void ShowReload();
    // The served window's Account := the fields' record.
    void PublishRecord();
    // The SMTP sign-in fields are usable when the sign-in is chosen.
    void EnableSignInFields();
    void EnableAddItem();

    TAccountHost* FMainForm;
    QPointer<QObject> FMainObject;  // the main window, to notice its end
    bool FMainIsObject;
    QPointer<TOKsign> FSign;
    int FLoading = 0;  // fields being filled (nested loads count): one record at the end
    std::vector<std::string> FTrustedCerts;  // of the account the fields show; no control
};

// The single settings window (set when it is created, cleared when destroyed).
extern TForm3* Form3;

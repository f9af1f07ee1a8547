// Account records and the settings-file operations on them: reload, show, save, delete.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "IniFile.h"

// Name of the settings file in the program's folder.
extern const char* const SettingsFileName;

// Accounts beyond this number are not supported; a "count" outside
// 0 .. MaxAccounts in the file reads as the key's default, like a value that
// is not a number, so a damaged file cannot make a reload or a delete loop
// billions of times.
constexpr int MaxAccounts = 9999;

// The ports of a plain connection, used when the settings file names none.
constexpr int DefaultPopPort = 110;
constexpr int DefaultSmtpPort = 25;
// Trusted certificate fingerprints kept per account.
constexpr int MaxTrustedCertificates = 8;

// The usual port of each security choice (0 なし, 1 STARTTLS, 2 SSL/TLS):
// POP3 110, 110, 995; SMTP 25, 587 (submission), 465.
int UsualPort(bool Smtp, int Security);
// The port to show after the security choice changed to Security while the
// port field held Port: the usual port of the new choice when Port is one of
// the protocol's usual ports (so the user has not chosen a port of their
// own) or 0, otherwise Port unchanged.
int ProposedPort(bool Smtp, int Security, int Port);

// The values of one account, as the settings window's fields hold them. The
// member names are the names of the controls that show them.
struct TAccountRecord {
    std::string eUserName;               // "user": POP3 login name and the account's label
    std::string ePassword;               // the plain password
    bool passsave = false;               // store the password ("password" not empty)
    std::string Edit1;                   // "pop3": POP3 server host name
    std::string Edit2;                   // "smtp": SMTP server host name
    std::string Edit4;                   // "address": own mail address
    std::vector<std::string> SignLines;  // "sign1" ...: the signature editor's lines
    bool signcheck = false;              // append the signature automatically
    int RadioGroup1 = 1;                 // "encode": 0 = RFC2231, 1 = JISEncode
    bool mailhead = true;                // list headers only
    bool ApopOn = false;                 // log in with APOP
    bool patrol = false;                 // takes part in the patrol
    bool pingcheck = false;              // go on when the reachability check fails
    // The connection section ("サーバへの接続"). The security values are
    // 0 なし (plain), 1 STARTTLS, 2 SSL/TLS (TLS from the first byte).
    int PopPort = DefaultPopPort;    // "pop3port"
    int PopSecurity = 0;             // "pop3security"
    int SmtpPort = DefaultSmtpPort;  // "smtpport"
    int SmtpSecurity = 0;            // "smtpsecurity"
    bool SmtpAuth = false;           // "smtpauth": sign in before sending
    std::string SmtpUser;            // "smtpuser": empty means eUserName
    std::string SmtpPassword;        // "smtppassword", scrambled: empty means ePassword
    // "trustcert": SHA-256 fingerprints (64 upper-case hexadecimal digits)
    // of server certificates the user chose to trust although their check
    // failed; the newest MaxTrustedCertificates are kept.
    std::vector<std::string> TrustedCerts;

    // True when any value of the connection section differs from the
    // defaults above. Only then does a save write its keys: an account that
    // uses none of it is written exactly as before they existed.
    bool UsesConnectionSection() const;
    // The user name and password the SMTP sign-in uses.
    std::string SmtpSignInUser() const { return SmtpUser.empty() ? eUserName : SmtpUser; }
    std::string SmtpSignInPassword() const { return SmtpPassword.empty() ? ePassword : SmtpPassword; }

    bool operator==(const TAccountRecord& O) const;
    bool operator!=(const TAccountRecord& O) const { return !(*this == O); }
};

// The signature preview: every line followed by CR LF.
std::string SignPreview(const std::vector<std::string>& Lines);

// The settings window's account data and the four operations that read and
// write the settings file. Each operation opens the file, reads or writes it
// and closes it again; nothing of the file is kept between operations.
class TAccountSettings {
public:
    // Operates on SettingsPath, or on ProgramDir() + "VELNARO.ini" when empty.
    explicit TAccountSettings(std::string SettingsPath = "");

    // The full path of the settings file.
    const std::string& SettingsPath() const { return FPath; }

    // The current account record (the settings window's fields).
    TAccountRecord Record;

    // "count" as last read by a reload or by showing an account.
    int AccountCount = 0;
    // The account the fields are bound to: n while account n is shown or
    // edited, AccountCount + 1 for a new account, AccountCount after a reload.
    int CurrentAccount = 0;
    // 0-based index of the account chosen in the main window's user-name box.
    int SelectedAccount = 0;
    // The account whose values the fields were last loaded from: "start"
    // after a reload (0 when it names no account), n after editdisp(n),
    // AccountCount + 1 after BeginNewAccount.
    int ShownAccount = 0;

    // The lists a reload fills: item i of each stands for account i + 1.
    std::vector<std::string> UserNames;  // user-name box and the account menus
    std::vector<bool> PatrolFlags;       // "patrol" of each account (enables its patrol sub-item)
    int Start = 0;                       // "start" as read by the last reload
    // Index of the user-name box's selected item: Start - 1, or -1 when Start
    // is outside 1 .. number of items.
    int SelectedIndex() const;
    // The connection status text the last reload set:
    // "選択されたサーバは" + POP3 server + "と" + SMTP server + "です".
    std::string ConnectStatus;

    // Asked before a save overwrites an existing file
    // ("設定データが存在します。上書きしますか?"); true for Yes. Unset means No.
    std::function<bool()> OnConfirmOverwrite;
    // Told the start account during a reload (the main window's SetMySelf).
    std::function<void(int)> OnSetMySelf;
    // Opens the settings file; a caller may replace it to watch the calls.
    std::function<std::unique_ptr<TCustomIniFile>(const std::string& Path)> OpenIni;

    // Reload (the window's FormCreate): reads "Number", fills the lists and
    // shows account "start". Never fails: a missing or unreadable file reads
    // as empty.
    void Reload();
    // Reads account n into Record; CurrentAccount := n.
    void editdisp(int n);
    // Saves Record as account CurrentAccount (the button "データの保存"),
    // asking OnConfirmOverwrite first when the file exists, then reloads. A
    // refused write raises EIniFileException after the reload has run.
    //
    // CurrentAccount falls back to AccountCount after every reload and
    // whenever the window is hidden, while the fields still show the account
    // loaded last; saving then would overwrite the last account with another
    // one's values. So when CurrentAccount names an existing account other
    // than ShownAccount, the save goes to the account the fields show
    // (ShownAccount, or a new account when they show none).
    void Save();
    // The account number a save writes to (see Save).
    int SaveTarget() const;
    // Removes account n and moves the accounts behind it down by one, then
    // reloads; a refused write raises EIniFileException after the reload.
    void DeleteAccount(int n);

    // Starts entering a new account: CurrentAccount := AccountCount + 1, the
    // fields emptied and the options at their initial state; the encoding
    // choice keeps its value.
    void BeginNewAccount();
    // The settings window was hidden or closed: CurrentAccount := AccountCount.
    void WindowHidden() { CurrentAccount = AccountCount; }

    // The user trusts a server certificate for stored account n: its
    // fingerprint joins the account's "trustcert" in the file (no question,
    // nothing else of the section changes, no reload), and Record's list when
    // the fields show account n. An account number outside 1 .. the file's
    // count changes only Record (when it shows that account). A refused write
    // raises EIniFileException.
    void TrustCertificate(int n, const std::string& Fingerprint);

private:
    std::unique_ptr<TCustomIniFile> Open() const;
    // Reads the fields of section "Account" + n (steps shared by reload and show).
    void ReadAccountFields(TCustomIniFile& Ini, const std::string& Section);
    void WriteAccount(TCustomIniFile& Ini, int Number, int Count);
    std::string FPath;
};

// Texts of the settings operations.
std::string OverwriteQuestionText();  // "設定データが存在します。上書きしますか?"
std::string DeleteQuestionText(
    const std::string& UserName);  // "ユーザ名 " + name + "のデータをファイルから消去しますか？"

// Account records and the settings-file operations on them: reload, show, save, delete.
#include "Accounts.h"

#include <algorithm>
#include <climits>
#include <exception>

#include "Rc4unit.h"
#include "SafeFile.h"
#include "cp932.h"

const char* const SettingsFileName = "VELNARO.ini";

namespace {

const char* const NumberSection = "Number";

std::string AccountSection(long long n) { return "Account" + IntToStr(n); }

// Signature lines beyond this number are not read; a "signcount" outside
// 0 .. MaxSignLines reads as 0.
constexpr int MaxSignLines = 9999;

// "count" (and "signcount"): a number outside 0 .. Max reads as the default.
int ReadBounded(TCustomIniFile& Ini, const std::string& Section, const char* Ident, int Default, int Max) {
    int V = Ini.ReadInteger(Section, Ident, Default);
    return V < 0 || V > Max ? Default : V;
}

int ClampToInt(long long V) { return V < INT_MIN ? INT_MIN : V > INT_MAX ? INT_MAX : static_cast<int>(V); }

// The fingerprints of a "trustcert" value: comma-separated, each 64
// hexadecimal digits (anything else is passed over), the newest last.
std::vector<std::string> ReadFingerprints(const std::string& Value) {
    std::vector<std::string> R;
    size_t Start = 0;
    while (Start <= Value.size()) {
        size_t Comma = Value.find(',', Start);
        if (Comma == std::string::npos) Comma = Value.size();
        const std::string F = Trim(Value.substr(Start, Comma - Start));
        Start = Comma + 1;
        if (F.size() != 64 || F.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) continue;
        const std::string U = UpperCase(F);
        if (std::find(R.begin(), R.end(), U) == R.end()) R.push_back(U);
    }
    if (R.size() > MaxTrustedCertificates) R.erase(R.begin(), R.end() - MaxTrustedCertificates);
    return R;
}

std::string JoinFingerprints(const std::vector<std::string>& List) {
    std::string R;
    for (const std::string& F : List) R += (R.empty() ? "" : ",") + F;
    return R;
}

}  // namespace

int UsualPort(bool Smtp, int Security) {
    static const int Pop[] = {110, 110, 995};
    static const int Sub[] = {25, 587, 465};
    if (Security < 0 || Security > 2) Security = 0;
    return Smtp ? Sub[Security] : Pop[Security];
}

int ProposedPort(bool Smtp, int Security, int Port) {
    for (int S = 0; S <= 2; ++S)
        if (Port == UsualPort(Smtp, S)) return UsualPort(Smtp, Security);
    return Port == 0 ? UsualPort(Smtp, Security) : Port;
}

bool TAccountRecord::UsesConnectionSection() const {
    return PopPort != DefaultPopPort || PopSecurity != 0 || SmtpPort != DefaultSmtpPort ||
           SmtpSecurity != 0 || SmtpAuth || !SmtpUser.empty() || !SmtpPassword.empty() ||
           !TrustedCerts.empty();
}

bool TAccountRecord::operator==(const TAccountRecord& O) const {
    return eUserName == O.eUserName && ePassword == O.ePassword && passsave == O.passsave &&
           Edit1 == O.Edit1 && Edit2 == O.Edit2 && Edit4 == O.Edit4 && SignLines == O.SignLines &&
           signcheck == O.signcheck && RadioGroup1 == O.RadioGroup1 && mailhead == O.mailhead &&
           ApopOn == O.ApopOn && patrol == O.patrol && pingcheck == O.pingcheck && PopPort == O.PopPort &&
           PopSecurity == O.PopSecurity && SmtpPort == O.SmtpPort && SmtpSecurity == O.SmtpSecurity &&
           SmtpAuth == O.SmtpAuth && SmtpUser == O.SmtpUser && SmtpPassword == O.SmtpPassword &&
           TrustedCerts == O.TrustedCerts;
}

std::string SignPreview(const std::vector<std::string>& Lines) {
    std::string P;
    for (const std::string& L : Lines) P += L + "\r\n";
    return P;
}

std::string OverwriteQuestionText() { return SJ("設定データが存在します。上書きしますか?"); }

std::string DeleteQuestionText(const std::string& UserName) {
    return SJ("ユーザ名 ") + UserName + SJ("のデータをファイルから消去しますか？");
}

TAccountSettings::TAccountSettings(std::string SettingsPath) : FPath(std::move(SettingsPath)) {
    if (FPath.empty()) FPath = ProgramDir() + SettingsFileName;
}

int TAccountSettings::SelectedIndex() const {
    return Start >= 1 && Start <= static_cast<int>(UserNames.size()) ? Start - 1 : -1;
}

std::unique_ptr<TCustomIniFile> TAccountSettings::Open() const {
    if (OpenIni) return OpenIni(FPath);
    return std::make_unique<TIniFile>(FPath);
}

void TAccountSettings::ReadAccountFields(TCustomIniFile& Ini, const std::string& Section) {
    Record.Edit1 = Ini.ReadString(Section, "pop3", "");
    Record.Edit2 = Ini.ReadString(Section, "smtp", "");
    Record.Edit4 = Ini.ReadString(Section, "address", "");
    ConnectStatus = SJ("選択されたサーバは") + Record.Edit1 + SJ("と") + Record.Edit2 + SJ("です");

    Record.SignLines.clear();
    int k = ReadBounded(Ini, Section, "signcount", 0, MaxSignLines);
    for (int i = 1; i <= k; ++i)
        Record.SignLines.push_back(Ini.ReadString(Section, "sign" + IntToStr(i), ""));

    Record.signcheck = Ini.ReadBool(Section, "signcheck", false);
    Record.RadioGroup1 = Ini.ReadInteger(Section, "encode", 1);
    Record.mailhead = Ini.ReadBool(Section, "mailhead", true);
    Record.ApopOn = Ini.ReadBool(Section, "apop", false);
    Record.patrol = Ini.ReadBool(Section, "patrol", false);
    Record.pingcheck = Ini.ReadBool(Section, "pingcheck", false);

    // The connection section: a file without these keys reads as the plain
    // connection on the old ports; out-of-range values read as the defaults.
    auto Port = [&](const char* Key, int Default) {
        const int V = Ini.ReadInteger(Section, Key, Default);
        return V < 1 || V > 65535 ? Default : V;
    };
    auto Security = [&](const char* Key) { return ReadBounded(Ini, Section, Key, 0, 2); };
    Record.PopPort = Port("pop3port", DefaultPopPort);
    Record.PopSecurity = Security("pop3security");
    Record.SmtpPort = Port("smtpport", DefaultSmtpPort);
    Record.SmtpSecurity = Security("smtpsecurity");
    Record.SmtpAuth = Ini.ReadBool(Section, "smtpauth", false);
    Record.SmtpUser = Ini.ReadString(Section, "smtpuser", "");
    const std::string P = Ini.ReadString(Section, "smtppassword", "");
    Record.SmtpPassword = P.empty() ? std::string() : DecodePassword(PasswordKey, P);
    Record.TrustedCerts = ReadFingerprints(Ini.ReadString(Section, "trustcert", ""));
}

void TAccountSettings::Reload() {
    std::unique_ptr<TCustomIniFile> Ini = Open();
    Record.RadioGroup1 = 1;
    UserNames.clear();
    PatrolFlags.clear();

    int Count = ReadBounded(*Ini, NumberSection, "count", 0, MaxAccounts);
    CurrentAccount = Count;
    AccountCount = Count;
    Start = Ini->ReadInteger(NumberSection, "start", 0);
    if (OnSetMySelf) OnSetMySelf(Start);

    for (int n = 1; n <= Count; ++n) UserNames.push_back(Ini->ReadString(AccountSection(n), "user", ""));
    for (int n = 1; n <= Count; ++n) PatrolFlags.push_back(Ini->ReadBool(AccountSection(n), "patrol", false));

    const std::string S = AccountSection(Start);
    Record.eUserName = Ini->ReadString(S, "user", "");
    std::string P = Ini->ReadString(S, "password", "");
    Record.passsave = !P.empty();
    Record.ePassword = P.empty() ? std::string() : DecodePassword(PasswordKey, P);
    ReadAccountFields(*Ini, S);
    ShownAccount = SelectedIndex() + 1;
}

void TAccountSettings::editdisp(int n) {
    std::unique_ptr<TCustomIniFile> Ini = Open();
    CurrentAccount = n;
    AccountCount = ReadBounded(*Ini, NumberSection, "count", 0, MaxAccounts);

    ShownAccount = n;
    const std::string S = AccountSection(n);
    Record.eUserName = Ini->ReadString(S, "user", "");
    std::string P = Ini->ReadString(S, "password", "");
    Record.passsave = !P.empty();
    Record.ePassword = P.empty() ? std::string() : DecodePassword(PasswordKey, P);
    ReadAccountFields(*Ini, S);
}

void TAccountSettings::WriteAccount(TCustomIniFile& Ini, int Number, int Count) {
    Ini.WriteInteger(NumberSection, "count", Count);
    Ini.WriteInteger(NumberSection, "start", Number);
    const std::string S = AccountSection(Number);
    Ini.WriteString(S, "user", Record.eUserName);
    Ini.WriteString(S, "password",
                    Record.passsave ? EncodePassword(PasswordKey, Record.ePassword) : std::string());
    Ini.WriteString(S, "pop3", Record.Edit1);
    Ini.WriteString(S, "smtp", Record.Edit2);
    Ini.WriteString(S, "address", Record.Edit4);
    const int SignCount = static_cast<int>(Record.SignLines.size());
    Ini.WriteInteger(S, "signcount", SignCount);
    for (int i = 1; i <= SignCount; ++i) Ini.WriteString(S, "sign" + IntToStr(i), Record.SignLines[i - 1]);
    Ini.WriteBool(S, "signcheck", Record.signcheck);
    Ini.WriteInteger(S, "encode", Record.RadioGroup1);
    Ini.WriteBool(S, "mailhead", Record.mailhead);
    Ini.WriteBool(S, "apop", Record.ApopOn);
    Ini.WriteBool(S, "patrol", Record.patrol);
    Ini.WriteBool(S, "pingcheck", Record.pingcheck);
    if (!Record.UsesConnectionSection()) return;
    Ini.WriteInteger(S, "pop3port", Record.PopPort);
    Ini.WriteInteger(S, "pop3security", Record.PopSecurity);
    Ini.WriteInteger(S, "smtpport", Record.SmtpPort);
    Ini.WriteInteger(S, "smtpsecurity", Record.SmtpSecurity);
    Ini.WriteBool(S, "smtpauth", Record.SmtpAuth);
    Ini.WriteString(S, "smtpuser", Record.SmtpUser);
    // Stored, scrambled like the POP3 password, only when passwords are.
    Ini.WriteString(S, "smtppassword",
                    Record.passsave && !Record.SmtpPassword.empty()
                        ? EncodePassword(PasswordKey, Record.SmtpPassword)
                        : std::string());
    Ini.WriteString(S, "trustcert", JoinFingerprints(Record.TrustedCerts));
}

void TAccountSettings::TrustCertificate(int n, const std::string& Text) {
    const std::string Fingerprint = UpperCase(Text);
    if (ReadFingerprints(Fingerprint).size() != 1) return;  // not a fingerprint
    auto Add = [&](std::vector<std::string>& List) {
        if (std::find(List.begin(), List.end(), Fingerprint) != List.end()) return;
        List.push_back(Fingerprint);
        if (List.size() > MaxTrustedCertificates) List.erase(List.begin());
    };
    if (n == ShownAccount) Add(Record.TrustedCerts);
    std::unique_ptr<TCustomIniFile> Ini = Open();
    const int Count = ReadBounded(*Ini, NumberSection, "count", 0, MaxAccounts);
    if (n < 1 || n > Count) return;
    const std::string S = AccountSection(n);
    std::vector<std::string> Stored = ReadFingerprints(Ini->ReadString(S, "trustcert", ""));
    Add(Stored);
    Ini->WriteString(S, "trustcert", JoinFingerprints(Stored));
    Ini->UpdateFile();
}

int TAccountSettings::SaveTarget() const {
    if (CurrentAccount > AccountCount || CurrentAccount == ShownAccount) return CurrentAccount;
    return ShownAccount >= 1 && ShownAccount <= AccountCount ? ShownAccount : AccountCount + 1;
}

void TAccountSettings::Save() {
    std::exception_ptr Failure;
    try {
        std::unique_ptr<TCustomIniFile> Ini = Open();
        if (SafeFile::Exists(FPath)) {
            if (OnConfirmOverwrite && OnConfirmOverwrite()) {
                const int Target = SaveTarget();
                int Number, Count;
                if (AccountCount >= Target) {
                    Ini->EraseSection(AccountSection(Target));
                    Number = Target;
                    Count = AccountCount;
                } else {
                    Number = Count = Target;
                }
                if (Count == 0) Number = Count = 1;
                WriteAccount(*Ini, Number, Count);
            }
        } else {
            WriteAccount(*Ini, 1, 1);
        }
        Ini->UpdateFile();
    } catch (...) {
        Failure = std::current_exception();
    }
    Reload();
    if (Failure) std::rethrow_exception(Failure);
}

void TAccountSettings::DeleteAccount(int n) {
    std::exception_ptr Failure;
    try {
        std::unique_ptr<TCustomIniFile> Ini = Open();
        TIniSectionValues Values;
        const int C = ReadBounded(*Ini, NumberSection, "count", 1, MaxAccounts);
        const int T = Ini->ReadInteger(NumberSection, "start", 1);
        long long NewC, NewT;
        if (T == C) {
            NewC = NewT = C == 1 ? 0 : C - 1LL;
        } else {
            NewC = C - 1LL;
            NewT = T == 1 ? 1 : T - 1LL;
        }
        Ini->WriteInteger(NumberSection, "count", ClampToInt(NewC));
        Ini->WriteInteger(NumberSection, "start", ClampToInt(NewT));
        Ini->EraseSection(AccountSection(n));
        // Move every account behind n down by one number. An n below 1 names
        // no account, so nothing moves then.
        for (long long k = n < 1 ? C : n; k <= C - 1LL; ++k) {
            Ini->ReadSectionValues(AccountSection(k + 1), Values);
            for (const auto& Pair : Values)
                if (!Pair.second.empty()) Ini->WriteString(AccountSection(k), Pair.first, Pair.second);
            Ini->EraseSection(AccountSection(k + 1));
            Values.clear();
        }
        Ini->UpdateFile();
    } catch (...) {
        Failure = std::current_exception();
    }
    Reload();
    if (Failure) std::rethrow_exception(Failure);
}

void TAccountSettings::BeginNewAccount() {
    CurrentAccount = AccountCount + 1;
    ShownAccount = CurrentAccount;
    const int Encode = Record.RadioGroup1;
    Record = TAccountRecord();
    Record.RadioGroup1 = Encode;
}

// Tests of the account records and their settings-file operations, on real files.
#include <gtest/gtest.h>

#include "Accounts.h"
#include "Rc4unit.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

// A settings file that logs every call, in order, as "R section/key",
// "W section/key=value", "S section" (section values), "E section", "U".
class TLoggingIni : public TIniFile {
public:
    TLoggingIni(const std::string& Path, std::vector<std::string>& Log) : TIniFile(Path), FLog(Log) {}
    std::string ReadString(const std::string& S, const std::string& K, const std::string& D) override {
        FLog.push_back("R " + S + "/" + K);
        return TIniFile::ReadString(S, K, D);
    }
    void WriteString(const std::string& S, const std::string& K, const std::string& V) override {
        FLog.push_back("W " + S + "/" + K + "=" + (V.size() == 512 ? "<512>" : V));
        TIniFile::WriteString(S, K, V);
    }
    void ReadSectionValues(const std::string& S, TIniSectionValues& V) override {
        FLog.push_back("S " + S);
        TIniFile::ReadSectionValues(S, V);
    }
    void EraseSection(const std::string& S) override {
        FLog.push_back("E " + S);
        TIniFile::EraseSection(S);
    }
    void UpdateFile() override {
        FLog.push_back("U");
        TIniFile::UpdateFile();
    }

private:
    std::vector<std::string>& FLog;
};

class AccountsTest : public ::testing::Test {
protected:
    AccountsTest() : Settings(Dir.Path + "VELNARO.ini") {
        Settings.OnConfirmOverwrite = [this] {
            ++Questions;
            return Answer;
        };
        Settings.OpenIni = [this](const std::string& P) { return std::make_unique<TLoggingIni>(P, Log); };
    }
    // Saves a new account with the given user name.
    void AddAccount(const std::string& User, std::vector<std::string> Sign = {}) {
        Settings.BeginNewAccount();
        Settings.Record.eUserName = User;
        Settings.Record.Edit1 = "pop." + User;
        Settings.Record.SignLines = std::move(Sign);
        Settings.Save();
    }
    std::string Value(const std::string& Section, const std::string& Key) {
        return TIniFile(Settings.SettingsPath()).ReadString(Section, Key, "<none>");
    }

    TTempDir Dir;
    TAccountSettings Settings;
    std::vector<std::string> Log;
    bool Answer = true;
    int Questions = 0;
};

TEST_F(AccountsTest, EmptyFolderReloadsEmptyAndFirstSaveWritesAccount1WithoutAsking) {
    Settings.Reload();
    EXPECT_EQ(Settings.AccountCount, 0);
    EXPECT_TRUE(Settings.UserNames.empty());
    EXPECT_EQ(Settings.SelectedIndex(), -1);
    EXPECT_TRUE(Settings.Record.mailhead);
    EXPECT_EQ(Settings.Record.RadioGroup1, 1);
    EXPECT_EQ(Settings.ConnectStatus, SJ("選択されたサーバはとです"));

    Settings.CurrentAccount = 5;  // whatever it is, the first save writes account 1
    Settings.Record.eUserName = "taro";
    Settings.Record.ePassword = "pw";
    Settings.Record.passsave = false;
    Settings.Save();
    EXPECT_EQ(Questions, 0);
    EXPECT_EQ(Value("Number", "count"), "1");
    EXPECT_EQ(Value("Number", "start"), "1");
    EXPECT_EQ(Value("Account1", "password"), "");
    struct stat St;
    ASSERT_EQ(::stat(Settings.SettingsPath().c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 0777, 0600u);
    // The reload after the save shows the account; the password was not stored.
    EXPECT_EQ(Settings.UserNames, std::vector<std::string>{"taro"});
    EXPECT_EQ(Settings.SelectedIndex(), 0);
    EXPECT_EQ(Settings.Record.ePassword, "");
    EXPECT_FALSE(Settings.Record.passsave);
}

TEST_F(AccountsTest, StoredPasswordsComeBackAndEmptyOneStaysTicked) {
    AddAccount("a");
    Settings.Record.ePassword = "\x8c\xa9secret";
    Settings.Record.passsave = true;
    Settings.Save();
    EXPECT_EQ(Value("Account1", "password"), EncodePassword(PasswordKey, "\x8c\xa9secret"));
    EXPECT_EQ(Settings.Record.ePassword, "\x8c\xa9secret");
    EXPECT_TRUE(Settings.Record.passsave);

    Settings.Record.ePassword = "";
    Settings.Save();
    EXPECT_EQ(Value("Account1", "password").size(), 512u);
    EXPECT_EQ(Settings.Record.ePassword, "");
    EXPECT_TRUE(Settings.Record.passsave);
}

TEST_F(AccountsTest, SaveReloadAndShowTouchTheFileInTheDesignedOrder) {
    AddAccount("a", {"s1"});
    Log.clear();
    Settings.editdisp(1);
    Settings.Save();
    const std::vector<std::string> Expected = {
        // editdisp(1)
        "R Number/count", "R Account1/user", "R Account1/password", "R Account1/pop3", "R Account1/smtp",
        "R Account1/address", "R Account1/signcount", "R Account1/sign1", "R Account1/signcheck",
        "R Account1/encode", "R Account1/mailhead", "R Account1/apop", "R Account1/patrol",
        "R Account1/pingcheck", "R Account1/pop3port", "R Account1/pop3security", "R Account1/smtpport",
        "R Account1/smtpsecurity", "R Account1/smtpauth", "R Account1/smtpuser", "R Account1/smtppassword",
        "R Account1/trustcert",
        // save: an account that uses none of the connection section writes none of its keys: the question, then erase and write
        "E Account1", "W Number/count=1", "W Number/start=1", "W Account1/user=a",
        "W Account1/password=", "W Account1/pop3=pop.a",
        "W Account1/smtp=", "W Account1/address=", "W Account1/signcount=1", "W Account1/sign1=s1",
        "W Account1/signcheck=0", "W Account1/encode=1", "W Account1/mailhead=1", "W Account1/apop=0",
        "W Account1/patrol=0", "W Account1/pingcheck=0", "U",
        // reload
        "R Number/count", "R Number/start", "R Account1/user", "R Account1/patrol", "R Account1/user",
        "R Account1/password", "R Account1/pop3", "R Account1/smtp", "R Account1/address",
        "R Account1/signcount", "R Account1/sign1", "R Account1/signcheck", "R Account1/encode",
        "R Account1/mailhead", "R Account1/apop", "R Account1/patrol", "R Account1/pingcheck",
        "R Account1/pop3port", "R Account1/pop3security", "R Account1/smtpport", "R Account1/smtpsecurity",
        "R Account1/smtpauth", "R Account1/smtpuser", "R Account1/smtppassword", "R Account1/trustcert"};
    EXPECT_EQ(Log, Expected);
    EXPECT_EQ(Questions, 1);
}

TEST_F(AccountsTest, NewAccountWhenThreeExistAndAnswerNoKeepsTheFile) {
    AddAccount("a");
    AddAccount("b");
    AddAccount("c");
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Settings.CurrentAccount, 3);

    const std::string Before = ReadFileText(Settings.SettingsPath());
    Answer = false;
    AddAccount("d");
    EXPECT_EQ(ReadFileText(Settings.SettingsPath()), Before);
    EXPECT_EQ(Settings.Record.eUserName, "c");  // the edits are lost, the start account shows

    Answer = true;
    AddAccount("d");
    EXPECT_EQ(Value("Number", "count"), "4");
    EXPECT_EQ(Value("Number", "start"), "4");
    EXPECT_EQ(Value("Account4", "user"), "d");
    EXPECT_EQ(Settings.SelectedIndex(), 3);
}

TEST_F(AccountsTest, RewritingAccount2RemovesOldKeysAndSignaturesLoadAsDesigned) {
    AddAccount("a");
    AddAccount("b", {"one", "two", "three"});
    AddAccount("c");
    Settings.editdisp(2);
    EXPECT_EQ(Settings.Record.SignLines, (std::vector<std::string>{"one", "two", "three"}));
    Settings.Record.SignLines = {"  indented", "", "last"};
    Settings.Save();
    EXPECT_EQ(Value("Number", "count"), "3");
    EXPECT_EQ(Value("Number", "start"), "2");
    EXPECT_EQ(Value("Account2", "sign2"), "");
    EXPECT_EQ(SignPreview(Settings.Record.SignLines), "indented\r\n\r\nlast\r\n");

    Settings.editdisp(2);
    Settings.Record.SignLines.clear();
    Settings.Save();
    EXPECT_EQ(Value("Account2", "signcount"), "0");
    EXPECT_EQ(Value("Account2", "sign1"), "<none>");
    EXPECT_EQ(Value("Account2", "user"), "b");
}

TEST_F(AccountsTest, SaveGoesToTheShownAccountWhenCurrentAccountFellBack) {
    for (const char* U : {"a", "b", "c"}) AddAccount(U);
    Settings.editdisp(1);
    Settings.Save();  // start 1; the reload sets CurrentAccount to the count
    ASSERT_EQ(Settings.CurrentAccount, 3);
    EXPECT_EQ(Settings.SaveTarget(), 1);
    Settings.Record.Edit1 = "pop.a2";
    Settings.Save();
    EXPECT_EQ(Value("Account1", "pop3"), "pop.a2");
    EXPECT_EQ(Value("Account3", "user"), "c");

    // A start naming no account: the fields show nothing stored, so a save adds.
    {
        TIniFile Ini(Settings.SettingsPath());
        Ini.WriteInteger("Number", "start", 7);
        Ini.UpdateFile();
    }
    Settings.Reload();
    EXPECT_EQ(Settings.SaveTarget(), 4);
    Settings.BeginNewAccount();
    EXPECT_EQ(Settings.SaveTarget(), 4);
}

TEST_F(AccountsTest, DeletingRenumbersAndAdjustsCountAndStart) {
    for (const char* U : {"a", "b", "c"}) AddAccount(U);
    Settings.editdisp(2);
    Settings.Save();  // start 2
    const std::string Three = ReadFileText(Settings.SettingsPath());

    Settings.DeleteAccount(3);
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Settings.Start, 1);

    WriteFileText(Settings.SettingsPath(), Three);
    Log.clear();
    Settings.DeleteAccount(1);
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(Settings.AccountCount, 2);
    EXPECT_EQ(Settings.Start, 1);
    EXPECT_EQ(Value("Account3", "user"), "<none>");
    // Empty values are not carried over; they read back as the same empty default.
    EXPECT_EQ(Value("Account1", "smtp"), "<none>");
    const std::vector<std::string> Head = {"R Number/count",   "R Number/start", "W Number/count=2",
                                           "W Number/start=1", "E Account1",     "S Account2"};
    ASSERT_GT(Log.size(), Head.size());
    EXPECT_EQ(std::vector<std::string>(Log.begin(), Log.begin() + 6), Head);
    EXPECT_EQ(Log[6], "W Account1/user=b");

    Settings.DeleteAccount(1);
    Settings.DeleteAccount(1);
    EXPECT_EQ(Value("Number", "count"), "0");
    EXPECT_EQ(Value("Number", "start"), "0");
    EXPECT_TRUE(Settings.UserNames.empty());
    EXPECT_EQ(Settings.SelectedIndex(), -1);
}

TEST_F(AccountsTest, HandWrittenAndDamagedFilesGiveDefinedResults) {
    WriteFileText(Settings.SettingsPath(),
                  "[NUMBER]\r\nCount = 0x2\r\nstart=\"2\"\r\n"
                  "[account1]\r\nuser=x\r\npatrol=1\r\n"
                  "[Account2]\r\nUser= y \r\nsigncount=99999999\r\nencode=zz\r\nmailhead=0\r\napop=0x10\r\n");
    int MySelf = -1;
    Settings.OnSetMySelf = [&](int S) { MySelf = S; };
    Settings.Reload();
    EXPECT_EQ(MySelf, 2);
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(Settings.PatrolFlags, (std::vector<bool>{true, false}));
    EXPECT_TRUE(Settings.Record.SignLines.empty());
    EXPECT_EQ(Settings.Record.RadioGroup1, 1);
    EXPECT_FALSE(Settings.Record.mailhead);
    EXPECT_TRUE(Settings.Record.ApopOn);

    WriteFileText(Settings.SettingsPath(), "[Number]\r\ncount=2000000000\r\nstart=-2147483648\r\n");
    Settings.Reload();
    EXPECT_EQ(Settings.AccountCount, 0);
    EXPECT_EQ(Settings.SelectedIndex(), -1);
    Settings.DeleteAccount(1);  // count reads as its default 1; start cannot overflow
    EXPECT_EQ(Value("Number", "count"), "0");
    EXPECT_EQ(Value("Number", "start"), "-2147483648");
}

TEST_F(AccountsTest, ConnectionSectionRoundTripsAtTheEndAndTodaysFilesReadAsBefore) {
    // A file of today's form: the plain connection on the old ports.
    const std::string Today = "[Number]\r\ncount=1\r\nstart=1\r\n[Account1]\r\nuser=taro\r\npassword=\r\n"
                              "pop3=pop.example.jp\r\nsmtp=smtp.example.jp\r\naddress=taro@example.jp\r\n"
                              "signcount=0\r\nsigncheck=0\r\nencode=1\r\nmailhead=1\r\napop=0\r\npatrol=0\r\n"
                              "pingcheck=0\r\n";
    WriteFileText(Settings.SettingsPath(), Today);
    Settings.Reload();
    TAccountRecord Plain;
    EXPECT_FALSE(Settings.Record.UsesConnectionSection());
    EXPECT_EQ(Settings.Record.PopPort, 110);
    EXPECT_EQ(Settings.Record.SmtpPort, 25);
    Settings.Save();  // rewritten as it was
    EXPECT_EQ(ReadFileText(Settings.SettingsPath()), Today);

    const std::string Fp(64, 'A');
    TAccountRecord Secure = Settings.Record;
    Secure.PopPort = 995;
    Secure.PopSecurity = 2;
    Secure.SmtpPort = 587;
    Secure.SmtpSecurity = 1;
    Secure.SmtpAuth = true;
    Secure.SmtpUser = "taro@example.jp";
    Secure.SmtpPassword = "\x8c\xa9smtp";
    Secure.TrustedCerts = {Fp};
    for (bool Store : {true, false}) {
        SCOPED_TRACE(Store);
        Settings.editdisp(1);
        Settings.Record = Secure;
        Settings.Record.passsave = Store;
        Settings.Save();
        TIniSectionValues Keys;
        TIniFile(Settings.SettingsPath()).ReadSectionValues("Account1", Keys);
        ASSERT_GE(Keys.size(), 8u);
        std::vector<std::string> Last;
        for (size_t I = Keys.size() - 8; I < Keys.size(); ++I) Last.push_back(Keys[I].first);
        EXPECT_EQ(Last, (std::vector<std::string>{"pop3port", "pop3security", "smtpport", "smtpsecurity",
                                                  "smtpauth", "smtpuser", "smtppassword", "trustcert"}));
        EXPECT_EQ(Value("Account1", "smtppassword"),
                  Store ? EncodePassword(PasswordKey, "\x8c\xa9smtp") : std::string());
        TAccountRecord Expected = Secure;
        Expected.passsave = Store;
        if (!Store) Expected.SmtpPassword.clear();
        EXPECT_EQ(Settings.Record, Expected);
    }

    // Values out of range read as the defaults; junk among the fingerprints is passed over.
    WriteFileText(Settings.SettingsPath(), Today +
                                               "pop3port=0\r\npop3security=3\r\nsmtpport=70000\r\n"
                                               "smtpsecurity=x\r\ntrustcert=zz," +
                                               std::string(64, 'b') + ",\r\n");
    Settings.Reload();
    EXPECT_EQ(Settings.Record.PopPort, 110);
    EXPECT_EQ(Settings.Record.PopSecurity, 0);
    EXPECT_EQ(Settings.Record.SmtpPort, 25);
    EXPECT_EQ(Settings.Record.SmtpSecurity, 0);
    EXPECT_EQ(Settings.Record.TrustedCerts, std::vector<std::string>{std::string(64, 'B')});
}

TEST_F(AccountsTest, TrustingACertificateWritesOnlyItsKeyAndKeepsTheNewest) {
    AddAccount("a");
    AddAccount("b");
    Settings.editdisp(1);
    Settings.Record.Edit1 = "edited, not saved";
    auto Fp = [](int I) {
        std::string F(64, '0');
        F[63] = static_cast<char>('0' + I);
        return F;
    };
    for (int I = 1; I <= MaxTrustedCertificates + 1; ++I) Settings.TrustCertificate(1, Fp(I));
    Settings.TrustCertificate(1, Fp(9));          // known already
    Settings.TrustCertificate(1, "not a print");  // ignored
    Settings.TrustCertificate(2, Fp(5));
    std::string Expected;
    for (int I = 2; I <= MaxTrustedCertificates + 1; ++I) Expected += (I > 2 ? "," : "") + Fp(I);
    EXPECT_EQ(Value("Account1", "trustcert"), Expected);
    EXPECT_EQ(Value("Account2", "trustcert"), Fp(5));
    EXPECT_EQ(Value("Account1", "pop3"), "pop.a");  // nothing else written
    EXPECT_EQ(Settings.Record.Edit1, "edited, not saved");
    EXPECT_EQ(Settings.Record.TrustedCerts.size(), static_cast<size_t>(MaxTrustedCertificates));
    EXPECT_EQ(Settings.Record.TrustedCerts.back(), Fp(9));
    Settings.editdisp(2);
    EXPECT_EQ(Settings.Record.TrustedCerts, std::vector<std::string>{Fp(5)});
    EXPECT_EQ(Settings.Record.PopPort, 110);  // the other keys of the section still read as defaults
}

TEST(ProposedPort, FollowsTheSecurityChoiceUnlessThePortIsTheUsersOwn) {
    const struct {
        bool Smtp;
        int Security, Port, Expected;
    } Cases[] = {
        {false, 2, 110, 995},   {false, 1, 995, 110},  {false, 0, 995, 110},
        {false, 2, 1110, 1110}, {true, 1, 25, 587},    {true, 2, 587, 465},
        {true, 0, 465, 25},     {true, 2, 2525, 2525}, {true, 1, 0, 587},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ProposedPort(C.Smtp, C.Security, C.Port), C.Expected)
            << C.Smtp << " " << C.Security << " " << C.Port;
}

TEST_F(AccountsTest, FailedSaveStillReloadsAndReportsThePath) {
    AddAccount("a");
    ::chmod(Settings.SettingsPath().c_str(), 0644);
    ::chmod(Dir.Path.c_str(), 0555);
    const std::string Before = ReadFileText(Settings.SettingsPath());
    {
        TAsUnprivileged User;
        Settings.Record.eUserName = "changed";
        try {
            Settings.Save();
            ADD_FAILURE() << "no error";
        } catch (const EIniFileException& E) {
            EXPECT_EQ(E.Message(), Settings.SettingsPath() + SJ(" に書き込めません"));
        }
        EXPECT_EQ(Settings.Record.eUserName, "a");  // the reload ran
        EXPECT_THROW(Settings.DeleteAccount(1), EIniFileException);
        EXPECT_EQ(Settings.UserNames, std::vector<std::string>{"a"});
    }
    EXPECT_EQ(ReadFileText(Settings.SettingsPath()), Before);
}

}  // namespace

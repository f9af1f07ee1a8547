// Tests of the account records and their settings-file operations, on real files.
#include <gtest/gtest.h>

#include "Accounts.h"
#include "Rc4unit.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

class AccountsTest : public ::testing::Test {
protected:
    AccountsTest() : Settings(Dir.Path + "VELNARO.ini") {
        Settings.OnConfirmOverwrite = [this] {
            ++Questions;
            return Answer;
        };
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
    std::string File() { return ReadFileText(Settings.SettingsPath()); }

    TTempDir Dir;
    TAccountSettings Settings;
    bool Answer = true;
    int Questions = 0;
};

TEST_F(AccountsTest, FirstSaveWritesAccount1WithoutAskingAndPasswordsOnlyWhenStored) {
    Settings.Reload();
    EXPECT_EQ(Settings.SelectedIndex(), -1);
    Settings.CurrentAccount = 5;  // whatever it is, the first save writes account 1
    Settings.Record.eUserName = "taro";
    Settings.Record.ePassword = "pw";
    Settings.Record.passsave = false;
    Settings.Save();
    EXPECT_EQ(Questions, 0);
    EXPECT_EQ(Value("Number", "count") + Value("Number", "start") + Value("Account1", "password"), "11");
    struct stat St;
    ASSERT_EQ(::stat(Settings.SettingsPath().c_str(), &St), 0);
    EXPECT_EQ(St.st_mode & 0777, 0600u);
    // The reload after the save shows the account; the password was not stored.
    EXPECT_EQ(Settings.SelectedIndex(), 0);
    EXPECT_EQ(Settings.Record.ePassword + Settings.Record.eUserName, "taro");
    EXPECT_FALSE(Settings.Record.passsave);

    // A stored password comes back; a stored empty one keeps the box ticked.
    for (const std::string Password : {"\x8c\xa9secret", ""}) {
        Settings.Record.ePassword = Password;
        Settings.Record.passsave = true;
        Settings.Save();
        EXPECT_EQ(Value("Account1", "password"), EncodePassword(PasswordKey, Password));
        EXPECT_EQ(Settings.Record.ePassword, Password);
        EXPECT_TRUE(Settings.Record.passsave);
    }
}

TEST_F(AccountsTest, OverwritingAsksAndNoKeepsTheFileWhileYesRewritesTheWholeSection) {
    AddAccount("a");
    AddAccount("b", {"one", "two", "three"});
    EXPECT_EQ(Questions, 1);
    const std::string Before = File();
    Answer = false;
    AddAccount("c");
    EXPECT_EQ(File(), Before);
    EXPECT_EQ(Settings.Record.eUserName, "b");  // the edits are lost, the start account shows

    Answer = true;
    AddAccount("c");
    EXPECT_EQ(Value("Number", "count") + Value("Number", "start"), "33");
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"a", "b", "c"}));
    Settings.editdisp(2);
    EXPECT_EQ(Settings.Record.SignLines, (std::vector<std::string>{"one", "two", "three"}));
    Settings.Record.SignLines = {"last"};
    Settings.Save();
    EXPECT_EQ(Value("Number", "count") + Value("Number", "start"), "32");
    EXPECT_EQ(Value("Account2", "sign1") + Value("Account2", "sign2"), "last<none>");
}

TEST_F(AccountsTest, SaveGoesToTheShownAccountWhenCurrentAccountFellBack) {
    for (const char* U : {"a", "b", "c"}) AddAccount(U);
    Settings.editdisp(1);
    Settings.Save();  // start 1; the reload sets CurrentAccount to the count
    ASSERT_EQ(Settings.CurrentAccount, 3);
    Settings.Record.Edit1 = "pop.a2";
    Settings.Save();
    EXPECT_EQ(Value("Account1", "pop3"), "pop.a2");
    EXPECT_EQ(Value("Account3", "pop3"), "pop.c");

    // A start naming no account: the fields show nothing stored, so a save adds.
    {
        TIniFile Ini(Settings.SettingsPath());
        Ini.WriteInteger("Number", "start", 7);
        Ini.UpdateFile();
    }
    Settings.Reload();
    EXPECT_EQ(Settings.SaveTarget(), 4);
}

TEST_F(AccountsTest, DeletingRenumbersAndAdjustsCountAndStart) {
    for (const char* U : {"a", "b", "c"}) AddAccount(U);
    Settings.editdisp(2);
    Settings.Save();  // start 2
    const std::string Three = File();

    Settings.DeleteAccount(3);
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Settings.Start, 1);

    WriteFileText(Settings.SettingsPath(), Three);
    Settings.DeleteAccount(1);
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(Settings.Start, 1);
    EXPECT_EQ(Value("Account1", "pop3"), "pop.b");
    EXPECT_EQ(Value("Account3", "user"), "<none>");
    EXPECT_EQ(Value("Account1", "smtp"), "<none>");  // empty values are not carried over

    Settings.DeleteAccount(1);
    Settings.DeleteAccount(1);
    EXPECT_EQ(Value("Number", "count") + Value("Number", "start"), "00");
    EXPECT_TRUE(Settings.UserNames.empty());
}

TEST_F(AccountsTest, HandWrittenAndDamagedFilesGiveDefinedResults) {
    WriteFileText(Settings.SettingsPath(),
                  "[NUMBER]\r\nCount = 0x2\r\nstart=\"2\"\r\n"
                  "[account1]\r\nuser=x\r\npatrol=1\r\n"
                  "[Account2]\r\nUser= y \r\nsigncount=10000\r\nsign1=s\r\nmailhead=0\r\napop=0x10\r\n");
    int MySelf = -1;
    Settings.OnSetMySelf = [&](int S) { MySelf = S; };
    Settings.Reload();
    EXPECT_EQ(MySelf, 2);
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(Settings.PatrolFlags, (std::vector<bool>{true, false}));
    EXPECT_TRUE(Settings.Record.SignLines.empty());  // a count beyond 9999 reads as none
    EXPECT_FALSE(Settings.Record.mailhead);
    EXPECT_TRUE(Settings.Record.ApopOn);

    for (const char* Count : {"10000", "-1"}) {
        WriteFileText(Settings.SettingsPath(), std::string("[Number]\r\ncount=") + Count +
                                                   "\r\nstart=-2147483648\r\n[Account1]\r\nuser=x\r\n");
        Settings.Reload();
        EXPECT_EQ(Settings.AccountCount, 0) << Count;
        EXPECT_EQ(Settings.SelectedIndex(), -1);
        Settings.DeleteAccount(1);  // count reads as its default 1; start cannot overflow
        EXPECT_EQ(Value("Number", "count") + " " + Value("Number", "start"), "0 -2147483648");
    }
}

TEST_F(AccountsTest, ConnectionKeysWrittenOnlyWhenUsedAtTheEndAndTodaysFilesRewriteAsTheyWere) {
    const std::string Today = "[Number]\r\ncount=1\r\nstart=1\r\n[Account1]\r\nuser=taro\r\npassword=\r\n"
                              "pop3=pop.example.jp\r\nsmtp=smtp.example.jp\r\naddress=taro@example.jp\r\n"
                              "signcount=0\r\nsigncheck=0\r\nencode=1\r\nmailhead=1\r\napop=0\r\npatrol=0\r\n"
                              "pingcheck=0\r\n";
    WriteFileText(Settings.SettingsPath(), Today);
    Settings.Reload();
    const TAccountRecord Plain = Settings.Record;
    EXPECT_FALSE(Plain.UsesConnectionSection());
    Settings.Save();
    EXPECT_EQ(File(), Today);

    TAccountRecord Secure = Settings.Record;
    Secure.PopPort = 995;
    Secure.PopSecurity = 2;
    Secure.SmtpSecurity = 1;
    Secure.SmtpAuth = true;
    Secure.SmtpUser = "taro@example.jp";
    Secure.SmtpPassword = "\x8c\xa9smtp";
    Secure.TrustedCerts = {std::string(64, 'A')};
    for (bool Store : {true, false}) {
        Settings.Record = Secure;
        Settings.Record.passsave = Store;
        Settings.Save();
        const std::string Smtp = Store ? EncodePassword(PasswordKey, Secure.SmtpPassword) : "";
        EXPECT_EQ(File().substr(File().find("pingcheck=0\r\n") + 13),
                  "pop3port=995\r\npop3security=2\r\nsmtpport=25\r\nsmtpsecurity=1\r\nsmtpauth=1\r\n"
                  "smtpuser=taro@example.jp\r\nsmtppassword=" +
                      Smtp + "\r\ntrustcert=" + std::string(64, 'A') + "\r\n");
        TAccountRecord Expected = Secure;  // read back as written
        Expected.passsave = Store;
        if (!Store) Expected.SmtpPassword.clear();
        EXPECT_EQ(Settings.Record, Expected) << Store;
    }

    // Values out of range read as the defaults; junk among the fingerprints is passed over.
    WriteFileText(Settings.SettingsPath(), Today +
                                               "pop3port=0\r\npop3security=3\r\nsmtpport=70000\r\n"
                                               "smtpsecurity=x\r\ntrustcert=zz," +
                                               std::string(64, 'b') + ",\r\n");
    Settings.Reload();
    TAccountRecord Expected = Plain;
    Expected.TrustedCerts = {std::string(64, 'B')};
    EXPECT_EQ(Settings.Record, Expected);
}

TEST_F(AccountsTest, TrustingACertificateWritesOnlyItsKeyAndKeepsTheNewest) {
    AddAccount("a");
    AddAccount("b");
    Settings.editdisp(1);
    Settings.Record.Edit1 = "edited, not saved";
    auto Fp = [](int I) { return std::string(63, '0') + static_cast<char>('0' + I); };
    for (int I = 1; I <= MaxTrustedCertificates + 1; ++I) Settings.TrustCertificate(1, Fp(I));
    Settings.TrustCertificate(1, Fp(MaxTrustedCertificates + 1));  // known already
    Settings.TrustCertificate(1, "not a print");
    Settings.TrustCertificate(2, Fp(5));
    std::string Expected;
    for (int I = 2; I <= MaxTrustedCertificates + 1; ++I) Expected += (I > 2 ? "," : "") + Fp(I);
    EXPECT_EQ(Value("Account1", "trustcert"), Expected);
    EXPECT_EQ(Value("Account2", "trustcert"), Fp(5));
    EXPECT_EQ(Value("Account1", "pop3"), "pop.a");  // nothing else written
    EXPECT_EQ(Settings.Record.Edit1, "edited, not saved");
    EXPECT_EQ(Settings.Record.TrustedCerts.size(), static_cast<size_t>(MaxTrustedCertificates));
    Settings.editdisp(2);
    EXPECT_EQ(Settings.Record.TrustedCerts, std::vector<std::string>{Fp(5)});
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

TEST_F(AccountsTest, FailedSaveKeepsTheFileWholeStillReloadsAndReportsThePath) {
    AddAccount("a");
    ::chmod(Settings.SettingsPath().c_str(), 0666);
    ::chmod(Dir.Path.c_str(), 0555);
    const std::string Before = File();
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
    EXPECT_EQ(File(), Before);
}

}  // namespace

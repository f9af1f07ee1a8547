// Tests of the account records and their settings-file operations, on real files,
// and of the stored-password scrambling (RC4 with the program's key): fixed stored
// forms that existing settings files hold, round trips, overlong or malformed texts.
#include <gtest/gtest.h>

#include "Accounts.h"
#include "Rc4unit.h"
#include "TestFiles.h"
#include "cp932.h"

namespace {

TEST(Rc4unit, StoredFormRoundTripsAndOverlongPasswordsOrTextsAreCutNotOverrun) {
    const std::string Empty = EncodePassword(PasswordKey, "");
    ASSERT_EQ(Empty.size(), 512u);
    EXPECT_EQ(Empty.substr(0, 32), "5F7D4C4FAFB1AA25EDD20A8DE0190FA6");  // bare keystream of the key
    EXPECT_EQ(EncodePassword(PasswordKey, "secret").substr(0, 12), "2C182F3DCAC5");
    std::string P;
    for (int Len = 0; Len <= 256; ++Len) {
        EXPECT_EQ(DecodePassword(PasswordKey, EncodePassword(PasswordKey, P)), P) << Len;
        P += static_cast<char>(1 + (Len * 37) % 255);  // every byte value but zero
    }
    // A password longer than the block is stored cut to its first 256 bytes; a
    // stored text with more than 256 pairs has the extra pairs ignored.
    const std::string Long(5000, 'p');
    const std::string Stored = EncodePassword(PasswordKey, Long);
    EXPECT_EQ(Stored, EncodePassword(PasswordKey, Long.substr(0, 256)));
    EXPECT_EQ(DecodePassword(PasswordKey, Stored + std::string(4000, 'F')), Long.substr(0, 256));
}

TEST(Rc4unit, DecodingToleratesLowerCaseShortAndMalformedTexts) {
    std::string Stored = EncodePassword(PasswordKey, "pass\x82\xa0word");
    for (char& C : Stored) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    EXPECT_EQ(DecodePassword(PasswordKey, Stored), "pass\x82\xa0word");
    // Missing pairs decode from zero bytes: bare keystream bytes up to its first zero byte.
    EXPECT_EQ(DecodePassword(PasswordKey, Stored.substr(0, 9)),
              "pass" + DecodePassword(PasswordKey, "").substr(4));
    Stored[4] = 'G';  // a pair that is no hexadecimal number reads as 0
    EXPECT_EQ(DecodePassword(PasswordKey, Stored), "paLs\x82\xa0word");  // 0 XOR keystream byte 0x4C
}

class AccountsTest : public ::testing::Test {
protected:
    AccountsTest() : Settings(Dir.Path + "VELNARO.ini") {
        Settings.OnConfirmOverwrite = [this] { return (++Questions, Answer); };
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
    EXPECT_EQ(std::filesystem::status(Settings.SettingsPath()).permissions(), std::filesystem::perms(0600));
    // The reload after the save shows the account; the password was not stored.
    EXPECT_EQ(Settings.SelectedIndex(), 0);
    EXPECT_EQ(Settings.Record.ePassword + Settings.Record.eUserName, "taro");
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
    std::string Text = File();
    WriteFileText(Settings.SettingsPath(), Text.replace(Text.find("start=1"), 7, "start=7"));
    Settings.Reload();
    EXPECT_EQ(Settings.SaveTarget(), 4);
}

TEST_F(AccountsTest, DeletingRenumbersAndAdjustsCountAndStart) {
    for (const char* U : {"a", "b", "c"}) AddAccount(U);
    Settings.editdisp(2);
    Settings.Save();  // start 2
    const std::string Three = File();
    Settings.DeleteAccount(3);
    EXPECT_EQ(Value("Number", "count") + Value("Number", "start"), "21");

    WriteFileText(Settings.SettingsPath(), Three);
    Settings.DeleteAccount(1);
    EXPECT_EQ(Settings.UserNames, (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(Settings.Start, 1);
    EXPECT_EQ(Value("Account1", "pop3") + Value("Account3", "user"), "pop.b<none>");
    EXPECT_EQ(Value("Account1", "smtp"), "<none>");  // empty values are not carried over
    Settings.DeleteAccount(1);
    Settings.DeleteAccount(1);
    EXPECT_EQ(Value("Number", "count") + Value("Number", "start"), "00");
}

TEST_F(AccountsTest, HandWrittenAndDamagedFilesGiveDefinedResults) {
    WriteFileText(Settings.SettingsPath(),
                  "[NUMBER]\r\nCount = 0x2\r\nstart=\"2\"\r\n[account1]\r\nuser=x\r\npatrol=1\r\n"
                  "[Account2]\r\nsigncount=10000\r\nsign1=s\r\nmailhead=0\r\napop=0x10\r\n");
    int MySelf = -1;
    Settings.OnSetMySelf = [&](int S) { MySelf = S; };
    Settings.Reload();
    EXPECT_EQ(MySelf, 2);
    EXPECT_EQ(Settings.PatrolFlags, (std::vector<bool>{true, false}));
    // A sign count beyond 9999 reads as none; any number but 0 is on.
    EXPECT_TRUE(Settings.Record.SignLines.empty() && !Settings.Record.mailhead && Settings.Record.ApopOn);
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
    const std::string Keys =
        "pop3port=995\r\npop3security=2\r\nsmtpport=25\r\nsmtpsecurity=1\r\nsmtpauth=1\r\n"
        "smtpuser=taro@example.jp\r\nsmtppassword=" +
        EncodePassword(PasswordKey, "\x8c\xa9smtp") + "\r\ntrustcert=" + std::string(64, 'A') + "\r\n";
    TAccountRecord Plain;
    std::string Secure = Today + Keys;  // with passwords stored
    Secure.replace(Secure.find("password=") + 9, 0, EncodePassword(PasswordKey, ""));
    for (const std::string& Text : {Today, Secure}) {  // each rewrites byte for byte
        WriteFileText(Settings.SettingsPath(), Text);
        Settings.Reload();
        if (Text == Today) Plain = Settings.Record;
        EXPECT_EQ(Settings.Record.UsesConnectionSection(), Text != Today);
        Settings.Save();
        EXPECT_EQ(File(), Text);
    }
    EXPECT_EQ(Settings.Record.SmtpPassword, "\x8c\xa9smtp");
    Settings.Record.passsave = false;  // no passwords stored for this account: not the SMTP one either
    Settings.Save();
    EXPECT_EQ(Value("Account1", "smtppassword") + Settings.Record.SmtpPassword, "");
    EXPECT_EQ(Value("Account1", "trustcert"), std::string(64, 'A'));

    // Values out of range read as the defaults; junk among the fingerprints is passed over.
    WriteFileText(Settings.SettingsPath(), Today +
                                               "pop3port=0\r\npop3security=3\r\nsmtpport=70000\r\n"
                                               "smtpsecurity=x\r\ntrustcert=zz," +
                                               std::string(64, 'b') + ",\r\n");
    Settings.Reload();
    Plain.TrustedCerts = {std::string(64, 'B')};
    EXPECT_EQ(Settings.Record, Plain);
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
    std::string Expected;
    for (int I = 2; I <= MaxTrustedCertificates + 1; ++I) Expected += (I > 2 ? "," : "") + Fp(I);
    EXPECT_EQ(Value("Account1", "trustcert"), Expected);
    EXPECT_EQ(Value("Account1", "pop3"), "pop.a");  // nothing else written
    EXPECT_EQ(Settings.Record.Edit1, "edited, not saved");
    EXPECT_EQ(Settings.Record.TrustedCerts.size(), static_cast<size_t>(MaxTrustedCertificates));
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

// What the mail flows share about secure connections: an account's connection settings for a client, the trust question, the texts of TLS and sign-in failures.
#include "Secure.h"

#include "cp932.h"

namespace {

TSecurity SecurityOf(int Value) {
    return Value == 1 ? TSecurity::StartTls : Value == 2 ? TSecurity::Tls : TSecurity::None;
}

}  // namespace

TConnectionSecurity PopConnection(const TAccountRecord& A) {
    return {A.PopPort, SecurityOf(A.PopSecurity), A.Edit1, A.TrustedCerts};
}

TConnectionSecurity SmtpConnection(const TAccountRecord& A) {
    return {A.SmtpPort, SecurityOf(A.SmtpSecurity), A.Edit2, A.TrustedCerts};
}

bool AskToTrust(const TFlowEvents& Events, const TCertificateProblem& Problem) {
    if (!Events.OnTrustCertificate) return false;
    const auto Handler = Events.OnTrustCertificate;
    return Handler(CertificateQuestionText(Problem), Problem.Fingerprint);
}

bool AskToTrust(const TFlowEvents& Events, const TCertificateProblem& Problem,
                std::shared_ptr<TFlowLife> Life, TAccountRecord& Account) {
    const bool Yes = AskToTrust(Events, Problem);
    if (!Life->Alive) return false;
    if (Yes) Account.TrustedCerts.push_back(Problem.Fingerprint);
    return Yes;
}

std::string PopSecurityFailureText(TPopState State) {
    switch (State) {
        case popCapa:
            return SJ("POP3サーバが暗号化(STLS)に対応していないため、接続を中止しました。"
                      "パスワードは送っていません。");
        case popStls:
            return SJ(
                "POP3サーバが暗号化(STLS)を拒否したため、接続を中止しました。パスワードは送っていません。");
        default: return std::string();
    }
}

bool SmtpSecurityFailureTexts(TSMTPState State, const std::string& RespStr, std::string& BoxText,
                              std::string& StatusText) {
    switch (State) {
        case smtpStartTls:
            BoxText = SJ("SMTPサーバとの通信を暗号化(STARTTLS)できないため、メールは送られていません。");
            StatusText = SJ("暗号化できません ") +
                         (RespStr == SmtpNoStartTls ? SJ("サーバがSTARTTLSに対応していません") : RespStr);
            return true;
        case smtpAuth:
        case smtpAuthUser:
        case smtpAuthPass:
            if (RespStr == SmtpNoAuthMechanism) {
                BoxText = SJ("SMTPサーバに使える認証方式がないため、メールは送られていません。"
                             "（暗号化しない接続では CRAM-MD5 だけを使います）");
                StatusText = SJ("認証方式がありません");
            } else {
                BoxText = SJ("SMTPサーバの認証に失敗したため、メールは送られていません。"
                             "ユーザ名とパスワードを確かめてください。");
                StatusText = SJ("認証エラー ") + RespStr;
            }
            return true;
        default: return false;
    }
}

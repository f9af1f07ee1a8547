// Secure connections without Qt: the TLS choice of a connection, a failed certificate check and its texts.
#include "Security.h"

#include "cp932.h"

std::string FingerprintText(const std::string& Fingerprint) {
    std::string R;
    for (size_t I = 0; I < Fingerprint.size(); I += 2) {
        if (I > 0) R += ':';
        R += Fingerprint.substr(I, 2);
    }
    return R;
}

std::string NormalizeFingerprint(const std::string& Text) {
    std::string R;
    for (size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == ':' && I % 3 == 2) continue;
        if (C >= '0' && C <= '9')
            R += C;
        else if (C >= 'a' && C <= 'f')
            R += static_cast<char>(C - 'a' + 'A');
        else if (C >= 'A' && C <= 'F')
            R += C;
        else
            return std::string();
    }
    return R.size() == 64 ? R : std::string();
}

std::string CertificateIssueText(TCertificateIssue Issue) {
    switch (Issue) {
        case TCertificateIssue::Expired:
            return SJ("証明書の有効期限が切れています（またはまだ有効になっていません）。");
        case TCertificateIssue::NameMismatch: return SJ("証明書がこのサーバ名のものではありません。");
        case TCertificateIssue::SelfSigned: return SJ("自己署名の証明書です。");
        case TCertificateIssue::UnknownIssuer: return SJ("証明書の発行元を確認できません。");
        default: return SJ("証明書を確認できません。");
    }
}

std::string CertificateQuestionText(const TCertificateProblem& Problem) {
    std::string T = SJ("サーバ ") + Problem.PeerName + SJ(" の証明書を確認できませんでした。\r\n");
    for (TCertificateIssue I : Problem.Issues) T += SJ("・") + CertificateIssueText(I) + "\r\n";
    T += SJ("\r\n証明書の SHA-256 フィンガープリント:\r\n") + FingerprintText(Problem.Fingerprint) +
         "\r\n\r\n";
    T += SJ("このアカウントでは、この証明書を信頼して接続を続けますか？\r\n"
            "（信頼すると、この証明書のフィンガープリントがアカウントに保存されます。"
            "別の証明書に変わったときは再び確認します。）");
    return T;
}

// SocketErrorText: the Japanese sentence for a Windows Sockets error code, and the errno to Windows Sockets code mapping.
#include "errormessage.h"

#include <cerrno>

#include "cp932.h"

namespace {

// The sentences in UTF-8 as written here; converted to Shift_JIS on use.
const char* SentenceOf(int32_t Code) {
    switch (Code) {
        case 10004: return "関数呼び出しが中断。";
        case 10009: return "不良ファイル記述子。";
        case 10013: return "アクセス拒否";
        case 10014: return "不良なアドレス。";
        case 10022: return "無効な引数。";
        case 10024: return "開いているソケットの数が多寡。";
        case 10035: return "操作はブロッキング。";
        case 10036: return "ブロッキング操作が既に実行中。";
        case 10037: return "操作は既に実行中。";
        case 10038: return "指定されたソケットが無効。";
        case 10039: return "受け側アドレスが必要。";
        case 10040: return "メッセージが長すぎる。";
        case 10041: return "ソケットに対するプロトコルタイプが間違い。";
        case 10042: return "不良なプロトコルオプション。";
        case 10043: return "プロトコルが非サポート。";
        case 10044: return "ソケットタイプが非サポート。";
        case 10045: return "操作がサポートされていない。";
        case 10046: return "プロトコルファミリが非サポート。";
        case 10047: return "アドレスファミリはプロトコルファミリで非サポート。";
        case 10048: return "アドレスは既に使用済み。";
        case 10049: return "無効アドレス。";
        case 10050: return "ネットワークがダウン。";
        case 10051: return "ネットワークに非到達。";
        case 10052: return "ネットワーク接続が破棄。";
        case 10053: return "ソフトウェアによって接続中断。";
        case 10054: return "接続が相手よりリセット。";
        case 10055: return "バッファ空き領域がない。";
        case 10056: return "ソケットは既に接続。";
        case 10057: return "ソケット非接続。";
        case 10058: return "ソケットのシャットダウンの後の通信不可。";
        case 10059: return "参照の数が多寡。";
        case 10060: return "接続がタイムアウトしました";
        case 10061: return "接続拒否。";
        case 10062: return "ループ";
        case 10063: return "名前が長すぎる。";
        case 10064: return "ホストのダウン。";
        case 10065: return "ホストへのルートがない。";
        case 10066: return "ディレクトリが空でない。";
        case 10067: return "プロセスの数が多寡。";
        case 10068: return "ユーザー数が多寡。";
        case 10069: return "ディスククォータ。";
        case 10070: return "廃止。";
        case 10071: return "リモート。";
        case 10091: return "ネットワークサブシステム利用不可。";
        case 10092: return "WINSOCK.DLLのversionが範囲外。";
        case 10093: return "WSAStartupが不実行。";
        case 10101: return "シャットダウン処理中。";
        case 11001: return "ホストが見つかりません。サーバ名(xxx.xxx.xxx)を確認してください";
        case 11002: return "ホスト非発見およびサーバー異常。";
        case 11003: return "回復不可能エラー。";
        case 11004: return "名前は有効ですが，要求したタイプのデータレコードはない。";
        default: return "WinSock 不明なエラーです";
    }
}

}  // namespace

std::string SocketErrorText(int32_t ErrorCode) { return SJ(SentenceOf(ErrorCode)); }

int ErrnoToWinSockError(int Errno) {
    switch (Errno) {
        case 0: return 0;
        case EINTR: return 10004;
        case EBADF: return 10009;
        case EACCES:
        case EPERM: return 10013;
        case EFAULT: return 10014;
        case EINVAL: return 10022;
        case EMFILE:
        case ENFILE: return 10024;
        case EAGAIN: return 10035;
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK: return 10035;
#endif
        case EINPROGRESS: return 10036;
        case EALREADY: return 10037;
        case ENOTSOCK: return 10038;
        case EDESTADDRREQ: return 10039;
        case EMSGSIZE: return 10040;
        case EPROTOTYPE: return 10041;
        case ENOPROTOOPT: return 10042;
        case EPROTONOSUPPORT: return 10043;
        case ESOCKTNOSUPPORT: return 10044;
        case EOPNOTSUPP: return 10045;
        case EPFNOSUPPORT: return 10046;
        case EAFNOSUPPORT: return 10047;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return 10049;
        case ENETDOWN: return 10050;
        case ENETUNREACH: return 10051;
        case ENETRESET: return 10052;
        case ECONNABORTED: return 10053;
        case ECONNRESET: return 10054;
        case ENOBUFS:
        case ENOMEM: return 10055;
        case EISCONN: return 10056;
        case ENOTCONN: return 10057;
        case ESHUTDOWN: return 10058;
        case ETOOMANYREFS: return 10059;
        case ETIMEDOUT: return 10060;
        case ECONNREFUSED: return 10061;
        case ELOOP: return 10062;
        case ENAMETOOLONG: return 10063;
        case EHOSTDOWN: return 10064;
        case EHOSTUNREACH: return 10065;
        case ENOTEMPTY: return 10066;
        case EUSERS: return 10068;
        case EDQUOT: return 10069;
        case ESTALE: return 10070;
        case EREMOTE: return 10071;
        default: return Errno;
    }
}

// The about box (Tabout): the program's icon, version line, OK button and the built-in help text.
#include "help.h"

#include <QFont>
#include <QLabel>
#include <QIcon>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

namespace {

// The help text as the user reads it, UTF-8. Every character has a
// Shift_JIS code, like all other text of the program.
const char* const HelpSource = R"HELP(Velnaro ヘルプ

Velnaro は POP3 でメールを受け取って読み、SMTP でメールを送るメールソフトです。
日本語のメール（ISO-2022-JP、Shift_JIS、EUC-JP、UTF-8 の見出し）を読み書きでき、
添付ファイル、返信、全員への返信、複数のアカウント、アドレス帳を扱います。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
1. インストールと削除
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
Debian 12 で動きます。ソースのフォルダで

    ./run.sh

を実行すると、足りないパッケージ（Qt 6、IPA フォント、コンパイラなど）を
入れ、build/ フォルダにプログラムを作って起動します。パッケージを入れるには
root の権限が要ります。一般ユーザーで実行したときは、実行すべき apt-get の
コマンドを表示して止まりますので、root でそのコマンドを実行してから、もう一度
./run.sh を実行してください。二回目からは作り直しが必要な部分だけを作って
すぐに起動します。作ったプログラムは build/velnaro で、直接起動もできます。

アプリケーションのメニューから使うときは、ソースのフォルダで次のように
作ってインストールします（cmake と ninja-build が要ります）。

    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELNARO_TESTS=OFF
    cmake --build build
    sudo cmake --install build

プログラムは /usr/local/bin/velnaro に入り、メニューに Velnaro が出ます。
Debian のパッケージを作って入れることもできます（dpkg-dev と file が要ります）。

    (cd build && cpack -G DEB)
    sudo apt install ./build/velnaro_*.deb

インストールした Velnaro は mailto: のリンクを開くソフトにもなります。
既定のメールソフトに選ぶと、Web ページなどの mailto: リンクで「メール配信」の
ページが To、CC、Subject と本文を埋めて開きます。端末からは
velnaro 'mailto:アドレス?subject=件名' のように起動します。
velnaro --help で使い方を表示します。

削除するときは、パッケージなら sudo apt remove velnaro を、cmake --install で
入れたときは sudo xargs rm < build/install_manifest.txt を実行します。
./run.sh だけで使っていたときは、ソースのフォルダを消してください。
Velnaro は設定ファイルとアドレス帳（7. を参照）のほかには何も書きません。
この二つはどの方法で削除しても残るので、要らなければ ~/.config/velnaro/ も
消してください。
入れたパッケージは他のソフトも使うことがあるので、自動では消しません。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
2. 初めて使うときの設定
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
プロバイダや会社から知らされた次の値を用意してください。
  ・ユーザー名（POP3 のログイン名）とパスワード
  ・POP3 サーバの名前（受信、ポート 110）
  ・SMTP サーバの名前（送信、ポート 25）
  ・自分のメールアドレス

メニューの「アカウント(&A)」→「追加(&A)」（Ctrl+I）で「VELNARO設定」の
ウィンドウが開きます。User Name、Password、pop3 server name、
smtp server name、Your mail address を入れ、「データの保存」を押すと
アカウントが設定ファイルに保存されます。「保存せず実行」を押すと、保存せずに
その値で使います。

  ・「上記のpasswordを保存する」: パスワードを設定ファイルに保存します。
    保存されるパスワードは読みにくく変えてありますが、暗号ではありません。
    他の人が使うコンピュータでは保存しないでください。
  ・「メール本文を読み込まない」: 一覧のときは見出し（ヘッダ）だけを
    受け取り、読むときにそのメールだけを全部受け取ります。大きなメールが
    あるときに速くなります。
  ・「Apopで接続」: パスワードをそのまま送らない APOP でログインします。
    サーバが APOP に対応しているときだけ使えます。
  ・「pingでのチェックを無視する」: 下の ping のチェックが失敗しても
    接続を続けます。
  ・「署名の編集」で署名を作り、「署名をメールの最後に自動挿入する」に
    チェックを入れると、送るメールの最後に署名が付きます。
  ・RFC2231 / JISEncode: 添付ファイルの名前の書き方です。ふつうは
    JISEncode のままにしてください。

ping のチェックについて: Velnaro は接続の前に、サーバの名前を引き、
ICMP のエコー（ping）を一度送って、サーバが動いているかを確かめます。
Linux では一般ユーザーの ping が許されていないことがあり、そのときは
チェックが失敗します。root で

    sysctl -w net.ipv4.ping_group_range="0 2147483647"

を実行すると一般ユーザーでも ping が使えます。ping に答えないサーバや、
ping を使えない環境では「pingでのチェックを無視する」にチェックを
入れてください。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
3. 新しいメールを読む
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
「接続設定」のページで User Name を選び、Password を入れて「OK」を押します。
サーバに接続し、メールの一覧を受け取ると接続を切ります。途中で接続を
切りたいときは「ファイル(&F)」→「強制接続解除(&F)」（Ctrl+Z）を使います。

「メール鑑賞」のページに一覧が出ます。差出人、件名、受信日時、byte数の順です。
  ・一覧の行をダブルクリックするか、行を選んで Enter を押すと、その
    メールを下の欄に表示します。
  ・「通目表示」の数字の欄の上下のボタンでも、前後のメールを表示します。
    数字を打ち込んで Enter を押すと、そのメールを表示します。
  ・「表示(&V)」→「ヘッダ表示(&H)」（Ctrl+H）で、見出しも表示します。
  ・添付ファイルは下の「添付ファイル」の一覧に出ます。選んで「保存」を
    押すと、ファイルに保存します。
  ・消したいメールの行にチェックを入れて「消去(&D)」を押すと、サーバから
    消します。消したメールは元に戻せません。
  ・「ファイル(&F)」→「保存」（Ctrl+S）で、表示中のメールを
    テキストファイルに保存します。

メールはサーバに残り、Velnaro が手元に保存することはありません。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
4. メールを書いて送る
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
「メール配信」のページで To、CC、Subject と本文を書き、「配信(&S)」を
押すと、SMTP サーバに送ります。宛先が複数のときは「,」で区切ります。
  ・添付ファイル: 「追加」でファイルを選びます。「取消」で選んだ
    ファイルを外します。
  ・「ファイル(&F)」→「開く」（Ctrl+O）でテキストファイルを本文に
    読み込みます。ファイルをウィンドウに落としても読み込みます。
    UTF-8 のファイルも Shift_JIS のファイルも読めます。
  ・「&Clear」で、書いた内容をすべて消します。
  ・返信: 「メール鑑賞」で読んでいるメールに「返信(&R)」を押すと差出人へ、
    「全返信(&A)」を押すと CC を含めた全員への返信を作ります。
  ・本文は ISO-2022-JP（JIS）で送ります。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
5. アドレス帳
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
「編集(&E)」→「アドレス帳(&A)」（Ctrl+B）で開きます。
  ・左の「配送元リスト」がアドレス帳です。名前を選んで「>」を押すと、
    右の「メール配送リスト」（To）か「CC配送リスト」（CC）に入ります。
    「CA」でそのリストを空にします。
  ・「リスト追加」で名前とメールアドレスを入れて追加します。
    「継続（追加）」を押すと続けて追加できます。
  ・「削除」で選んだ行を消します。
  ・「保存」でアドレス帳をファイル VELNARO.LST に保存します。保存しないと、
    次に開いたときに元に戻ります。
  ・「戻る」で、選んだ宛先が「メール配信」の To と CC に入ります。

名前に「,」を使うと、次に読み込んだときにそこで切れてしまいます。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
6. アカウントの追加と編集
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
  ・追加: 「アカウント(&A)」→「追加(&A)」（Ctrl+I）。2. と同じように
    入れて「データの保存」を押します。
  ・編集: 「アカウント(&A)」→「編集(&E)」の中からアカウントを選び、
    直して「データの保存」を押します。設定ファイルがあるときは
    「設定データが存在します。上書きしますか?」と聞いてくるので、
    「はい」を押すと保存します。「いいえ」では保存せず、直した値は消えます。
  ・削除: 「アカウント(&A)」→「削除(&D)」の中からアカウントを選びます。
    確かめてから消します。
  ・使うアカウントは「接続設定」のページの User Name で選びます。
    最後に保存したアカウントが、次の起動のときに選ばれています。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
7. プログラムが使うファイル
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
Velnaro が書くファイルは次の二つだけです。
  ・VELNARO.ini : 設定ファイル。アカウント、オプション、署名、保存を
    選んだときのパスワードを書きます。
  ・VELNARO.LST : アドレス帳。一行に「名前,メールアドレス,」の形で
    書きます（Shift_JIS、改行は CR LF）。

置き場所はふつう ~/.config/velnaro/ です。環境変数 XDG_CONFIG_HOME が
あるときは、そこの velnaro/ フォルダです。フォルダがないときは、本人だけが
読み書きできるフォルダとして作ります。ですから build/ フォルダを消したり
作り直したりしても、アカウントとアドレス帳は残ります。

次のときは、二つのファイルをプログラムのフォルダ（velnaro のあるフォルダ、
./run.sh なら build/ フォルダ）に置きます。USB メモリなどに入れて持ち歩く
使い方です。
  ・プログラムのフォルダに VELNARO.ini があるとき
  ・velnaro --portable で起動したとき
前の版が build/ に作った VELNARO.ini は、そのまま使われます。build/ を
作り直しても残したいときは、次のコマンドで二つを移してください。

    mkdir -p ~/.config/velnaro && mv build/VELNARO.ini build/VELNARO.LST ~/.config/velnaro/

ファイルを選ぶウィンドウは、起動して初めはホームフォルダで開き、次からは
前に選んだファイルのフォルダで開きます。添付ファイルの保存だけは別に
覚えていて、初めはダウンロードのフォルダ（~/ダウンロード など）で開きます。
プログラムのフォルダに設定を置いているときは、いつもプログラムのフォルダで
開きます。

どちらのファイルも保存のときは一度別のファイルに書いてから置き換えるので、
保存に失敗しても前のファイルが残ります。別のコンピュータに移すときは、
この二つのファイルをコピーしてください。

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
8. ソケットのエラー番号の意味
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
接続できないときは、エラー番号と文が表示されます。番号は Windows Sockets
（WinSock）の番号で、Linux でも同じ番号で表示します。よく出るものは
次のとおりです。

  10060 接続がタイムアウトしました
        決まった時間のうちに返事がありません。サーバが止まっているか、
        ネットワークが混んでいるか、ping が届いていません。ping に答えない
        サーバなら「pingでのチェックを無視する」を試してください。
  10061 接続拒否。
        サーバのコンピュータはありますが、POP3（110）や SMTP（25）の
        ポートで受け付けていません。サーバ名とポートを確かめてください。
  11001 ホストが見つかりません。サーバ名(xxx.xxx.xxx)を確認してください
        サーバの名前を引けません。サーバ名の綴りと、ネットワークや DNS の
        設定を確かめてください。
  11002 ホスト非発見およびサーバー異常。
        名前を引くサーバ（DNS）が一時的に答えません。少し待ってから
        やり直してください。
  11004 名前は有効ですが，要求したタイプのデータレコードはない。
        名前はありますが、IPv4 のアドレスがありません。
  10054 接続が相手よりリセット。
        サーバが途中で接続を切りました。もう一度やり直してください。
  10053 ソフトウェアによって接続中断。
        こちら側で接続が切られました。
  10050 ネットワークがダウン。
  10051 ネットワークに非到達。
  10065 ホストへのルートがない。
        ネットワークにつながっていないか、サーバへの道がありません。
        ネットワークの設定やケーブルを確かめてください。
  10064 ホストのダウン。
        サーバのコンピュータが止まっています。
  10013 アクセス拒否
        権限がありません。ping のときは 2. の ping のチェックを
        見てください。
  10048 アドレスは既に使用済み。
  10055 バッファ空き領域がない。
        コンピュータの資源が足りません。ほかのプログラムを終えてから
        やり直してください。

このほかの番号は「WinSock 不明なエラーです」と表示します。
ping のチェックに失敗したときは
「ICMP error <pingの設定を無視するにcheckを入れて試してみてください>」と
表示します。2. の「pingでのチェックを無視する」を見てください。
)HELP";

}  // namespace

QString HelpText() { return QString::fromUtf8(HelpSource); }

QIcon ApplicationIcon() {
    QIcon Icon;
    for (int Size : {16, 22, 24, 32, 48, 64, 128, 256})
        Icon.addFile(QStringLiteral(":/icons/%1x%1/apps/org.velnaro.Velnaro.png").arg(Size),
                     QSize(Size, Size));
    return Icon;
}

Tabout::Tabout(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("about Velnaro"));
    QFont WindowFont(QStringLiteral("IPAPGothic"));
    WindowFont.setPixelSize(12);
    setFont(WindowFont);
    resize(540, 460);
    setMinimumSize(240, 200);

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(ApplicationIcon().pixmap(QSize(64, 64), devicePixelRatioF()));
    ProgramIcon->setToolTip(QString::fromUtf8("忠犬のように黙々と仕事をこなす願いを込めて"));
    ProgramIcon->setGeometry(10, 10, 64, 64);

    ProductName = new QLabel(QStringLiteral("Velnaro"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont NameFont = WindowFont;
    NameFont.setPixelSize(20);
    NameFont.setBold(true);
    ProductName->setFont(NameFont);
    ProductName->setGeometry(88, 16, 300, 26);

    Version = new QLabel(QStringLiteral("version 1.2.1.4"), this);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(88, 48, 300, 18);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setAccessibleName(QString::fromUtf8("ヘルプ"));
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont MemoFont(QStringLiteral("IPAGothic"));
    MemoFont.setPixelSize(12);
    Memo1->setFont(MemoFont);
    Memo1->setPlainText(HelpText());

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->resize(75, 25);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    FormResize();
}

void Tabout::FormResize() {
    const int W = width();
    const int H = height();
    const int MemoTop = 84;
    OKButton->move((W - OKButton->width()) / 2, H - OKButton->height() - 10);
    Memo1->setGeometry(10, MemoTop, qMax(0, W - 20), qMax(0, OKButton->y() - 10 - MemoTop));
}

void Tabout::resizeEvent(QResizeEvent* Event) {
    QDialog::resizeEvent(Event);
    FormResize();
}

// The program's command line: options, the mailto link, the help and version texts.
#include "CommandLine.h"

#include "SysUtils.h"

#ifndef VELNARO_VERSION
#error "VELNARO_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace {

// Options QApplication takes out of the command line itself.
const char* const QtOptionsWithValue[] = {"platform",        "platformpluginpath", "platformtheme", "plugin",
                                          "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
                                          "display",         "geometry",           "title",         "icon",
                                          "style",           "stylesheet"};
const char* const QtSwitches[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

// 0: not a Qt option; 1: a switch or an option with "=value"; 2: an option whose value follows.
int QtOptionLength(const std::string& Arg) {
    if (Arg.size() < 2 || Arg[0] != '-') return 0;
    std::string Name = Arg.substr(Arg[1] == '-' ? 2 : 1);
    const size_t Equals = Name.find('=');
    const bool HasValue = Equals != std::string::npos;
    if (HasValue) Name.resize(Equals);
    for (const char* O : QtOptionsWithValue)
        if (Name == O) return HasValue ? 1 : 2;
    if (!HasValue)
        for (const char* O : QtSwitches)
            if (Name == O) return 1;
    return 0;
}

bool IsMailto(const std::string& Arg) { return Arg.size() >= 7 && SameText(Arg.substr(0, 7), "mailto:"); }

TCommandLine Failed(const std::string& Why) {
    TCommandLine R;
    R.Action = TCommandLine::Fail;
    R.Output = "velnaro: " + Why + "\n使い方は velnaro --help で表示します。\n";
    return R;
}

}  // namespace

std::string VersionText() { return "velnaro ver" VELNARO_VERSION "\n"; }

std::string UsageText() {
    return "使い方: velnaro [--portable] [mailto:リンク]\n"
           "        velnaro --help | --version\n"
           "\n"
           "POP3 と SMTP で日本語のメールを読み書きするメールソフトです。\n"
           "\n"
           "  mailto:リンク  メール配信のページを開き、To、CC、Subject と本文を\n"
           "                 リンクの内容で埋めます。\n"
           "                 例: velnaro 'mailto:taro@example.jp?subject=会議'\n"
           "  --portable     設定ファイル VELNARO.ini とアドレス帳 VELNARO.LST を\n"
           "                 プログラムと同じフォルダに置きます。\n"
           "  --help         この説明を表示して終わります。\n"
           "  --version      版数を表示して終わります。\n"
           "\n"
           "設定ファイルとアドレス帳は、プログラムのフォルダに VELNARO.ini があるとき\n"
           "と --portable のときはプログラムのフォルダに、それ以外のときは\n"
           "$XDG_CONFIG_HOME/velnaro/（ふつうは ~/.config/velnaro/）に置きます。\n";
}

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
    TCommandLine R;
    bool OptionsEnded = false;
    for (size_t i = 0; i < Args.size(); ++i) {
        const std::string& A = Args[i];
        if (!OptionsEnded && A.size() > 1 && A[0] == '-') {
            if (A == "--") {
                OptionsEnded = true;
            } else if (A == "--help" || A == "-h") {
                R.Action = TCommandLine::ShowHelp;
                R.Output = UsageText();
                return R;
            } else if (A == "--version") {
                R.Action = TCommandLine::ShowVersion;
                R.Output = VersionText();
                return R;
            } else if (A == "--portable") {
                R.Portable = true;
            } else if (const int Length = QtOptionLength(A)) {
                i += static_cast<size_t>(Length - 1);
            } else {
                return Failed("知らないオプションです: " + A);
            }
        } else if (!IsMailto(A)) {
            return Failed("mailto: のリンクではありません: " + A);
        } else if (!R.Mailto.empty()) {
            return Failed("mailto: のリンクは一つだけ指定できます");
        } else {
            R.Mailto = A;
        }
    }
    return R;
}

// Program start: the command line, the application, its windows in their order, a mailto link, the event loop.
#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ConfigDir.h"
#include "Fonts.h"
#include "Mailto.h"
#include "Main.h"
#include "StartWindows.h"
#include "WidgetText.h"
#include "help.h"

namespace {

// Why the settings folder could not be made, in Japanese.
QString FolderErrorText(int Error) {
    switch (Error) {
        case EACCES:
        case EPERM: return QString::fromUtf8("フォルダを作る権限がありません");
        case EROFS: return QString::fromUtf8("読み出し専用のファイルシステムです");
        case ENOTDIR:
        case EEXIST: return QString::fromUtf8("同じ名前のファイルがあります");
        case ENOSPC: return QString::fromUtf8("ディスクに空きがありません");
        default: return QString::fromUtf8("エラー番号 %1").arg(Error);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    // The command line is read before Qt starts, so --help and --version
    // work without a display.
    const TCommandLine Line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (Line.Action == TCommandLine::Fail) {
        std::fputs(Line.Output.c_str(), stderr);
        return 2;
    }
    if (Line.Action != TCommandLine::Run) {
        std::fputs(Line.Output.c_str(), stdout);
        return 0;
    }
    // Before anything asks for the folder of the settings file.
    SetPortableMode(Line.Portable);

    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velnaro"));
    // The desktop entry's id, which Wayland compositors match the window with.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velnaro.Velnaro"));
    QApplication::setWindowIcon(ApplicationIcon());
    QApplication::setFont(WindowFont());

    // The windows in their order (StartWindows.h); the settings window reads
    // the settings file as it is created and fills the main window's
    // user-name box and account menus.
    std::unique_ptr<TProgramWindows> Windows = CreateProgramWindows();
    TMainForm* MainForm = Windows->MainForm.get();

    // Closing the main window ends the program.
    App.setQuitOnLastWindowClosed(false);
    MainForm->OnMainClosed = [] { QApplication::quit(); };
    MainForm->show();

    // A mailto link opens the send page filled in.
    TMailtoFields Fields;
    if (!Line.Mailto.empty() && ParseMailto(Line.Mailto, Fields))
        MainForm->FillSendPage(Fields.To, Fields.CC, Fields.Subject, Fields.Body);

    const TConfigDirChoice Config = ConfigDirChoice();
    if (Config.Error != 0)
        ShowMessageBox(MainForm, QMessageBox::Warning,
                       QString::fromUtf8("設定ファイルとアドレス帳のフォルダ %1 を作れません（%2）。\n"
                                         "設定とアドレス帳は保存できません。")
                           .arg(PathToWidget(Config.Dir), FolderErrorText(Config.Error)));

    const int Result = App.exec();
    Windows.reset();
    return Result;
}

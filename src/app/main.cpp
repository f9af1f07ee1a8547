// Program start: the application, its windows in their order, the event loop.
#include <QApplication>

#include "Fonts.h"
#include "Main.h"
#include "Unit3.h"
#include "help.h"
#include "sign.h"

int main(int argc, char* argv[]) {
    QApplication App(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velnaro"));
    QApplication::setFont(WindowFont());

    // The windows in their order: the main window, the about box, the
    // signature editor, the account settings window. The settings window
    // reads the settings file as it is created and fills the main window's
    // user-name box and account menus.
    auto* MainForm = new TMainForm;
    auto* About = new Tabout;
    MainForm->about = About;
    auto* Sign = new TOKsign(&MainForm->Host);
    auto* Settings = new TForm3(&MainForm->Host, Sign);

    // Closing the main window ends the program.
    App.setQuitOnLastWindowClosed(false);
    MainForm->OnMainClosed = [] { QApplication::quit(); };
    MainForm->show();
    const int Result = App.exec();

    delete Settings;
    delete Sign;
    delete About;
    delete MainForm;
    return Result;
}

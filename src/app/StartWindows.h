// The program's windows, created in their order at program start and destroyed in the reverse order.
#pragma once

#include <memory>
#include <vector>

class QWidget;
class TDualListDlg;
class TForm3;
class TForm4;
class TMainForm;
class TOKsign;
class Tabout;

// The windows of one program run. Each exists from the start to the end of
// the run; the members are destroyed in the reverse order of their creation.
struct TProgramWindows {
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<Tabout> About;
    std::unique_ptr<TDualListDlg> AddressBook;
    std::unique_ptr<TForm4> AddressEntry;
    std::unique_ptr<TOKsign> Sign;
    std::unique_ptr<TForm3> Settings;
    // The same windows in the order they were created.
    std::vector<QWidget*> Order;

    ~TProgramWindows();
};

// Creates the windows in their order: the main window, the about box, the
// address book window, the address entry dialog, the signature editor and
// the account settings window, which reads the settings file as it is
// created and fills the main window's user-name box and account menus. All
// stay hidden.
std::unique_ptr<TProgramWindows> CreateProgramWindows();

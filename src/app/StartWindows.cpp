// The program's windows, created in their order at program start and destroyed in the reverse order.
#include "StartWindows.h"

#include "Main.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "help.h"
#include "sign.h"

TProgramWindows::~TProgramWindows() {
    Settings.reset();
    Sign.reset();
    AddressEntry.reset();
    AddressBook.reset();
    About.reset();
    MainForm.reset();
}

std::unique_ptr<TProgramWindows> CreateProgramWindows() {
    auto W = std::make_unique<TProgramWindows>();
    W->MainForm = std::make_unique<TMainForm>();
    W->Order.push_back(W->MainForm.get());
    W->About = std::make_unique<Tabout>();
    W->MainForm->about = W->About.get();
    W->Order.push_back(W->About.get());
    W->AddressBook = std::make_unique<TDualListDlg>();
    W->Order.push_back(W->AddressBook.get());
    W->AddressEntry = std::make_unique<TForm4>(W->AddressBook.get());
    W->Order.push_back(W->AddressEntry.get());
    W->Sign = std::make_unique<TOKsign>(&W->MainForm->Host);
    W->Order.push_back(W->Sign.get());
    W->Settings = std::make_unique<TForm3>(&W->MainForm->Host, W->Sign.get());
    W->Order.push_back(W->Settings.get());
    return W;
}

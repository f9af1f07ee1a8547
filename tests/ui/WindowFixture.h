// The window tests' shared set-up: the program's windows as its start makes them, in a temporary program folder with a Japanese name, every message box recorded.
#pragma once

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

#include "Accounts.h"
#include "DialogFolders.h"
#include "FlowFixtures.h"
#include "Main.h"
#include "ReceiveFlow.h"
#include "StartWindows.h"
#include "SysUtils.h"
#include "TestFiles.h"
#include "Unit3.h"
#include "cp932.h"

// Readable failure messages.
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

inline QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }
// Whole files by their names as widgets show them.
inline std::string ReadFile(const QString& P) { return ReadFileText(QFile::encodeName(P).toStdString()); }
inline void WriteFile(const QString& P, const std::string& B) {
    WriteFileText(QFile::encodeName(P).toStdString(), B);
}

class WindowTest : public ::testing::Test {
protected:
    // The folder and the hooks; OpenWindows() then reads the settings file there.
    void Prepare() {
        ASSERT_TRUE(Dir.isValid());
        // A program folder with a Japanese name, as the file system gives it.
        ASSERT_TRUE(QDir(Dir.path()).mkdir(U("テスト用フォルダ")));
        SetProgramDir(QFile::encodeName(Folder()).toStdString() + "/");
        SetDialogFolderRules({true, QString(), QString()});  // file dialogs start in that folder
        // Questions are recorded apart and answered Yes.
        MessageBoxHook = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& Text,
                                QMessageBox::StandardButtons Buttons) {
            (Buttons & QMessageBox::Yes ? Questions : Boxes) << Text;
            return Buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok;
        };
        TForm3::QuestionBox = [this](QWidget*, const QString& Text) { return (Questions << Text, true); };
        TForm3::MessageBox = TForm3::ErrorBox = [this](QWidget*, const QString& Text) { Boxes << Text; };
        TMainForm::CalendarToday = [] { return QDate(2026, 12, 6); };
        // No name is ever looked up: the servers are on loopback.
        TMainForm::ReceiveSetUp = [this](TReceiveFlow& F) {
            F.MakeReachCheck = [this] { return std::make_unique<TInstantCheck>(Reach); };
            if (PopPort) F.Port = PopPort;
        };
    }
    void OpenWindows() {
        W = CreateProgramWindows();
        Main = W->MainForm.get();
        Settings = W->Settings.get();
        Main->SendFlow->MakeReachCheck = [this] { return std::make_unique<TInstantCheck>(Reach); };
    }
    void SetUp() override {
        Prepare();
        OpenWindows();
    }
    void TearDown() override {
        W.reset();
        MessageBoxHook = nullptr;
        TMainForm::ReceiveSetUp = nullptr;
        TMainForm::CalendarToday = [] { return QDate::currentDate(); };
        SetDialogFolderRules({true, QString(), QString()});
        SetProgramDir("");
        QApplication::clipboard()->clear();
    }
    QString Folder() const { return Dir.path() + U("/テスト用フォルダ"); }
    QString Path(const QString& Name) const { return Folder() + "/" + Name; }
    QString Sub(const QString& Name) const { return Dir.path() + "/" + Name; }

    QTemporaryDir Dir;
    QStringList Boxes, Questions;
    TInstantCheck::TAnswer Reach;
    int PopPort = 0;  // the receive flows' port, when not the account's
    std::unique_ptr<TProgramWindows> W;
    TMainForm* Main = nullptr;
    TForm3* Settings = nullptr;
};

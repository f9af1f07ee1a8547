// The window tests' shared set-up: the program's windows as its start makes them, in a temporary program folder with a Japanese name, every message box recorded.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "DialogFolders.h"
#include "Main.h"
#include "StartWindows.h"
#include "SysUtils.h"
#include "Unit3.h"

// Readable failure messages.
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

inline QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

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
        TForm3::QuestionBox = [this](QWidget*, const QString& Text) {
            Questions << Text;
            return true;
        };
        TForm3::MessageBox = TForm3::ErrorBox = [this](QWidget*, const QString& Text) { Boxes << Text; };
        TMainForm::CalendarToday = [] { return QDate(2026, 12, 6); };
    }
    void OpenWindows() {
        W = CreateProgramWindows();
        Main = W->MainForm.get();
        Settings = W->Settings.get();
    }
    void SetUp() override {
        Prepare();
        OpenWindows();
    }
    void TearDown() override {
        W.reset();
        MessageBoxHook = nullptr;
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
    std::unique_ptr<TProgramWindows> W;
    TMainForm* Main = nullptr;
    TForm3* Settings = nullptr;
};

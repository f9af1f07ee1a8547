// The about box (Tabout): the program's icon, version line, OK button and the built-in help text.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The help text shown in the about box: eight numbered sections in Japanese.
QString HelpText();

// The program's icon, a dog carrying a letter, at every size of the icon
// theme (built-in resources): the window icon and the about box's picture.
QIcon ApplicationIcon();

class Tabout : public QDialog {
    Q_OBJECT
public:
    explicit Tabout(QWidget* Parent = nullptr);

    QLabel* ProgramIcon;  // the program's icon, hint "忠犬のように黙々と仕事をこなす願いを込めて"
    QLabel* ProductName;    // "Velnaro"
    QLabel* Version;        // "version 1.2.1.4"
    QPushButton* OKButton;  // closes the box
    QPlainTextEdit* Memo1;  // the help text, read-only, scrolling

    // Keeps the button 10 pixels above the bottom edge and the memo ending
    // 10 pixels above the button.
    void FormResize();

protected:
    void resizeEvent(QResizeEvent* Event) override;
};

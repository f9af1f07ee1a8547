// The signature editor TOKsign: the current account's signature lines under a column ruler.
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
struct TAccountHost;

// Ruler above the text box: two lines of 62 characters joined by CR LF.
extern const char* const SignRulerLine1;
extern const char* const SignRulerLine2;
QString SignRuler();

// The signature editor. Single instance, created at program start and hidden
// until the settings window's "署名の編集" shows it (not modally).
class TOKsign : public QDialog {
    Q_OBJECT
public:
    // MainForm: the main window's host, told of focus tracking (its
    // edit-menu items follow the text box). The constructor sets OKsign first.
    explicit TOKsign(TAccountHost* MainForm, QWidget* Parent = nullptr);
    ~TOKsign() override;

    QLabel* Label1;          // the ruler
    QPlainTextEdit* Memo1;   // the signature, one line per text line
    QPushButton* OKBtn;      // "OK"
    QPushButton* CancelBtn;  // "キャンセル" (also Esc)

    // The text box last clicked or entered (only Memo1 exists).
    QWidget* FocusedControl = nullptr;

    // "OK" was pressed: the lines for the settings window's preview. The
    // settings window sets it when it takes this editor.
    std::function<void(const std::vector<std::string>& Lines)> OnOK;

    // Memo1's lines in Shift_JIS. As a memo reports them: an empty text has
    // no lines, and a final line break does not start another line.
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& Lines);
    void ClearLines();

    void FormCreate();
    void FormActivate();
    void OnClick(QWidget* Sender);
    // Shows the lines in the settings window's preview and hides.
    void OKBtnClick();
    // Hides; the text keeps what was typed, the preview is not updated.
    void CancelBtnClick();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    bool event(QEvent* Event) override;
    void reject() override;

private:
    // The main window while it lives.
    TAccountHost* MainForm() const;
    TAccountHost* FMainForm;
    QPointer<QObject> FMainObject;
    bool FMainIsObject;
};

// The single signature editor (set when it is created, cleared when destroyed).
extern TOKsign* OKsign;

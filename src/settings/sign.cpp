// The signature editor TOKsign: the current account's signature lines under a column ruler.
#include "sign.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "AccountHost.h"
#include "EditCommands.h"
#include "Fonts.h"
#include "WidgetText.h"

TOKsign* OKsign = nullptr;

// Marks at columns 0, 5, ..., 35, then 41, 46, ..., 61: the gap between 35
// and 41 is one character wider than the others.
const char* const SignRulerLine1 = "0    5    0    5    0    5    0    5     0    5    0    5    0";
const char* const SignRulerLine2 = "|----+----|----+----|----+----|----+-----|----+----|----+----|";

QString SignRuler() {
    return QString::fromLatin1(SignRulerLine1) + QLatin1String("\r\n") + QString::fromLatin1(SignRulerLine2);
}

TOKsign::TOKsign(TAccountHost* MainForm, QWidget* Parent)
    : QDialog(Parent), FMainForm(MainForm), FMainObject(MainForm ? MainForm->Window : nullptr),
      FMainIsObject(FMainObject != nullptr) {
    if (!OKsign) OKsign = this;
    setObjectName(QStringLiteral("OKsign"));
    setWindowTitle(QString::fromUtf8("署名編集"));
    setModal(false);
    setFont(WindowFont());

    Label1 = new QLabel(QString::fromLatin1(SignRulerLine1), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(MinchoFont());
    Label1->setTextFormat(Qt::PlainText);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QString::fromUtf8("署名"));
    Memo1->setFont(FixedFont());
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = new QPushButton(QString::fromUtf8("キャンセル"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    // Enter belongs to the text box; no button closes the window on it.
    OKBtn->setAutoDefault(false);
    CancelBtn->setAutoDefault(false);

    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(OKBtn);
    Buttons->addWidget(CancelBtn);
    auto* Whole = new QVBoxLayout(this);
    // The ruler (62 columns of 6 pixels) needs nearly the whole width; its
    // first column stands over the text box's first column.
    Whole->setContentsMargins(1, 4, 1, 6);
    Whole->setSpacing(2);
    Whole->addWidget(Label1);
    Whole->addWidget(Memo1, 1);
    Whole->addSpacing(4);
    Whole->addLayout(Buttons);

    Memo1->document()->setDocumentMargin(1);
    Label1->setContentsMargins(Memo1->frameWidth() + 1, 0, 0, 0);
    Buttons->setContentsMargins(0, 0, 6, 0);
    setFixedSize(376, 208);
    if (const QScreen* Screen = QGuiApplication::primaryScreen())
        move(Screen->availableGeometry().center() - QPoint(376 / 2, 208 / 2));

    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    Memo1->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);

    FormCreate();
}

TOKsign::~TOKsign() {
    if (OKsign == this) OKsign = nullptr;
}

void TOKsign::FormCreate() {
    // The label shows the two ruler lines one above the other.
    QString Ruler = SignRuler();
    Label1->setText(Ruler.replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

std::vector<std::string> TOKsign::Lines() const { return BoxLines(Memo1->toPlainText()); }

void TOKsign::SetLines(const std::vector<std::string>& Lines) {
    QString Text;
    for (const std::string& L : Lines) Text += ShownText(L) + QLatin1Char('\n');
    Memo1->setPlainText(Text);
}

void TOKsign::ClearLines() { Memo1->clear(); }

TAccountHost* TOKsign::MainForm() const { return FMainIsObject && !FMainObject ? nullptr : FMainForm; }

void TOKsign::FormActivate() { ActiveTextControl = FocusedControl; }

void TOKsign::OnClick(QWidget* Sender) {
    FocusedControl = Sender;
    ActiveTextControl = Sender;
    if (TAccountHost* Main = MainForm(); Main && Main->OnTextFocus) Main->OnTextFocus(Sender);
}

void TOKsign::OKBtnClick() {
    if (OnOK) OnOK(Lines());
    hide();
}

void TOKsign::CancelBtnClick() { hide(); }

void TOKsign::reject() {
    // Esc and the close box: as "キャンセル".
    CancelBtnClick();
    QDialog::reject();
}

bool TOKsign::event(QEvent* Event) {
    if (Event->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(Event);
}

bool TOKsign::eventFilter(QObject* Watched, QEvent* Event) {
    if ((Watched == Memo1 && Event->type() == QEvent::FocusIn) ||
        (Watched == Memo1->viewport() && Event->type() == QEvent::MouseButtonRelease))
        OnClick(Memo1);
    return QDialog::eventFilter(Watched, Event);
}

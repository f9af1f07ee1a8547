// The address entry dialog TForm4: one new name and address for the address book window's source list.
#include "Unit4.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "AddressLists.h"
#include "EditCommands.h"
#include "Fonts.h"
#include "Unit2.h"
#include "WidgetText.h"

TForm4* Form4 = nullptr;

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

constexpr int ClientWidth = 340;
constexpr int ClientHeight = 142;

}  // namespace

std::function<void(QWidget*, const QString&)> TForm4::MessageBox = [](QWidget* Parent, const QString& Text) {
    QMessageBox Box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), Text, QMessageBox::Ok,
                    Parent);
    Box.exec();
};

TForm4::TForm4(TDualListDlg* Book, QWidget* Parent) : QDialog(Parent), FBook(Book) {
    if (!Form4) Form4 = this;
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(U("住所録の追加"));
    setFont(WindowFont());
    setModal(true);
    // A fixed dialog border: no resizing, no help button.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto MakeLabel = [this](const char* Name, const char* Caption, int Y) {
        auto* L = new QLabel(U(Caption), this);
        L->setObjectName(QString::fromLatin1(Name));
        L->setGeometry(16, Y + 3, 96, 16);
        return L;
    };
    auto MakeEdit = [this](const char* Name, QLabel* Label, int Y) {
        auto* E = new QLineEdit(this);
        E->setObjectName(QString::fromLatin1(Name));
        E->setGeometry(112, Y, 212, 22);
        Label->setBuddy(E);
        E->installEventFilter(this);
        return E;
    };
    auto MakeButton = [this](const char* Name, const char* Caption, int X) {
        auto* B = new QPushButton(U(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        // Neither Enter nor Esc presses a button.
        B->setAutoDefault(false);
        B->setDefault(false);
        B->setGeometry(X, 96, 96, 27);
        return B;
    };
    Label1 = MakeLabel("Label1", "名前", 18);
    name = MakeEdit("name", Label1, 18);
    Label2 = MakeLabel("Label2", "メールアドレス", 52);
    eaddr = MakeEdit("eaddr", Label2, 52);
    // Left to right: "OK", "継続（追加）", "キャンセル".
    Button1 = MakeButton("Button1", "OK", 16);
    Button3 = MakeButton("Button3", "継続（追加）", 122);
    Button2 = MakeButton("Button2", "キャンセル", 228);

    setTabOrder(name, eaddr);
    setTabOrder(eaddr, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });

    setFixedSize(ClientWidth, ClientHeight);
    if (const QScreen* Screen = QGuiApplication::primaryScreen())
        move(Screen->availableGeometry().center() - QPoint(ClientWidth / 2, ClientHeight / 2));
}

TForm4::~TForm4() {
    if (ActiveTextControl == name || ActiveTextControl == eaddr) ActiveTextControl = nullptr;
    if (Form4 == this) Form4 = nullptr;
}

bool TForm4::Append() {
    const std::string Address = WidgetText(eaddr->text());
    if (Address.empty()) {
        if (MessageBox) MessageBox(this, ShownText(AddressMissingText()));
        return false;
    }
    if (FBook) FBook->AddEntry(WidgetText(name->text()), Address);
    return true;
}

void TForm4::Button1Click() {
    if (Append()) accept();
}

void TForm4::Button2Click() {
    name->clear();
    eaddr->clear();
    reject();
}

void TForm4::Button3Click() {
    if (!Append()) return;
    name->clear();
    eaddr->clear();
    name->setFocus();
}

void TForm4::OnClick(QWidget* Sender) { ActiveTextControl = Sender; }

bool TForm4::eventFilter(QObject* Watched, QEvent* Event) {
    if ((Watched == name || Watched == eaddr) &&
        (Event->type() == QEvent::FocusIn || Event->type() == QEvent::MouseButtonRelease))
        OnClick(static_cast<QWidget*>(Watched));
    return QDialog::eventFilter(Watched, Event);
}

void TForm4::keyPressEvent(QKeyEvent* Event) {
    // A dialog would close on Esc and press its default button on Enter;
    // this one does neither.
    switch (Event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter: Event->accept(); return;
        default: QDialog::keyPressEvent(Event);
    }
}

// TMainForm's send page: the send and clear buttons, the files to send, the address book command and the SMTP side of the forced disconnect, on top of TSendFlow.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>

#include "AddressFile.h"
#include "DialogFolders.h"
#include "Main.h"
#include "Unit2.h"
#include "WidgetText.h"

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The body box holds at most this many characters.
constexpr int MaxBodyLength = 1000000;
// The filter of the dialog that adds a file to send (as for opening text).

}  // namespace

void TMainForm::ConnectSend() {
    SendFlow = std::make_unique<TSendFlow>(Tag);
    TSendEvents& E = SendFlow->Events;
    E.OnStatus = [this](const std::string& Text) {
        if (Text.empty())
            SMTPStatus->clearMessage();
        else
            SMTPStatus->showMessage(ShownText(Text));
    };
    // The flow's icons are QMessageBox's.
    E.OnMessageBox = [this](TBoxIcon Icon, const std::string& Text) {
        // A text shown before a box (the completion) is on screen while it is open.
        SMTPStatus->repaint();
        ShowMessageBox(this, static_cast<QMessageBox::Icon>(Icon), ShownText(Text));
    };
    E.OnHourglass = [this](bool On) {
        if (On) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            ++FSendHourglass;
        } else if (FSendHourglass > 0) {
            QApplication::restoreOverrideCursor();
            --FSendHourglass;
        }
    };
    E.OnShowSettings = [this] { Edit1Click(); };
    E.OnTrustCertificate = [this](const std::string& Text, const std::string& Fingerprint) {
        return AskTrustCertificate(Text, Fingerprint);
    };
    E.OnSendControls = [this](bool On) { SetSendControls(On); };
    E.OnSubjectChanged = [this](const std::string& Subject) { eSubject->setText(ShownText(Subject)); };
    E.OnBodyChanged = [this](const std::string& Body) {
        reMessageText->setPlainText(BoxText(Body, MaxBodyLength));
    };

    connect(ClearBtn, &QPushButton::clicked, this, [this] { ClearBtnClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this] { ComboBox2Change(); });
}

TSendDraft TMainForm::SendDraft() const {
    TSendDraft D;
    D.To = WidgetText(eTo->text());
    D.CC = WidgetText(eCC->text());
    D.Subject = WidgetText(eSubject->text());
    D.Body = WidgetText(reMessageText->toPlainText());
    for (int i = 0; i < ComboBox2->count(); ++i) D.Files.push_back(WidgetToPath(ComboBox2->itemText(i)));
    D.InReplyToId = InReplyToId;
    D.ReferencesText = ReferencesText;
    return D;
}

void TMainForm::ShowSendDraft(const TSendDraft& Draft) {
    eTo->setText(ShownText(Draft.To));
    eCC->setText(ShownText(Draft.CC));
    eSubject->setText(ShownText(Draft.Subject));
    ComboBox2->clear();
    for (const std::string& F : Draft.Files) ComboBox2->addItem(PathToWidget(F));
    ComboBox2->setToolTip(ComboBox2->currentText());
    reMessageText->setPlainText(BoxText(Draft.Body, MaxBodyLength));
    InReplyToId = Draft.InReplyToId;
    ReferencesText = Draft.ReferencesText;
}

void TMainForm::SendBtnClick() {
    if (!SendFlow) return;  // the window has closed
    SendFlow->SetTag(Tag);
    SendFlow->SendBtnClick(Host.Account, SendDraft());
}

void TMainForm::ClearBtnClick() {
    // Each file dialog is made anew, so there is no file name left to empty.
    TSendDraft D = SendDraft();
    TSendFlow::ClearBtnClick(D);
    ShowSendDraft(D);
}

void TMainForm::Button2Click() {
    const QString Path = AskOpenPath(TDialogFolder::Files, TextFilter);
    if (Path.isEmpty()) return;
    ComboBox2->addItem(Path);
    ComboBox2->setCurrentIndex(ComboBox2->count() - 1);
    ComboBox2->setToolTip(Path);
}

void TMainForm::Button3Click() {
    const int I = ComboBox2->currentIndex();
    if (I >= 0) ComboBox2->removeItem(I);
    if (ComboBox2->count() > 0) {
        ComboBox2->setCurrentIndex(I < 1 ? 0 : I - 1);
        ComboBox2->setToolTip(ComboBox2->currentText());
    } else {
        SMTPStatus->showMessage(U("添付データはありせん"));
        ComboBox2->setToolTip(QString());
        ComboBox2->clear();
    }
}

void TMainForm::ComboBox2Change() { ComboBox2->setToolTip(ComboBox2->currentText()); }

void TMainForm::N2Click() {
    if (!DualListDlg) return;
    if (!DualListDlg->LoadSource(AddressBookPath()))
        ShowMessageBox(this, QMessageBox::NoIcon, ShownText(NoAddressBookText()));
    // "戻る" fills the fields of the window that opened the address book.
    const QPointer<TMainForm> Self(this);
    DualListDlg->OnHandOver = [Self](const std::string* To, const std::string* CC) {
        if (!Self) return;
        if (To) Self->eTo->setText(ShownText(*To));
        if (CC) Self->eCC->setText(ShownText(*CC));
        Self->PageControl1->setCurrentWidget(Self->SendPage);
        Self->raise();
        Self->activateWindow();
    };
    DualListDlg->ShowWindow();
}

bool TMainForm::ForceSendDisconnect() { return SendFlow && SendFlow->ForceDisconnect(); }

void TMainForm::CloseSend() {
    // The client says QUIT when connected, waits for the reply and goes
    // without reporting to the page.
    SendFlow.reset();
    for (; FSendHourglass > 0; --FSendHourglass) QApplication::restoreOverrideCursor();
}

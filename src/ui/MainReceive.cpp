// TMainForm's read page and login: the handlers that forward to the receive flow, what they paint, replies and the patrol windows.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include "BaseMsg.h"
#include "DialogFolders.h"
#include "Main.h"
#include "ReceiveFlow.h"
#include "Reply.h"
#include "Unit3.h"
#include "WidgetText.h"
#include "cp932.h"
#include "spinEdit.h"

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The read box holds at most this many characters, as the send page's body.
constexpr int MaxReadLength = 1000000;

// A status bar and a progress bar repaint themselves at once on every
// change; during a listing that is several repaints per message. With
// updates held around the change they are painted once, with the rest of the
// window, when the event loop comes round.
void ShowStatus(QStatusBar* Bar, const QString& Text) {
    if (Bar->currentMessage() == Text) return;
    Bar->setUpdatesEnabled(false);
    Bar->showMessage(Text);
    Bar->setUpdatesEnabled(true);
}

void SetPosition(QProgressBar* Bar, int Position) {
    if (Bar->value() == Position) return;
    Bar->setUpdatesEnabled(false);
    Bar->setValue(Position);
    Bar->setUpdatesEnabled(true);
}

QMessageBox::Icon BoxIcon(TBoxIcon I) { return static_cast<QMessageBox::Icon>(static_cast<int>(I)); }

// The date of a received message in the system's short date format; the
// zero date (no usable Date field) is 30 December 1899 like any other.
QString ShortDate(TDateTime D) {
    const QDate Day = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(D)));
    return QLocale::system().toString(Day, QLocale::ShortFormat);
}

}  // namespace

std::function<void(TReceiveFlow&)> TMainForm::ReceiveSetUp;

void TMainForm::CreateReceive() {
    Receive = new TReceiveFlow(Tag, this);
    Receive->setObjectName(QStringLiteral("ReceiveFlow"));
    TReceiveEvents& E = Receive->Events;
    E.OnMessageBox = [this](TBoxIcon Icon, const std::string& Text) {
        ShowMessageBox(this, BoxIcon(Icon), ShownText(Text));
    };
    E.OnHourglass = [this](bool On) { SetHourglass(On); };
    E.OnShowSettings = [this] { Edit1Click(); };
    E.OnTrustCertificate = [this](const std::string& Text, const std::string& Fingerprint) {
        return AskTrustCertificate(Text, Fingerprint);
    };
    E.OnConnectStatus = [this](const std::string& T) { SetPending(FPendingConnect, ShownText(T)); };
    E.OnPopStatus = [this](const std::string& T) { SetPending(FPendingPop, ShownText(T)); };
    E.OnOkCaption = [this](const std::string& T) { PasswdOK->setText(ShownText(T)); };
    E.OnCountText = [this](const std::string& T) { Panel7->setText(ShownText(T)); };
    E.OnMessageCount = [this](int N) { lMessageCount->setText(QString::number(N)); };
    E.OnSpinRange = [this](int Min, int Max, int Value) {
        SpinEdit1->MinValue = Min;
        SpinEdit1->MaxValue = Max;
        SpinEdit1->SetValue(Value);
    };
    E.OnSpinValue = [this](int Value) { SpinEdit1->SetValue(Value); };
    E.OnRowsCleared = [this] {
        for (QTreeWidgetItem* I : FPendingRows) delete I;
        FPendingRows.clear();
        ListView1->clear();
    };
    E.OnRowAdded = [this](const TListRow& Row) {
        auto* Item = new QTreeWidgetItem(
            {ShownText(Row.Caption), ShownText(Row.Subject), ShortDate(Row.Date), QString::number(Row.Size)});
        Item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        Item->setCheckState(0, Qt::Unchecked);
        FPendingRows.push_back(Item);
        if (!Throttled()) AddPendingRows();
    };
    E.OnSelectRow = [this](int Row) {
        AddPendingRows();
        if (QTreeWidgetItem* Item = ListView1->topLevelItem(Row)) ListView1->setCurrentItem(Item);
    };
    E.OnListFocus = [this] { ListView1->setFocus(); };
    E.OnProgressShown = [this](bool Shown) { SetPending(FPendingShown, Shown); };
    E.OnProgress = [this](int Position) { SetPending(FPendingPosition, Position); };
    E.OnReceiveControls = [this](bool On) { On ? EnableReceiveControls() : DisableReceiveControls(); };
    E.OnReadCleared = [this] { mReadMessage->clear(); };
    E.OnAttachmentsCleared = [this] {
        ComboBox1->clear();
        Button4->setEnabled(false);
    };
    E.OnShowMessage = [this](const TReadLayout& Layout) { ShowReadLayout(Layout); };
    if (ReceiveSetUp) ReceiveSetUp(*Receive);
    FPaintTimer = new QTimer(this);
    FPaintTimer->setSingleShot(true);
    connect(FPaintTimer, &QTimer::timeout, this, [this] { ApplyPending(); });

    // What a screen reader announces for the progress of a listing.
    ProgressBar1->setAccessibleName(U("接続の進行状況"));
    ProgressBar2->setAccessibleName(U("受信の進行状況"));

    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { CheckListBox1DblClick(); });
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!ListView1->selectedItems().isEmpty()) ListView1SelectItem();
    });
    connect(ListView1, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* Item, int Column) {
        if (Column == 0) ListView1Change(Item);
    });
    SpinEdit1->OnChange = [this] { SpinEdit1Change(); };
    SpinEdit1->OnKeyDown = [this](int& Key, Qt::KeyboardModifiers) { SpinEdit1KeyDown(Key); };
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
    connect(reletter, &QPushButton::clicked, this, [this] { reletterClick(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
}

bool TMainForm::ReceiveEventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != ListView1 || !Receive) return false;
    if (Event->type() == QEvent::FocusIn) {
        ListView1Enter();
    } else if (Event->type() == QEvent::KeyPress) {
        auto* K = static_cast<QKeyEvent*>(Event);
        if (K->key() == Qt::Key_Return || K->key() == Qt::Key_Enter) {
            CheckListBox1KeyPress();
            return true;
        }
        if (K->key() == Qt::Key_D && (K->modifiers() & Qt::ControlModifier)) {
            ListView1KeyDown(K);
            return true;
        }
    }
    return false;
}

// While a connection lists, the flow reports a status text, the progress and
// a row for every message, each in its own turn of the event loop; painting
// each turn would cost more than the listing itself. So during a connection
// the first change goes to the window at once and the ones after it wait for
// a tick of PaintInterval, which shows the latest of each together.
bool TMainForm::Throttled() {
    if (!Receive || !Receive->Connected()) return false;
    if (FPaintTimer->isActive()) return true;
    FPaintTimer->start(PaintInterval);
    return false;
}

template <typename T>
void TMainForm::SetPending(std::optional<T>& Slot, const T& Value) {
    Slot = Value;
    if (!Throttled()) ApplyPending();
}

void TMainForm::ApplyPending() {
    bool Any = !FPendingRows.empty();
    AddPendingRows();
    for (auto [Bar, Text] : {std::pair(ConnectStatus, &FPendingConnect), std::pair(POPStatus, &FPendingPop)})
        if (*Text) {
            ShowStatus(Bar, **Text);
            Any = true;
        }
    if (FPendingPosition) {
        SetPosition(ProgressBar1, *FPendingPosition);
        SetPosition(ProgressBar2, *FPendingPosition);
        Any = true;
    }
    if (FPendingShown) {
        if (*FPendingShown) {
            ProgressBar1->setGeometry(140, 4, std::max(10, ConnectStatus->width() - 140), 16);
            ProgressBar2->setGeometry(180, 4, std::max(10, POPStatus->width() - 180), 14);
        }
        ProgressBar1->setVisible(*FPendingShown);
        ProgressBar2->setVisible(*FPendingShown);
        Any = true;
    }
    FPendingConnect.reset();
    FPendingPop.reset();
    FPendingPosition.reset();
    FPendingShown.reset();
    // Changes keep coming while the connection lasts: the next tick waits.
    if (Any && !FPaintTimer->isActive() && Receive && Receive->Connected()) FPaintTimer->start(PaintInterval);
}

void TMainForm::AddPendingRows() {
    if (FPendingRows.empty()) return;
    QList<QTreeWidgetItem*> Items(FPendingRows.begin(), FPendingRows.end());
    FPendingRows.clear();
    ListView1->addTopLevelItems(Items);
}

void TMainForm::SetHourglass(bool On) {
    if (On) {
        if (FHourglass++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (FHourglass > 0 && --FHourglass == 0) {
        QApplication::restoreOverrideCursor();
    }
}

TAccountRecord TMainForm::ReceiveAccount() const {
    TAccountRecord A = Host.Account;
    A.eUserName = WidgetText(eUserName->currentText());
    A.ePassword = WidgetText(ePassword->text());
    A.mailhead = Cmailhead->isChecked();
    return A;
}

int TMainForm::SelectedRow() const {
    const QList<QTreeWidgetItem*> Sel = ListView1->selectedItems();
    return Sel.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(Sel.first());
}

void TMainForm::ShowReadLayout(const TReadLayout& Layout) {
    std::string Text;
    size_t Size = 0;
    for (const std::string& L : Layout.Lines) Size += L.size() + 2;
    Text.reserve(Size);
    for (size_t I = 0; I < Layout.Lines.size(); ++I) {
        if (I > 0) Text += "\r\n";
        Text += Layout.Lines[I];
    }
    mReadMessage->setPlainText(BoxText(Text, MaxReadLength));
    ComboBox1->clear();
    for (const TAttachmentEntry& A : Layout.Attachments) ComboBox1->addItem(ShownText(A.Name), A.Number);
    if (ComboBox1->count() > 0) ComboBox1->setCurrentIndex(0);
    Button4->setEnabled(Layout.CanSave);
}

// ---------------------------------------------------------------------------
// Login, reading, marks, deleting

void TMainForm::PasswdOKClick() {
    if (Receive->PasswdOKClick(ReceiveAccount())) {
        ReferencesText.clear();
        InReplyToId.clear();
    }
}

void TMainForm::Button1Click() {
    AddPendingRows();
    Receive->Button1Click(ReceiveAccount());
}

void TMainForm::CheckListBox1DblClick() {
    AddPendingRows();
    Receive->CheckListBox1DblClick(ReceiveAccount(), SelectedRow());
}

void TMainForm::CheckListBox1KeyPress() {
    AddPendingRows();
    Receive->CheckListBox1KeyPress(ReceiveAccount(), SelectedRow());
}

void TMainForm::ListView1KeyDown(QKeyEvent*) {
    if (QTreeWidgetItem* Item = ListView1->currentItem(); Item && Item->isSelected())
        Item->setCheckState(0, Item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TMainForm::ListView1Enter() {
    AddPendingRows();
    if (ListView1->topLevelItemCount() > 0 && ListView1->selectedItems().isEmpty())
        ListView1->setCurrentItem(ListView1->topLevelItem(0));
}

void TMainForm::ListView1SelectItem() { Receive->ListView1SelectItem(); }

void TMainForm::ListView1Change(QTreeWidgetItem* Item) {
    const int Row = ListView1->indexOfTopLevelItem(Item);
    const bool Marked = Item->checkState(0) == Qt::Checked;
    if (Row >= 0 && Marked != Receive->Marked(Row)) Receive->ListView1Change(Row, Marked);
}

void TMainForm::SpinEdit1Change() {
    if (FInSpinChange) return;
    FInSpinChange = true;
    AddPendingRows();
    const int Value = SpinEdit1->Value();
    const int Shown = Receive->SpinEdit1Change(ReceiveAccount(), Value, SpinEdit1->Button->ButtonClicked);
    if (Shown != Value) SpinEdit1->SetValue(Shown);
    SpinEdit1->Button->ButtonClicked = false;
    FInSpinChange = false;
}

void TMainForm::SpinEdit1KeyDown(int& Key) {
    if (Key != Qt::Key_Return && Key != Qt::Key_Enter) return;
    AddPendingRows();
    Receive->SpinEdit1KeyDown(ReceiveAccount(), SpinEdit1->Value(), SpinEdit1->MinValue, SpinEdit1->MaxValue);
}

void TMainForm::N3Click() {
    // The item's check mark is the header display; a message being read is
    // shown again with or without its header.
    Receive->ShowHeader = N3->isChecked();
    if (ListView1->hasFocus() && SpinEdit1->Value() != 0) CheckListBox1DblClick();
}

// ---------------------------------------------------------------------------
// Attachments

void TMainForm::ComboBox1Change() { Button4->setEnabled(ComboBox1->count() > 0); }

void TMainForm::Button4Click() {
    const int Index = ComboBox1->currentIndex();
    if (Index < 0) return;
    // The listed name is already safe: it names a file inside the folder.
    const QString Name = ComboBox1->currentText();
    const QString Path = AskSavePath(TDialogFolder::Downloads, Name, QString());
    if (Path.isEmpty()) return;
    // The program's text names the file; a name it cannot hold would be
    // saved under another name.
    const std::string FsPath = WidgetToPath(Path);
    const std::string SjisPath = Utf8ToCp932(FsPath);
    std::string Error;
    if (Cp932ToUtf8(SjisPath) != FsPath)
        Error = SJ("このファイル名では保存できません。別の名前を選んでください");
    else if (Receive->SaveAttachment(Index, SjisPath, Error))
        return;
    ShowMessageBox(this, QMessageBox::Critical, ShownText(Error));
}

// ---------------------------------------------------------------------------
// Replies

void TMainForm::Reply(bool ToAll) {
    SetHourglass(true);
    DisableReceiveControls();
    TReplySource Source;
    if (QTreeWidgetItem* Item = ListView1->currentItem(); Item && Item->isSelected()) {
        Source.RowSelected = true;
        Source.RowCaption = WidgetText(Item->text(0));
        Source.RowSubject = WidgetText(Item->text(1));
    }
    Source.Shown = Receive->ShownMessage();
    Source.ReadLines = BoxLines(mReadMessage->toPlainText());
    Source.OwnAddress = Host.Account.Edit4;
    TSendDraft Draft;
    Draft.Body = WidgetText(reMessageText->toPlainText());
    Draft.InReplyToId = InReplyToId;
    Draft.ReferencesText = ReferencesText;
    const bool Made = MakeReply(Source, ToAll, Draft);
    eTo->setText(ShownText(Draft.To));
    eCC->setText(ShownText(Draft.CC));
    eSubject->setText(ShownText(Draft.Subject));
    if (Made) {
        InReplyToId = Draft.InReplyToId;
        ReferencesText = Draft.ReferencesText;
        reMessageText->setPlainText(BoxText(Draft.Body, MaxReadLength));
        eTo->setCursorPosition(0);
        eTo->deselect();
        ComboBox2->clear();
        PageControl1->setCurrentWidget(SendPage);
        reMessageText->setFocus();
    }
    SetHourglass(false);
    EnableReceiveControls();
}

void TMainForm::reletterClick() { Reply(false); }
void TMainForm::Button5Click() { Reply(true); }

// ---------------------------------------------------------------------------
// Patrol

void TMainForm::patrolClick() {
    if (!Form3) return;
    // The windows of the last patrol go first.
    std::vector<TAccountHost*> Old;
    Old.swap(Form3->PatrolWindows);
    for (TAccountHost* H : Old)
        if (auto* W = H ? qobject_cast<TMainForm*>(H->Window) : nullptr) {
            W->FormClose();
            W->hide();
            W->deleteLater();
        }
    const QList<QAction*> Items = patrolList->actions();
    const int Count = std::min<int>(static_cast<int>(Items.size()), MaxPatrolWindows);
    for (int K = 0; K < Count; ++K) {
        if (!Items[K]->isEnabled()) {
            Form3->PatrolWindows.push_back(nullptr);
            continue;
        }
        auto* W = new TMainForm(this);
        W->setObjectName(QStringLiteral("Mainform%1").arg(K + 1));
        const std::vector<std::string>& Names = Form3->Settings.UserNames;
        const QString Name =
            K < static_cast<int>(Names.size()) ? ShownText(Names[static_cast<size_t>(K)]) : Items[K]->text();
        W->setWindowTitle(U("巡回の名前は") + Name + U("です"));
        W->Account1->menuAction()->setVisible(false);
        W->Tag = K + 1;
        W->Receive->Tag = K + 1;
        W->SetMySelf(K + 1);
        Form3->PatrolWindows.push_back(&W->Host);
        Form3->Serve(K + 1);
        Form3->editdisp(K + 1);
        W->Cmailhead->setChecked(Form3->mailhead->isChecked());
        W->eUserName->addItem(Form3->eUserName->text());
        W->eUserName->setCurrentIndex(W->eUserName->count() - 1);
        W->ePassword->setText(Form3->ePassword->text());
        W->show();
        W->PasswdOKClick();
    }
}

// The address book window TDualListDlg: the address book beside the To and CC lists picked from it.
#include "Unit2.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <iterator>

#include "AccessibleControls.h"
#include "Fonts.h"
#include "Unit4.h"
#include "WidgetText.h"

TDualListDlg* DualListDlg = nullptr;

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The client size the window opens with (an outer size of about 392 x 309
// with a usual frame), and the smallest one at which the lists and buttons
// still stand apart.
constexpr int ClientWidth = 384;
constexpr int ClientHeight = 282;
constexpr int MinClientWidth = 330;
constexpr int MinClientHeight = 260;

}  // namespace

std::function<void(QWidget*, const QString&)> TDualListDlg::ErrorBox = [](QWidget* Parent,
                                                                          const QString& Text) {
    QMessageBox::critical(Parent, QGuiApplication::applicationDisplayName(), Text);
};

TDualListDlg::TDualListDlg(QWidget* Parent) : QWidget(Parent, Qt::Window) {
    if (!DualListDlg) DualListDlg = this;
    setObjectName(QStringLiteral("DualListDlg"));
    setWindowTitle(U("Velnaroアドレス帳"));
    AnnounceAsWindow(this);
    setFont(WindowFont());

    auto MakeLabel = [this](const char* Name, const char* Caption) {
        auto* L = new QLabel(U(Caption), this);
        L->setObjectName(QString::fromLatin1(Name));
        return L;
    };
    auto MakeList = [this](const char* Name, QLabel* Label, const char* Spoken) {
        auto* L = new QTreeWidget(this);
        L->setObjectName(QString::fromLatin1(Name));
        L->setColumnCount(2);
        L->setHeaderLabels({U("名前"), U("メールアドレス")});
        L->setRootIsDecorated(false);
        L->setItemsExpandable(false);
        L->setUniformRowHeights(true);
        L->setAllColumnsShowFocus(true);
        L->setSelectionBehavior(QAbstractItemView::SelectRows);
        L->setSelectionMode(QAbstractItemView::SingleSelection);
        L->setEditTriggers(QAbstractItemView::NoEditTriggers);
        L->header()->setSectionsMovable(false);
        L->header()->setStretchLastSection(false);
        Label->setBuddy(L);
        L->setAccessibleName(U(Spoken));
        L->installEventFilter(this);
        connect(L, &QTreeWidget::itemSelectionChanged, this, [this, L] { ListView1SelectItem(L); });
        return L;
    };
    auto MakeButton = [this](const char* Name, const char* Caption, const char* Spoken, int W, int H) {
        auto* B = new QPushButton(U(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        if (Spoken) B->setAccessibleName(U(Spoken));
        B->setAutoDefault(false);
        B->resize(W, H);
        return B;
    };

    SrcLabel = MakeLabel("SrcLabel", "配送元リスト :");
    DstLabel = MakeLabel("DstLabel", "メール配送リスト :");
    Label1 = MakeLabel("Label1", "CC配送リスト :");
    ListView1 = MakeList("ListView1", SrcLabel, "配送元リスト");
    ListView2 = MakeList("ListView2", DstLabel, "メール配送リスト");
    ListView3 = MakeList("ListView3", Label1, "CC配送リスト");
    // The source list's address column stays within 200 pixels; the CC
    // list's name column is narrow.
    ListView1->header()->setMaximumSectionSize(200);
    ListView1->header()->resizeSection(0, 80);
    ListView1->header()->resizeSection(1, 200);
    ListView3->header()->resizeSection(0, 64);
    for (QTreeWidget* L : {ListView1, ListView2, ListView3}) {
        L->move(8, 24);
        L->resize(165, 90);
    }
    SrcLabel->move(8, 6);
    DstLabel->move(ListView2->x(), 6);

    IncludeBtn = MakeButton("IncludeBtn", ">", "メール配送リストに追加", 24, 22);
    HelpBtn = MakeButton("HelpBtn", "CA", "メール配送リストを空にする", 24, 22);
    SpeedButton1 = MakeButton("SpeedButton1", ">", "CC配送リストに追加", 24, 22);
    Button3 = MakeButton("Button3", "CA", "CC配送リストを空にする", 24, 22);
    CancelBtn = MakeButton("CancelBtn", "リスト追加", nullptr, 75, 25);
    Button2 = MakeButton("Button2", "削除", nullptr, 50, 25);
    OKBtn = MakeButton("OKBtn", "戻る", nullptr, 60, 25);
    Button1 = MakeButton("Button1", "保存", nullptr, 60, 25);
    CancelBtn->move(8, 0);

    QWidget* Order[] = {ListView1,    CancelBtn, Button2,   IncludeBtn, HelpBtn, ListView2,
                        SpeedButton1, Button3,   ListView3, OKBtn,      Button1};
    for (size_t i = 0; i + 1 < std::size(Order); ++i) setTabOrder(Order[i], Order[i + 1]);

    connect(IncludeBtn, &QPushButton::clicked, this, [this] { IncludeBtnClick(); });
    connect(HelpBtn, &QPushButton::clicked, this, [this] { HelpBtnClick(); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { IncludeBtnClick(); });
    // Esc presses "リスト追加", wherever the focus is in the window.
    auto* Esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(Esc, &QShortcut::activated, this, [this] { CancelBtnClick(); });

    setMinimumSize(MinClientWidth, MinClientHeight);
    resize(ClientWidth, ClientHeight);
    if (const QScreen* Screen = QGuiApplication::primaryScreen())
        move(Screen->availableGeometry().center() - QPoint(ClientWidth / 2, ClientHeight / 2));
    FormResize();
}

TDualListDlg::~TDualListDlg() {
    if (DualListDlg == this) DualListDlg = nullptr;
}

// ---------------------------------------------------------------------------
// The lists

TAddressList& TDualListDlg::ListOf(QTreeWidget* List) {
    return List == ListView2 ? Lists.To : List == ListView3 ? Lists.Cc : Lists.Source;
}

void TDualListDlg::AppendRow(QTreeWidget* List, const TAddressEntry& Entry) {
    auto* Row = new QTreeWidgetItem(List);
    Row->setText(0, ShownText(Entry.Name));
    Row->setText(1, ShownText(Entry.Address));
}

void TDualListDlg::ShowRows(QTreeWidget* List) {
    // Filling a list is no selection by the user: LastList stays.
    const QSignalBlocker Quiet(List);
    List->clear();
    for (const TAddressEntry& E : ListOf(List).Rows) AppendRow(List, E);
    ShowSelection(List);
}

void TDualListDlg::ShowSelection(QTreeWidget* List) {
    const int I = ListOf(List).Selected;
    if (QTreeWidgetItem* Row = I >= 0 ? List->topLevelItem(I) : nullptr)
        List->setCurrentItem(Row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        List->clearSelection();
}

bool TDualListDlg::LoadSource(const std::string& Path) {
    if (!Lists.LoadSource(Path)) return false;
    ShowRows(ListView1);
    return true;
}

bool TDualListDlg::AddEntry(const std::string& Name, const std::string& Address) {
    if (!Lists.AddEntry(Name, Address)) return false;
    AppendRow(ListView1, Lists.Source.Rows.back());
    return true;
}

void TDualListDlg::ShowWindow() {
    show();
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------
// Handlers

void TDualListDlg::IncludeBtnClick() {
    if (Lists.IncludeBtnClick()) AppendRow(ListView2, Lists.To.Rows.back());
}

void TDualListDlg::SpeedButton1Click() {
    if (Lists.SpeedButton1Click()) AppendRow(ListView3, Lists.Cc.Rows.back());
}

void TDualListDlg::HelpBtnClick() {
    Lists.HelpBtnClick();
    const QSignalBlocker Quiet(ListView2);
    ListView2->clear();
}

void TDualListDlg::Button3Click() {
    Lists.Button3Click();
    const QSignalBlocker Quiet(ListView3);
    ListView3->clear();
}

void TDualListDlg::CancelBtnClick() {
    if (Form4) Form4->exec();
}

void TDualListDlg::DeleteIn(QTreeWidget* List) {
    TAddressList& L = ListOf(List);
    const int I = L.Selected;
    if (!TAddressBookLists::DeleteSelected(L)) return;
    {
        // Removing the row is no selection change; selecting the row that
        // takes its place is one (LastList follows it).
        const QSignalBlocker Quiet(List);
        delete List->takeTopLevelItem(I);
        List->clearSelection();
    }
    ShowSelection(List);
}

void TDualListDlg::Button2Click() {
    QTreeWidget* List = Lists.LastList == TAddressBookLists::SourceName ? ListView1
                        : Lists.LastList == TAddressBookLists::ToName   ? ListView2
                        : Lists.LastList == TAddressBookLists::CcName   ? ListView3
                                                                        : nullptr;
    if (!List) return;
    DeleteIn(List);
    List->setFocus();
}

void TDualListDlg::OKBtnClick() {
    const std::string To = Lists.To.JoinedAddresses();
    const std::string CC = Lists.Cc.JoinedAddresses();
    const bool AnyTo = !Lists.To.Rows.empty();
    const bool AnyCC = !Lists.Cc.Rows.empty();
    if (OnHandOver) {
        auto Handler = OnHandOver;
        Handler(AnyTo ? &To : nullptr, AnyCC ? &CC : nullptr);
    }
    hide();
}

void TDualListDlg::Button1Click() {
    try {
        Lists.ListSave(AddressBookPath());
    } catch (const Exception& E) {
        if (ErrorBox) ErrorBox(this, ShownText(E.Message()));
    }
}

void TDualListDlg::ListView1KeyDown(QTreeWidget* List) { DeleteIn(List); }

void TDualListDlg::ListView1Enter(QTreeWidget* List) {
    TAddressList& L = ListOf(List);
    if (L.Rows.empty()) return;
    if (L.Selected < 0) {
        TAddressBookLists::EnterList(L);
        ShowSelection(List);
    }
    // The focus mark goes to the first row; the selection stays.
    List->selectionModel()->setCurrentIndex(List->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

void TDualListDlg::ListView1SelectItem(QTreeWidget* List) {
    Lists.SelectItem(List->objectName().toStdString());
    const QList<QTreeWidgetItem*> Selected = List->selectedItems();
    ListOf(List).Selected = Selected.isEmpty() ? -1 : List->indexOfTopLevelItem(Selected.first());
}

// ---------------------------------------------------------------------------
// Layout

void TDualListDlg::FormResize() {
    const int W = width();
    const int H = height();
    const int Gap = IncludeBtn->width();
    ListView1->resize((W - Gap - 30) / 2, ListView1->height());
    const int Right = ListView1->x() + ListView1->width();
    ListView2->move(Right + Gap + 10, ListView2->y());
    DstLabel->move(ListView2->x(), DstLabel->y());
    Label1->move(ListView2->x(), Label1->y());
    for (QPushButton* B : {IncludeBtn, HelpBtn, SpeedButton1, Button3}) B->move(Right + 5, B->y());
    ListView2->resize(ListView1->width(), ListView2->height());
    ListView3->move(ListView2->x(), ListView3->y());
    ListView3->resize(ListView1->width(), ListView3->height());

    const int Bottom = H - CancelBtn->height() - 12;
    CancelBtn->move(CancelBtn->x(), Bottom);
    Button2->move(Right - Button2->width(), Bottom);
    OKBtn->move(ListView2->x(), Bottom);
    Button1->move(ListView2->x() + ListView2->width() - Button1->width(), Bottom);

    ListView1->resize(ListView1->width(), Bottom - ListView1->y() - 10);
    ListView2->resize(ListView2->width(), ListView1->height() / 2 - 14);
    ListView3->resize(ListView3->width(), ListView2->height());
    ListView3->move(ListView3->x(), ListView2->y() + ListView2->height() + 28);
    Label1->move(Label1->x(), ListView3->y() - 20);

    IncludeBtn->move(IncludeBtn->x(), ListView2->y() + 14);
    HelpBtn->move(HelpBtn->x(), IncludeBtn->y() + 2 * IncludeBtn->height());
    SpeedButton1->move(SpeedButton1->x(), ListView3->y() + 14);
    Button3->move(Button3->x(), SpeedButton1->y() + 2 * SpeedButton1->height());
}

void TDualListDlg::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    FormResize();
}

bool TDualListDlg::eventFilter(QObject* Watched, QEvent* Event) {
    auto* List = qobject_cast<QTreeWidget*>(Watched);
    if (!List || (List != ListView1 && List != ListView2 && List != ListView3))
        return QWidget::eventFilter(Watched, Event);
    if (Event->type() == QEvent::FocusIn) {
        ListView1Enter(List);
    } else if (Event->type() == QEvent::KeyPress) {
        const int Key = static_cast<QKeyEvent*>(Event)->key();
        if (Key == Qt::Key_Delete) {
            ListView1KeyDown(List);
            return true;
        }
        if (List == ListView1 && (Key == Qt::Key_Return || Key == Qt::Key_Enter)) {
            IncludeBtnClick();
            return true;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

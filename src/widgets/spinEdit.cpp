// The spin edit: a numeric field (TSpinEdit2) with a pair of up and down buttons (TSpinButton2) that repeat while held (TTimerSpeedButton).
#include "spinEdit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QTimer>

#include <limits>

// ---------------------------------------------------------------- TTimerSpeedButton

TTimerSpeedButton::TTimerSpeedButton(QWidget* Parent) : QAbstractButton(Parent) {
    // The pair (or its focus control) takes the keyboard focus, never a half.
    setFocusPolicy(Qt::NoFocus);
}

void TTimerSpeedButton::SetTimeBtnState(int State) {
    if (State == FTimeBtnState) return;
    FTimeBtnState = State;
    update();
}

void TTimerSpeedButton::SetGlyph(const QPixmap& Glyph) {
    FGlyph = Glyph;
    update();
}

void TTimerSpeedButton::SetNumGlyphs(int Count) {
    FNumGlyphs = Count < 1 ? 1 : (Count > 4 ? 4 : Count);
    update();
}

QSize TTimerSpeedButton::sizeHint() const { return QSize(15, 9); }

void TTimerSpeedButton::mousePressEvent(QMouseEvent* Event) {
    QAbstractButton::mousePressEvent(Event);
    if (Event->button() == Qt::LeftButton && isDown() && (FTimeBtnState & tbAllowTimer)) {
        if (!FRepeatTimer) {
            FRepeatTimer = new QTimer(this);
            connect(FRepeatTimer, &QTimer::timeout, this, &TTimerSpeedButton::TimerExpired);
        }
        FRepeatTimer->setInterval(InitRepeatPause);
        FRepeatTimer->start();
    }
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent* Event) {
    if (FRepeatTimer) FRepeatTimer->stop();
    QAbstractButton::mouseReleaseEvent(Event);
}

void TTimerSpeedButton::changeEvent(QEvent* Event) {
    // A button disabled or hidden while held (the owner may disable it in
    // its click handler) never sees the release: stop repeating here.
    if (Event->type() == QEvent::EnabledChange && !isEnabled() && FRepeatTimer) FRepeatTimer->stop();
    QAbstractButton::changeEvent(Event);
}

void TTimerSpeedButton::hideEvent(QHideEvent* Event) {
    if (FRepeatTimer) FRepeatTimer->stop();
    QAbstractButton::hideEvent(Event);
}

void TTimerSpeedButton::TimerExpired() {
    FRepeatTimer->setInterval(RepeatPause);
    // Repeat only while the mouse holds the button down over it; dragged off
    // the button, the clicks pause until the pointer comes back.
    if (isDown()) emit clicked(false);
}

void TTimerSpeedButton::paintEvent(QPaintEvent*) {
    QPainter P(this);
    QStyleOptionButton Opt;
    Opt.initFrom(this);
    Opt.features = QStyleOptionButton::None;
    Opt.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &Opt, &P, this);

    QRect Client = rect();
    const int Shift = isDown() ? 1 : 0;
    if (!FGlyph.isNull()) {
        // Pictures side by side: 0 normal, 1 disabled, 2 pressed.
        int Index = 0;
        if (!isEnabled() && FNumGlyphs > 1)
            Index = 1;
        else if (isDown() && FNumGlyphs > 2)
            Index = 2;
        const int W = FGlyph.width() / FNumGlyphs;
        const int H = FGlyph.height();
        QRect Source(Index * W, 0, W, H);
        QPoint At((Client.width() - W) / 2 + Shift, (Client.height() - H) / 2 + Shift);
        if (!isEnabled() && FNumGlyphs < 2) P.setOpacity(0.4);
        P.drawPixmap(At, FGlyph, Source);
        P.setOpacity(1.0);
    }
    if (FTimeBtnState & tbFocusRect) {
        QStyleOptionFocusRect Focus;
        Focus.initFrom(this);
        Focus.rect = Client.adjusted(3, 3, -3, -3).translated(Shift, Shift);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &Focus, &P, this);
    }
}

// ---------------------------------------------------------------- TSpinButton2

TSpinButton2::TSpinButton2(QWidget* Parent) : QWidget(Parent) {
    // Like a control without a tab stop: focus only when given explicitly.
    setFocusPolicy(Qt::NoFocus);
    resize(20, 25);
    FUpButton = CreateButton();
    FUpButton->setObjectName(QStringLiteral("UpButton"));
    FUpButton->setAccessibleName(QString::fromUtf8("増やす"));
    FUpButton->SetGlyph(BuiltInGlyph("SpinUp2"));
    FDownButton = CreateButton();
    FDownButton->setObjectName(QStringLiteral("DownButton"));
    FDownButton->setAccessibleName(QString::fromUtf8("減らす"));
    FDownButton->SetGlyph(BuiltInGlyph("SpinDown2"));
    FFocusedButton = FUpButton;
    AdjustSize();
}

TTimerSpeedButton* TSpinButton2::CreateButton() {
    auto* Btn = new TTimerSpeedButton(this);
    Btn->SetTimeBtnState(TTimerSpeedButton::tbAllowTimer);
    connect(Btn, &QAbstractButton::clicked, this, [this, Btn] { BtnClick(Btn); });
    Btn->installEventFilter(this);
    return Btn;
}

QPixmap TSpinButton2::BuiltInGlyph(const char* Name) {
    const bool Up = qstrcmp(Name, "SpinUp2") == 0;
    if (!Up && qstrcmp(Name, "SpinDown2") != 0) return QPixmap();
    // A small solid triangle, 7 x 4 pixels.
    QImage Img(7, 4, QImage::Format_ARGB32);
    Img.fill(Qt::transparent);
    for (int Row = 0; Row < 4; ++Row) {
        const int Half = Up ? Row : 3 - Row;  // half-width of this row
        for (int X = 3 - Half; X <= 3 + Half; ++X) Img.setPixel(X, Row, qRgb(0, 0, 0));
    }
    return QPixmap::fromImage(Img);
}

void TSpinButton2::SetUpGlyph(const QPixmap& Glyph) {
    FUpButton->SetGlyph(Glyph.isNull() ? BuiltInGlyph("SpinUp2") : Glyph);
    if (Glyph.isNull()) FUpButton->SetNumGlyphs(1);
}

void TSpinButton2::SetDownGlyph(const QPixmap& Glyph) {
    FDownButton->SetGlyph(Glyph.isNull() ? BuiltInGlyph("SpinDown2") : Glyph);
    if (Glyph.isNull()) FDownButton->SetNumGlyphs(1);
}

void TSpinButton2::BtnClick(TTimerSpeedButton* Sender) {
    ButtonClicked = true;
    if (Sender == FUpButton) {
        if (OnUpClick) OnUpClick();
    } else {
        if (OnDownClick) OnDownClick();
    }
}

void TSpinButton2::BtnMouseDown(TTimerSpeedButton* Sender) {
    SetFocusBtn(Sender);
    QWidget* Focus = QApplication::focusWidget();
    if (FocusControl && FocusControl->isEnabled() && FocusControl->isVisible() &&
        FocusControl->focusPolicy() != Qt::NoFocus && Focus != FocusControl) {
        FocusControl->setFocus(Qt::MouseFocusReason);
    } else if ((focusPolicy() & Qt::TabFocus) && Focus != this && isEnabled() && isVisible()) {
        setFocus(Qt::MouseFocusReason);
    }
}

bool TSpinButton2::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::MouseButtonPress && (Watched == FUpButton || Watched == FDownButton)) {
        auto* Mouse = static_cast<QMouseEvent*>(Event);
        if (Mouse->button() == Qt::LeftButton) BtnMouseDown(static_cast<TTimerSpeedButton*>(Watched));
    }
    return QWidget::eventFilter(Watched, Event);
}

void TSpinButton2::SetFocusBtn(TTimerSpeedButton* Btn) {
    if (Btn == FFocusedButton) return;
    FFocusedButton->SetTimeBtnState(FFocusedButton->TimeBtnState() & ~TTimerSpeedButton::tbFocusRect);
    FFocusedButton = Btn;
    if (hasFocus())
        FFocusedButton->SetTimeBtnState(FFocusedButton->TimeBtnState() | TTimerSpeedButton::tbFocusRect);
}

void TSpinButton2::keyPressEvent(QKeyEvent* Event) {
    switch (Event->key()) {
        case Qt::Key_Up:
            SetFocusBtn(FUpButton);
            ButtonClicked = true;
            BtnClick(FUpButton);
            break;
        case Qt::Key_Down:
            SetFocusBtn(FDownButton);
            ButtonClicked = true;
            BtnClick(FDownButton);
            break;
        case Qt::Key_Space: BtnClick(FFocusedButton); break;
        default: QWidget::keyPressEvent(Event);
    }
}

void TSpinButton2::focusInEvent(QFocusEvent* Event) {
    FFocusedButton->SetTimeBtnState(FFocusedButton->TimeBtnState() | TTimerSpeedButton::tbFocusRect);
    QWidget::focusInEvent(Event);
}

void TSpinButton2::focusOutEvent(QFocusEvent* Event) {
    FFocusedButton->SetTimeBtnState(FFocusedButton->TimeBtnState() & ~TTimerSpeedButton::tbFocusRect);
    QWidget::focusOutEvent(Event);
}

void TSpinButton2::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    AdjustSize();
}

void TSpinButton2::AdjustSize() {
    setMinimumWidth(15);
    const int W = width() < 15 ? 15 : width();
    const int H = height();
    FUpButton->setGeometry(0, 0, W, H / 2);
    FDownButton->setGeometry(0, H / 2, W, H - H / 2);
}

// ---------------------------------------------------------------- TSpinEdit2

std::function<void()> TSpinEdit2::Beep = [] { QApplication::beep(); };

TSpinEdit2::TSpinEdit2(QWidget* Parent) : QLineEdit(Parent), Button(new TSpinButton2(this)) {
    Button->setObjectName(QStringLiteral("Button"));
    Button->resize(15, 17);
    Button->FocusControl = this;
    Button->OnUpClick = [this] { UpClick(); };
    Button->OnDownClick = [this] { DownClick(); };
    Button->setCursor(Qt::ArrowCursor);
    Button->show();
    connect(this, &QLineEdit::textChanged, this, [this] {
        FTextChanged = true;
        if (OnChange) OnChange();
    });
    setText(QStringLiteral("0"));
    UpdateMinHeight();
    PlaceButton();
}

int32_t TSpinEdit2::Value() const {
    const QString T = text();
    if (T.isEmpty()) return 0;
    int i = 0, N = T.size();
    while (i < N && T[i].unicode() <= ' ') ++i;
    while (N > i && T[N - 1].unicode() <= ' ') --N;
    bool Neg = false;
    if (i < N && (T[i] == QLatin1Char('-') || T[i] == QLatin1Char('+'))) {
        Neg = T[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= N) return MinValue;
    // Saturate rather than overflow: a long row of digits reads as the end
    // of the range it points to, so leaving the field pulls it to a bound.
    const int64_t Limit =
        Neg ? -int64_t(std::numeric_limits<int32_t>::min()) : int64_t(std::numeric_limits<int32_t>::max());
    int64_t V = 0;
    for (; i < N; ++i) {
        const ushort C = T[i].unicode();
        if (C < '0' || C > '9') return MinValue;
        if (V < Limit) V = V * 10 + (C - '0');
        if (V > Limit) V = Limit;
    }
    return static_cast<int32_t>(Neg ? -V : V);
}

int32_t TSpinEdit2::CheckValue(int64_t NewValue) const {
    if (MinValue == MaxValue) return MinValue;
    if (NewValue < MinValue) return MinValue;
    if (NewValue > MaxValue) return MaxValue;
    return static_cast<int32_t>(NewValue);
}

void TSpinEdit2::SetValue(int64_t NewValue) { setText(QString::number(CheckValue(NewValue))); }

void TSpinEdit2::Step(int64_t Delta) {
    if (isReadOnly()) {
        if (Beep) Beep();
        return;
    }
    FTextChanged = false;
    SetValue(int64_t(Value()) + Delta);
    // A step that left the text as it was still tells the owner, so a
    // ButtonClicked set by it is always seen by the change handler.
    if (!FTextChanged && OnChange) OnChange();
}

void TSpinEdit2::UpClick() { Step(Increment); }

void TSpinEdit2::DownClick() { Step(-int64_t(Increment)); }

bool TSpinEdit2::IsValidChar(QChar Key) const {
    const ushort C = Key.unicode();
    const bool Control = C < 0x20;
    bool Result = (C >= '0' && C <= '9') || C == '+' || C == '-' || C == '.' || (Control && C != '\r');
    if (!EditorEnabled && Result && (!Control || C == '\b')) Result = false;
    return Result;
}

void TSpinEdit2::keyPressEvent(QKeyEvent* Event) {
    int Key = Event->key();
    if (Key == Qt::Key_Up)
        UpClick();
    else if (Key == Qt::Key_Down)
        DownClick();
    if (OnKeyDown) OnKeyDown(Key, Event->modifiers());
    if (Key == 0) {
        Event->accept();
        return;
    }
    if (Key == Qt::Key_Up || Key == Qt::Key_Down) {
        Event->accept();
        return;
    }
    if (!EditorEnabled) {
        // Nothing may change the text by hand: no delete, cut or paste either.
        if (Key == Qt::Key_Delete || Event->matches(QKeySequence::Cut) ||
            Event->matches(QKeySequence::Paste) || Event->matches(QKeySequence::Delete) ||
            Event->matches(QKeySequence::DeleteEndOfWord) ||
            Event->matches(QKeySequence::DeleteStartOfWord) ||
            Event->matches(QKeySequence::DeleteEndOfLine) ||
            Event->matches(QKeySequence::DeleteCompleteLine) || Event->matches(QKeySequence::Undo) ||
            Event->matches(QKeySequence::Redo)) {
            if (Beep) Beep();
            Event->accept();
            return;
        }
    }
    const QString Typed = Event->text();
    // Keys that produce no character (arrows, Home, Delete, ...) are not
    // typing; neither are Ctrl and Alt combinations, which stand for control
    // characters or shortcuts (some platforms report Ctrl+V with the text "v").
    const bool Shortcut = Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!Typed.isEmpty() && Key != Qt::Key_Delete && !Shortcut) {
        for (QChar C : Typed) {
            if (!IsValidChar(C)) {
                if (Beep) Beep();
                Event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(Event);
}

void TSpinEdit2::contextMenuEvent(QContextMenuEvent* Event) {
    // Without the editor the menu is built as for a read-only field: cut,
    // paste, delete, undo and redo come disabled, copy and select-all stay.
    const bool Lock = !EditorEnabled && !isReadOnly();
    if (Lock) setReadOnly(true);
    QMenu* Menu = createStandardContextMenu();
    if (Lock) setReadOnly(false);
    Menu->setAttribute(Qt::WA_DeleteOnClose);
    Menu->popup(Event->globalPos());
}

void TSpinEdit2::focusOutEvent(QFocusEvent* Event) {
    QLineEdit::focusOutEvent(Event);
    const int32_t V = Value();
    if (CheckValue(V) != V) SetValue(V);
}

void TSpinEdit2::resizeEvent(QResizeEvent* Event) {
    QLineEdit::resizeEvent(Event);
    PlaceButton();
}

void TSpinEdit2::changeEvent(QEvent* Event) {
    QLineEdit::changeEvent(Event);
    if (Event->type() == QEvent::FontChange || Event->type() == QEvent::StyleChange) {
        UpdateMinHeight();
        PlaceButton();
    }
}

void TSpinEdit2::UpdateMinHeight() {
    // Never lower than the font and the frame need.
    const int Frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    setMinimumHeight(fontMetrics().height() + 2 * Frame + 2);
}

void TSpinEdit2::PlaceButton() {
    // The pair sits inside the frame at the right edge; the text stays left of it.
    const int Frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    const int W = Button->width();
    Button->setGeometry(width() - W - Frame, Frame, W, qMax(2, height() - 2 * Frame));
    setTextMargins(0, 0, W + 2, 0);
}

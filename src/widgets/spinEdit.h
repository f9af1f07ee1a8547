// The spin edit: a numeric field (TSpinEdit2) with a pair of up and down buttons (TSpinButton2) that repeat while held (TTimerSpeedButton).
#pragma once

#include <cstdint>
#include <functional>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

class QTimer;

// A flat button that clicks again and again while it is held down: after
// InitRepeatPause milliseconds, then every RepeatPause milliseconds, until the
// mouse is released. A press and release is an ordinary click (`clicked`).
class TTimerSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    enum TTimeBtnStateFlag {
        tbFocusRect = 1,   // draw the focus rectangle
        tbAllowTimer = 2,  // repeat the click while held down
    };
    static constexpr int InitRepeatPause = 400;
    static constexpr int RepeatPause = 100;

    explicit TTimerSpeedButton(QWidget* Parent = nullptr);

    int TimeBtnState() const { return FTimeBtnState; }
    void SetTimeBtnState(int State);

    // The arrow bitmap: NumGlyphs pictures side by side (normal, disabled,
    // pressed); a null pixmap draws nothing.
    QPixmap Glyph() const { return FGlyph; }
    void SetGlyph(const QPixmap& Glyph);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int Count);

    // The repeat timer, created on the first press that may repeat; null before.
    QTimer* RepeatTimer() const { return FRepeatTimer; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;
    QSize sizeHint() const override;

private:
    void TimerExpired();

    int FTimeBtnState = 0;
    QPixmap FGlyph;
    int FNumGlyphs = 1;
    QTimer* FRepeatTimer = nullptr;
};

// The pair of spin buttons, the up half on top. A click on a half sets
// ButtonClicked and raises OnUpClick or OnDownClick; the flag is never
// cleared here, the owner of the pair clears it when it has acted on it.
class TSpinButton2 : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton2(QWidget* Parent = nullptr);

    TTimerSpeedButton* UpButton() const { return FUpButton; }
    TTimerSpeedButton* DownButton() const { return FDownButton; }
    // The half that takes the Space key and shows the focus frame.
    TTimerSpeedButton* FocusedButton() const { return FFocusedButton; }

    // Where the keyboard focus goes when a half is pressed (may be null).
    QWidget* FocusControl = nullptr;
    std::function<void()> OnUpClick;
    std::function<void()> OnDownClick;
    // Set whenever a half is clicked or the Up/Down key steps the pair.
    bool ButtonClicked = false;

    // The arrows; by default the built-in pictures "SpinUp2" and "SpinDown2",
    // one glyph each. Setting a null pixmap brings the built-in one back.
    QPixmap UpGlyph() const { return FUpButton->Glyph(); }
    void SetUpGlyph(const QPixmap& Glyph);
    QPixmap DownGlyph() const { return FDownButton->Glyph(); }
    void SetDownGlyph(const QPixmap& Glyph);
    int UpNumGlyphs() const { return FUpButton->NumGlyphs(); }
    void SetUpNumGlyphs(int Count) { FUpButton->SetNumGlyphs(Count); }
    int DownNumGlyphs() const { return FDownButton->NumGlyphs(); }
    void SetDownNumGlyphs(int Count) { FDownButton->SetNumGlyphs(Count); }

    // The built-in arrow picture by name ("SpinUp2" or "SpinDown2").
    static QPixmap BuiltInGlyph(const char* Name);

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    QSize sizeHint() const override { return QSize(20, 25); }

private:
    TTimerSpeedButton* CreateButton();
    void BtnClick(TTimerSpeedButton* Sender);
    void BtnMouseDown(TTimerSpeedButton* Sender);
    void SetFocusBtn(TTimerSpeedButton* Btn);
    void AdjustSize();

    TTimerSpeedButton* FUpButton;
    TTimerSpeedButton* FDownButton;
    TTimerSpeedButton* FFocusedButton;
};

// The numeric field with its button pair at the right edge. The text is the
// value: Value() reads it, SetValue() writes it pulled into the bounds.
class TSpinEdit2 : public QLineEdit {
    Q_OBJECT
public:
    explicit TSpinEdit2(QWidget* Parent = nullptr);

    int32_t MinValue = 0;
    int32_t MaxValue = 0;
    int32_t Increment = 1;
    // False: nothing may be typed, pasted, cut or deleted; the buttons still step.
    bool EditorEnabled = true;
    TSpinButton2* const Button;

    // Empty text: 0; a decimal number (optional blanks and sign); numbers
    // beyond the 32-bit range saturate at its ends; any other text: MinValue.
    int32_t Value() const;
    // Writes the checked value as decimal text: the bound itself when
    // MinValue equals MaxValue, otherwise v pulled into MinValue .. MaxValue.
    void SetValue(int64_t NewValue);
    int32_t CheckValue(int64_t NewValue) const;

    // One step up or down (a beep and nothing else when the field is read-only).
    void UpClick();
    void DownClick();

    // Raised on every change of the text, and also for a step of the buttons
    // or arrow keys that leaves the text as it was (a step at a bound).
    std::function<void()> OnChange;
    // Raised for every key pressed in the field after the Up and Down keys
    // have stepped the value; setting Key to 0 stops the field's own handling.
    std::function<void(int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;

    // The sound of a refused key or step; tests replace it.
    static std::function<void()> Beep;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    bool IsValidChar(QChar Key) const;
    void Step(int64_t Delta);
    void PlaceButton();
    void UpdateMinHeight();

    bool FTextChanged = false;
};

// The spin edit: value and bounds, steps by buttons and keys, the ButtonClicked flag, typing rules, auto-repeat timing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

#include "spinEdit.h"

namespace {

// A window holding the spin edit and a second field to move the focus to.
// Beeps and change events are counted.
struct SpinFixture : ::testing::Test {
    QWidget Window;
    TSpinEdit2* Spin = nullptr;
    QLineEdit* Other = nullptr;
    int Beeps = 0, Changes = 0;

    void SetUp() override {
        TSpinEdit2::Beep = [this] { ++Beeps; };
        auto* Layout = new QVBoxLayout(&Window);
        Layout->addWidget(Spin = new TSpinEdit2);
        Layout->addWidget(Other = new QLineEdit);
        Spin->OnChange = [this] { ++Changes; };
        Window.show();
        Window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
        Spin->setFocus();
    }
    void TearDown() override {
        TSpinEdit2::Beep = [] { QApplication::beep(); };
    }

    void SetBounds(int Min, int Max, int Value) {
        Spin->MinValue = Min;
        Spin->MaxValue = Max;
        Spin->SetValue(Value);
    }
    void Press(std::initializer_list<Qt::Key> Keys) {
        for (Qt::Key K : Keys) QTest::keyClick(Spin, K);
    }
    void ClickUp() { QTest::mouseClick(Spin->Button->UpButton(), Qt::LeftButton); }
};

TEST_F(SpinFixture, ValueReadsTheTextAndWritesItWithinTheBounds) {
    SetBounds(3, 9, 5);
    // Empty reads 0, non-numbers the minimum; beyond 32 bits saturates.
    const std::pair<const char*, int> Reads[] = {{"", 0},
                                                 {"abc", 3},
                                                 {"1.5", 3},
                                                 {"-", 3},
                                                 {" +7 ", 7},
                                                 {"-12", -12},
                                                 {"99999999999999999999", INT_MAX},
                                                 {"-2147483648", INT_MIN},
                                                 {"-99999999999999999999", INT_MIN}};
    for (auto [Text, Expected] : Reads) {
        Spin->setText(Text);
        EXPECT_EQ(Spin->Value(), Expected) << Text;
    }
    // Writing pulls into the bounds; equal bounds pin the value.
    const int Writes[][4] = {{1, 5, 9, 5}, {1, 5, -4, 1}, {0, 0, 17, 0}, {4, 4, -3, 4}};
    for (auto& W : Writes) {
        SetBounds(W[0], W[1], W[2]);
        EXPECT_EQ(Spin->Value(), W[3]);
    }
    Spin->SetValue(int64_t(INT_MAX) + 10);
    EXPECT_EQ(Spin->text(), "4");
    // The pair sits inside the right edge; the text stays left of it.
    EXPECT_LE(Spin->Button->geometry().right(), Spin->width() - 1);
    EXPECT_GE(Spin->textMargins().right(), Spin->Button->width());
}

TEST_F(SpinFixture, ButtonsStepWithinTheBoundsAndSetButtonClicked) {
    SetBounds(1, 5, 4);
    Changes = 0;
    Other->setFocus();
    ClickUp();
    EXPECT_EQ(Spin->text(), "5");
    EXPECT_TRUE(Spin->Button->ButtonClicked);
    EXPECT_TRUE(Spin->hasFocus());  // pressing a half brings the focus to the field
    // At the bound the text stays; the owner still hears of the step.
    ClickUp();
    EXPECT_EQ(Spin->text(), "5");
    EXPECT_EQ(Changes, 2);
    Spin->Button->ButtonClicked = false;
    QTest::mouseClick(Spin->Button->DownButton(), Qt::LeftButton);
    EXPECT_EQ(Spin->text(), "4");
    EXPECT_TRUE(Spin->Button->ButtonClicked);

    // A step at the ends of the 32-bit range does not overflow.
    SetBounds(INT_MIN, INT_MAX, INT_MAX);
    Spin->Increment = INT_MAX;
    Spin->UpClick();
    EXPECT_EQ(Spin->Value(), INT_MAX);
    Spin->SetValue(INT_MIN);
    Spin->DownClick();
    EXPECT_EQ(Spin->Value(), INT_MIN);

    // A read-only field beeps instead of stepping.
    Spin->setReadOnly(true);
    ClickUp();
    QTest::keyClick(Spin, Qt::Key_Down);
    EXPECT_EQ(Spin->Value(), INT_MIN);
    EXPECT_EQ(Beeps, 2);
}

TEST_F(SpinFixture, KeysStepFromTheFieldWithoutAndFromThePairWithButtonClicked) {
    SetBounds(1, 5, 3);
    std::vector<int> Keys;
    Spin->OnKeyDown = [&](int& Key, Qt::KeyboardModifiers) { Keys.push_back(Key); };
    Press({Qt::Key_Up, Qt::Key_Down, Qt::Key_Down});
    EXPECT_EQ(Spin->text(), "2");
    EXPECT_FALSE(Spin->Button->ButtonClicked);
    QTest::keyClick(Spin, Qt::Key_Return);
    EXPECT_EQ(Keys, (std::vector<int>{Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}));
    // A handler that swallows the key stops the field's own handling.
    Spin->OnKeyDown = [](int& Key, Qt::KeyboardModifiers) { Key = 0; };
    QTest::keyClicks(Spin, "7");
    EXPECT_EQ(Spin->text(), "2");

    TSpinButton2* Pair = Spin->Button;
    Pair->setFocus();
    QTest::keyClick(Pair, Qt::Key_Up);
    EXPECT_EQ(Spin->text(), "3");
    EXPECT_TRUE(Pair->ButtonClicked);
    QTest::keyClick(Pair, Qt::Key_Down);
    QTest::keyClick(Pair, Qt::Key_Space);  // clicks the focused (down) half
    EXPECT_EQ(Spin->text(), "1");
    EXPECT_TRUE(Pair->DownButton()->TimeBtnState() & TTimerSpeedButton::tbFocusRect);
}

TEST_F(SpinFixture, TypingTakesDigitsSignsAndTheSeparatorOnlyAndNothingWithTheEditorDisabled) {
    SetBounds(1, 5, 1);
    Spin->clear();
    QTest::keyClicks(Spin, "1a2+-.x");
    EXPECT_EQ(Spin->text(), "12+-.");
    EXPECT_EQ(Beeps, 2);
    QTest::keyClick(Spin, Qt::Key_Return);
    EXPECT_EQ(Beeps, 3);
    // Editing keys and Ctrl shortcuts are no typing.
    Press({Qt::Key_Backspace, Qt::Key_Home, Qt::Key_Delete});
    EXPECT_EQ(Spin->text(), "2+-");
    QApplication::clipboard()->setText("4");
    QTest::keyClick(Spin, Qt::Key_End);
    QTest::keySequence(Spin, QKeySequence::Paste);
    EXPECT_EQ(Spin->text(), "2+-4");
    EXPECT_EQ(Beeps, 3);

    // Typed beyond the maximum (and beyond 32 bits), pulled back on leaving the field.
    Spin->setText("123456789012345");
    Other->setFocus();
    EXPECT_EQ(Spin->text(), "5");

    // With the editor disabled every change by hand is refused.
    SetBounds(1, 50, 12);
    Spin->EditorEnabled = false;
    QApplication::clipboard()->setText("34");
    QTest::keyClicks(Spin, "7");
    Press({Qt::Key_End, Qt::Key_Backspace, Qt::Key_Home, Qt::Key_Delete});
    for (auto Keys : {QKeySequence::Paste, QKeySequence::SelectAll, QKeySequence::Cut})
        QTest::keySequence(Spin, Keys);
    EXPECT_EQ(Spin->text(), "12");
    EXPECT_EQ(Beeps, 3 + 5);
    // The context menu offers no cut, paste or delete either.
    QContextMenuEvent Menu(QContextMenuEvent::Mouse, {2, 2}, Spin->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(Spin, &Menu);
    auto* Popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(Popup, nullptr);
    int Enabled = 0;
    for (QAction* A : Popup->actions())
        if (!A->isSeparator() && A->isEnabled()) ++Enabled;
    EXPECT_EQ(Enabled, 1);  // select all; nothing is selected to copy
    Popup->close();
    // The buttons still step.
    ClickUp();
    EXPECT_EQ(Spin->text(), "13");
}

// Held down, the up half clicks at 400 ms, then every 100 ms; the release
// adds the ordinary click. Tolerances absorb a loaded machine.
TEST_F(SpinFixture, HeldButtonRepeatsAfter400ThenEvery100MillisecondsUntilReleasedOrDisabled) {
    SetBounds(0, 1000, 0);
    TTimerSpeedButton* Up = Spin->Button->UpButton();
    QElapsedTimer Clock;
    std::vector<qint64> At;  // when each click came
    QObject::connect(Up, &QAbstractButton::clicked, [&] { At.push_back(Clock.elapsed()); });

    QTest::mousePress(Up, Qt::LeftButton);
    Clock.start();
    ASSERT_NE(Up->RepeatTimer(), nullptr);
    QTest::qWait(300);
    EXPECT_TRUE(At.empty());
    while (Clock.elapsed() < 760) QTest::qWait(10);
    QTest::mouseRelease(Up, Qt::LeftButton);
    EXPECT_FALSE(Up->RepeatTimer()->isActive());

    // Ticks near 400, 500, 600, 700, then the release click.
    const int Clicks = int(At.size());
    ASSERT_GE(Clicks, 3);
    EXPECT_LE(Clicks, 5);
    EXPECT_GE(At[0], 360);  // coarse timers may fire up to 5% early
    EXPECT_LE(At[0], 560);
    EXPECT_GE(At[1] - At[0], 80);
    EXPECT_EQ(Spin->Value(), Clicks);
    EXPECT_TRUE(Spin->Button->ButtonClicked);

    // After the release nothing more comes.
    QTest::qWait(250);
    EXPECT_EQ(Spin->Value(), Clicks);

    // The owner disables the field while it acts on a click (as the read page
    // does while it fetches a message): the held button stops repeating.
    Spin->OnChange = [this] { Spin->setEnabled(false); };
    QTest::mousePress(Up, Qt::LeftButton);
    QTest::qWait(650);
    EXPECT_EQ(Spin->Value(), Clicks + 1);
    EXPECT_FALSE(Up->RepeatTimer()->isActive());
    Spin->setEnabled(true);
    QTest::mouseRelease(Up, Qt::LeftButton);
    EXPECT_EQ(Spin->Value(), Clicks + 1);
}

}  // namespace

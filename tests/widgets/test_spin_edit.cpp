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
#include <memory>

#include "spinEdit.h"

namespace {

// A window holding the spin edit and a second field to move the focus to.
// Beeps and change events are counted.
struct SpinFixture : ::testing::Test {
    std::unique_ptr<QWidget> Window;
    TSpinEdit2* Spin = nullptr;
    QLineEdit* Other = nullptr;
    int Beeps = 0;
    int Changes = 0;

    void SetUp() override {
        TSpinEdit2::Beep = [this] { ++Beeps; };
        Window = std::make_unique<QWidget>();
        auto* Layout = new QVBoxLayout(Window.get());
        Spin = new TSpinEdit2(Window.get());
        Spin->setObjectName("SpinEdit1");
        Other = new QLineEdit(Window.get());
        Layout->addWidget(Spin);
        Layout->addWidget(Other);
        Spin->OnChange = [this] { ++Changes; };
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
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
    QPoint Middle(QWidget* W) { return W->rect().center(); }
    void ClickUp() {
        QTest::mouseClick(Spin->Button->UpButton(), Qt::LeftButton, {}, Middle(Spin->Button->UpButton()));
    }
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
    QTest::mouseClick(Spin->Button->DownButton(), Qt::LeftButton, {}, Middle(Spin->Button->DownButton()));
    EXPECT_EQ(Spin->text(), "4");
    EXPECT_TRUE(Spin->Button->ButtonClicked);

    // A read-only field beeps instead of stepping.
    Spin->setReadOnly(true);
    ClickUp();
    QTest::keyClick(Spin, Qt::Key_Down);
    EXPECT_EQ(Spin->text(), "4");
    EXPECT_EQ(Beeps, 2);
    Spin->setReadOnly(false);

    // A step at the ends of the 32-bit range does not overflow.
    SetBounds(INT_MIN, INT_MAX, INT_MAX);
    Spin->Increment = INT_MAX;
    Spin->UpClick();
    EXPECT_EQ(Spin->Value(), INT_MAX);
    Spin->SetValue(INT_MIN);
    Spin->DownClick();
    EXPECT_EQ(Spin->Value(), INT_MIN);
}

TEST_F(SpinFixture, KeysStepFromTheFieldWithoutAndFromThePairWithButtonClicked) {
    SetBounds(1, 5, 3);
    std::vector<int> Keys;
    Spin->OnKeyDown = [&](int& Key, Qt::KeyboardModifiers) { Keys.push_back(Key); };
    QTest::keyClick(Spin, Qt::Key_Up);
    QTest::keyClick(Spin, Qt::Key_Down);
    QTest::keyClick(Spin, Qt::Key_Down);
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
    ASSERT_TRUE(Pair->hasFocus());
    QTest::keyClick(Pair, Qt::Key_Up);
    EXPECT_EQ(Spin->text(), "3");
    EXPECT_TRUE(Pair->ButtonClicked);
    QTest::keyClick(Pair, Qt::Key_Down);
    QTest::keyClick(Pair, Qt::Key_Space);  // clicks the focused (down) half
    EXPECT_EQ(Spin->text(), "1");
    EXPECT_TRUE(Pair->DownButton()->TimeBtnState() & TTimerSpeedButton::tbFocusRect);
}

TEST_F(SpinFixture, TypingTakesDigitsSignsAndTheSeparatorOnly) {
    SetBounds(1, 5, 1);
    Spin->clear();
    QTest::keyClicks(Spin, "1a2+-.x");
    EXPECT_EQ(Spin->text(), "12+-.");
    EXPECT_EQ(Beeps, 2);
    QTest::keyClick(Spin, Qt::Key_Return);
    EXPECT_EQ(Beeps, 3);
    // Editing keys and Ctrl shortcuts are no typing.
    QTest::keyClick(Spin, Qt::Key_Backspace);
    QTest::keyClick(Spin, Qt::Key_Home);
    QTest::keyClick(Spin, Qt::Key_Delete);
    EXPECT_EQ(Spin->text(), "2+-");
    QApplication::clipboard()->setText("4");
    QTest::keyClick(Spin, Qt::Key_End);
    QTest::keySequence(Spin, QKeySequence::Paste);
    EXPECT_EQ(Spin->text(), "2+-4");
    EXPECT_EQ(Beeps, 3);

    // Typed beyond the maximum, pulled back on leaving the field.
    for (const char* Typed : {"9", "123456789012345"}) {
        Spin->setFocus();
        Spin->setText(Typed);
        Other->setFocus();
        EXPECT_EQ(Spin->text(), "5") << Typed;
    }
}

TEST_F(SpinFixture, EditorDisabledRefusesEveryChangeByHand) {
    SetBounds(1, 50, 12);
    Spin->EditorEnabled = false;
    QApplication::clipboard()->setText("34");
    QTest::keyClicks(Spin, "7");
    QTest::keyClick(Spin, Qt::Key_End);
    QTest::keyClick(Spin, Qt::Key_Backspace);
    QTest::keyClick(Spin, Qt::Key_Home);
    QTest::keyClick(Spin, Qt::Key_Delete);
    QTest::keySequence(Spin, QKeySequence::Paste);
    QTest::keySequence(Spin, QKeySequence::SelectAll);
    QTest::keySequence(Spin, QKeySequence::Cut);
    EXPECT_EQ(Spin->text(), "12");
    EXPECT_EQ(Beeps, 5);
    // The context menu offers no cut, paste or delete either.
    QContextMenuEvent Menu(QContextMenuEvent::Mouse, Middle(Spin), Spin->mapToGlobal(Middle(Spin)));
    QApplication::sendEvent(Spin, &Menu);
    QMenu* Popup = nullptr;
    for (QWidget* W : QApplication::topLevelWidgets())
        if (auto* M = qobject_cast<QMenu*>(W); M && M->isVisible()) Popup = M;
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
TEST_F(SpinFixture, HeldButtonRepeatsAfter400ThenEvery100Milliseconds) {
    SetBounds(0, 1000, 0);
    TTimerSpeedButton* Up = Spin->Button->UpButton();
    QElapsedTimer Clock;
    int Clicks = 0;
    std::vector<qint64> At;
    QObject::connect(Up, &QAbstractButton::clicked, [&] {
        ++Clicks;
        At.push_back(Clock.elapsed());
    });

    QTest::mousePress(Up, Qt::LeftButton, {}, Middle(Up));
    Clock.start();
    ASSERT_NE(Up->RepeatTimer(), nullptr);
    QTest::qWait(300);
    EXPECT_EQ(Clicks, 0);
    while (Clock.elapsed() < 760) QTest::qWait(10);
    QTest::mouseRelease(Up, Qt::LeftButton, {}, Middle(Up));
    EXPECT_FALSE(Up->RepeatTimer()->isActive());

    // Ticks near 400, 500, 600, 700, then the release click.
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
}

// The owner disables the field while it acts on a click (as the read page
// does while it fetches a message): the held button stops repeating.
TEST_F(SpinFixture, DisablingWhileHeldStopsTheRepeat) {
    SetBounds(0, 1000, 0);
    TTimerSpeedButton* Up = Spin->Button->UpButton();
    Spin->OnChange = [this] { Spin->setEnabled(false); };
    QTest::mousePress(Up, Qt::LeftButton, {}, Middle(Up));
    QTest::qWait(650);
    EXPECT_EQ(Spin->Value(), 1);
    EXPECT_FALSE(Up->RepeatTimer()->isActive());
    Spin->setEnabled(true);
    QTest::mouseRelease(Up, Qt::LeftButton, {}, Middle(Up));
    EXPECT_EQ(Spin->Value(), 1);
}

}  // namespace

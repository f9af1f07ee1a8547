// Every window's controls as assistive technology meets them: each interactive control has a name.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Main.h"
#include "TestFiles.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "help.h"
#include "sign.h"
#include "spinEdit.h"

namespace {

// The roles of controls a user operates.
bool IsInteractive(QAccessible::Role R) {
    switch (R) {
        case QAccessible::Button:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::EditableText:
        case QAccessible::SpinBox:
        case QAccessible::Slider:
        case QAccessible::List:
        case QAccessible::Tree:
        case QAccessible::Table:
        case QAccessible::PageTab:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::HotkeyField:
        case QAccessible::Link: return true;
        default: return false;
    }
}

// A widget the user can reach: not hidden by the program. The pages of a
// page control count although only one is shown at a time.
bool Reachable(const QWidget* W) {
    for (; W && !W->isWindow(); W = W->parentWidget())
        if (W->isHidden() && !qobject_cast<QStackedWidget*>(W->parentWidget())) return false;
    return true;
}

// The interactive controls of Window without an accessible name, by object
// name and class; and the window itself when it is not announced as a window.
QStringList Unnamed(QWidget* Window) {
    QStringList Missing;
    const QAccessible::Role WindowRole = QAccessible::queryAccessibleInterface(Window)->role();
    if (WindowRole != QAccessible::Window && WindowRole != QAccessible::Dialog)
        Missing << QStringLiteral("window role %1").arg(WindowRole);
    for (QWidget* W : Window->findChildren<QWidget*>()) {
        if (W->window() != Window || !Reachable(W)) continue;
        QAccessibleInterface* A = QAccessible::queryAccessibleInterface(W);
        if (A && IsInteractive(A->role()) && A->text(QAccessible::Name).trimmed().isEmpty())
            Missing << W->objectName() + QLatin1Char(':') + QString::fromLatin1(W->metaObject()->className());
    }
    return Missing;
}

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(Dir.Path);
        Main = std::make_unique<TMainForm>();
        Sign = std::make_unique<TOKsign>(&Main->Host);
        Settings = std::make_unique<TForm3>(&Main->Host, Sign.get());
    }
    void TearDown() override {
        Settings.reset();
        Sign.reset();
        Main.reset();
    }
    TTempDir Dir;
    std::unique_ptr<TMainForm> Main;
    std::unique_ptr<TOKsign> Sign;
    std::unique_ptr<TForm3> Settings;
};

TEST_F(AccessibilityTest, EveryInteractiveControlHasAName) {
    Tabout About;
    TDualListDlg Book;
    TForm4 Entry(&Book);
    // The spin edit as an owner places it: labelled by its caption.
    QWidget SpinOwner;
    auto* SpinLabel = new QLabel(QStringLiteral("number"), &SpinOwner);
    auto* Spin = new TSpinEdit2(&SpinOwner);
    SpinLabel->setBuddy(Spin);
    new QHBoxLayout(&SpinOwner);
    SpinOwner.layout()->addWidget(SpinLabel);
    SpinOwner.layout()->addWidget(Spin);
    AnnounceAsWindow(&SpinOwner);

    // One line per window; the windows of later features join here.
    const std::pair<const char*, QWidget*> Windows[] = {
        {"main window", Main.get()},      {"settings window", Settings.get()},
        {"signature editor", Sign.get()}, {"about box", &About},
        {"spin edit", &SpinOwner},        {"address book window", &Book},
        {"address entry dialog", &Entry},
    };
    // The login fields are named by their labels, not by the group around them.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Main->eUserName)->text(QAccessible::Name), "User Name:");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Main->ePassword)->text(QAccessible::Name), "Password:");
    for (const auto& [Name, Window] : Windows) {
        const QStringList Missing = Unnamed(Window);
        EXPECT_TRUE(Missing.isEmpty()) << Name << ": " << Missing.join(", ").toStdString();
    }
}

TEST_F(AccessibilityTest, MonthButtonPressActionStepsLikeALeftClick) {
    TMainForm::CalendarToday = [] { return QDate(2026, 12, 6); };
    Main->Calendar1->setSelectedDate(QDate(2026, 12, 6));
    QAccessibleInterface* A = QAccessible::queryAccessibleInterface(Main->Button6);
    ASSERT_NE(A, nullptr);
    ASSERT_NE(A->actionInterface(), nullptr);
    ASSERT_TRUE(A->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    A->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Main->Calendar1->selectedDate(), QDate(2026, 11, 1));
    EXPECT_EQ(Main->Button6->text(), QString::fromUtf8("11月"));
    TMainForm::CalendarToday = [] { return QDate::currentDate(); };
}

}  // namespace

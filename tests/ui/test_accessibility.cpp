// Every window's controls as assistive technology meets them: each interactive control has a name.
#include <QAccessible>
#include <QHBoxLayout>
#include <QStackedWidget>

#include <set>

#include "AccessibleControls.h"
#include "WindowFixture.h"
#include "spinEdit.h"

namespace {

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
    using A = QAccessible;
    // The roles of controls a user operates.
    static const std::set<A::Role> Interactive = {
        A::Button,  A::CheckBox,   A::RadioButton,    A::ComboBox,    A::EditableText,
        A::SpinBox, A::Slider,     A::List,           A::Tree,        A::Table,
        A::PageTab, A::ButtonMenu, A::ButtonDropDown, A::HotkeyField, A::Link};
    QStringList Missing;
    const A::Role WindowRole = A::queryAccessibleInterface(Window)->role();
    if (WindowRole != A::Window && WindowRole != A::Dialog)
        Missing << QStringLiteral("window role %1").arg(WindowRole);
    for (QWidget* W : Window->findChildren<QWidget*>()) {
        if (W->window() != Window || !Reachable(W)) continue;
        QAccessibleInterface* I = A::queryAccessibleInterface(W);
        if (I && Interactive.count(I->role()) && I->text(A::Name).trimmed().isEmpty())
            Missing << W->objectName() + QLatin1Char(':') + QString::fromLatin1(W->metaObject()->className());
    }
    return Missing;
}

using AccessibilityTest = WindowTest;

TEST_F(AccessibilityTest, EveryInteractiveControlHasAName) {
    // The spin edit as an owner places it: labelled by its caption.
    QWidget SpinOwner;
    auto* SpinLabel = new QLabel(QStringLiteral("number"), &SpinOwner);
    auto* Spin = new TSpinEdit2(&SpinOwner);
    SpinLabel->setBuddy(Spin);
    new QHBoxLayout(&SpinOwner);
    SpinOwner.layout()->addWidget(SpinLabel);
    SpinOwner.layout()->addWidget(Spin);
    AnnounceAsWindow(&SpinOwner);

    // The login fields are named by their labels, not by the group around them.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Main->eUserName)->text(QAccessible::Name), "User Name:");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Main->ePassword)->text(QAccessible::Name), "Password:");
    // Every window of the program start, and the spin edit.
    std::vector<QWidget*> Windows = W->Order;
    Windows.push_back(&SpinOwner);
    for (QWidget* Window : Windows) {
        const QStringList Missing = Unnamed(Window);
        EXPECT_TRUE(Missing.isEmpty())
            << Window->metaObject()->className() << ": " << Missing.join(", ").toStdString();
    }
}

}  // namespace

// What assistive technology is told about the program's own controls beyond Qt's defaults.
#include "AccessibleControls.h"

#include <QAccessibleWidget>

namespace {

const char* const WindowRoleProperty = "velnaroAnnounceAsWindow";

class TAccessibleStepButton : public QAccessibleWidget {
public:
    explicit TAccessibleStepButton(TStepButton* B) : QAccessibleWidget(B, QAccessible::Button) {}

    // The caption names the button; its accessible name stands in while it has none.
    QString text(QAccessible::Text T) const override {
        if (T == QAccessible::Name) {
            const QString Caption = static_cast<TStepButton*>(widget())->text().remove(QLatin1Char('&'));
            if (!Caption.isEmpty()) return Caption;
        }
        return QAccessibleWidget::text(T);
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& Action) override {
        auto* B = static_cast<TStepButton*>(widget());
        if (Action == pressAction()) {
            if (B->isEnabled() && B->OnPress) B->OnPress();
            return;
        }
        QAccessibleWidget::doAction(Action);
    }
};

QAccessibleInterface* Factory(const QString& ClassName, QObject* Object) {
    if (ClassName == QLatin1String("TStepButton"))
        if (auto* B = qobject_cast<TStepButton*>(Object)) return new TAccessibleStepButton(B);
    if (auto* W = qobject_cast<QWidget*>(Object);
        W && W->isWindow() && W->property(WindowRoleProperty).toBool())
        return new QAccessibleWidget(W, QAccessible::Window);
    return nullptr;
}

void InstallFactory() {
    static const bool Installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)Installed;
}

}  // namespace

TStepButton::TStepButton(QWidget* Parent) : QPushButton(Parent) { InstallFactory(); }

void AnnounceAsWindow(QWidget* Window) {
    InstallFactory();
    Window->setProperty(WindowRoleProperty, true);
}

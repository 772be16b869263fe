#include "app/accessible_controls.h"

#include "app/picture_knop.h"
#include "app/progress_bar.h"

#include <QAccessibleWidget>

namespace dorvantile::app {
namespace {

// A button picture, which Qt would describe as an image. Pressed, it clicks once the caller
// has its answer, as Qt's push buttons do: the start picture's run and the exit picture's end
// of the program take longer than a screen reader waits for one.
class KnopAccessible final : public QAccessibleWidget {
public:
    explicit KnopAccessible(PictureKnop* knop)
        : QAccessibleWidget(knop, QAccessible::Button), knop_(knop) {}

    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString& action) const override {
        return action == pressAction() ? knop_->shortcutNames() : QStringList();
    }
    void doAction(const QString& action) override {
        if (action == pressAction())
            QMetaObject::invokeMethod(knop_, &PictureKnop::clicked, Qt::QueuedConnection);
    }

private:
    PictureKnop* knop_;
};

// The progress bar: the percentage it shows, from 0 to 100.
class BarAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BarAccessible(BarBox* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar), bar_(bar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text text) const override {
        if (text == QAccessible::Value)
            return QString::number(bar_->value()) + u'%';
        return QAccessibleWidget::text(text);
    }

    QVariant currentValue() const override { return bar_->value(); }
    void setCurrentValue(const QVariant&) override {} // only a run moves it
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    BarBox* bar_;
};

// Qt asks for each class an object is, from its own up to QObject.
QAccessibleInterface* describe(const QString& className, QObject* object) {
    if (className == QLatin1String(PictureKnop::staticMetaObject.className()))
        return new KnopAccessible(static_cast<PictureKnop*>(object));
    if (className == QLatin1String(BarBox::staticMetaObject.className()))
        return new BarAccessible(static_cast<BarBox*>(object));
    return nullptr;
}

} // namespace

void installAccessibleControls() {
    QAccessible::installFactory(describe);
}

} // namespace dorvantile::app

#include "platform/dialog/private/LiveTextWidget_p.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class LiveTextAccessible : public QAccessibleWidget {
public:
    explicit LiveTextAccessible(LiveTextWidget* text) : QAccessibleWidget(text, QAccessible::Notification) {}

    QString text(QAccessible::Text t) const override
    {
        // Read by its words, as a label is, unless a name of its own was given.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

// The toolkit's own factory answers for every label; this class's name comes first in the
// search, so this one answers for live texts.
QAccessibleInterface* LiveTextFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String(LiveTextWidget::staticMetaObject.className()))
        return new LiveTextAccessible(static_cast<LiveTextWidget*>(object));
    return nullptr;
}

}  // namespace

LiveTextWidget::LiveTextWidget(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    static const bool installed = (QAccessible::installFactory(&LiveTextFactory), true);
    (void)installed;
}

#include "platform/dialog/ToolkitLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include "platform/dialog/private/WidgetAccess_p.h"

namespace {

// Owned by the application, so it goes with it; the pointer only finds it again.
QPointer<QTranslator> g_toolkitTranslator;

}  // namespace

bool SetToolkitLanguage(std::u16string_view locale)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    delete g_toolkitTranslator.data();  // its removal tells every window to translate afresh
    if (locale.empty())
        return true;
    auto* translator = new QTranslator(app);
    if (!translator->load(QStringLiteral("qtbase_") + ToQString(locale),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    g_toolkitTranslator = translator;
    return true;
}

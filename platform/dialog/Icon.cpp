#include "platform/dialog/Icon.h"

#include <QFile>

#include <map>
#include <memory>
#include <mutex>

#include "platform/dialog/private/WidgetAccess_p.h"

HICON LoadIcon(int resourceId)
{
    static std::mutex lock;
    static std::map<int, std::unique_ptr<IconHandle>> loaded;
    const std::lock_guard<std::mutex> guard(lock);
    auto it = loaded.find(resourceId);
    if (it == loaded.end()) {
        const QString path = QStringLiteral(":/icons/%1.png").arg(resourceId);
        if (!QFile::exists(path))
            return nullptr;
        it = loaded.emplace(resourceId, std::make_unique<IconHandle>(IconHandle{QIcon(path)})).first;
    }
    return it->second.get();
}

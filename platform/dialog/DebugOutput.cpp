#include "platform/dialog/DebugOutput.h"

#include <QLoggingCategory>

#include "platform/dialog/private/WidgetAccess_p.h"

Q_LOGGING_CATEGORY(lcDebugOutput, "tarvex.debug", QtWarningMsg)

void OutputDebugString(std::u16string_view text)
{
    qCDebug(lcDebugOutput).noquote() << ToQString(text);
}

void OutputDebugString(std::string_view text)
{
    qCDebug(lcDebugOutput).noquote()
        << QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

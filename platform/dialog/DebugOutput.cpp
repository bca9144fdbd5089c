#include "platform/dialog/DebugOutput.h"

#include <QLoggingCategory>

#include "platform/dialog/private/WidgetAccess_p.h"

// Named "tarvex" so that the rule "tarvex.debug=true" reads as its debug messages; a rule's
// last part is the message type.
Q_LOGGING_CATEGORY(lcDebugOutput, "tarvex", QtWarningMsg)

// Without spacing the stream would take a chunk's trailing blank for its own and drop it.
void OutputDebugString(std::u16string_view text)
{
    qCDebug(lcDebugOutput).noquote().nospace() << ToQString(text);
}

void OutputDebugString(std::string_view text)
{
    qCDebug(lcDebugOutput).noquote().nospace() << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

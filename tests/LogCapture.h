#pragma once
// Collects what the program logs while an object of this class lives, as
// "category: message" lines.

#include <QString>
#include <QStringList>
#include <QtGlobal>

class LogCapture {
public:
    LogCapture() : m_previous(qInstallMessageHandler(&Handle)) { s_lines = &lines; }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool Contains(const QString& part) const
    {
        for (const QString& line : lines)
            if (line.contains(part))
                return true;
        return false;
    }

    QStringList lines;

private:
    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (s_lines)
            s_lines->append(QString::fromLatin1(context.category ? context.category : "") +
                            QStringLiteral(": ") + message);
    }

    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_previous;
};

// Debugger output: silent by default, shown by the documented logging rule, and byte text
// read as UTF-8 whatever the locale.

#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <clocale>
#include <string_view>

#include "platform/dialog/DebugOutput.h"
#include "tests/LogCapture.h"

namespace {

TEST(DebugOutput, TheDocumentedRuleShowsItAndBytesAreUtf8)
{
    std::setlocale(LC_ALL, "C");
    QLoggingCategory::setFilterRules(QString());
    {
        LogCapture log;
        OutputDebugString(std::string_view("unseen"));
        EXPECT_TRUE(log.lines.isEmpty()) << "silent unless enabled";
    }
    // The rule README.md gives.
    QLoggingCategory::setFilterRules(QStringLiteral("tarvex.debug=true"));
    LogCapture log;
    OutputDebugString(std::string_view("frame=  12 \xe4\xb8\xad\xe6\x96\x87.flv"));
    OutputDebugString(std::u16string_view(u"宽"));
    // A chunk cut after a blank keeps it: the next chunk goes on from there.
    OutputDebugString(std::string_view("fps= "));
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(log.lines, (QStringList{QStringLiteral("tarvex: frame=  12 中文.flv"), QStringLiteral("tarvex: 宽"),
                                      QStringLiteral("tarvex: fps= ")}));
}

}  // namespace

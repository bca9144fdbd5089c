#pragma once
// Text for a developer watching the program: goes to the logging category "tarvex.debug",
// which is silent unless enabled (QT_LOGGING_RULES="tarvex.debug=true").

#include <string_view>

void OutputDebugString(std::u16string_view text);
void OutputDebugString(std::string_view text);

#pragma once
// The texts of the interface that depend on the language, each as an English/Chinese pair.

#include <string_view>

#include "ui/Language.h"

enum UiTextEntry {
    kTextProduct = 0,
    kTextAboutCaption = 1,
    kTextSourceFile = 2,
    kTextExportTo = 3,
    kTextExportType = 4,
    kTextSubType = 5,
    kTextIncludeVideo = 6,
    kTextIncludeAudio = 7,
    kTextVideoCodec = 8,
    kTextFrameRate = 9,
    kTextBitRate = 10,
    kTextFrameSize = 11,
    kTextAudioCodec = 12,
    kTextSampleRate = 13,
    kTextChannels = 14,
    kTextConvert = 15,
    kTextCancel = 16,
    kTextOtherLanguage = 17,
    kTextNoSourceFile = 18,
    kTextNoFrameRate = 19,
    kTextNoBitRate = 20,
    kTextOutputIsSource = 21,
    kTextCustomFrameRate = 22,
    kTextCustomBitRate = 23,
    kTextCustomWidth = 24,
    kTextCustomHeight = 25,
    kTextChooseSource = 26,
    kTextChooseOutput = 27,
    kTextOutputFolderNotWritable = 28,
    kTextOutcomeWritten = 29,
    kTextOutcomeExited = 30,
    kTextOutcomeSignalled = 31,
    kTextOutcomeNotStarted = 32,
    kTextOutcomeNoOutput = 33,
    kTextSizeInBytes = 34,
    kTextProgress = 35,
    kTextStop = 36,
    kTextOutcomeStoppedKept = 37,
    kTextOutcomeStopped = 38,
    kTextOutcomeNotMoved = 39,
    kTextOutcomeWrittenLength = 40,
    kTextOutcomeShort = 41,
    kTextOutcomeNoVideo = 42,
    kTextOutcomeNoAudio = 43,
    kTextOutcomeUnreadable = 44,
    kTextOutcomeUnreadableAudio = 45,
    kTextStatusStep = 46,
    kTextStatusPercent = 47,
    kTextStatusLeft = 48,
    kTextStatusQuiet = 49,
    kUiTextEntryCount = 50
};

// Entry `entry` in `language`; empty out of range.
std::u16string_view UiText(int entry, Language language);
// Entry `entry` in the current interface language.
std::u16string_view UiText(int entry);

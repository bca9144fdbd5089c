#pragma once
// The fixed choices a user has for a conversion: export types per mode, the MP4 sub-types,
// the option lists of the eight option combo boxes, and the profiles that say which list each
// combo box receives and which entry is then selected. Entry texts are at the same time what
// the user sees and what reaches the command builder, so they are kept exactly as shown.

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "convert/ConversionJob.h"

using CatalogueList = std::span<const std::u16string_view>;

// The entry that asks for a typed value in the edit beside its list.
inline constexpr std::u16string_view kCustomEntry = u"Custom...";

// The export types of FLV2Video, in the order of its list.
enum class ExportType { Avi, Mp4, Wmv, Mp3 };

// The export type at `index` of the FLV2Video list; none out of range.
std::optional<ExportType> ExportTypeAt(int index);

// Export types of a mode: Video2FLV offers only FLV.
CatalogueList ExportTypes(ConversionMode mode);
CatalogueList Mp4SubTypes();
CatalogueList FrameSizes();
CatalogueList FrameRates();
CatalogueList VideoBitRates();
CatalogueList FlvAudioBitRates();

// Rows by FLV2Video export type; empty where there is none (MP3 has no video).
CatalogueList VideoCodecs(ExportType exportType);
CatalogueList AudioCodecs(ExportType exportType);

// Rows by MP4 sub-type index (0 MP4, 1 iPod, 2 PSP, 3 MOBILE); empty out of range.
CatalogueList Mp4FrameRates(int subType);
CatalogueList Mp4VideoBitRates(int subType);

// Rows by audio codec text, matched without regard to letter case; empty for an unknown codec.
CatalogueList SampleRates(std::u16string_view audioCodec);
CatalogueList AudioBitRates(std::u16string_view audioCodec);
CatalogueList Channels(std::u16string_view audioCodec);

// The option combo boxes a profile speaks about, in the dialog's order.
enum ProfileCombo {
    kSubTypeCombo,
    kVideoCodecCombo,
    kFrameRateCombo,
    kVideoBitRateCombo,
    kFrameSizeCombo,
    kAudioCodecCombo,
    kSampleRateCombo,
    kAudioBitRateCombo,
    kChannelsCombo,
    kProfileComboCount
};

struct ComboFill {
    enum class Action {
        Unchanged,       // the combo box keeps its list and selection
        Emptied,         // the combo box is emptied
        Filled,          // the combo box receives `list`, then `entry` is selected
        AudioCodecRule,  // filled afterwards by the audio-codec profile of the chosen codec
    };
    Action action = Action::Unchanged;
    CatalogueList list{};
    int entry = 0;
};

using Profile = std::array<ComboFill, kProfileComboCount>;

Profile Video2FlvProfile();
Profile Flv2VideoProfile();
// The export-type profile of an FLV2Video export type: AVI/WMV, MP4 or MP3.
Profile ExportTypeProfile(ExportType exportType);
Profile Mp4SubTypeProfile(int subType);
Profile AudioCodecProfile(std::u16string_view audioCodec);

#pragma once
// The fixed choices a user has for a conversion: export types per mode, the MP4 sub-types,
// the option lists of the eight option combo boxes, and the profiles that say which list each
// combo box receives and which entry is then selected. Entry texts are at the same time what
// the user sees and what reaches the command builder, so they are kept exactly as shown.

#include <array>
#include <span>
#include <string_view>

using CatalogueList = std::span<const std::u16string_view>;

// Export types of a mode (0 Video2FLV, 1 FLV2Video); an unknown mode has none.
CatalogueList ExportTypes(int mode);
CatalogueList Mp4SubTypes();
CatalogueList FrameSizes();
CatalogueList FrameRates();
CatalogueList VideoBitRates();
CatalogueList FlvAudioBitRates();

// Rows by FLV2Video export type index (0 AVI, 1 MP4, 2 WMV, 3 MP3); empty where there is none.
CatalogueList VideoCodecs(int exportType);
CatalogueList AudioCodecs(int exportType);

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
// The export-type profile of an FLV2Video export type index: AVI/WMV, MP4 or MP3.
Profile ExportTypeProfile(int exportType);
Profile Mp4SubTypeProfile(int subType);
Profile AudioCodecProfile(std::u16string_view audioCodec);

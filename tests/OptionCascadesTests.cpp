// The option cascades of the main dialog, driven the way a user drives them: tab clicks, list
// picks and check-box clicks. The lists expected are the catalogue's own, which has its own
// tests; what is checked here is which list lands where, what is selected, enabled and shown,
// and what becomes of the two file names.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/MainDialogFixture.h"

namespace {

constexpr int kVideoRange[] = {IDC_VIDEO_CODEC, IDC_FRAME_RATE, IDC_CUSTOM_FRAME_RATE, IDC_VIDEO_BIT_RATE,
                               IDC_CUSTOM_BIT_RATE, IDC_FRAME_SIZE, IDC_CUSTOM_WIDTH, IDC_CUSTOM_HEIGHT};
constexpr int kOptionLists[] = {IDC_EXPORT_TYPE, IDC_SUB_TYPE, IDC_VIDEO_CODEC, IDC_FRAME_RATE,
                                IDC_VIDEO_BIT_RATE, IDC_FRAME_SIZE, IDC_AUDIO_CODEC, IDC_SAMPLE_RATE,
                                IDC_AUDIO_BIT_RATE, IDC_CHANNELS};
constexpr int kCustomEdits[] = {IDC_CUSTOM_FRAME_RATE, IDC_CUSTOM_BIT_RATE, IDC_CUSTOM_WIDTH,
                                IDC_CUSTOM_HEIGHT};

class OptionCascades : public MainDialogFixture {
protected:
    // The custom edits that are enabled, by id.
    std::vector<int> EnabledCustomEdits()
    {
        std::vector<int> ids;
        for (int id : kCustomEdits)
            if (Enabled(id))
                ids.push_back(id);
        return ids;
    }

    // Every list's entries and selection, to see that nothing changed.
    std::vector<std::pair<std::vector<std::u16string>, int>> ListState()
    {
        std::vector<std::pair<std::vector<std::u16string>, int>> state;
        for (int id : kOptionLists)
            state.emplace_back(Entries(id), dlg->GetComboBox(id)->GetCurSel());
        return state;
    }
};

TEST_F(OptionCascades, TabSwitchSwapsTheNamesAndPutsEachModesOptionsInPlace)
{
    StartIn("C");
    Type(IDC_SOURCE, u"/v/clip.avi");
    Type(IDC_OUTPUT, u"/v/clip.flv");

    ClickTab(1);
    EXPECT_EQ(Text(IDC_SOURCE), u"/v/clip.flv");
    EXPECT_EQ(Text(IDC_OUTPUT), u"/v/clip.avi");
    EXPECT_EQ(Selected(IDC_EXPORT_TYPE), u"AVI");
    EXPECT_EQ(Selected(IDC_FRAME_RATE), u"Original");
    EXPECT_EQ(Selected(IDC_VIDEO_BIT_RATE), u"Custom...");
    EXPECT_EQ(Selected(IDC_AUDIO_BIT_RATE), u"96");
    EXPECT_EQ(EnabledCustomEdits(), std::vector<int>{IDC_CUSTOM_BIT_RATE});

    ClickTab(0);
    EXPECT_EQ(Text(IDC_SOURCE), u"/v/clip.avi");
    EXPECT_EQ(Text(IDC_OUTPUT), u"/v/clip.flv");
    EXPECT_EQ(Selected(IDC_FRAME_RATE), u"15");
    EXPECT_EQ(Selected(IDC_VIDEO_BIT_RATE), u"200");

    // Nothing to swap and nothing to name.
    Type(IDC_SOURCE, u"");
    Type(IDC_OUTPUT, u"");
    ClickTab(1);
    EXPECT_EQ(Text(IDC_SOURCE), u"");
    EXPECT_EQ(Text(IDC_OUTPUT), u"");

    // "AVI" and "WMV" ask for typed rates where the tab left the frame rate to the source.
    for (const char16_t* type : {u"AVI", u"WMV"}) {
        Pick(IDC_EXPORT_TYPE, type);
        EXPECT_EQ(EnabledCustomEdits(), (std::vector<int>{IDC_CUSTOM_FRAME_RATE, IDC_CUSTOM_BIT_RATE}));
    }
}

TEST_F(OptionCascades, ExportTypeGivesTheOutputItsExtension)
{
    // Exactly as long as the path limit allows with ".mp4" and its terminator; one longer.
    const std::u16string fits = u"/" + std::u16string(4090, u'a');
    const std::u16string tooLong = u"/" + std::u16string(4091, u'a');
    const struct {
        std::u16string source, output, exportType, expected;
    } cases[] = {
        {u"/v/clip.flv", u"/out/movie.avi", u"WMV", u"/out/movie.wmv"},
        {u"/v/clip.flv", u"/out/movie.avi", u"MP3", u"/out/movie.mp3"},
        {u"/v/clip.flv", u"", u"MP4", u"/v/clip.mp4"},
        {u"", u"", u"MP4", u""},
        {u"/v/clip", u"", u"AVI", u"/v/clip.avi"},
        {u"/v.d/clip", u"", u"WMV", u"/v.d/clip.wmv"},
        {u"/v/clip.flv", u"/out/My Film.final.AVI", u"MP4", u"/out/My Film.final.mp4"},
        {u"/v/clip.flv", fits + u".avi", u"MP4", fits + u".mp4"},
        {u"/v/clip.flv", tooLong + u".avi", u"MP4", tooLong + u".avi"},
    };
    StartIn("C");
    ClickTab(1);
    for (const auto& c : cases) {
        SCOPED_TRACE(ToQString(c.output.substr(0, 40)).toStdString() + " as " + ToQString(c.exportType).toStdString());
        Type(IDC_SOURCE, c.source);
        Type(IDC_OUTPUT, c.output);
        Pick(IDC_EXPORT_TYPE, c.exportType);
        EXPECT_TRUE(Text(IDC_OUTPUT) == c.expected) << "got " << Text(IDC_OUTPUT).size() << " units ending in "
                                                   << ToQString(Text(IDC_OUTPUT)).right(8).toStdString();
        EXPECT_TRUE(Text(IDC_SOURCE) == c.source);
    }
}

TEST_F(OptionCascades, ReChoosingFlvOnlyTidiesTheCustomFields)
{
    StartIn("C");
    Type(IDC_SOURCE, u"/v/clip.avi");
    // Selecting from code raises no handler, so the custom field stays as it was ...
    dlg->GetComboBox(IDC_FRAME_RATE)->SetCurSel(0);
    ASSERT_EQ(Selected(IDC_FRAME_RATE), u"Custom...");
    EXPECT_FALSE(Enabled(IDC_CUSTOM_FRAME_RATE));
    const auto lists = ListState();

    // ... until the user re-chooses "FLV", which changes nothing else: no list, no name.
    Pick(IDC_EXPORT_TYPE, u"FLV");
    EXPECT_EQ(EnabledCustomEdits(), std::vector<int>{IDC_CUSTOM_FRAME_RATE});
    EXPECT_TRUE(ListState() == lists);
    EXPECT_EQ(Text(IDC_OUTPUT), u"");
    EXPECT_EQ(Text(IDC_SOURCE), u"/v/clip.avi");
}

TEST_F(OptionCascades, Mp3ShutsTheVideoSideUntilTheUserTicksItAgain)
{
    StartIn("C");
    ClickTab(1);
    Pick(IDC_FRAME_SIZE, u"Custom...");
    const auto videoCodecs = Entries(IDC_VIDEO_CODEC);
    Pick(IDC_EXPORT_TYPE, u"MP3");
    EXPECT_FALSE(Checked(IDC_INCLUDE_VIDEO));
    EXPECT_FALSE(Enabled(IDC_INCLUDE_VIDEO));
    for (int id : kVideoRange)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(Entries(IDC_VIDEO_CODEC), videoCodecs);  // MP3 leaves the video lists alone
    EXPECT_EQ(Selected(IDC_FRAME_SIZE), u"Custom...");

    // The Video2FLV tab lets the user decide again but decides nothing itself; ticking there
    // opens all but the video-codec list, which that mode does not use.
    ClickTab(0);
    EXPECT_TRUE(Enabled(IDC_INCLUDE_VIDEO));
    EXPECT_FALSE(Checked(IDC_INCLUDE_VIDEO));
    EXPECT_FALSE(Enabled(IDC_FRAME_RATE));
    Click(IDC_INCLUDE_VIDEO);
    EXPECT_TRUE(Enabled(IDC_FRAME_RATE));
    EXPECT_FALSE(Enabled(IDC_VIDEO_CODEC));

    // In the FLV2Video mode a cleared box shuts its codec list as well.
    ClickTab(1);
    Click(IDC_INCLUDE_AUDIO);
    EXPECT_FALSE(Enabled(IDC_AUDIO_CODEC));
}

TEST_F(OptionCascades, Mp4ShowsItsSubTypesWhichRefillRatesButNotTheFrameSize)
{
    StartIn("C");
    ClickTab(1);
    Pick(IDC_FRAME_SIZE, u"320 x 240");
    Pick(IDC_EXPORT_TYPE, u"MP4");
    EXPECT_TRUE(Visible(IDC_SUB_TYPE));
    EXPECT_TRUE(Visible(IDC_SUB_TYPE_LABEL));
    EXPECT_EQ(Entries(IDC_SUB_TYPE), ListOf(Mp4SubTypes()));
    EXPECT_EQ(Selected(IDC_SUB_TYPE), u"MP4");
    EXPECT_EQ(Selected(IDC_VIDEO_CODEC), u"MPEG4");
    EXPECT_EQ(Selected(IDC_FRAME_RATE), u"Original");
    EXPECT_EQ(Entries(IDC_VIDEO_BIT_RATE), ListOf(Mp4VideoBitRates(0)));
    EXPECT_EQ(Selected(IDC_FRAME_SIZE), u"320 x 240");
    EXPECT_EQ(EnabledCustomEdits(), std::vector<int>{IDC_CUSTOM_BIT_RATE});

    Pick(IDC_SUB_TYPE, u"iPod");
    EXPECT_EQ(Entries(IDC_FRAME_RATE).front(), u"10");
    EXPECT_EQ(Entries(IDC_FRAME_RATE).back(), u"25");
    EXPECT_EQ(Selected(IDC_FRAME_RATE), u"10");
    EXPECT_EQ(Entries(IDC_VIDEO_BIT_RATE).front(), u"100");
    EXPECT_EQ(Entries(IDC_VIDEO_BIT_RATE).back(), u"700");
    EXPECT_EQ(Selected(IDC_VIDEO_BIT_RATE), u"100");
    EXPECT_TRUE(EnabledCustomEdits().empty());

    // The plain sub-type asks for typed rates, where the MP4 type itself left the rate alone.
    Pick(IDC_SUB_TYPE, u"MP4");
    EXPECT_EQ(Selected(IDC_FRAME_RATE), u"Custom...");
    EXPECT_EQ(EnabledCustomEdits(), (std::vector<int>{IDC_CUSTOM_FRAME_RATE, IDC_CUSTOM_BIT_RATE}));

    // The label, now shown, sits where "Sub-Type" has room, and keeps its word whole in
    // both languages.
    CRect room{154, 68, 154 + 34, 68 + 8};
    dlg->MapDialogRect(room);
    auto* label = Widget<QLabel>(IDC_SUB_TYPE_LABEL);
    EXPECT_EQ(label->geometry(), QRect(room.left, room.top, room.Width(), room.Height()));
    EXPECT_FALSE(label->geometry().intersects(Widget(IDC_SUB_TYPE)->geometry()));
    for (int language : {0, 1}) {
        EXPECT_EQ(static_cast<int>(g_language), language);
        EXPECT_TRUE(label->isVisible());
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
        Click(IDC_LANGUAGE);
    }
}

TEST_F(OptionCascades, AudioCodecChoiceRefillsTheAudioLists)
{
    StartIn("C");
    ClickTab(1);
    Pick(IDC_AUDIO_CODEC, u"mp2");
    for (auto [id, list, entry] : {std::tuple{IDC_SAMPLE_RATE, SampleRates(u"mp2"), 2},
                                   {IDC_AUDIO_BIT_RATE, AudioBitRates(u"mp2"), 3},
                                   {IDC_CHANNELS, Channels(u"mp2"), 0}}) {
        ASSERT_GT(list.size(), static_cast<size_t>(entry)) << id;
        EXPECT_EQ(Entries(id), ListOf(list)) << id;
        EXPECT_EQ(dlg->GetComboBox(id)->GetCurSel(), entry) << id;
    }
    Pick(IDC_AUDIO_CODEC, u"mp3");
    EXPECT_EQ(Entries(IDC_SAMPLE_RATE), ListOf(SampleRates(u"mp3")));
    EXPECT_EQ(Selected(IDC_SAMPLE_RATE), u"44100");
    EXPECT_EQ(Selected(IDC_AUDIO_BIT_RATE), u"96");
    EXPECT_EQ(Selected(IDC_CHANNELS), u"stereo");
}

TEST_F(OptionCascades, RefusedCustomValueIsToldAndTheChoiceStillTakesEffect)
{
    StartIn("C");
    ClickTab(1);
    Pick(IDC_FRAME_SIZE, u"Custom...");
    Type(IDC_CUSTOM_WIDTH, u"");
    Type(IDC_OUTPUT, u"/out/a.avi");
    // Answers every message, so that a second one would be counted instead of waiting.
    QStringList messages;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
            messages << box->text();
            box->accept();
        }
    });
    answer.start(5);
    Pick(IDC_EXPORT_TYPE, u"WMV");
    EXPECT_EQ(messages, QStringList{QStringLiteral("Please enter a positive integer.")});
    EXPECT_EQ(Text(IDC_OUTPUT), u"/out/a.wmv");
    EXPECT_EQ(Selected(IDC_VIDEO_CODEC), u"WMV1");
    // The closing exchange writes the members back, so the field shows its last good value.
    EXPECT_EQ(Text(IDC_CUSTOM_WIDTH), u"0");
}

// Random user actions; after each the dialog must satisfy what the cascades promise whatever
// came before. A failure names the seed and the step, so the run can be replayed.
TEST_F(OptionCascades, RandomUserActionsKeepTheOptionsConsistent)
{
    const unsigned seed = 90210;
    std::printf("seed: %u\n", seed);
    RecordProperty("seed", static_cast<int>(seed));
    std::mt19937 random(seed);
    const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    StartIn("C");
    Type(IDC_SOURCE, u"/v/clip.avi");

    const auto reachable = [&](int id) { return Enabled(id) && Visible(id); };
    const auto pickAny = [&](int id) {
        Pick(id, below(dlg->GetComboBox(id)->GetCount()));
        return "pick " + std::to_string(id) + " " + ToQString(Selected(id)).toStdString();
    };

    for (int step = 0; step < 500; ++step) {
        // The choices that set off cascades weigh more than those that only select.
        std::vector<std::function<std::string()>> actions;
        const auto offer = [&](int weight, std::function<std::string()> action) {
            actions.insert(actions.end(), weight, action);
        };
        offer(2, [&] {
            const int tab = below(2);
            ClickTab(tab);
            return "tab " + std::to_string(tab);
        });
        for (auto [id, weight] : {std::pair{IDC_EXPORT_TYPE, 3}, {IDC_SUB_TYPE, 4}, {IDC_AUDIO_CODEC, 3},
                                  {IDC_FRAME_RATE, 1}, {IDC_VIDEO_BIT_RATE, 1}, {IDC_FRAME_SIZE, 1},
                                  {IDC_VIDEO_CODEC, 1}, {IDC_SAMPLE_RATE, 1}, {IDC_AUDIO_BIT_RATE, 1},
                                  {IDC_CHANNELS, 1}})
            if (reachable(id) && dlg->GetComboBox(id)->GetCount() > 0)
                offer(weight, [&, id = id] { return pickAny(id); });
        for (int id : {IDC_INCLUDE_VIDEO, IDC_INCLUDE_AUDIO})
            if (reachable(id))
                offer(1, [&, id] {
                    Click(id);
                    return "click " + std::to_string(id);
                });
        offer(1, [&] {
            Click(IDC_LANGUAGE);
            return std::string("language");
        });
        const std::string done = actions[below(static_cast<int>(actions.size()))]();
        SCOPED_TRACE("seed " + std::to_string(seed) + ", step " + std::to_string(step) + ": " + done);

        const int mode = static_cast<int>(dlg->m_mode);
        const std::u16string exportType = Selected(IDC_EXPORT_TYPE);
        const bool mp3 = mode == 1 && exportType == u"MP3";
        EXPECT_EQ(mode, dlg->GetTabCtrl(IDC_TAB)->GetCurSel());

        for (int id : kOptionLists)
            if (dlg->GetComboBox(id)->GetCount() > 0) {
                EXPECT_GE(dlg->GetComboBox(id)->GetCurSel(), 0) << "list " << id;
            }

        const auto wantsCustom = [&](int list) { return Selected(list) == u"Custom..." && Enabled(list); };
        EXPECT_EQ(Enabled(IDC_CUSTOM_FRAME_RATE), wantsCustom(IDC_FRAME_RATE));
        EXPECT_EQ(Enabled(IDC_CUSTOM_BIT_RATE), wantsCustom(IDC_VIDEO_BIT_RATE));
        EXPECT_EQ(Enabled(IDC_CUSTOM_WIDTH), wantsCustom(IDC_FRAME_SIZE));
        EXPECT_EQ(Enabled(IDC_CUSTOM_HEIGHT), wantsCustom(IDC_FRAME_SIZE));

        const QString output = ToQString(Text(IDC_OUTPUT));
        const QString extension = mode == 0 ? QStringLiteral(".flv") : "." + ToQString(exportType).toLower();
        if (!output.isEmpty()) {
            EXPECT_TRUE(output.endsWith(extension)) << output.toStdString() << " under " << extension.toStdString();
        }

        const bool subType = mode == 1 && exportType == u"MP4";
        EXPECT_EQ(Visible(IDC_SUB_TYPE), subType);
        EXPECT_EQ(Visible(IDC_SUB_TYPE_LABEL), subType);

        // The include boxes govern their groups; the codec lists belong to the FLV2Video mode.
        EXPECT_EQ(Enabled(IDC_INCLUDE_VIDEO), !mp3);
        if (mp3) {
            EXPECT_FALSE(Checked(IDC_INCLUDE_VIDEO));
        }
        for (int id : {IDC_FRAME_RATE, IDC_VIDEO_BIT_RATE, IDC_FRAME_SIZE})
            EXPECT_EQ(Enabled(id), Checked(IDC_INCLUDE_VIDEO)) << id;
        for (int id : {IDC_SAMPLE_RATE, IDC_AUDIO_BIT_RATE, IDC_CHANNELS})
            EXPECT_EQ(Enabled(id), Checked(IDC_INCLUDE_AUDIO)) << id;
        if (mode == 0) {
            for (int id : {IDC_VIDEO_CODEC, IDC_AUDIO_CODEC}) {
                EXPECT_FALSE(Enabled(id)) << id;
                EXPECT_EQ(dlg->GetComboBox(id)->GetCount(), 0) << id;
            }
            EXPECT_EQ(Entries(IDC_AUDIO_BIT_RATE), ListOf(FlvAudioBitRates()));
        } else {
            if (Checked(IDC_INCLUDE_VIDEO)) {
                EXPECT_TRUE(Enabled(IDC_VIDEO_CODEC));
            }
            if (Checked(IDC_INCLUDE_AUDIO)) {
                EXPECT_TRUE(Enabled(IDC_AUDIO_CODEC));
            }
            const int type = dlg->GetComboBox(IDC_EXPORT_TYPE)->GetCurSel();
            if (!mp3) {
                EXPECT_EQ(Entries(IDC_VIDEO_CODEC), ListOf(VideoCodecs(*ExportTypeAt(type))));
            }
            EXPECT_EQ(Entries(IDC_AUDIO_CODEC), ListOf(AudioCodecs(*ExportTypeAt(type))));
            const std::u16string codec = Selected(IDC_AUDIO_CODEC);
            EXPECT_EQ(Entries(IDC_SAMPLE_RATE), ListOf(SampleRates(codec)));
            EXPECT_EQ(Entries(IDC_AUDIO_BIT_RATE), ListOf(AudioBitRates(codec)));
            EXPECT_EQ(Entries(IDC_CHANNELS), ListOf(Channels(codec)));
        }
        if (HasFailure())
            break;
    }
}

}  // namespace

// The main dialog as the user meets it: its starting state, its two languages, the window
// menu and the About box, the end of its modal run, its data exchange and its layout.

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QFileInfo>
#include <QRawFont>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "convert/ProfileCatalogue.h"
#include "platform/dialog/private/WidgetAccess_p.h"
#include "tests/MainDialogFixture.h"
#include "tests/ModalHelper.h"
#include "ui/Language.h"
#include "ui/MainDialogTemplate.h"
#include "ui/Resource.h"
#include "ui/TarvexDlg.h"
#include "ui/UiText.h"

namespace {

struct LabelCase {
    int id;
    const char16_t* english;
    const char16_t* chinese;
};

const LabelCase kLabels[] = {
    {IDC_SOURCE_LABEL, u"Source File", u"输入文件"},
    {IDC_OUTPUT_LABEL, u"Export To...", u"输出文件"},
    {IDC_EXPORT_TYPE_LABEL, u"Export Type", u"输出格式"},
    {IDC_SUB_TYPE_LABEL, u"Sub-Type", u"子类型"},
    {IDC_VIDEO_GROUP, u"    Include Video In Output File", u"    输出视频到文件"},
    {IDC_AUDIO_GROUP, u"    Include Audio In Output File", u"    输出音频到文件"},
    {IDC_VIDEO_CODEC_LABEL, u"Video Codec", u"视频编码器"},
    {IDC_FRAME_RATE_LABEL, u"Frame Rate(fps)", u"帧率(f/s)"},
    {IDC_VIDEO_BIT_RATE_LABEL, u"Bit Rate(kb/s)", u"比特率(kb/s)"},
    {IDC_FRAME_SIZE_LABEL, u"Frame Size", u"视频大小"},
    {IDC_AUDIO_CODEC_LABEL, u"Audio Codec", u"音频编码器"},
    {IDC_SAMPLE_RATE_LABEL, u"Sample Rate(hz)", u"采样率(hz)"},
    {IDC_AUDIO_BIT_RATE_LABEL, u"Bit Rate(kb/s)", u"比特率(kb/s)"},
    {IDC_CHANNELS_LABEL, u"Channels", u"声道"},
    {IDOK, u"Convert", u"转换"},
    {IDCANCEL, u"Cancel", u"取消"},
    {IDC_LANGUAGE, u"Chinese", u"English"},
};

// Runs each test under a chosen locale, with the language of a fresh start.
class MainDialog : public MainDialogFixture {
protected:
    void ExpectLanguage(Language language)
    {
        EXPECT_EQ(dlg->GetWindowText(), u"Vantrel Tarvex 1.0");
        for (const LabelCase& label : kLabels)
            EXPECT_EQ(dlg->GetDlgItem(label.id)->GetWindowText(), language == Language::Chinese ? label.chinese : label.english)
                << "control " << label.id;
    }
};

TEST_F(MainDialog, StartsInItsStartingState)
{
    StartIn("en_US.UTF-8");
    CTabCtrl* tab = dlg->GetTabCtrl(IDC_TAB);
    ASSERT_EQ(tab->GetItemCount(), 2);
    EXPECT_EQ(Widget<QTabWidget>(IDC_TAB)->tabText(0), QStringLiteral("Video2FLV"));
    EXPECT_EQ(Widget<QTabWidget>(IDC_TAB)->tabText(1), QStringLiteral("FLV2Video"));
    EXPECT_EQ(tab->GetCurSel(), 0);
    EXPECT_EQ(dlg->m_mode, ConversionMode::Video2FLV);

    EXPECT_EQ(Entries(IDC_EXPORT_TYPE), ListOf(ExportTypes(ConversionMode::Video2FLV)));
    EXPECT_EQ(Selected(IDC_EXPORT_TYPE), u"FLV");

    EXPECT_FALSE(dlg->GetDlgItem(IDC_SUB_TYPE)->IsWindowVisible());
    EXPECT_FALSE(dlg->GetDlgItem(IDC_SUB_TYPE_LABEL)->IsWindowVisible());
    for (int id : {IDC_VIDEO_CODEC, IDC_AUDIO_CODEC}) {
        EXPECT_EQ(dlg->GetComboBox(id)->GetCount(), 0) << id;
        EXPECT_FALSE(dlg->GetDlgItem(id)->IsWindowEnabled()) << id;
    }

    EXPECT_EQ(Entries(IDC_FRAME_RATE), ListOf(FrameRates()));
    EXPECT_EQ(Selected(IDC_FRAME_RATE), u"15");
    EXPECT_EQ(Entries(IDC_VIDEO_BIT_RATE), ListOf(VideoBitRates()));
    EXPECT_EQ(Selected(IDC_VIDEO_BIT_RATE), u"200");
    EXPECT_EQ(Entries(IDC_FRAME_SIZE), ListOf(FrameSizes()));
    EXPECT_EQ(Selected(IDC_FRAME_SIZE), u"Original");
    EXPECT_EQ(Selected(IDC_SAMPLE_RATE), u"44100");
    EXPECT_EQ(Entries(IDC_AUDIO_BIT_RATE), ListOf(FlvAudioBitRates()));
    EXPECT_EQ(dlg->GetComboBox(IDC_AUDIO_BIT_RATE)->GetCurSel(), 0);
    EXPECT_EQ(Selected(IDC_CHANNELS), u"stereo");
    for (int id : {IDC_EXPORT_TYPE, IDC_FRAME_RATE, IDC_VIDEO_BIT_RATE, IDC_FRAME_SIZE, IDC_SAMPLE_RATE,
                   IDC_AUDIO_BIT_RATE, IDC_CHANNELS, IDC_SOURCE, IDC_OUTPUT, IDC_INCLUDE_VIDEO,
                   IDC_INCLUDE_AUDIO, IDOK, IDCANCEL, IDC_LANGUAGE})
        EXPECT_TRUE(dlg->GetDlgItem(id)->IsWindowEnabled()) << id;

    EXPECT_EQ(dlg->GetButton(IDC_INCLUDE_VIDEO)->GetCheck(), BST_CHECKED);
    EXPECT_EQ(dlg->GetButton(IDC_INCLUDE_AUDIO)->GetCheck(), BST_CHECKED);
    for (int id : {IDC_CUSTOM_FRAME_RATE, IDC_CUSTOM_BIT_RATE, IDC_CUSTOM_WIDTH, IDC_CUSTOM_HEIGHT}) {
        EXPECT_EQ(dlg->GetDlgItem(id)->GetWindowText(), u"0") << id;
        EXPECT_FALSE(dlg->GetDlgItem(id)->IsWindowEnabled()) << id;
    }
    EXPECT_EQ(dlg->GetDlgItem(IDC_SOURCE)->GetWindowText(), u"");
    EXPECT_EQ(dlg->GetDlgItem(IDC_OUTPUT)->GetWindowText(), u"");
    EXPECT_TRUE(WidgetOf(*dlg)->windowIcon().availableSizes().contains(QSize(48, 48)));
}

TEST_F(MainDialog, StartsInChineseOnlyUnderASimplifiedChineseLocale)
{
    StartIn("zh_CN.UTF-8");
    EXPECT_EQ(g_language, Language::Chinese);
    ExpectLanguage(Language::Chinese);
    for (const char* locale : {"zh_TW.UTF-8", "C", static_cast<const char*>(nullptr)}) {
        StartIn(locale);
        EXPECT_EQ(g_language, Language::English) << (locale ? locale : "unset");
        ExpectLanguage(Language::English);
    }
}

TEST_F(MainDialog, LanguageButtonSwitchesEveryLabelAndBackAgain)
{
    for (const Language start : {Language::English, Language::Chinese}) {
        StartIn(start == Language::Chinese ? "zh_CN.UTF-8" : "en_US.UTF-8");
        ExpectLanguage(start);
        QTest::mouseClick(Widget(IDC_LANGUAGE), Qt::LeftButton);
        EXPECT_EQ(g_language, OtherLanguage(start));
        ExpectLanguage(OtherLanguage(start));
        QTest::mouseClick(Widget(IDC_LANGUAGE), Qt::LeftButton);
        EXPECT_EQ(g_language, start);
        ExpectLanguage(start);
    }
}

TEST_F(MainDialog, LanguageSwitchKeepsChoicesStatesAndPaths)
{
    StartIn("en_US.UTF-8");
    dlg->GetDlgItem(IDC_SOURCE)->SetWindowText(u"/v/clip.avi");
    dlg->GetComboBox(IDC_FRAME_RATE)->SetCurSel(3);
    dlg->GetButton(IDC_INCLUDE_AUDIO)->SetCheck(BST_UNCHECKED);
    dlg->GetDlgItem(IDC_SAMPLE_RATE)->EnableWindow(false);

    QTest::mouseClick(Widget(IDC_LANGUAGE), Qt::LeftButton);
    EXPECT_EQ(dlg->GetDlgItem(IDC_SOURCE)->GetWindowText(), u"/v/clip.avi");
    EXPECT_EQ(dlg->GetComboBox(IDC_FRAME_RATE)->GetCurSel(), 3);
    EXPECT_EQ(Entries(IDC_EXPORT_TYPE), ListOf(ExportTypes(ConversionMode::Video2FLV)));
    EXPECT_EQ(dlg->GetButton(IDC_INCLUDE_AUDIO)->GetCheck(), BST_UNCHECKED);
    EXPECT_FALSE(dlg->GetDlgItem(IDC_SAMPLE_RATE)->IsWindowEnabled());
    EXPECT_TRUE(dlg->GetDlgItem(IDC_INCLUDE_VIDEO)->IsWindowVisible());
    EXPECT_FALSE(dlg->GetDlgItem(IDC_SUB_TYPE)->IsWindowVisible());
    EXPECT_EQ(Widget<QTabWidget>(IDC_TAB)->tabText(0), QStringLiteral("Video2FLV"));
}

// Read the way assistive technology reads the window: a list by its label relation (its own
// name is its value on Linux), every other control by its name.
TEST_F(MainDialog, ScreenReadersFindEveryControlNamedInTheCurrentLanguage)
{
    const auto name = [&](int id) {
        return QAccessible::queryAccessibleInterface(Widget(id))->text(QAccessible::Name);
    };
    const auto hasChinese = [](const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
    };
    // The label a sighted user reads a list by: the nearest static text left of it on its row.
    const auto labelBeside = [&](int listId) -> QWidget* {
        const QRect list = Widget(listId)->geometry();
        QWidget* nearest = nullptr;
        for (const DlgControl& c : MainDialogTemplate().controls) {
            const QRect r = Widget(c.id)->geometry();
            if (c.kind == ControlKind::Static && r.right() < list.left() && r.top() <= list.bottom() &&
                r.bottom() >= list.top() && (!nearest || r.right() > nearest->geometry().right()))
                nearest = Widget(c.id);
        }
        return nearest;
    };

    for (const char* locale : {"en_US.UTF-8", "zh_CN.UTF-8"}) {
        StartIn(locale);
        for (int switches = 0; switches < 3; ++switches) {
            const int language = static_cast<int>(g_language);
            SCOPED_TRACE(testing::Message() << locale << ", language " << language);
            QStringList listNames, ownNames;
            for (const DlgControl& c : MainDialogTemplate().controls) {
                if (c.kind == ControlKind::DropDownList) {
                    const auto relations = QAccessible::queryAccessibleInterface(Widget(c.id))->relations(QAccessible::Label);
                    ASSERT_EQ(relations.size(), 1) << "list " << c.id;
                    EXPECT_EQ(relations[0].first->object(), labelBeside(c.id)) << "list " << c.id;
                    listNames << relations[0].first->text(QAccessible::Name);
                } else if (c.kind == ControlKind::Edit || c.kind == ControlKind::AutoCheckBox ||
                           c.kind == ControlKind::PushButton || c.kind == ControlKind::DefPushButton) {
                    const QString n = name(c.id);
                    EXPECT_FALSE(n.isEmpty()) << c.id;
                    EXPECT_FALSE(n.startsWith(QLatin1Char(' '))) << c.id;
                    // The language button names the other language, as its caption does.
                    if (c.id != IDC_LANGUAGE) {
                        EXPECT_EQ(hasChinese(n), language == 1) << c.id << " " << n.toStdString();
                    }
                    ownNames << n;
                }
            }
            for (const QString& n : listNames)
                EXPECT_EQ(hasChinese(n), language == 1) << n.toStdString();
            // Every field and button can be told from the others and from the lists beside them.
            for (const QString& n : ownNames) {
                EXPECT_EQ(ownNames.count(n), 1) << n.toStdString();
                EXPECT_FALSE(listNames.contains(n)) << n.toStdString();
            }
            EXPECT_EQ(name(IDC_SOURCE), language ? QStringLiteral("输入文件") : QStringLiteral("Source File"));
            EXPECT_EQ(name(IDC_INCLUDE_VIDEO),
                      language ? QStringLiteral("输出视频到文件") : QStringLiteral("Include Video In Output File"));
            EXPECT_TRUE(listNames.contains(language ? QStringLiteral("帧率(f/s)") : QStringLiteral("Frame Rate(fps)")));
            Click(IDC_LANGUAGE);
        }
    }
}

TEST_F(MainDialog, WindowMenuEndsWithTheAboutItemWhichOpensTheAboutBox)
{
    for (int language : {0, 1}) {
        StartIn(language ? "zh_CN.UTF-8" : "C");
        QStringList items;
        QString caption, version;
        auto menuWatch = WhenPopup([&](QMenu* menu) {
            for (QAction* action : menu->actions())
                items << (action->isSeparator() ? QStringLiteral("-") : action->text());
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        }, "the window menu");
        auto aboutWatch = WhenModal([&](QWidget* about) {
            caption = about->windowTitle();
            version = about->findChild<QLabel*>(QString::number(IDC_ABOUT_VERSION))->text();
            QTest::keyClick(about, Qt::Key_Escape);
        }, WidgetOf(*dlg), "the About box");
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 300),
                                WidgetOf(*dlg)->mapToGlobal(QPoint(5, 300)));
        QApplication::sendEvent(WidgetOf(*dlg), &event);

        EXPECT_EQ(items, (QStringList{QStringLiteral("-"), QStringLiteral("关于 Tarvex(&A)...")}));
        EXPECT_EQ(version, QStringLiteral("Vantrel Tarvex 1.0"));
        EXPECT_EQ(caption, language ? QStringLiteral("关于 Vantrel Tarvex") : QStringLiteral("About Vantrel Tarvex"));
    }
}

TEST_F(MainDialog, AboutBoxFollowsALanguageSwitch)
{
    StartIn("C");
    QTest::mouseClick(Widget(IDC_LANGUAGE), Qt::LeftButton);
    QString caption, ok;
    auto watch = WhenModal([&](QWidget* about) {
        caption = about->windowTitle();
        ok = about->findChild<QPushButton*>(QString::number(IDOK))->text();
        QTest::mouseClick(about->findChild<QPushButton*>(QString::number(IDOK)), Qt::LeftButton);
    });
    dlg->OnSysCommand(IDM_ABOUTBOX, 0);
    EXPECT_EQ(caption, QStringLiteral("关于 Vantrel Tarvex"));
    EXPECT_EQ(ok, QStringLiteral("确定"));
}

TEST_F(MainDialog, EscAndCancelEndTheModalRunButEnterConverts)
{
    g_language = Language::English;
    {
        CTarvexDlg modal;
        auto watch = WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        EXPECT_EQ(modal.DoModal(), IDCANCEL);
    }
    {
        // Enter in an edit is Convert, which with no source asks for one and keeps the dialog.
        CTarvexDlg modal;
        bool stillOpen = false;
        QString message;
        auto watch = WhenModal([&](QWidget* w) {
            auto box = WhenModal(
                [&](QWidget* b) {
                    message = qobject_cast<QMessageBox*>(b)->text();
                    qobject_cast<QMessageBox*>(b)->accept();
                },
                w, "the message asking for a source");
            QTest::keyClick(WidgetOf(*modal.GetDlgItem(IDC_SOURCE)), Qt::Key_Return);
            stillOpen = w->isVisible();
            QTest::mouseClick(WidgetOf(*modal.GetDlgItem(IDCANCEL)), Qt::LeftButton);
        });
        EXPECT_EQ(modal.DoModal(), IDCANCEL);
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(message, QStringLiteral("Please enter the source file name!"));
    }
}

TEST_F(MainDialog, NonNumberInACustomEditIsRefusedThere)
{
    StartIn("C");
    dlg->GetDlgItem(IDC_SOURCE)->SetWindowText(u"/v/a.avi");
    dlg->GetDlgItem(IDC_CUSTOM_FRAME_RATE)->EnableWindow(true);
    dlg->GetDlgItem(IDC_CUSTOM_FRAME_RATE)->SetWindowText(u"fast");
    dlg->GetDlgItem(IDC_CUSTOM_BIT_RATE)->SetWindowText(u"300");
    dlg->m_fCustomBitRate = 12.5f;

    QString text;
    auto watch = WhenModal([&](QWidget* w) {
        text = qobject_cast<QMessageBox*>(w)->text();
        qobject_cast<QMessageBox*>(w)->accept();
    });
    EXPECT_FALSE(dlg->UpdateData(true));
    EXPECT_EQ(text, QStringLiteral("Please enter a number."));
    EXPECT_EQ(WidgetOf(*dlg)->focusWidget(), Widget(IDC_CUSTOM_FRAME_RATE));
    EXPECT_EQ(dlg->m_strSource, u"/v/a.avi");
    EXPECT_EQ(dlg->m_nIncludeVideo, BST_CHECKED);
    EXPECT_FLOAT_EQ(dlg->m_fCustomBitRate, 12.5f);
}

TEST_F(MainDialog, EmptyCustomWidthIsRefusedAndLaterBindingsKeepTheirValues)
{
    StartIn("C");
    dlg->GetDlgItem(IDC_CUSTOM_WIDTH)->EnableWindow(true);
    dlg->GetDlgItem(IDC_CUSTOM_WIDTH)->SetWindowText(u"");
    dlg->GetDlgItem(IDC_CUSTOM_HEIGHT)->SetWindowText(u"480");
    dlg->GetDlgItem(IDC_CUSTOM_FRAME_RATE)->SetWindowText(u"25");
    dlg->m_nIncludeVideo = 0;
    dlg->m_nIncludeAudio = 0;

    QString text, caption;
    auto watch = WhenModal([&](QWidget* w) {
        text = qobject_cast<QMessageBox*>(w)->text();
        caption = w->windowTitle();
        qobject_cast<QMessageBox*>(w)->accept();
    });
    EXPECT_FALSE(dlg->UpdateData(true));
    EXPECT_EQ(text, QStringLiteral("Please enter a positive integer."));
    EXPECT_EQ(caption, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    EXPECT_EQ(WidgetOf(*dlg)->focusWidget(), Widget(IDC_CUSTOM_WIDTH));
    EXPECT_EQ(dlg->m_nCustomHeight, 0u);
    EXPECT_EQ(dlg->m_nIncludeVideo, 0);
    EXPECT_EQ(dlg->m_nIncludeAudio, 0);
    EXPECT_FLOAT_EQ(dlg->m_fCustomFrameRate, 0.0f);

    dlg->GetDlgItem(IDC_CUSTOM_WIDTH)->SetWindowText(u"640");
    EXPECT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->m_nCustomWidth, 640u);
    EXPECT_EQ(dlg->m_nCustomHeight, 480u);
    EXPECT_EQ(dlg->m_nIncludeVideo, BST_CHECKED);
    EXPECT_FLOAT_EQ(dlg->m_fCustomFrameRate, 25.0f);
}

TEST_F(MainDialog, ControlsLieWhereTheTemplateSaysWithoutOverlapping)
{
    StartIn("C");
    const auto rect = [&](int id) { return Widget(id)->geometry(); };
    for (const DlgControl& c : MainDialogTemplate().controls) {
        CRect r{c.x, c.y, c.x + c.cx, c.y + c.cy};
        dlg->MapDialogRect(r);
        EXPECT_EQ(rect(c.id).topLeft(), QPoint(r.left, r.top)) << c.id;
        EXPECT_EQ(rect(c.id).width(), r.Width()) << c.id;
    }
    // Rows run top to bottom, labels stand left of their controls.
    EXPECT_LT(rect(IDC_SOURCE).bottom(), rect(IDC_OUTPUT).top());
    EXPECT_LT(rect(IDC_OUTPUT).bottom(), rect(IDC_EXPORT_TYPE).top());
    EXPECT_LT(rect(IDC_SOURCE_LABEL).right(), rect(IDC_SOURCE).left());
    EXPECT_LT(rect(IDC_SOURCE).right(), rect(IDC_BROWSE_SOURCE).left());
    EXPECT_LT(rect(IDC_VIDEO_GROUP).right(), rect(IDC_AUDIO_GROUP).left());
    EXPECT_LT(rect(IDC_CUSTOM_WIDTH).right(), rect(IDC_BY_LABEL).left());
    EXPECT_LT(rect(IDC_BY_LABEL).right(), rect(IDC_CUSTOM_HEIGHT).left());

    // Apart from the tab control behind everything and the check boxes on the group boxes'
    // edges, no two controls share a pixel; a closed list does not run into the next row.
    std::vector<int> ids;
    for (const DlgControl& c : MainDialogTemplate().controls)
        if (c.kind != ControlKind::Tab && c.kind != ControlKind::GroupBox)
            ids.push_back(c.id);
    for (size_t a = 0; a < ids.size(); ++a)
        for (size_t b = a + 1; b < ids.size(); ++b)
            EXPECT_FALSE(rect(ids[a]).intersects(rect(ids[b]))) << ids[a] << " and " << ids[b];
    for (int group : {IDC_VIDEO_GROUP, IDC_AUDIO_GROUP}) {
        for (const DlgControl& c : MainDialogTemplate().controls) {
            if (c.kind != ControlKind::Tab && c.kind != ControlKind::GroupBox && c.id != IDOK &&
                c.id != IDCANCEL && c.id != IDC_INCLUDE_VIDEO && c.id != IDC_INCLUDE_AUDIO &&
                rect(c.id).intersects(rect(group))) {
                EXPECT_TRUE(rect(group).contains(rect(c.id))) << c.id << " sticks out of " << group;
            }
        }
    }
}

TEST_F(MainDialog, LabelsFitAndChineseHasGlyphsInBothLanguages)
{
    StartIn("C");
    for (int language : {0, 1}) {
        for (const LabelCase& label : kLabels) {
            QWidget* w = Widget(label.id);
            const QString text = ToQString(language ? label.chinese : label.english);
            const QFontMetrics fm(w->font());
            if (qobject_cast<QLabel*>(w)) {
                EXPECT_LE(fm.horizontalAdvance(text), w->width()) << "clipped: " << text.toStdString();
            }
            const QRawFont raw = QRawFont::fromFont(w->font());
            for (QChar ch : text)
                EXPECT_TRUE(raw.supportsCharacter(ch)) << "no glyph for U+" << std::hex << static_cast<int>(ch.unicode());
        }
    }
}

TEST_F(MainDialog, IncludeCheckBoxesCoverTheCaptionsLeadingBlanks)
{
    StartIn("C");
    const int indicator = WidgetOf(*dlg)->style()->pixelMetric(QStyle::PM_IndicatorWidth);
    CRect oneChar{0, 0, 4, 8};
    dlg->MapDialogRect(oneChar);
    for (auto [box, group] : {std::pair{IDC_INCLUDE_VIDEO, IDC_VIDEO_GROUP}, {IDC_INCLUDE_AUDIO, IDC_AUDIO_GROUP}}) {
        const QRect b = Widget(box)->geometry();
        const QRect g = Widget(group)->geometry();
        const int captionStart = g.left() + oneChar.Width() * 5;  // one character in, four blanks
        EXPECT_EQ(b.top(), g.top());
        EXPECT_GT(b.left(), g.left());
        EXPECT_LE(b.left() + indicator, captionStart) << box;
        // On top of the group box, which lies on top of the tab control.
        const QObjectList order = WidgetOf(*dlg)->children();
        EXPECT_GT(order.indexOf(Widget(box)), order.indexOf(Widget(group)));
        EXPECT_GT(order.indexOf(Widget(group)), order.indexOf(Widget(IDC_TAB)));
        EXPECT_FALSE(Widget(box)->autoFillBackground());
    }
}

TEST_F(MainDialog, LanguageSwitchBringsTheCheckBoxesAboveTheirGroupBoxes)
{
    StartIn("C");
    const auto above = [&](int upper, int lower) {
        const QObjectList order = WidgetOf(*dlg)->children();  // bottom first
        return order.indexOf(Widget(upper)) > order.indexOf(Widget(lower));
    };
    // Whatever restacked the group boxes over the check boxes in between,
    for (int group : {IDC_VIDEO_GROUP, IDC_AUDIO_GROUP})
        Widget(group)->raise();
    ASSERT_FALSE(above(IDC_INCLUDE_VIDEO, IDC_VIDEO_GROUP));
    QTest::mouseClick(Widget(IDC_LANGUAGE), Qt::LeftButton);
    // the switch puts each check box back on its group box's edge.
    EXPECT_TRUE(above(IDC_INCLUDE_VIDEO, IDC_VIDEO_GROUP));
    EXPECT_TRUE(above(IDC_INCLUDE_AUDIO, IDC_AUDIO_GROUP));
    EXPECT_TRUE(dlg->GetDlgItem(IDC_INCLUDE_VIDEO)->IsWindowVisible());
}

}  // namespace

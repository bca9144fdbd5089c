#pragma once
// The main dialog: the conversion's options, the language switch and the window menu, and the
// conversion run it sets going and shows in the output window.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/CaptureSettings.h"
#include "convert/ConversionJob.h"
#include "convert/ProfileCatalogue.h"
#include "platform/dialog/Dialog.h"
#include "platform/dialog/Icon.h"
#include "platform/desktop/LauncherEntry.h"
#include "platform/desktop/SleepInhibitor.h"
#include "platform/process/ProbeProcess.h"
#include "run/ConversionRun.h"
#include "ui/OutDlg.h"

class CTarvexDlg : public CDialog {
public:
    CTarvexDlg();
    // Stops the run first: its threads reach the output window until then.
    ~CTarvexDlg() override;

    void OnSysCommand(unsigned nID, std::intptr_t lParam) override;

    // Writes the title and every label in the current language.
    void ApplyLanguage();

    // Runs `plans`, several files at once, with the output window shown until the user
    // closes it after the run's end, and returns how it was closed. Nothing shows and 0 comes
    // back when there is nothing to run; their folders are gone either way.
    std::intptr_t RunInWindow(std::vector<RunPlan> plans);

    // Takes `paths` as sources, as a drop on the dialog does, once each is a readable regular
    // file; a message names those that are not. Refused, like a drop, while a run goes on.
    void OpenFiles(const std::vector<std::u16string>& paths);
    // Opened by OnInitDialog, as soon as the dialog's loop runs.
    std::vector<std::u16string> m_startFiles;

    // Stops the run going on, as Stop does; false when none goes on.
    bool StopRun();
    // `listener` hears of each run's end once, on the GUI thread, after the output window has
    // shown it and the sleep hold and the launcher's bar are let go.
    void AttachRunEnd(std::function<void(const RunVerdict&)> listener);

    HICON m_hIcon = nullptr;
    ConversionMode m_mode = ConversionMode::Video2FLV;
    std::u16string m_strSource;
    std::u16string m_strOutput;
    std::uint32_t m_nCustomWidth = 0;
    std::uint32_t m_nCustomHeight = 0;
    int m_nIncludeVideo = 0;
    int m_nIncludeAudio = 0;
    float m_fCustomFrameRate = 0.0f;
    float m_fCustomBitRate = 0.0f;
    std::unique_ptr<COutDlg> m_pOutDlg;  // the output window, made by the first run

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    const MessageMap& GetMessageMap() const override;

    void OnToggleLanguage();

    // The file choice and Convert (TarvexDlgConvert.cpp). Convert is the default button's
    // command, so Enter converts too and never ends the main dialog; only Cancel does.
    void OnBrowse(unsigned nID);
    void OnConvert();
    // Files dropped anywhere but the output edit become the sources, in their order; one
    // dropped on the output edit becomes the output (a folder too). Refused while a run is in
    // progress.
    void OnDropFiles(int controlId, const std::vector<std::u16string>& paths) override;

    // The option cascades (TarvexDlgCascades.cpp): each handler answers one user action and
    // leaves the option controls consistent with the new choice.
    void OnTabSelChange();
    void OnExportTypeSelChange();
    void OnSubTypeSelChange();
    void OnAudioCodecSelChange();
    void OnVideoChoiceSelChange();
    void OnIncludeVideoClicked();
    void OnIncludeAudioClicked();

    void FillComboBox(CComboBox* pCombo, CatalogueList list, int entry);
    void FillExportTypes();
    void ApplyVideo2FlvProfile();
    void ApplyProfile(const Profile& profile);
    void ApplyAudioCodecProfile();
    void UpdateCustomEdits();
    // Fills an empty output name from the source and gives the output the export type's
    // extension, then shows both names.
    void UpdateDefaultOutputName();

private:
    // The text of the entry list `id` shows; empty when none is selected.
    std::u16string SelectedText(int id) const;
    // The option controls' texts and check boxes as Convert reads them.
    OptionControlTexts SnapshotOptionControls() const;
    // A warning from the UI text table, in the current language.
    void Warn(int entry);
    void WarnText(std::u16string_view text);
    // The export type's extension, without its dot: "flv" in Video2FLV.
    std::u16string ExportExtension() const;
    // The options as Convert takes them for an output with `extension`, or nothing after a
    // message refusing a custom value or a choice the format does not allow.
    std::optional<ConversionJob> CaptureJob(std::u16string_view extension);
    // Convert with several sources: their outputs, the refusals that name files, the run.
    void ConvertSeveral(const std::vector<std::u16string>& sources);

    // The showing of the run (TarvexDlgRun.cpp). The run's threads only ask for a refresh;
    // at most one such request waits at any time, however fast the chunks come.
    void RequestRefresh();
    void RefreshOutputWindow();
    void ShowOnLauncher(const RunSnapshot& snapshot);
    // The run's end, as the run tells it once.
    void OnRunEnded(const RunVerdict& verdict);
    // The end waiting for the output window, drawn once the window is up.
    void ShowEndIfUp();

    // Reads media files for the run in helper processes; outlives the run, which asks it.
    ProbeProcess m_probe;
    ConversionRun m_run;
    // Suspend and idle held off from the run's start until it ends or is stopped.
    SleepInhibitor m_sleep;
    // The run's progress on the program's entry in the task bar, from its start to its end or
    // its stop.
    LauncherEntry m_launcher{u"tarvex.desktop"};
    std::atomic<bool> m_bRefreshPending{false};
    std::vector<std::function<void(const RunVerdict&)>> m_endListeners;  // GUI thread only
    std::optional<RunVerdict> m_endToShow;  // GUI thread only
    // The output window is drawn at most once in this interval while a run goes on, and at
    // least once in the longer one.
    static constexpr std::chrono::milliseconds kRefreshInterval{40};
    static constexpr std::chrono::milliseconds kStatusTick{500};
    std::chrono::steady_clock::time_point m_nextRefresh{};
    bool m_bTickPending = false;  // GUI thread only
    // The run of RunInWindow holds off sleep while it runs unpaused; GUI thread only.
    bool m_bHoldSleep = false;
};

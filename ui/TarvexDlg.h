#pragma once
// The main dialog: the conversion's options, the language switch and the window menu. It is
// at the same time the runner of the encoder processes.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <boost/thread/mutex.hpp>

#include "convert/CaptureSettings.h"
#include "convert/CommandList.h"
#include "convert/ProfileCatalogue.h"
#include "platform/dialog/Dialog.h"
#include "platform/dialog/Icon.h"
#include "platform/text/TextCodec.h"
#include "run/ProgressParser.h"
#include "run/Redirect.h"
#include "ui/OutDlg.h"
#include "ui/RunOutcome.h"

class CTarvexDlg : public CDialog, public CRedirect {
public:
    CTarvexDlg();
    // Stops the runner first (at least 800 ms): its threads reach the output window, the
    // chunk strings and the lock until then. Then the output window and the members go.
    ~CTarvexDlg() override;

    void OnSysCommand(unsigned nID, std::intptr_t lParam) override;

    // Writes the title and every label in the language g_nLanguage names.
    void ApplyLanguage();

    HICON m_hIcon = nullptr;
    int m_nMode = 0;
    std::u16string m_strSource;
    std::u16string m_strOutput;
    std::uint32_t m_nCustomWidth = 0;
    std::uint32_t m_nCustomHeight = 0;
    int m_nIncludeVideo = 0;
    int m_nIncludeAudio = 0;
    float m_fCustomFrameRate = 0.0f;
    float m_fCustomBitRate = 0.0f;
    CommandList m_commands;
    std::unique_ptr<COutDlg> m_pOutDlg;  // the output window, made by the first Convert
    // The two newest chunks of the run's output, which the output window shows in turn.
    std::u16string m_strPrevChunk;
    std::u16string m_strLastChunk;
    boost::mutex m_outputLock;  // guards the chunks and the rest of the run's state below

    // A run of m_commands from the cursor: launches its first command and shows the output
    // window until the user closes it after the run's end; returns how it was closed. Nothing
    // runs, no window shows and 0 comes back when the command at the cursor is empty.
    std::intptr_t RunCommands();
    // The first half of RunCommands: the first command is launched, the window not shown.
    // False when the command at the cursor is empty.
    bool LaunchFirstCommand();
    // The folder of the run's intermediate file, removed with it at the end of the run.
    std::u16string m_strRunFolder;
    // Whether the progress bar follows the encoders' text; the flood benchmark weighs the
    // reading by turning it off.
    bool m_bReadProgress = true;

protected:
    // The runner's notifications, on its threads: the chunk display and the advance step.
    // None of them waits for the GUI thread, so Shutdown on the GUI thread can always join.
    void OnOutputText(const char* text) override;
    void OnErrorText(const char* text) override;
    void OnFinished() override;

    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    const MessageMap& GetMessageMap() const override;

    void OnToggleLanguage();

    // The file choice and Convert (ConvertAction.cpp). Convert is the default button's
    // command, so Enter converts too and never ends the main dialog; only Cancel does.
    void OnBrowse(unsigned nID);
    void OnConvert();
    // A file dropped on the output edit becomes the output, anywhere else the source; the
    // first of several counts. Refused while a run is in progress.
    void OnDropFiles(int controlId, const std::vector<std::u16string>& paths) override;

    // The option cascades (OptionCascades.cpp): each handler answers one user action and
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
    // The option controls' texts as Convert reads them.
    OptionControlTexts SnapshotOptionControls() const;
    // A warning from the UI text table, in the current language.
    void Warn(int entry);

    void ShowChunk(OutputStream stream, const char* text);
    // Starts the command at the cursor and moves the cursor past it; a failed start ends
    // the run.
    void LaunchAtCursor();
    // Keeps the first failure of the run for its outcome line.
    void NoteFailure(RunOutcome::Kind kind, int code);
    // The character a child cut off at its end shows as U+FFFD and is not glued to the
    // next child's first bytes. Under m_outputLock.
    void FinishDecoders();
    void EndRun();
    // Asks the GUI thread to show the chunks and the end as they are when it gets to it;
    // at most one such request waits at any time, however fast the chunks come.
    void RequestRefresh();
    void RefreshOutputWindow();

    // Under m_outputLock: each stream's bytes become text on their own.
    Utf8Decoder m_outputDecoder;
    Utf8Decoder m_errorDecoder;
    bool m_bRunEnded = false;
    bool m_bRunInProgress = false;  // GUI thread: from Convert's launch to the window's close
    ProgressParser m_progress;
    RunOutcome m_outcome;
    std::size_t m_nStep = 0;  // the command of the run now running, from 0
    // Written and read only by the thread that launches, one after another.
    std::u16string m_strRunningCommand;
    std::atomic<bool> m_bRefreshPending{false};
    // The output window is drawn at most once in this interval while a run goes on; GUI
    // thread only.
    static constexpr std::chrono::milliseconds kRefreshInterval{40};
    std::chrono::steady_clock::time_point m_nextRefresh{};
};

#pragma once
// The main dialog: the conversion's options, the language switch and the window menu. It is
// at the same time the runner of the encoder processes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <boost/thread/mutex.hpp>

#include "convert/CommandList.h"
#include "convert/ProfileCatalogue.h"
#include "platform/dialog/Dialog.h"
#include "platform/dialog/Icon.h"
#include "run/Redirect.h"

class CTarvexDlg : public CDialog, public CRedirect {
public:
    CTarvexDlg();
    // Releases the output window and the members, then the runner stops whatever it still
    // holds (at least 800 ms), then the window goes.
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
    std::unique_ptr<CDialog> m_pOutDlg;  // the output window, made by the first Convert
    std::u16string m_strPrevChunk;
    std::u16string m_strLastChunk;
    boost::mutex m_outputLock;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    const MessageMap& GetMessageMap() const override;
    // Enter and the Convert button never end the main dialog; only Cancel does.
    void OnOK() override;

    void OnToggleLanguage();

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
};

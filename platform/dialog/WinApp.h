#pragma once
// The application object. The program defines one global instance; AfxWinMain, called from
// main() once the toolkit's application exists, runs its start-up operation.

#include <string>
#include <string_view>

class CWnd;

class CWinApp {
public:
    // Without a name the application takes its executable's file name without extension.
    explicit CWinApp(std::u16string_view appName = {});
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Returns false to end the program right after it.
    virtual bool InitInstance();
    virtual int ExitInstance();

    // The organisation the settings would be kept under; the system keeps none.
    void SetRegistryKey(std::u16string_view key);
    std::u16string RegistryKey() const;

    const std::u16string& AppName() const;

    CWnd* m_pMainWnd = nullptr;

private:
    mutable std::u16string m_strAppName;
};

CWinApp* AfxGetApp();
// The application's name even without an application object (the executable's name).
std::u16string AfxGetAppName();
int AfxWinMain();

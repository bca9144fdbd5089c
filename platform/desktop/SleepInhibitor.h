#pragma once
// Holds off suspend and idle while something long goes on: through the desktop portal where
// it answers, otherwise through the login manager. Where neither answers nothing is held and
// nothing is said; the work goes on all the same.
//
// The services are asked without waiting for them, so a slow or absent one never holds up
// the window; an answer that comes after Release is let go at once. GUI thread only: the
// answers arrive through its event loop.

#include <memory>
#include <string_view>

class SleepInhibitor {
public:
    SleepInhibitor();
    // Release().
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Asks for suspend and idle to be held off, in the name of `who` for `why` (both shown to
    // the user by the desktop). Nothing when already held or asked for.
    void Hold(std::u16string_view who, std::u16string_view why);
    // Lets go of what Hold took, or will take. Nothing when nothing is held.
    void Release();

private:
    struct Private;
    const std::unique_ptr<Private> d;
};

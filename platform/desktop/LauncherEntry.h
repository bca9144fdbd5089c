#pragma once
// How far a long piece of work is, shown on the program's entry in the desktop's task bar or
// dock: the launcher entry signal that task managers and docks listen for on the session bus
// (progress, and a count such as the files left). Where no session bus answers nothing is sent;
// nothing ever waits for an answer, since a signal has none. GUI thread only.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class LauncherEntry {
public:
    // For the desktop file named `desktopId`, as "tarvex.desktop".
    explicit LauncherEntry(std::u16string_view desktopId);
    // Clear().
    ~LauncherEntry();
    LauncherEntry(const LauncherEntry&) = delete;
    LauncherEntry& operator=(const LauncherEntry&) = delete;

    // Shows `fraction` (0 to 1; none while it is not known) and `count` (none: no count). At most
    // one signal goes out in each interval; a change within it waits for the next call after it.
    void Show(std::optional<double> fraction, std::optional<std::int64_t> count);
    // Takes both off the entry, at once; nothing when nothing shows.
    void Clear();

    // The least time between two signals that show something.
    static constexpr std::chrono::milliseconds kInterval{250};

private:
    struct Shown {
        std::optional<double> fraction;
        std::optional<std::int64_t> count;
        bool operator==(const Shown&) const = default;
    };
    void Send(const Shown& shown);

    const std::u16string m_uri;
    std::optional<Shown> m_shown;  // what the last signal showed; none when cleared
    std::chrono::steady_clock::time_point m_lastSent{};
};

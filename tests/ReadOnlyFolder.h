#pragma once
// A folder of the test's own that refuses new entries, for real, also to root, which ignores
// permission bits. As root the folder is bind-mounted read-only onto itself in a mount
// namespace private to the test program; otherwise its write permission is taken away.
//
// The private namespace has to be made while the program has a single thread, so a test
// program that uses ReadOnlyFolder calls EnterPrivateMountNamespace() first thing in main(),
// before the toolkit or anything else starts a thread. Mounts made in it die with the
// program, and each ReadOnlyFolder also undoes its own.

#include <filesystem>
#include <string>

// Makes the private mount namespace when running as root; elsewhere there is nothing to do.
// A failure is kept and reported by every ReadOnlyFolder made afterwards.
void EnterPrivateMountNamespace();

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Empty when the folder was seen to refuse a new file; otherwise why not. A process whose
    // current directory was the folder before it was protected still writes through that
    // directory: enter the folder afresh afterwards.
    const std::string& Error() const { return m_error; }

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
    bool m_chmodded = false;
    std::filesystem::perms m_previous{};
    std::string m_error;
};

// True when a new file can be made in `folder` (it is removed again).
bool CanCreateIn(const std::filesystem::path& folder);

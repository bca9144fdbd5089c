#pragma once
// The folder a run's encoders write into, beside the output, and the step that puts their file
// in place. Paths are UTF-16 and reach the file system as UTF-8.
//
// A run folder holds a lock (flock on a file inside it) for as long as its owner keeps it, so that
// a folder left by a program that died (killed, out of memory, a session that ended without
// waiting) can be told from one that a program still converts into: the next run folder made
// beside it removes the first kind and leaves the second.

#include <functional>
#include <string>
#include <string_view>
#include <utility>

// One run folder, owned: whoever holds it removes it, by Remove or by letting it go, and only
// they can, so a folder is removed once however its file's conversion ends. Moved, never copied.
class RunFolder {
public:
    // None.
    RunFolder() = default;
    // Makes a folder only this user can enter, for one file's conversion, beside `nearFile`: in
    // the same folder, so that a file made in it can be renamed over `nearFile`. Before that,
    // removes the run folders there that no live run holds (see SweepRunFolders). None when that
    // folder takes no new entries.
    static RunFolder Create(std::u16string_view nearFile);
    RunFolder(RunFolder&& other) noexcept;
    RunFolder& operator=(RunFolder&& other) noexcept;
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    ~RunFolder();

    explicit operator bool() const { return !m_path.empty(); }
    // Empty for none.
    const std::u16string& Path() const { return m_path; }
    // Removes the folder with everything in it, then lets its lock go; links inside are removed,
    // never followed. Afterwards this holds none.
    void Remove();

private:
    RunFolder(std::u16string path, int lock) : m_path(std::move(path)), m_lock(lock) {}

    std::u16string m_path;
    int m_lock = -1;  // the descriptor holding the folder's lock
};

// Removes, from `folder`, every run folder whose lock is free: a folder named as a run folder
// is, owned by this user, holding the lock file. Nothing else is touched: a folder whose lock
// is held, one of another user, a link named like a run folder, and what any link inside one
// points to. Quiet: what cannot be removed stays.
void SweepRunFolders(std::u16string_view folder);

enum class Replaced {
    Yes,               // `to` holds the new file, and it and its name are on the disk
    NotMoved,          // the rename failed; nothing changed
    NotSynced,         // the new file's data could not be flushed; nothing changed
    FolderNotSynced,   // `to` holds the new file, but its folder's entry could not be flushed
};

// Renames `from` over `to` in one step, `from` flushed to the disk first and the folder of `to`
// after: `to` holds its old file or the new one, never neither nor half of one, a power loss
// after the return included. Both must lie on one file system.
Replaced ReplaceFile(std::u16string_view from, std::u16string_view to);

// Stands in for fsync(2) in ReplaceFile while set: a test sees which descriptor is flushed
// when, or makes a flush fail; a benchmark times them. Empty: the system's own.
void SetSyncHook(std::function<int(int fd)> sync);

#pragma once
// The sources of a run, read one after another beside its commands: the bar measures from the
// start, and each new file can be held against its source when it is read back.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "run/RunOutcome.h"

class SourceReading {
public:
    SourceReading() = default;
    // Gives up on what is left to read, and waits for the reading thread.
    ~SourceReading();
    SourceReading(const SourceReading&) = delete;
    SourceReading& operator=(const SourceReading&) = delete;

    // Reads `sources` in order with `reader` on a thread of its own, telling `read` the facts of
    // each as it has them. Without a reader nothing is read, and every Await returns at once.
    void Start(std::vector<std::u16string> sources, MediaReader reader,
               std::function<void(std::size_t index, const std::optional<FileFacts>& facts)> read);
    // The facts of source `index`, waiting for its reading; nothing when it could not be read,
    // or the reading ended before it.
    std::optional<FileFacts> Await(std::size_t index) const;
    // Tells the reader to give up; every Await returns.
    void Cancel();
    // Waits for the reading thread's end. Only by the owner of the reading.
    void Join();

private:
    void Main(std::vector<std::u16string> sources, MediaReader reader,
              std::function<void(std::size_t, const std::optional<FileFacts>&)> read);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_came;
    std::vector<std::optional<FileFacts>> m_facts;  // under the lock
    std::size_t m_nRead = 0;                        // the first not read yet, under the lock
    bool m_bDone = true;                            // nothing more will be read, under the lock
    std::atomic<bool> m_bCancel{false};
    std::thread m_thread;
};

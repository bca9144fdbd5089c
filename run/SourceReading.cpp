#include "run/SourceReading.h"

#include <utility>

SourceReading::~SourceReading()
{
    Cancel();
    Join();
}

void SourceReading::Start(std::vector<std::u16string> sources, MediaReader reader,
                          std::function<void(std::size_t, const std::optional<FileFacts>&)> read)
{
    Join();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_facts.assign(sources.size(), std::nullopt);
        m_nRead = 0;
        m_bDone = !reader;
    }
    m_bCancel = false;
    if (reader)
        m_thread = std::thread(&SourceReading::Main, this, std::move(sources), std::move(reader), std::move(read));
}

void SourceReading::Main(std::vector<std::u16string> sources, MediaReader reader,
                         std::function<void(std::size_t, const std::optional<FileFacts>&)> read)
{
    for (std::size_t i = 0; i < sources.size() && !m_bCancel; ++i) {
        const std::optional<FileFacts> facts = reader(sources[i], m_bCancel);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_facts[i] = facts;
            m_nRead = i + 1;
        }
        m_came.notify_all();
        if (read)
            read(i, facts);
    }
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bDone = true;
    }
    m_came.notify_all();
}

std::optional<FileFacts> SourceReading::Await(std::size_t index) const
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_came.wait(lock, [&] { return m_bDone || m_nRead > index || m_bCancel; });
    return index < m_nRead ? m_facts[index] : std::nullopt;
}

void SourceReading::Cancel()
{
    {
        // Under the lock, so that a waiter between its check and its sleep hears of it.
        std::lock_guard<std::mutex> lock(m_lock);
        m_bCancel = true;
    }
    m_came.notify_all();
}

void SourceReading::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

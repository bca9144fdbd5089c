#pragma once
// A conversion run without any window, its encoders played by the stand-in child (RUNNER_CHILD):
// a folder of its own, plans made the way Convert makes them, and the run's verdict and debug
// output as it ends.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/CommandLine.h"
#include "platform/text/TextCodec.h"
#include "run/ConversionRun.h"
#include "tests/RunHelpers.h"

inline std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ConversionRunTest : public ::testing::Test {
protected:
    using Seconds = std::chrono::seconds;
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("tarvex-run-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(m_dir);
        m_output = m_dir / "out.flv";
    }
    void TearDown() override
    {
        m_run.reset();
        std::filesystem::remove_all(m_dir);
    }

    // The stand-in encoder playing `steps`; "{folder}" and "{written}" stand for the plan's.
    static std::u16string Script(const std::vector<std::string>& steps)
    {
        std::u16string command = QuoteArgument(DecodeUtf8(RUNNER_CHILD)) + u" script";
        for (const std::string& step : steps)
            command += u" " + QuoteArgument(DecodeUtf8(step));
        return command;
    }

    RunPlan Plan(const std::vector<std::u16string>& commands) { return StandInPlan(m_output, commands); }
    bool Start(RunPlan plan) { return m_run->Start(OnePlan(std::move(plan))); }

    void Make(MediaReader reader = {}, std::size_t parallel = 0)
    {
        m_run.emplace(
            [this] {
                if (m_observe)
                    m_observe(*m_run->Snapshot());
                std::lock_guard<std::mutex> lock(m_lock);
                m_changed.notify_all();
            },
            [this](std::string_view text) {
                std::lock_guard<std::mutex> lock(m_lock);
                m_debug.emplace_back(text);
            },
            std::move(reader), parallel);
    }

    // The run's verdict once it has ended.
    RunVerdict Verdict()
    {
        const std::optional<RunVerdict> verdict = m_run->Snapshot()->verdict;
        EXPECT_TRUE(verdict.has_value()) << "the run has not ended";
        return verdict.value_or(RunVerdict{});
    }

    // The outcomes of the files that began, in file order, once the run has ended.
    std::vector<RunOutcome> Outcomes()
    {
        std::vector<RunOutcome> outcomes;
        for (const RunVerdict::File& file : Verdict().files)
            if (file.end != FileEnd::Untouched)
                outcomes.push_back(file.outcome);
        return outcomes;
    }

    // The one file's outcome once the run has ended, whether or not it began.
    RunOutcome Outcome()
    {
        const std::vector<RunVerdict::File> files = Verdict().files;
        EXPECT_EQ(files.size(), 1u);
        return files.empty() ? RunOutcome{} : files.back().outcome;
    }

    bool WaitUntil(const std::function<bool(const RunSnapshot&)>& condition, Seconds bound = Seconds(20))
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, bound, [&] { return condition(*m_run->Snapshot()); });
    }
    bool WaitEnded(Seconds bound = Seconds(20))
    {
        return WaitUntil([](const RunSnapshot& s) { return s.state == RunState::Ended; }, bound);
    }

    // Nothing of the run is left: only the output (if any) and what the test made.
    void ExpectNoRunFolder()
    {
        for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(m_dir))
            EXPECT_EQ(entry.path().filename().string().rfind(".tarvex-run-", 0), std::string::npos) << entry.path();
        EXPECT_EQ(OwnChildren(), std::vector<int>{});
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_output;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_debug;
    std::function<void(const RunSnapshot&)> m_observe;  // every change, on the changing thread
    std::optional<ConversionRun> m_run;
};


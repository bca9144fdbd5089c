// The progress parser on whatever an encoder may print, fed as the run feeds it: the two
// streams interleaved, in chunks cut anywhere, stage after stage, with the source's length
// learnt on the side. Bytes that never occur in UTF-8 text steer the run, so a corpus file is
// an encoder's own text with a few of them put in:
//   0xFF  the chunk ends here (the stream goes on in the next one)
//   0xFE  the next command of the run starts
//   0xFD  the other stream speaks from here on
//   0xFC  the source's length becomes known: the next byte, in half seconds
// Promises held: the percent stays within 0..100 and never falls; it stays within the share
// of the stage under way; and where the text is cut changes nothing: at every point the cut
// feed and a feed of each stream's text uncut have reached, both show the same.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "run/ProgressParser.h"

namespace {

constexpr unsigned char kCut = 0xFF, kNextStage = 0xFE, kOtherStream = 0xFD, kLength = 0xFC;

class Run {
public:
    explicit Run(std::size_t stages) : m_nStages(stages)
    {
        m_cut.BeginRun(stages);
        m_whole.BeginRun(stages);
        Compare();
    }

    void Text(std::string_view piece)
    {
        m_cut.Feed(m_stream, piece);
        m_pending += piece;
        Hold();
    }

    void NextStage()
    {
        Flush();
        ++m_nStage;
        m_cut.BeginStage(m_nStage);
        m_whole.BeginStage(m_nStage);
        Compare();
    }

    void OtherStream()
    {
        Flush();
        m_stream = m_stream == OutputStream::Error ? OutputStream::Output : OutputStream::Error;
    }

    void KnowLength(double seconds)
    {
        Flush();
        m_cut.KnowLength(seconds);
        m_whole.KnowLength(seconds);
        Compare();
    }

    void End()
    {
        Flush();
        m_cut.CompleteRun();
        FUZZ_CHECK(m_cut.Percent() == 100);
    }

private:
    void Flush()
    {
        m_whole.Feed(m_stream, m_pending);
        m_pending.clear();
        Compare();
    }

    void Compare()
    {
        Hold();
        FUZZ_CHECK(m_cut.Percent() == m_whole.Percent());
    }

    // The promises about the cut feed's percent after each step.
    void Hold()
    {
        const std::optional<int> now = m_cut.Percent();
        FUZZ_CHECK(!m_last || now);
        if (!now)
            return;
        FUZZ_CHECK(*now >= 0 && *now <= 100);
        FUZZ_CHECK(!m_last || *now >= *m_last);
        const std::size_t stage = std::min(m_nStage, m_nStages - 1);
        FUZZ_CHECK(static_cast<std::size_t>(*now) <= (stage + 1) * 100 / m_nStages);
        FUZZ_CHECK(static_cast<std::size_t>(*now) >= stage * 100 / m_nStages);
        m_last = now;
    }

    const std::size_t m_nStages;
    std::size_t m_nStage = 0;
    OutputStream m_stream = OutputStream::Error;
    ProgressParser m_cut, m_whole;
    std::string m_pending;
    std::optional<int> m_last;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Run run(1 + static_cast<std::size_t>(std::count(input.begin(), input.end(), static_cast<char>(kNextStage))));
    std::size_t from = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
        const auto byte = static_cast<unsigned char>(input[i]);
        if (byte < kLength)
            continue;
        run.Text(input.substr(from, i - from));
        from = i + 1;
        switch (byte) {
        case kCut:
            break;  // only the cut feed sees the chunk end; the uncut one goes on collecting
        case kNextStage:
            run.NextStage();
            break;
        case kOtherStream:
            run.OtherStream();
            break;
        default:
            if (i + 1 < input.size()) {
                run.KnowLength(static_cast<unsigned char>(input[i + 1]) / 2.0);
                from = ++i + 1;
            }
        }
    }
    run.Text(input.substr(from));
    run.End();
    return 0;
}

#include "media/MediaInfo.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavcodec/avcodec.h>
#include <libavcodec/packet.h>
#include <libavutil/log.h>
#include <libavutil/rational.h>
#include <libavutil/mem.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>

namespace {

using Clock = std::chrono::steady_clock;

// The size of the buffer libavformat gives its own file reads.
constexpr int kReadBuffer = 32 * 1024;

// The file as libavformat reads it: our own descriptor, so that what was checked to be a
// regular file is the very file read, and the deadline that every read and every step of
// the demuxers looks at.
struct Source {
    int fd = -1;
    Clock::time_point deadline;
    const std::atomic<bool>* cancel = nullptr;
    bool expired = false;
    int readError = 0;  // errno of a read that failed

    Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source()
    {
        if (fd >= 0)
            close(fd);
    }

    bool Expired()
    {
        if (!expired && (Clock::now() >= deadline || (cancel && cancel->load())))
            expired = true;
        return expired;
    }
};

int Interrupt(void* opaque)
{
    return static_cast<Source*>(opaque)->Expired() ? 1 : 0;
}

int Read(void* opaque, std::uint8_t* buffer, int size)
{
    auto* source = static_cast<Source*>(opaque);
    if (source->Expired())
        return AVERROR_EXIT;
    for (;;) {
        const ssize_t got = read(source->fd, buffer, static_cast<std::size_t>(size));
        if (got > 0)
            return static_cast<int>(got);
        if (got == 0)
            return AVERROR_EOF;
        if (errno != EINTR) {
            source->readError = errno;
            return AVERROR(errno);
        }
    }
}

std::int64_t Seek(void* opaque, std::int64_t offset, int whence)
{
    auto* source = static_cast<Source*>(opaque);
    if (whence == AVSEEK_SIZE) {
        struct stat status {};
        return fstat(source->fd, &status) == 0 ? status.st_size : AVERROR(errno);
    }
    const off_t at = lseek(source->fd, offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

// Playlists and image sequences name further files or network addresses; following them
// would read what the caller never asked about (and a FIFO named there would block for good).
// The file itself must hold the media.
int RefuseFurtherFiles(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

struct FreeReader {
    void operator()(AVIOContext* io) const
    {
        // libavformat may have swapped the buffer for a larger one while probing.
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

struct CloseInput {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

void SilenceLibrary()
{
    // The library's own warnings about odd files would land on the program's stderr.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

MediaReading Failed(std::string why)
{
    return MediaReading{std::nullopt, std::move(why)};
}

std::string FileError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "no such file";
    case EACCES:
    case EPERM:
        return "no permission to read it";
    default:
        return std::generic_category().message(error);
    }
}

std::string ReadError(int error)
{
    return "read failed: " + std::generic_category().message(error);
}

std::string NotRegular(mode_t mode)
{
    return S_ISDIR(mode) ? "a folder, not a file" : "not a regular file";
}

std::string GaveUp(std::chrono::milliseconds timeout)
{
    const auto count = timeout.count();
    if (count > 0 && count % 1000 == 0)
        return "gave up after " + std::to_string(count / 1000) + " s";
    return "gave up after " + std::to_string(count) + " ms";
}

template <typename T>
std::optional<T> Positive(T value)
{
    return value > 0 ? std::optional<T>(value) : std::nullopt;
}

void NotePicture(const AVStream& stream, MediaInfo& info)
{
    info.width = Positive(stream.codecpar->width);
    info.height = Positive(stream.codecpar->height);
    // The average over the file is what a player shows; a container that keeps no average
    // still has the rate its timestamps tick at.
    AVRational rate = stream.avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = stream.r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        info.frameRate = av_q2d(rate);
}

void NoteSound(const AVStream& stream, MediaInfo& info)
{
    info.sampleRate = Positive(stream.codecpar->sample_rate);
    info.channels = Positive(stream.codecpar->ch_layout.nb_channels);
    info.audioBitRate = Positive<std::int64_t>(stream.codecpar->bit_rate);
}

// Headers may state the bit rate the encoder was asked for rather than the one it made (AVI
// and ASF keep the request), and a variable rate has none to state: the packets of the first
// seconds say what the stream holds, on average. Reading stops at the deadline, leaving what
// the header said.
constexpr double kAveragedSeconds = 10;

void AverageBitRate(AVFormatContext& input, const AVStream& stream, Source& source, MediaInfo& info)
{
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        return;
    // Only the sound's packets are wanted: the demuxer then skips the picture's bytes unread.
    for (unsigned i = 0; i < input.nb_streams; ++i)
        if (static_cast<int>(i) != stream.index)
            input.streams[i]->discard = AVDISCARD_ALL;
    std::int64_t bytes = 0;
    std::int64_t first = AV_NOPTS_VALUE;
    std::int64_t end = AV_NOPTS_VALUE;
    const std::int64_t span = static_cast<std::int64_t>(kAveragedSeconds / av_q2d(stream.time_base));
    while (!source.Expired() && av_read_frame(&input, packet) >= 0) {
        if (packet->stream_index == stream.index && packet->pts != AV_NOPTS_VALUE) {
            if (first == AV_NOPTS_VALUE)
                first = packet->pts;
            bytes += packet->size;
            end = std::max(end, packet->pts + std::max<std::int64_t>(packet->duration, 0));
        }
        av_packet_unref(packet);
        if (first != AV_NOPTS_VALUE && end - first >= span)
            break;
    }
    av_packet_free(&packet);
    if (source.expired || first == AV_NOPTS_VALUE || end <= first)
        return;
    const double seconds = static_cast<double>(end - first) * av_q2d(stream.time_base);
    info.audioBitRate = static_cast<std::int64_t>(static_cast<double>(bytes) * 8 / seconds + 0.5);
}

}  // namespace

void PrepareMediaReading()
{
    SilenceLibrary();
    // Decoders build their tables once per process, on first open. Those of the streams users
    // convert are opened here on no data at all, so that a reader forked afterwards starts with
    // them built; the others, rare, are left to pay their own way.
    for (const AVCodecID id : {AV_CODEC_ID_H264, AV_CODEC_ID_HEVC, AV_CODEC_ID_MPEG4, AV_CODEC_ID_FLV1,
                               AV_CODEC_ID_VP6F, AV_CODEC_ID_VP8, AV_CODEC_ID_VP9, AV_CODEC_ID_MPEG1VIDEO,
                               AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MSMPEG4V3, AV_CODEC_ID_WMV2, AV_CODEC_ID_WMV3,
                               AV_CODEC_ID_MJPEG, AV_CODEC_ID_AAC, AV_CODEC_ID_MP3, AV_CODEC_ID_MP2,
                               AV_CODEC_ID_WMAV2, AV_CODEC_ID_AC3, AV_CODEC_ID_VORBIS, AV_CODEC_ID_OPUS,
                               AV_CODEC_ID_AMR_NB}) {
        const AVCodec* codec = avcodec_find_decoder(id);
        AVCodecContext* context = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (context)
            avcodec_open2(context, codec, nullptr);
        avcodec_free_context(&context);
    }
}

MediaReading ReadMediaInfo(const std::string& path, std::chrono::milliseconds timeout,
                           const std::atomic<bool>* cancel)
{
    SilenceLibrary();
    Source source;
    source.deadline = Clock::now() + timeout;
    source.cancel = cancel;

    // Opening a device can act on it (a tape rewinds) and opening a FIFO waits for a writer,
    // so look before opening, and only then open without waiting.
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return Failed(FileError(errno));
    if (!S_ISREG(status.st_mode))
        return Failed(NotRegular(status.st_mode));
    source.fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (source.fd < 0)
        return Failed(FileError(errno));
    // The name may have come to mean another file between the look and the open.
    if (fstat(source.fd, &status) != 0)
        return Failed(FileError(errno));
    if (!S_ISREG(status.st_mode))
        return Failed(NotRegular(status.st_mode));
    if (status.st_size == 0)
        return Failed("an empty file");

    auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBuffer));
    if (!buffer)
        return Failed("out of memory");
    std::unique_ptr<AVIOContext, FreeReader> reader(
        avio_alloc_context(buffer, kReadBuffer, 0, &source, Read, nullptr, Seek));
    if (!reader) {
        av_free(buffer);
        return Failed("out of memory");
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return Failed("out of memory");
    context->pb = reader.get();
    context->interrupt_callback = {Interrupt, &source};
    context->io_open = RefuseFurtherFiles;

    // The name only lends its extension to the guess of the format; the bytes come from `reader`.
    // On failure the context is freed and set to null.
    const int opened = avformat_open_input(&context, path.c_str(), nullptr, nullptr);
    std::unique_ptr<AVFormatContext, CloseInput> input(context);
    if (source.expired)
        return Failed(GaveUp(timeout));
    if (source.readError != 0)
        return Failed(ReadError(source.readError));
    if (opened < 0)
        return Failed("not a media file");

    // Some containers (FLV among them) make their streams only as packets arrive, and the
    // overall length is only worked out here. A failure here still leaves what the header
    // said, which is worth having.
    avformat_find_stream_info(input.get(), nullptr);
    if (source.expired)
        return Failed(GaveUp(timeout));
    if (source.readError != 0)
        return Failed(ReadError(source.readError));

    MediaInfo info;
    const AVStream* sound = nullptr;
    if (input->duration != AV_NOPTS_VALUE && input->duration > 0)
        info.seconds = static_cast<double>(input->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        switch (stream->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            if (!(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && !info.hasVideo) {
                info.hasVideo = true;
                NotePicture(*stream, info);
            }
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (!info.hasAudio) {
                info.hasAudio = true;
                NoteSound(*stream, info);
                sound = stream;
            }
            break;
        default:
            break;
        }
    }
    if (sound)
        AverageBitRate(*input, *sound, source, info);
    return MediaReading{info, {}};
}

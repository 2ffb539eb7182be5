#include "shared/ffmpeglibraries.h"

#include "shared/kellog.h"

#include <QLibrary>

#include <cerrno>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/rational.h>
}

namespace Kel {
namespace FFmpegLibraries {

namespace {

enum Library { Util, Codec, Format, LibraryCount };

struct State
{
    QLibrary libraries[LibraryCount];
    bool loaded = false;
    QString error;
};

QString fileName(const char *name, int major)
{
#ifdef Q_OS_WIN
    return QStringLiteral("%1-%2").arg(QLatin1String(name)).arg(major);
#else
    return QStringLiteral("lib%1.so.%2").arg(QLatin1String(name)).arg(major);
#endif
}

State &state()
{
    static State s;
    static std::once_flag once;
    std::call_once(once, [] {
        // The major versions of the headers this module was built with.
        const struct
        {
            const char *name;
            int major;
        } wanted[LibraryCount] = {{"avutil", LIBAVUTIL_VERSION_MAJOR},
                                  {"avcodec", LIBAVCODEC_VERSION_MAJOR},
                                  {"avformat", LIBAVFORMAT_VERSION_MAJOR}};
        QStringList errors;
        for (int i = 0; i < LibraryCount; ++i) {
            QLibrary &library = s.libraries[i];
            library.setFileName(fileName(wanted[i].name, wanted[i].major));
            library.setLoadHints(QLibrary::PreventUnloadHint);
            if (!library.load())
                errors.append(library.errorString());
        }
        s.loaded = errors.isEmpty();
        s.error = errors.join(QLatin1String("; "));
        if (!s.loaded)
            KEL_ERROR("The FFmpeg libraries could not be opened: %s", qUtf8Printable(s.error));
    });
    return s;
}

// The library's own function of that name, or null.
template <typename Function>
Function resolve(Library library, const char *name)
{
    State &s = state();
    if (!s.loaded)
        return nullptr;
    auto function = reinterpret_cast<Function>(s.libraries[library].resolve(name));
    if (!function)
        KEL_ERROR("FFmpeg function missing: %s", name);
    return function;
}

} // namespace

bool load()
{
    return state().loaded;
}

QString errorText()
{
    return state().error;
}

} // namespace FFmpegLibraries
} // namespace Kel

using Kel::FFmpegLibraries::resolve;

// Each function forwards to the library's own; the pointer is looked up
// once, on the first call.
#define KEL_FFMPEG_REAL(library, name) \
    static const auto real = resolve<decltype(&::name)>(Kel::FFmpegLibraries::library, #name)

extern "C" {

int avformat_open_input(AVFormatContext **ps, const char *url, const AVInputFormat *fmt, AVDictionary **options)
{
    KEL_FFMPEG_REAL(Format, avformat_open_input);
    if (!real) {
        // As FFmpeg does on failure: a context given by the caller is freed.
        if (ps) {
            if (*ps)
                avformat_close_input(ps);
            *ps = nullptr;
        }
        return AVERROR(ENOSYS);
    }
    return real(ps, url, fmt, options);
}

int avformat_find_stream_info(AVFormatContext *ic, AVDictionary **options)
{
    KEL_FFMPEG_REAL(Format, avformat_find_stream_info);
    return real ? real(ic, options) : AVERROR(ENOSYS);
}

void avformat_close_input(AVFormatContext **s)
{
    KEL_FFMPEG_REAL(Format, avformat_close_input);
    if (real)
        real(s);
}

int av_find_best_stream(AVFormatContext *ic, enum AVMediaType type, int wanted_stream_nb, int related_stream,
                        const AVCodec **decoder_ret, int flags)
{
    KEL_FFMPEG_REAL(Format, av_find_best_stream);
    return real ? real(ic, type, wanted_stream_nb, related_stream, decoder_ret, flags) : AVERROR_STREAM_NOT_FOUND;
}

AVRational av_guess_sample_aspect_ratio(AVFormatContext *format, AVStream *stream, AVFrame *frame)
{
    KEL_FFMPEG_REAL(Format, av_guess_sample_aspect_ratio);
    return real ? real(format, stream, frame) : AVRational{0, 1};
}

int av_read_frame(AVFormatContext *s, AVPacket *pkt)
{
    KEL_FFMPEG_REAL(Format, av_read_frame);
    return real ? real(s, pkt) : AVERROR(ENOSYS);
}

int av_seek_frame(AVFormatContext *s, int stream_index, int64_t timestamp, int flags)
{
    KEL_FFMPEG_REAL(Format, av_seek_frame);
    return real ? real(s, stream_index, timestamp, flags) : AVERROR(ENOSYS);
}

AVCodecContext *avcodec_alloc_context3(const AVCodec *codec)
{
    KEL_FFMPEG_REAL(Codec, avcodec_alloc_context3);
    return real ? real(codec) : nullptr;
}

void avcodec_free_context(AVCodecContext **avctx)
{
    KEL_FFMPEG_REAL(Codec, avcodec_free_context);
    if (real)
        real(avctx);
}

int avcodec_parameters_to_context(AVCodecContext *codec, const AVCodecParameters *par)
{
    KEL_FFMPEG_REAL(Codec, avcodec_parameters_to_context);
    return real ? real(codec, par) : AVERROR(ENOSYS);
}

int avcodec_open2(AVCodecContext *avctx, const AVCodec *codec, AVDictionary **options)
{
    KEL_FFMPEG_REAL(Codec, avcodec_open2);
    return real ? real(avctx, codec, options) : AVERROR(ENOSYS);
}

const char *avcodec_get_name(enum AVCodecID id)
{
    KEL_FFMPEG_REAL(Codec, avcodec_get_name);
    return real ? real(id) : "unknown_codec";
}

const AVCodec *avcodec_find_encoder_by_name(const char *name)
{
    KEL_FFMPEG_REAL(Codec, avcodec_find_encoder_by_name);
    return real ? real(name) : nullptr;
}

const AVCodecDescriptor *avcodec_descriptor_get(enum AVCodecID id)
{
    KEL_FFMPEG_REAL(Codec, avcodec_descriptor_get);
    return real ? real(id) : nullptr;
}

AVPacket *av_packet_alloc(void)
{
    KEL_FFMPEG_REAL(Codec, av_packet_alloc);
    return real ? real() : nullptr;
}

void av_packet_free(AVPacket **pkt)
{
    KEL_FFMPEG_REAL(Codec, av_packet_free);
    if (real)
        real(pkt);
}

void av_packet_unref(AVPacket *pkt)
{
    KEL_FFMPEG_REAL(Codec, av_packet_unref);
    if (real)
        real(pkt);
}

int av_reduce(int *dst_num, int *dst_den, int64_t num, int64_t den, int64_t max)
{
    KEL_FFMPEG_REAL(Util, av_reduce);
    if (real)
        return real(dst_num, dst_den, num, den, max);
    *dst_num = int(num);
    *dst_den = int(den);
    return 0;
}

const char *av_get_media_type_string(enum AVMediaType media_type)
{
    KEL_FFMPEG_REAL(Util, av_get_media_type_string);
    return real ? real(media_type) : nullptr;
}

} // extern "C"

#include "transcoder/mediaprobe.h"

#include "shared/avlibraries.h"
#include "shared/kellog.h"

#include <QFileInfo>

#include <limits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/rational.h>
}

namespace Kel {

namespace {

// Finds the best stream of a kind and opens its decoder; -1 when there is
// none that can be decoded.
int openBestStream(AVFormatContext *context, AVMediaType type, const QByteArray &file, QString *decoderName)
{
    const char *kind = KEL_AV(av_get_media_type_string)(type);
    const AVCodec *decoder = nullptr;
    const int index = KEL_AV(av_find_best_stream)(context, type, -1, -1, &decoder, 0);
    if (index == AVERROR_STREAM_NOT_FOUND) {
        KEL_INFO("Could not find %s stream in input file '%s'\n", kind, file.constData());
        return -1;
    }
    if (index < 0 || !decoder) {
        KEL_INFO("Failed to find %s codec\n", kind);
        return -1;
    }

    AVCodecContext *codecContext = KEL_AV(avcodec_alloc_context3)(decoder);
    bool opened = codecContext
                  && KEL_AV(avcodec_parameters_to_context)(codecContext, context->streams[index]->codecpar) >= 0
                  && KEL_AV(avcodec_open2)(codecContext, decoder, nullptr) >= 0;
    KEL_AV(avcodec_free_context)(&codecContext);
    if (!opened) {
        KEL_INFO("Failed to open %s codec\n", kind);
        return -1;
    }
    *decoderName = QString::fromUtf8(decoder->name);
    return index;
}

qint32 clampToInt32(int64_t value)
{
    return value > std::numeric_limits<qint32>::max() ? std::numeric_limits<qint32>::max()
                                                        : qint32(qMax<int64_t>(value, 0));
}

} // namespace

MediaProbe::~MediaProbe()
{
    close();
}

bool MediaProbe::open(const QString &file)
{
    close();
    fileName = file;
    if (!AvLibraries::load()) {
        KEL_ERROR("The FFmpeg libraries cannot be loaded: %s", qUtf8Printable(AvLibraries::errorString()));
        return false;
    }
    const QByteArray path = file.toUtf8();
    if (KEL_AV(avformat_open_input)(&context, path.constData(), nullptr, nullptr) < 0) {
        KEL_INFO("Could not open source file %s\n", path.constData());
        context = nullptr;
        return false;
    }
    if (KEL_AV(avformat_find_stream_info)(context, nullptr) < 0) {
        KEL_INFO("Could not find stream information\n");
        close();
        return false;
    }
    return true;
}

void MediaProbe::close()
{
    if (context)
        KEL_AV(avformat_close_input)(&context);
}

FileMediaInfo MediaProbe::describe() const
{
    FileMediaInfo info;
    info.mediaFile = fileName;
    if (!context)
        return info;

    const QByteArray file = fileName.toUtf8();
    QString decoderName;

    // A cover picture is not a video.
    const int video = openBestStream(context, AVMEDIA_TYPE_VIDEO, file, &decoderName);
    if (video >= 0 && !(context->streams[video]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        AVStream *stream = context->streams[video];
        const AVCodecParameters *par = stream->codecpar;
        info.vCodec = decoderName;
        AVRational rate = stream->avg_frame_rate;
        if (rate.num <= 0 || rate.den <= 0)
            rate = stream->r_frame_rate;
        info.frameRate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0.0;
        AVRational sar = KEL_AV(av_guess_sample_aspect_ratio)(context, stream, nullptr);
        if (sar.num <= 0 || sar.den <= 0)
            sar = AVRational{1, 1};
        int aspectX = 0;
        int aspectY = 0;
        KEL_AV(av_reduce)(&aspectX, &aspectY, int64_t(par->width) * sar.num, int64_t(par->height) * sar.den, 1048576);
        info.aspect = QSize(aspectX, aspectY);
        info.resolution = QSize(par->width, par->height);
        info.type = Video;
    }

    const int audio = openBestStream(context, AVMEDIA_TYPE_AUDIO, file, &decoderName);
    if (audio >= 0) {
        const AVCodecParameters *par = context->streams[audio]->codecpar;
        if (info.type != Video)
            info.type = Audio;
        info.aCodec = decoderName;
        info.aSampleRate = par->sample_rate;
        info.aBitRate = clampToInt32(par->bit_rate);
    }

    info.hasSubtitles = openBestStream(context, AVMEDIA_TYPE_SUBTITLE, file, &decoderName) >= 0;
    info.format = QString::fromUtf8(context->iformat->name);
    info.duration = context->duration == AV_NOPTS_VALUE ? 0 : context->duration / AV_TIME_BASE;
    info.vBitRate = clampToInt32(context->bit_rate);
    info.fileSize = QFileInfo(fileName).size();
    info.probed = true;
    KEL_INFO("mFileMediaInfo : %d\n", int(info.duration));
    return info;
}

QList<SubtitleStream> MediaProbe::subtitleStreams() const
{
    QList<SubtitleStream> streams;
    if (!context)
        return streams;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters *par = context->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_SUBTITLE)
            continue;
        SubtitleStream stream;
        stream.codec = QString::fromUtf8(KEL_AV(avcodec_get_name)(par->codec_id));
        if (const AVCodecDescriptor *descriptor = KEL_AV(avcodec_descriptor_get)(par->codec_id)) {
            if (descriptor->props & AV_CODEC_PROP_TEXT_SUB)
                stream.kind = SubtitleStream::Text;
            else if (descriptor->props & AV_CODEC_PROP_BITMAP_SUB)
                stream.kind = SubtitleStream::Bitmap;
        }
        streams.append(stream);
    }
    return streams;
}

double MediaProbe::declaredDuration(const QString &file)
{
    if (!AvLibraries::load())
        return 0.0;
    AVFormatContext *opened = nullptr;
    if (KEL_AV(avformat_open_input)(&opened, file.toUtf8().constData(), nullptr, nullptr) < 0)
        return 0.0;
    const double seconds = opened->duration == AV_NOPTS_VALUE || opened->duration < 0
        ? 0.0
        : double(opened->duration) / AV_TIME_BASE;
    KEL_AV(avformat_close_input)(&opened);
    return seconds;
}

double MediaProbe::duration() const
{
    if (!context || context->duration == AV_NOPTS_VALUE || context->duration < 0)
        return 0.0;
    return double(context->duration) / AV_TIME_BASE;
}

} // namespace Kel

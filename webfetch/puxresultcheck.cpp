#include "webfetch/puxresultcheck.h"

#include "shared/avlibraries.h"
#include "shared/kellog.h"

#include <QFile>
#include <QHash>
#include <QList>

#include <cmath>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

namespace Kel {

namespace {

// How far before the expected end the reading starts, beyond the tolerance:
// a seek lands on the key frame before its target.
constexpr double ReadMarginSeconds = 10.0;
// How far a stream may end before the end its own header states: priming
// samples and the last frame's length, not missing data.
constexpr double DeclaredTolerance = 0.5;

struct InputCloser
{
    void operator()(AVFormatContext *context) const { KEL_AV(avformat_close_input)(&context); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

int bestStream(AVFormatContext *context, AVMediaType type)
{
    const int index = KEL_AV(av_find_best_stream)(context, type, -1, -1, nullptr, 0);
    // A cover picture is not a video.
    if (index >= 0 && (context->streams[index]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        return -1;
    return index;
}

// Where the data of each stream really ends, in seconds of its own time
// line: the packets are read from a little before from (seconds after the
// start of the file) on.
QHash<int, double> streamEnds(AVFormatContext *context, const QList<int> &streams, double from)
{
    const int64_t start = context->start_time == AV_NOPTS_VALUE ? 0 : context->start_time;
    const int64_t target = start + int64_t(qMax(0.0, from) * AV_TIME_BASE);
    // A file that cannot seek is read from where the probing left off.
    if (KEL_AV(av_seek_frame)(context, -1, target, AVSEEK_FLAG_BACKWARD) < 0)
        KEL_AV(av_seek_frame)(context, -1, start, AVSEEK_FLAG_BACKWARD);

    QHash<int, double> ends;
    AVPacket *packet = KEL_AV(av_packet_alloc)();
    if (!packet)
        return ends;
    while (KEL_AV(av_read_frame)(context, packet) >= 0) {
        if (streams.contains(packet->stream_index)) {
            const int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (stamp != AV_NOPTS_VALUE) {
                const AVRational base = context->streams[packet->stream_index]->time_base;
                const double end = double(stamp + qMax<int64_t>(packet->duration, 0)) * av_q2d(base);
                auto known = ends.find(packet->stream_index);
                if (known == ends.end())
                    ends.insert(packet->stream_index, end);
                else
                    *known = qMax(*known, end);
            }
        }
        KEL_AV(av_packet_unref)(packet);
    }
    KEL_AV(av_packet_free)(&packet);
    return ends;
}

// Where a stream's header says it ends, in seconds of its own time line;
// -1 when it does not say.
double declaredEnd(const AVStream *stream)
{
    if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0)
        return -1.0;
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    return double(start + stream->duration) * av_q2d(stream->time_base);
}

} // namespace

PuxResultCheck::Expectation PuxResultCheck::expectationFor(const MediaProfile &profile)
{
    Expectation expected;
    if (profile.type == Audio) {
        expected.audio = true;
    } else {
        expected.video = true;
        expected.audio = !profile.audioFormat.isEmpty();
    }
    expected.duration = double(qMax<qint64>(profile.duration, 0));
    return expected;
}

double PuxResultCheck::tolerance(double duration)
{
    return qMax(1.5, duration * 0.02);
}

QString PuxResultCheck::timeText(double seconds)
{
    const qint64 whole = qMax<qint64>(0, qint64(std::floor(seconds)));
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2").arg(whole / 60 % 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    return whole >= 3600 ? QStringLiteral("%1:%2").arg(whole / 3600).arg(minutesAndSeconds, 5, QLatin1Char('0'))
                         : minutesAndSeconds;
}

QString PuxResultCheck::check(const QString &file, const Expectation &expected)
{
    const QByteArray path = QFile::encodeName(file);
    if (!AvLibraries::load()) {
        // Nothing can be judged; the download is kept rather than lost.
        KEL_ERROR("Download result %s not checked: the FFmpeg libraries cannot be loaded: %s", path.constData(),
                  qUtf8Printable(AvLibraries::errorString()));
        return QString();
    }
    AVFormatContext *opened = nullptr;
    if (KEL_AV(avformat_open_input)(&opened, path.constData(), nullptr, nullptr) < 0) {
        KEL_ERROR("Download result does not open: %s", path.constData());
        return tr("The downloaded file is not readable media.");
    }
    const Input context(opened);
    if (KEL_AV(avformat_find_stream_info)(context.get(), nullptr) < 0) {
        KEL_ERROR("Download result has no stream information: %s", path.constData());
        return tr("The downloaded file is not readable media.");
    }

    const int video = bestStream(context.get(), AVMEDIA_TYPE_VIDEO);
    const int audio = bestStream(context.get(), AVMEDIA_TYPE_AUDIO);
    if (expected.video && video < 0)
        return tr("The downloaded file holds no video.");
    if (expected.audio && audio < 0)
        return tr("The downloaded file holds no sound.");

    QList<int> streams;
    if (expected.video || video >= 0)
        streams += video;
    if (expected.audio || audio >= 0)
        streams += audio;
    streams.removeAll(-1);
    if (streams.isEmpty())
        return tr("The downloaded file holds neither video nor sound.");

    const double fileStart = context->start_time == AV_NOPTS_VALUE ? 0.0 : double(context->start_time) / AV_TIME_BASE;
    const double fileDuration =
        context->duration == AV_NOPTS_VALUE || context->duration <= 0 ? 0.0 : double(context->duration) / AV_TIME_BASE;
    const double page = expected.duration;
    const double pageAllowed = tolerance(page);
    // Reading starts before the earliest end that is to be checked.
    double earliest = fileDuration > 0 ? fileDuration - DeclaredTolerance : 0.0;
    if (page > 0)
        earliest = earliest > 0 ? qMin(earliest, page - pageAllowed) : page - pageAllowed;
    for (const int stream : qAsConst(streams)) {
        const double own = declaredEnd(context->streams[stream]);
        if (own > 0)
            earliest = qMin(earliest, own - fileStart - DeclaredTolerance);
    }
    const QHash<int, double> ends = streamEnds(context.get(), streams, earliest - ReadMarginSeconds);

    // Each stream reaches the end its own header states (exactly known, so
    // little is allowed); the file's data reaches the end the file states,
    // and the page's duration, to the second. Streams of one file may end
    // apart, so the file and the page are measured by the longest.
    double lastEnd = 0.0;
    for (const int stream : qAsConst(streams)) {
        if (!ends.contains(stream)) {
            KEL_ERROR("Download result has no readable data in stream %d: %s", stream, path.constData());
            return tr("The downloaded file is incomplete: its data cannot be read.");
        }
        const double end = ends.value(stream);
        const double own = declaredEnd(context->streams[stream]);
        KEL_INFO("Download result %s: stream %d ends at %.2f s of %.2f s", path.constData(), stream, end, own);
        if (own > 0 && end < own - qMax(DeclaredTolerance, (own - fileStart) * 0.01)) {
            const QString at = timeText(end - fileStart);
            const QString of = timeText(own - fileStart);
            return stream == video ? tr("The downloaded file is incomplete: its video ends at %1 of %2.").arg(at, of)
                                   : tr("The downloaded file is incomplete: its sound ends at %1 of %2.").arg(at, of);
        }
        lastEnd = qMax(lastEnd, end - fileStart);
    }
    KEL_INFO("Download result %s ends at %.2f s; the file states %.2f s, the page %.0f s", path.constData(),
             lastEnd, fileDuration, page);
    double shouldEnd = -1.0;
    if (fileDuration > 0 && lastEnd < fileDuration - qMax(DeclaredTolerance, fileDuration * 0.01))
        shouldEnd = fileDuration;
    else if (page > 0 && lastEnd < page - pageAllowed)
        shouldEnd = page;
    if (shouldEnd > 0)
        return tr("The downloaded file is incomplete: it ends at %1 of %2.").arg(timeText(lastEnd), timeText(shouldEnd));
    return QString();
}

} // namespace Kel

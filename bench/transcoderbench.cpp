// Compares a conversion through the converter back end with bare ffmpeg run
// with the same arguments, alternating the two, and times file probes.
//
//   bench_transcoder [--runs N] [--seconds S] [--probes N]

#include "shared/toollocator.h"
#include "transcoder/convertjob.h"
#include "transcoder/ffmpegarguments.h"
#include "transcoder/mediaconverter.h"
#include "transcoder/mediaconverterfactory.h"
#include "transcoder/mediainfoextractor.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

QTextStream out(stdout);

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const int n = values.size();
    if (n == 0)
        return 0.0;
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2.0;
}

double sum(const QList<double> &values)
{
    double total = 0.0;
    for (double value : values)
        total += value;
    return total;
}

bool runFfmpeg(const QString &program, const QStringList &arguments, double *seconds)
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    // Read the error output as it comes, as the converter does.
    QObject::connect(&process, &QProcess::readyReadStandardError, &process,
                     [&process] { process.readAllStandardError(); });
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments, QIODevice::ReadWrite);
    loop.exec();
    *seconds = timer.nsecsElapsed() / 1e9;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool runConverter(const Kel::ConvertJob &job, double *seconds)
{
    QScopedPointer<Kel::MediaConverter> converter(Kel::MediaConverterFactory::instance()->createConverter());
    QEventLoop loop;
    bool ok = false;
    QObject::connect(converter.data(), &Kel::MediaConverter::finished, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(converter.data(), &Kel::MediaConverter::error, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    converter->convert(job);
    loop.exec();
    *seconds = timer.nsecsElapsed() / 1e9;
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption("runs", "Conversions of each kind.", "N", "6");
    const QCommandLineOption secondsOption("seconds", "Length of the generated source.", "S", "20");
    const QCommandLineOption probesOption("probes", "Number of timed probes.", "N", "200");
    parser.addOptions({runsOption, secondsOption, probesOption});
    parser.process(app);
    const int runs = qMax(1, parser.value(runsOption).toInt());
    const int seconds = qMax(1, parser.value(secondsOption).toInt());
    const int probes = qMax(1, parser.value(probesOption).toInt());

    const QString ffmpeg = Kel::ToolLocator::ffmpegPath();
    if (ffmpeg.isEmpty()) {
        QTextStream(stderr) << "ffmpeg is missing: install it or put it beside the program\n";
        return 2;
    }
    QTemporaryDir dir;
    const QString source = dir.filePath("source.mp4");
    double unused = 0;
    if (!runFfmpeg(ffmpeg,
                   {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=25", "-f",
                    "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", QString::number(seconds), "-c:v",
                    "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-y", source},
                   &unused)) {
        QTextStream(stderr) << "could not generate the source\n";
        return 2;
    }

    // Probe time.
    QScopedPointer<Kel::MediaInfoExtractor> extractor(Kel::MediaConverterFactory::instance()->createExtractor());
    const Kel::FileMediaInfo info = extractor->getMediaInfo(source, false, QString());
    QList<double> probeTimes;
    for (int i = 0; i < probes; ++i) {
        QElapsedTimer timer;
        timer.start();
        extractor->getMediaInfo(source, false, QString());
        probeTimes << timer.nsecsElapsed() / 1e6;
    }
    out << QString("probe: %1 probes, median %2 ms, mean %3 ms\n")
               .arg(probes)
               .arg(median(probeTimes), 0, 'f', 2)
               .arg(sum(probeTimes) / probes, 0, 'f', 2);
    out.flush();

    Kel::ConvertJob job;
    job.source = source;
    job.sourceInfo = info;
    job.profile.name = "bench";
    job.profile.type = Kel::Video;
    job.profile.format = "MP4";
    job.profile.vCodec = "libx264";
    job.profile.aCodec = "aac";
    job.profile.resolution = QSize(640, 360);
    job.profile.vBitRate = 1000000;
    job.profile.aBitRate = 128000;
    job.profile.aSampleRate = 44100;

    QList<double> bare;
    QList<double> converter;
    for (int i = 0; i < runs; ++i) {
        // Alternate which goes first so that neither always meets a warm cache.
        for (int k = 0; k < 2; ++k) {
            const bool viaConverter = (i + k) % 2 == 1;
            Kel::ConvertJob run = job;
            run.target = dir.filePath(QString("%1-%2.mp4").arg(viaConverter ? "converter" : "bare").arg(i));
            double elapsed = 0;
            const bool ok = viaConverter ? runConverter(run, &elapsed)
                                         : runFfmpeg(ffmpeg, Kel::FfmpegArguments::build(run), &elapsed);
            if (!ok) {
                QTextStream(stderr) << (viaConverter ? "converter" : "ffmpeg") << " run failed\n";
                return 1;
            }
            (viaConverter ? converter : bare) << elapsed;
            out << QString("run %1 %2: %3 s\n").arg(i).arg(viaConverter ? "converter" : "ffmpeg   ").arg(elapsed, 0, 'f', 3);
            out.flush();
        }
    }
    const double ratio = sum(converter) / sum(bare);
    const double medianRatio = median(converter) / median(bare);
    out << QString("ffmpeg median %1 s, converter median %2 s\n")
               .arg(median(bare), 0, 'f', 3)
               .arg(median(converter), 0, 'f', 3);
    out << QString("converter / ffmpeg: total %1 (%2%), median %3 (%4%)\n")
               .arg(ratio, 0, 'f', 4)
               .arg((ratio - 1) * 100, 0, 'f', 2)
               .arg(medianRatio, 0, 'f', 4)
               .arg((medianRatio - 1) * 100, 0, 'f', 2);
    return 0;
}

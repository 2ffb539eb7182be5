// One of several programs that want the same tool copy at once:
//
//   puxtoolcopy-probe CACHE ARCHIVE DIGEST INTERPRETER GO_FILE
//
// Waits until GO_FILE exists, so that all start together, then makes the
// copy, trying again while another program is making it; meanwhile the copy
// must never be usable half-made. Prints "Made", "Present" or "Changed" (the
// archive does not have DIGEST), then "intact" when the copy can be used
// afterwards.
#include "webfetch/puxfilelock.h"
#include "webfetch/puxtoolcopy.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

using Kel::PuxFileLock;
using Kel::PuxToolCopy;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: puxtoolcopy-probe CACHE ARCHIVE DIGEST INTERPRETER GO_FILE\n");
        return 2;
    }
    const QString cache = args.at(1);
    const QString digest = args.at(3);
    QDeadlineTimer deadline(60000);
    while (!QFileInfo::exists(args.at(5)) && !deadline.hasExpired())
        QThread::msleep(2);

    QString error;
    PuxToolCopy::Result result;
    while ((result = PuxToolCopy::make(cache, args.at(2), digest, args.at(4), &error)) == PuxToolCopy::Busy) {
        PuxFileLock lease;
        // Usable only once it is whole; the other program may finish any time.
        if (PuxToolCopy::acquire(cache, digest, &lease) && !QFileInfo::exists(cache + QStringLiteral("/") + digest
                                                                             + QStringLiteral("/__main__.py"))) {
            std::printf("half-made copy usable\n");
            return 1;
        }
        QThread::msleep(10);
    }
    if (result == PuxToolCopy::Failed) {
        std::printf("Failed: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", result == PuxToolCopy::Made      ? "Made"
                         : result == PuxToolCopy::Present ? "Present"
                                                          : "Changed");
    PuxFileLock lease;
    std::printf("%s\n", PuxToolCopy::acquire(cache, digest, &lease) ? "intact" : "not usable");
    return 0;
}

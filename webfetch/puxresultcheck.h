#pragma once

#include "shared/mediaprofile.h"

#include <QCoreApplication>
#include <QString>

namespace Kel {

// Looks at a finished download with the FFmpeg libraries before it is
// called a success: the tool cannot tell a transfer that a server cut short
// without announcing its length from a whole one, and a merge of broken
// pieces can still end well. A result must open, hold the streams that were
// chosen, and reach the end of its media: the page's duration when the page
// states one, else the duration the file itself declares.
class PuxResultCheck
{
    Q_DECLARE_TR_FUNCTIONS(Kel::PuxResultCheck)

public:
    struct Expectation
    {
        bool video = false;
        bool audio = false;
        // Seconds; 0 when unknown.
        double duration = 0.0;
    };

    // What a download of profile must hold. A progressive quality need not
    // hold sound: the tool does not always say whether it has any.
    static Expectation expectationFor(const MediaProfile &profile);

    // Empty when the file is sound, else why it is not, for the user.
    static QString check(const QString &file, const Expectation &expected);

    // How far a stream may end before the expected end: rounding of the
    // page's duration and streams that stop a little early are not faults.
    static double tolerance(double duration);

private:
    static QString timeText(double seconds);
};

} // namespace Kel

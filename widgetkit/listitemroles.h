#pragma once

#include <Qt>

namespace Tarn {

// The item-data roles through which the list models of the pages feed the list
// views and their delegates. The numbers are fixed: models and views are built
// apart and meet only here.
enum ListItemRole {
    ProgressRole = 1032,     // Kel::Progress of the progress cell; invalid when none is shown
    EmphasisRole = 1033,     // bool: draw the cell with the view's emphasis font and colour
    ItemKeyRole = 1034,      // qint64: stable key of the item behind the row; editors are filed under it
    ThumbnailRole = 1035,    // QString: path of the item's thumbnail picture
    CompletedRole = 1036,    // bool: finished successfully
    FailedRole = 1037,       // bool: failed
    AnalysingRole = 1038,    // bool: media information is being fetched
    WaitingRole = 1039,      // bool: waits to run
    WorkingRole = 1040,      // bool: downloading or converting
    PausedRole = 1041,       // bool: paused
    StatusRole = 1042,       // QVariant handed to ListTableProgressBar::setStatus; the style
                             // sheets colour the bar for the tile's status words
                             // ("working", "pause", "waitting", ...)
    TitleRole = 1043,        // QString: title, or the URL or file name when there is none
    DurationRole = 1044,     // qint64: duration of the media in seconds
    ItemProgressRole = 1045, // Kel::Progress of the item whatever the column (thumbnail grid)
};

} // namespace Tarn

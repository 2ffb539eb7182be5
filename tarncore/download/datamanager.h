#pragma once

#include "tarncore/download/convertlist.h"
#include "tarncore/download/downloadconvertlist.h"
#include "tarncore/download/downloadlist.h"
#include "tarncore/tarncoreglobal.h"

namespace Tarn {

// The three lists of work items that the pages show. They live in memory
// for one run: nothing of them is stored. GUI thread only.
class TARNCORE_EXPORT DataManager
{
public:
    DataManager() = default;
    // Deletes every item that is still listed.
    ~DataManager();
    DataManager(const DataManager &) = delete;
    DataManager &operator=(const DataManager &) = delete;

    DownloadList *getDownloadList() { return &downloadList; }
    ConvertList *getConvertList() { return &convertList; }
    DownloadConvertList *getDownloadConvertList() { return &downloadConvertList; }

    bool hasDownloadItem() const { return downloadList.count() > 0; }
    bool hasConvertItem() const { return convertList.count() > 0; }
    bool hasDownloadConvertItem() const { return downloadConvertList.count() > 0; }
    // Some item of some list is still at work.
    bool hasWorkItem() const;

    // Each removes every item of its list, from the last to the first.
    void clearAllDownloadItems();
    void clearAllConvertItems();
    void clearAllDownloadConvertItems();
    // Downloads, then conversions, then download-then-convert items.
    void clear();

private:
    DownloadList downloadList;
    ConvertList convertList;
    DownloadConvertList downloadConvertList;
};

} // namespace Tarn

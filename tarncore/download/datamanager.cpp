#include "tarncore/download/datamanager.h"

#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/downloadconvertitem.h"
#include "tarncore/download/downloaditem.h"

namespace Tarn {

DataManager::~DataManager()
{
    clear();
}

bool DataManager::hasWorkItem() const
{
    return downloadList.hasWorkItem() || convertList.hasWorkItem() || downloadConvertList.hasWorkItem();
}

void DataManager::clearAllDownloadItems()
{
    for (int row = downloadList.count() - 1; row >= 0; --row)
        downloadList.removeItem(row);
}

void DataManager::clearAllConvertItems()
{
    for (int row = convertList.count() - 1; row >= 0; --row)
        convertList.removeItem(row);
}

void DataManager::clearAllDownloadConvertItems()
{
    for (int row = downloadConvertList.count() - 1; row >= 0; --row)
        downloadConvertList.removeItem(row);
}

void DataManager::clear()
{
    clearAllDownloadItems();
    clearAllConvertItems();
    clearAllDownloadConvertItems();
}

} // namespace Tarn

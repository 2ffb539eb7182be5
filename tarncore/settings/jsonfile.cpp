#include "tarncore/settings/jsonfile.h"

#include <QFile>

#include <json/reader.h>

#include <memory>

namespace Tarn {
namespace JsonFile {

bool parse(const QString &path, Json::Value &root)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();

    Json::CharReaderBuilder builder;
    builder["collectComments"] = false;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    Json::Value parsed;
    if (!reader->parse(data.constData(), data.constData() + data.size(), &parsed, &errors))
        return false;
    root.swap(parsed);
    return true;
}

const Json::Value &member(const Json::Value &node, const char *name)
{
    static const Json::Value null;
    if (!node.isObject())
        return null;
    const Json::Value *found = node.find(name, name + std::char_traits<char>::length(name));
    return found ? *found : null;
}

QString text(const Json::Value &value)
{
    if (!value.isString())
        return QString();
    return QString::fromStdString(value.asString());
}

} // namespace JsonFile
} // namespace Tarn

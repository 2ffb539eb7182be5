#include "support/jsonfields.h"

namespace JsonFields {

namespace {

const Json::Value *member(const Json::Value &object, const char *name)
{
    if (!object.isObject() || !object.isMember(name))
        return nullptr;
    return &object[name];
}

} // namespace

QString text(const Json::Value &object, const char *name)
{
    const Json::Value *value = member(object, name);
    return value && value->isString() ? QString::fromStdString(value->asString()) : QString();
}

qint64 integer(const Json::Value &object, const char *name)
{
    const Json::Value *value = member(object, name);
    if (!value)
        return 0;
    if (value->isIntegral())
        return value->asInt64();
    if (value->isString())
        return QString::fromStdString(value->asString()).toLongLong();
    return 0;
}

double seconds(const Json::Value &object, const char *name)
{
    const Json::Value *value = member(object, name);
    if (!value)
        return -1.0;
    if (value->isNumeric())
        return value->asDouble();
    bool ok = false;
    const double result = QString::fromStdString(value->isString() ? value->asString() : std::string()).toDouble(&ok);
    return ok ? result : -1.0;
}

} // namespace JsonFields

#pragma once

#include <QString>

#include <json/value.h>

// Lenient reads of one member of a JSON object for the test support: a
// missing member, a member of another type or a value that is not an object
// gives the empty answer instead of an exception.
namespace JsonFields {

QString text(const Json::Value &object, const char *name);
// Whole numbers, also when written as text ("44100", as ffprobe does).
qint64 integer(const Json::Value &object, const char *name);
// Seconds, also when written as text ("2.999000"); -1 when absent.
double seconds(const Json::Value &object, const char *name);

} // namespace JsonFields

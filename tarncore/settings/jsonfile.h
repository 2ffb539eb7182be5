#pragma once

#include <QString>

#include <json/value.h>

namespace Tarn {

// Reading of the JSON configuration files without exceptions: members of
// the wrong type read as missing or empty instead of throwing.
namespace JsonFile {

// Parses the whole file (comments allowed, not collected); false when the
// file is missing, unreadable or not JSON.
bool parse(const QString &path, Json::Value &root);
// The member of an object; null when node is not an object or lacks it.
const Json::Value &member(const Json::Value &node, const char *name);
// The text of a string value; empty for anything else.
QString text(const Json::Value &value);

} // namespace JsonFile
} // namespace Tarn

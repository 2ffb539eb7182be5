#include "tarncore/settings/rule.h"

namespace Tarn {

const QString Rule::AnyValue = QStringLiteral("*");

void Rule::addFilter(const QString &name, const QString &value)
{
    filters.insert(name, value);
}

QList<QString> Rule::getAllFilters() const
{
    return filters.keys();
}

QString Rule::getFilter(const QString &name) const
{
    return filters.value(name);
}

bool Rule::hasFilter(const QString &name) const
{
    return filters.contains(name);
}

bool Rule::matches(const QMap<QString, QString> &query) const
{
    if (filters.size() != query.size())
        return false;
    for (auto it = query.cbegin(); it != query.cend(); ++it) {
        if (!filters.contains(it.key()))
            return false;
    }
    for (auto it = filters.cbegin(); it != filters.cend(); ++it) {
        if (it.value() == AnyValue)
            continue;
        if (it.value() != query.value(it.key()))
            return false;
    }
    return true;
}

} // namespace Tarn

#pragma once

#include "tarncore/tarncoreglobal.h"

#include <QList>
#include <QMap>
#include <QString>

namespace Tarn {

// The conditions under which a support entry applies: filter name to the
// required value, where "*" accepts anything.
class TARNCORE_EXPORT Rule
{
public:
    static const QString AnyValue; // "*"

    void addFilter(const QString &name, const QString &value);
    QList<QString> getAllFilters() const;
    QString getFilter(const QString &name) const;
    bool hasFilter(const QString &name) const;
    const QMap<QString, QString> &getFilters() const { return filters; }

    // True when the rule names exactly the query's filters and each filter
    // that is not "*" equals the query's value (case-sensitive).
    bool matches(const QMap<QString, QString> &query) const;

    bool operator==(const Rule &other) const { return filters == other.filters; }

private:
    QMap<QString, QString> filters;
};

} // namespace Tarn

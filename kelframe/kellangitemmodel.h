#pragma once

#include "kelframe/kelframeglobal.h"

#include <QAbstractListModel>
#include <QStringList>

// The user-interface languages the program offers: English, which is built
// in, and every language with a translation file. Each row shows the
// language's own name; the code ("de", "pt_BR") is under CodeRole and the
// current language is checked. The rows are read again on refresh().
class KELFRAME_EXPORT KelLangItemModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        CodeRole = Qt::UserRole + 1,
    };

    explicit KelLangItemModel(QObject *parent = nullptr);

    // The language in use ("en" without an application object).
    static QString currentLangName();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    QString codeAt(int row) const;
    int rowOf(const QString &code) const;

public slots:
    void refresh();

private:
    QStringList m_codes;
};

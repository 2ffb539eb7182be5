#include "kelframe/kellangitemmodel.h"

#include "kelframe/kelapplication.h"

KelLangItemModel::KelLangItemModel(QObject *parent)
    : QAbstractListModel(parent)
    , m_codes(KelApplication::availableLanguages())
{
    if (KelApplication *app = KelApplication::instance())
        connect(app, &KelApplication::languageChanged, this, [this] {
            if (!m_codes.isEmpty())
                emit dataChanged(index(0), index(int(m_codes.size()) - 1), {Qt::CheckStateRole});
        });
}

QString KelLangItemModel::currentLangName()
{
    KelApplication *app = KelApplication::instance();
    return app ? app->currentLanguage() : QStringLiteral("en");
}

int KelLangItemModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_codes.size());
}

QVariant KelLangItemModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_codes.size())
        return QVariant();
    const QString &code = m_codes.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return KelApplication::languageDisplayName(code);
    case Qt::CheckStateRole:
        return code == currentLangName() ? Qt::Checked : Qt::Unchecked;
    case CodeRole:
        return code;
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> KelLangItemModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(CodeRole, "code");
    return names;
}

QString KelLangItemModel::codeAt(int row) const
{
    return row >= 0 && row < m_codes.size() ? m_codes.at(row) : QString();
}

int KelLangItemModel::rowOf(const QString &code) const
{
    return int(m_codes.indexOf(code));
}

void KelLangItemModel::refresh()
{
    const QStringList codes = KelApplication::availableLanguages();
    if (codes == m_codes)
        return;
    beginResetModel();
    m_codes = codes;
    endResetModel();
}

#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QString>

// An icon made of files that are read only when it is first drawn or
// measured: a window holds many icons it never shows (other pages, hidden
// buttons, disabled states), and reading a vector file is most of an icon's
// cost.
class KelDeferredIconEngine final : public QIconEngine
{
public:
    KelDeferredIconEngine(const QString &normalFile, const QString &disabledFile);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    void addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state) override;
    void addFile(const QString &fileName, const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine *clone() const override;
    bool isNull() override;

private:
    QIcon &loaded();

    QString m_normalFile;
    QString m_disabledFile;
    QIcon m_icon;
    bool m_loaded = false;
};

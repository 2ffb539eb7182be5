#include "kelframe/keldeferrediconengine.h"

#include <QPainter>

KelDeferredIconEngine::KelDeferredIconEngine(const QString &normalFile, const QString &disabledFile)
    : m_normalFile(normalFile), m_disabledFile(disabledFile)
{
}

QIcon &KelDeferredIconEngine::loaded()
{
    if (!m_loaded) {
        m_loaded = true;
        m_icon.addFile(m_normalFile, QSize(), QIcon::Normal);
        if (!m_disabledFile.isEmpty())
            m_icon.addFile(m_disabledFile, QSize(), QIcon::Disabled);
    }
    return m_icon;
}

void KelDeferredIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
}

// The size asked for is in device pixels already (QIcon scales it for the
// screen before it asks the engine).
QPixmap KelDeferredIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return loaded().pixmap(size, 1.0, mode, state);
}

QSize KelDeferredIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return loaded().actualSize(size, mode, state);
}

QList<QSize> KelDeferredIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return loaded().availableSizes(mode, state);
}

void KelDeferredIconEngine::addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state)
{
    loaded().addPixmap(pixmap, mode, state);
}

void KelDeferredIconEngine::addFile(const QString &fileName, const QSize &size, QIcon::Mode mode,
                                    QIcon::State state)
{
    loaded().addFile(fileName, size, mode, state);
}

QString KelDeferredIconEngine::key() const
{
    return QStringLiteral("KelDeferredIconEngine");
}

QIconEngine *KelDeferredIconEngine::clone() const
{
    auto *copy = new KelDeferredIconEngine(m_normalFile, m_disabledFile);
    copy->m_icon = m_icon;
    copy->m_loaded = m_loaded;
    return copy;
}

bool KelDeferredIconEngine::isNull()
{
    // Made only for files that exist.
    return false;
}

#include "core/lazyicon.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>

namespace {

class LazyIconEngine : public QIconEngine
{
public:
    explicit LazyIconEngine(const QString &path) : m_path(path) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }

    // With high-resolution pixmaps on, the outer icon has already scaled the
    // size by the device pixel ratio and the inner one would do it again.
    static qreal innerRatio()
    {
        return qApp && qApp->testAttribute(Qt::AA_UseHighDpiPixmaps) ? qApp->devicePixelRatio() : 1.0;
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = innerRatio();
        if (ratio > 1.0)
            return icon().pixmap((QSizeF(size) / ratio).toSize(), mode, state);
        return icon().pixmap(size, mode, state);
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = innerRatio();
        if (ratio > 1.0)
            return (QSizeF(icon().actualSize((QSizeF(size) / ratio).toSize(), mode, state)) * ratio).toSize();
        return icon().actualSize(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) const override
    {
        return icon().availableSizes(mode, state);
    }

    QString key() const override { return QStringLiteral("KorvelLazyIcon"); }
    QIconEngine *clone() const override { return new LazyIconEngine(*this); }

    void virtual_hook(int id, void *data) override
    {
        if (id == QIconEngine::IsNullHook) {
            // Known without reading the image.
            *static_cast<bool *>(data) = m_loaded ? m_icon.isNull() : !QFile::exists(m_path);
            return;
        }
        QIconEngine::virtual_hook(id, data);
    }

private:
    const QIcon &icon() const
    {
        if (!m_loaded) {
            m_icon = QIcon(m_path);
            m_loaded = true;
        }
        return m_icon;
    }

    QString m_path;
    mutable QIcon m_icon;
    mutable bool m_loaded = false;
};

}  // namespace

QIcon LazyIcon::fromFile(const QString &path)
{
    return QIcon(new LazyIconEngine(path));
}

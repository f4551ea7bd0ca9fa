#include "phototagger/window/ptpreview.h"

#include <QFutureWatcher>
#include <QImageReader>
#include <QVBoxLayout>
#include <QtConcurrent>

PixmapLabel::PixmapLabel(QWidget *parent) : QLabel(parent)
{
    setMinimumSize(1, 1);
    setAlignment(Qt::AlignCenter);
}

void PixmapLabel::setImage(const QPixmap &picture)
{
    m_picture = picture;
    showScaled();
}

void PixmapLabel::showScaled()
{
    if (m_picture.isNull()) {
        setPixmap(QPixmap());
        return;
    }
    setPixmap(m_picture.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PixmapLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showScaled();
}

int PixmapLabel::heightForWidth(int w) const
{
    // An empty picture has no shape to keep.
    if (m_picture.width() <= 0)
        return 0;
    return int(qint64(m_picture.height()) * w / m_picture.width());
}

QSize PixmapLabel::sizeHint() const { return QSize(width(), heightForWidth(width())); }

PTPreview::PTPreview(QWidget *parent) : QFrame(parent), m_label(new PixmapLabel(this))
{
    setMinimumSize(480, 360);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    setNoImage();
}

bool PTPreview::setImage(const QString &path)
{
    ++m_generation;
    QPixmap picture;
    if (path.isEmpty() || !picture.load(path) || picture.isNull()) {
        setNoImage();
        return false;
    }
    m_picture = picture;
    m_noImage = false;
    m_label->setImage(m_picture);
    return true;
}

void PTPreview::requestImage(const QString &path)
{
    const int generation = ++m_generation;
    const QSize target = m_label->size() * devicePixelRatioF();
    auto *watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation, path] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;  // a newer selection came meanwhile
        const QImage image = watcher->result();
        if (image.isNull()) {
            setNoImage();
        } else {
            m_picture = QPixmap::fromImage(image);
            m_noImage = false;
            m_label->setImage(m_picture);
        }
        emit imageShown(path);
    });
    // The task holds only values, so it may outlive this pane.
    watcher->setFuture(QtConcurrent::run([path, target] {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid() && target.width() > 1 && target.height() > 1
            && (full.width() > target.width() || full.height() > target.height()))
            reader.setScaledSize(full.scaled(target, Qt::KeepAspectRatio));
        return reader.read();
    }));
}

void PTPreview::setNoImage()
{
    ++m_generation;
    m_picture.load(QStringLiteral(":/noimage.jpg"));
    m_noImage = true;
    m_label->setImage(m_picture);
}

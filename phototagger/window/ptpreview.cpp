#include "phototagger/window/ptpreview.h"

#include <QVBoxLayout>

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

void PTPreview::setNoImage()
{
    m_picture.load(QStringLiteral(":/noimage.jpg"));
    m_noImage = true;
    m_label->setImage(m_picture);
}

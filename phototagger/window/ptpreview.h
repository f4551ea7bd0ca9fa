#pragma once
// Preview pane of the photo-tagger window: the selected tag's thumbnail,
// scaled to the pane with its aspect ratio kept.
#include <QFrame>
#include <QLabel>
#include <QPixmap>

class PixmapLabel : public QLabel {
    Q_OBJECT
public:
    explicit PixmapLabel(QWidget *parent = nullptr);
    void setImage(const QPixmap &picture);
    QPixmap image() const { return m_picture; }
    int heightForWidth(int w) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showScaled();
    QPixmap m_picture;
};

class PTPreview : public QFrame {
    Q_OBJECT
public:
    explicit PTPreview(QWidget *parent = nullptr);
    // False (and the no-image picture shown) when the file does not load.
    bool setImage(const QString &path);
    void setNoImage();
    // Decodes the file off the GUI thread at the pane's size; only the
    // newest request is shown, imageShown() follows.
    void requestImage(const QString &path);
    bool showsNoImage() const { return m_noImage; }
    QPixmap picture() const { return m_picture; }
    PixmapLabel *label() const { return m_label; }

signals:
    void imageShown(const QString &path);

private:
    QPixmap m_picture;
    PixmapLabel *m_label;
    bool m_noImage = true;
    int m_generation = 0;
};

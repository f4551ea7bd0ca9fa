#pragma once
// Painted caption bar (with a title) or narrow vertical separator (without).
#include <QPointer>
#include <QString>
#include <QWidget>

class HeaderWidget : public QWidget
{
    Q_OBJECT
public:
    // parent must not be null: its size drives the size hint, even after the
    // widget went into another widget's layout.
    HeaderWidget(const QString &title, QWidget *parent, bool withTitle);
    ~HeaderWidget() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    QPointer<QWidget> m_parent;
    bool m_withTitle;
};

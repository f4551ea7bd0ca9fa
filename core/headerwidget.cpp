#include "core/headerwidget.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

HeaderWidget::HeaderWidget(const QString &title, QWidget *parent, bool withTitle)
    : QWidget(parent), m_title(title), m_parent(parent), m_withTitle(withTitle)
{
}

HeaderWidget::~HeaderWidget() = default;

QSize HeaderWidget::sizeHint() const
{
    // The parent may go before us (it is usually our owner): then we are
    // gone too, but guard anyway.
    const QSize ref = m_parent ? m_parent->size() : size();
    if (m_withTitle)
        return QSize(ref.width(), QApplication::font().pixelSize() + 5);
    return QSize(20, ref.height());
}

QSize HeaderWidget::minimumSizeHint() const
{
    if (m_withTitle)
        return QSize(120, QFontMetrics(QApplication::font()).height() + 5);
    return QSize(5, 120);
}

void HeaderWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QSize hint = sizeHint();
    const int textHeight = QFontMetrics(QApplication::font()).height();

    painter.setPen(QPen(QApplication::palette().color(QPalette::Text), 0, Qt::SolidLine,
                        Qt::SquareCap, Qt::BevelJoin));
    if (m_withTitle)
        painter.drawText(QRect(0, 0, hint.width(), textHeight), Qt::AlignLeft | Qt::AlignTop,
                         m_title);

    painter.setPen(QPen(QColor(152, 152, 152, 255), 0, Qt::SolidLine, Qt::SquareCap,
                        Qt::BevelJoin));
    if (m_withTitle)
        painter.drawLine(0, textHeight, hint.width(), textHeight);
    else
        painter.drawLine(hint.width() / 2, 0, hint.width() / 2, hint.height());
}

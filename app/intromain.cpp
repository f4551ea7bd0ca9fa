#include "app/intromain.h"

#include <QCheckBox>
#include <QDebug>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/data.h"

namespace {
const char *const kPages[] = {"1intro", "2database", "3mapbox", "4camera", "5features",
                              "6thankyou"};
}

IntroMain::IntroMain(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[IntroMain] Contructor";
    setWindowIcon(QIcon(QStringLiteral("./introduction.png")));
    setWindowTitle(tr("Introduction to the Korvel Tarvendel"));
    setFixedSize(640, 480);

    m_picture = new QLabel;
    m_text = new QLabel;
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::RichText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse
                                    | Qt::LinksAccessibleByKeyboard);
    m_text->setOpenExternalLinks(true);
    m_back = new QPushButton(tr("Back"));
    m_back->setEnabled(false);
    m_next = new QPushButton(tr("Next"));
    m_close = new QPushButton(tr("Close"));
    m_check = new QCheckBox(tr("Don't show at startup"));
    m_check->setChecked(!Data::instance()->showIntroAtStartUp());

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(m_picture);
    top->addSpacing(10);
    top->addWidget(m_text, 1, Qt::AlignVCenter);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_check);
    bottom->addStretch();
    bottom->addWidget(m_back);
    bottom->addWidget(m_next);
    bottom->addWidget(m_close);
    layout->addLayout(top);
    layout->addLayout(bottom);

    loadPage(0);
    connect(m_back, &QPushButton::clicked, this, &IntroMain::backClicked);
    connect(m_next, &QPushButton::clicked, this, &IntroMain::nextClicked);
    connect(m_close, &QPushButton::clicked, this, &IntroMain::closeClicked);
    connect(m_check, &QCheckBox::clicked, this, &IntroMain::checkBoxClicked);
}

void IntroMain::loadPage(int n)
{
    if (n < 0 || n > 5)
        return;
    const QString base = QStringLiteral(":/intro/") + QLatin1String(kPages[n]);
    QFile text(base + QStringLiteral(".txt"));
    if (!text.open(QIODevice::ReadOnly))
        return;
    m_picture->setPixmap(QPixmap(base + QStringLiteral(".png")));
    m_text->setText(QString::fromUtf8(text.readAll()));
}

void IntroMain::nextClicked()
{
    qDebug() << "[IntroMain] nextClicked" << m_page;
    ++m_page;
    if (m_page == 5) {
        m_next->setText(tr("Finish"));
        loadPage(5);
    } else if (m_page >= 6) {
        closeClicked();
    } else {
        loadPage(m_page);
        m_back->setEnabled(true);
    }
}

void IntroMain::backClicked()
{
    qDebug() << "[IntroMain] backClicked";
    if (m_page <= 0)
        return;
    --m_page;
    if (m_page == 0)
        m_back->setEnabled(false);
    m_next->setText(tr("Next"));
    loadPage(m_page);
}

void IntroMain::closeClicked()
{
    qDebug() << "[IntroMain] closeClicked";
    close();
}

void IntroMain::checkBoxClicked()
{
    qDebug() << "[IntroMain] checkBoxClicked";
    Data::instance()->setShowIntroAtStartUp(m_check->isChecked() ? 0 : 1);
}

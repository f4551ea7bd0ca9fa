#include "maps/acquisition/mapsnapshot.h"

#include <QAction>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtMath>

#include "core/data.h"
#include "core/geo.h"
#include "core/mappage.h"
#include "core/prompt/prompt.h"

namespace {
GeoPoint geoPoint(const QPointF &lonLat)
{
    return GeoPoint::lonLat(lonLat.x(), lonLat.y());
}
}  // namespace

MapSnapshot::MapSnapshot(bool useGivenPosition, double longitude, double latitude,
                         QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Korvel Tarvendel - Map"));
    setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    setWindowModality(Qt::WindowModal);

    m_toolBar = new QToolBar(this);
    m_toolBar->setOrientation(Qt::Vertical);
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(32, 32));
    m_saveAction = new QAction(QIcon(QStringLiteral(":/saveWP.png")), QString(), this);
    m_saveAction->setToolTip(tr("Save Map"));
    m_gotoAction = new QAction(QIcon(QStringLiteral(":/goto.png")), QString(), this);
    m_gotoAction->setToolTip(tr("Goto GPS Position"));
    m_closeAction = new QAction(QIcon(QStringLiteral(":/close.png")), QString(), this);
    m_closeAction->setToolTip(tr("Cancel"));
    m_toolBar->addAction(m_saveAction);
    m_toolBar->addAction(m_gotoAction);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_closeAction);

    Data *data = Data::instance();
    if (!useGivenPosition) {
        longitude = data->lastPosition().x();
        latitude = data->lastPosition().y();
    }
    data->setMapPagePosition(longitude, latitude);

    const MapView map = makeMapView(this);
    m_view = map.view;
    m_webMap = map.page;
    m_webMap->open(QUrl(data->mapPageUrl()));
    m_webMap->gotoLatLon(latitude, longitude);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar, 0);
    layout->addWidget(m_view, 1);

    connect(m_saveAction, &QAction::triggered, this, &MapSnapshot::savedclicked);
    connect(m_gotoAction, &QAction::triggered, this, &MapSnapshot::gotoclicked);
    connect(m_closeAction, &QAction::triggered, this, &QWidget::close);

    // Without a window manager the full-screen state alone leaves the
    // window small; the screen's size serves both ways.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    setWindowState(windowState() | Qt::WindowFullScreen);
}

MapSnapshot::~MapSnapshot() = default;

QImage MapSnapshot::getImage() const
{
    qDebug() << "[MapData] getImage";
    return m_image;
}

void MapSnapshot::reject()
{
    // The position queries wait for the page in nested event loops; the
    // dialog stays until they are through.
    if (m_busy)
        return;
    QDialog::reject();
}

void MapSnapshot::gotoclicked()
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Go to position"));
    auto *lat = new QDoubleSpinBox(&dialog);
    lat->setObjectName(QStringLiteral("latitude"));
    lat->setRange(-90.0, 90.0);
    lat->setDecimals(7);
    lat->setValue(0);
    auto *lon = new QDoubleSpinBox(&dialog);
    lon->setObjectName(QStringLiteral("longitude"));
    lon->setRange(-180.0, 180.0);
    lon->setDecimals(7);
    lon->setValue(0);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Latitude:")), 0, 0);
    grid->addWidget(lat, 0, 1);
    grid->addWidget(new QLabel(tr("Longitude:")), 1, 0);
    grid->addWidget(lon, 1, 1);
    grid->setColumnStretch(0, 1);
    auto *cancel = new QPushButton(tr("Cancel"), &dialog);
    auto *go = new QPushButton(tr("Goto"), &dialog);
    go->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(go);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);
    connect(go, &QPushButton::clicked, &dialog, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QWidget::setTabOrder(lat, lon);
    QWidget::setTabOrder(lon, go);
    QWidget::setTabOrder(go, cancel);
    if (dialog.exec() == QDialog::Accepted)
        m_webMap->gotoLatLon(lat->value(), lon->value());
}

QPointF MapSnapshot::parseLonLat(const QString &text)
{
    QString first, second;
    bool afterComma = false;
    for (const QChar c : text) {
        if (c == ',') {
            afterComma = true;
            continue;
        }
        if (c == ' ')
            continue;
        (afterComma ? second : first) += c;
    }
    return QPointF(first.toDouble(), second.toDouble());
}

MapDescription MapSnapshot::geoReference(const QList<QPointF> &lonLat)
{
    if (lonLat.size() != 5)
        return MapDescription();
    const GeoPoint topLeft = geoPoint(lonLat[0]), topRight = geoPoint(lonLat[1]),
                   bottomLeft = geoPoint(lonLat[2]);
    return MapDescription(QString(), QString(),
                          {topLeft, topRight, bottomLeft, geoPoint(lonLat[3])},
                          geoPoint(lonLat[4]), GeoMath::flatMetres(topLeft, topRight),
                          GeoMath::flatMetres(topLeft, bottomLeft));
}

void MapSnapshot::savedclicked()
{
    if (m_busy || m_saved)
        return;
    qDebug() << "[MapData] savedclicked";
    m_busy = true;
    m_saveAction->setEnabled(false);
    m_gotoAction->setEnabled(false);
    m_closeAction->setEnabled(false);
    m_mapData = MapDescription();
    m_webMap->hideToolbar();

    const int w = m_view->width();
    const int h = m_view->height();
    const QList<QPoint> pixels = {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h),
                                  QPoint(w / 2, h / 2)};
    QList<QPointF> positions;
    for (const QPoint &px : pixels) {
        const QString text = m_webMap->getLatLonFromPixel(px.x(), px.y());
        // A page that did not answer gives no map at all rather than one
        // placed at 0/0.
        if (text.trimmed().isEmpty() || !text.contains(','))
            break;
        positions << parseLonLat(text);
    }
    if (positions.size() != pixels.size()) {
        m_busy = false;
        m_webMap->runScript(QStringLiteral("showNavigation();"));
        m_saveAction->setEnabled(true);
        m_gotoAction->setEnabled(true);
        m_closeAction->setEnabled(true);
        Prompt::error(this, tr("Map not ready"),
                      tr("The map page did not tell the position of the view. Please wait until "
                         "the map is loaded and try again."));
        return;
    }
    m_mapData = geoReference(positions);
    // The hidden controls must be gone from the picture, not only the page.
    if (!m_webMap->waitForFrame())
        qWarning() << "[MapSnapshot] the view did not settle; taking it as it is";
    m_image = m_webMap->viewImage();
    m_busy = false;
    m_saved = true;
    accept();
}

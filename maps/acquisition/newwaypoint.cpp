#include "maps/acquisition/newwaypoint.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/listviewmod.h"
#include "maps/acquisition/mapinfopanel.h"
#include "maps/acquisition/mapsnapshot.h"
#include "maps/acquisition/newmapform.h"
#include "core/prompt/prompt.h"

namespace {

const char *const kWarning = ":/icons/80/warning";
const char *const kError = ":/icons/80/error";

QLabel *heading(const QString &text)
{
    auto *label = new QLabel(text);
    QFont big = label->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    label->setFont(big);
    return label;
}

QStringList helpTexts()
{
    return {
        QObject::tr("<p>Create a new map with help of an online map service.</p><p>Choose your "
                    "map area in the next window and save it to your local drive. After that, you "
                    "can plan your flight offline without an internet connection.</p><p>You are "
                    "able to change the online map service in the program settings menu.</p>"),
        QObject::tr("<p>Open a previously created map.</p><p>If you want to create a new flight "
                    "with a map you saved on your local drive, choose this option and select the "
                    "map."),
        QObject::tr("<p>Use a map from a different source with ground control points.</p><p>Select "
                    "an image to load and mark three points on it. Enter the GPS position of the "
                    "points to create a geo referenced map for the Korvel Tarvendel. You can use it "
                    "for planing your mission.</p><p>The image have to be greater than 400x400 "
                    "pixels."),
    };
}

}  // namespace

NewWaypoint::NewWaypoint(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[NewWaypoint] Constructor";
    setWindowTitle(tr("Create new Flightplan"));
    setWindowIcon(QIcon(QStringLiteral(":/newWP.png")));
    setFixedSize(800, 400);

    m_nextButton = new QPushButton(tr("Next"));
    m_backButton = new QPushButton(tr("Back"));
    m_cancelButton = new QPushButton(tr("Cancel"));
    m_backButton->hide();
    // Return goes where the pages send it (the name field), not to a button.
    for (QPushButton *b : {m_nextButton, m_backButton, m_cancelButton})
        b->setAutoDefault(false);

    m_pages = new QStackedWidget;
    m_pages->addWidget(createStartWidget());
    m_pages->addWidget(createNewMapWidget());
    m_pages->addWidget(createLoadMapWidget());

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_cancelButton);
    bottom->addWidget(m_backButton);
    bottom->addWidget(m_nextButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addStretch();
    layout->addLayout(bottom);
    setTabOrder(m_nextButton, m_backButton);
    setTabOrder(m_backButton, m_cancelButton);
    m_choice = Nothing;

    connect(m_cancelButton, &QPushButton::clicked, this, &NewWaypoint::butcancelclicked);
    connect(m_backButton, &QPushButton::clicked, this, &NewWaypoint::butbackclicked);
    connect(m_nextButton, &QPushButton::clicked, this, &NewWaypoint::butnextclicked);
    qDebug() << "[NewWaypoint] Constructor end";
}

NewWaypoint::~NewWaypoint() = default;

QWidget *NewWaypoint::createStartWidget()
{
    qDebug() << "[NewWaypoint] createStartWidget";
    auto *page = new QWidget;
    m_startList = new ListViewMod;
    m_startList->setFixedSize(300, 300);
    m_startList->setMouseTracking(true);  // help follows the pointer
    m_startList->setIconSize(QSize(48, 48));
    m_startList->setSpacing(4);
    m_startModel = new QStandardItemModel(this);
    m_startModel->appendRow(
        new QStandardItem(QIcon(QStringLiteral(":/fp_newmap.png")), tr("Create new map")));
    m_startModel->appendRow(
        new QStandardItem(QIcon(QStringLiteral(":/fp_openmap.png")), tr("Open map")));
    m_startModel->appendRow(
        new QStandardItem(QIcon(QStringLiteral(":/gcp_map.png")), tr("Use image with GCPs")));
    m_startList->setModel(m_startModel);

    m_startHelp = new QLabel(tr("Nothing"));
    m_startHelp->setFixedWidth(450);
    m_startHelp->setWordWrap(true);

    auto *row = new QHBoxLayout;
    row->addWidget(m_startList, 0, Qt::AlignLeft);
    row->addWidget(m_startHelp, 0, Qt::AlignLeft | Qt::AlignTop);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading(tr("Select map option:")));
    layout->addLayout(row);

    connect(m_startList, &QAbstractItemView::entered, this, &NewWaypoint::chooseNaviChanged);
    connect(m_startList, &QAbstractItemView::clicked, this, &NewWaypoint::chooseNaviChanged);
    connect(m_startList, &QAbstractItemView::activated, this, &NewWaypoint::chooseNaviChanged);
    connect(m_startList, &QAbstractItemView::pressed, this, &NewWaypoint::chooseNaviChanged);
    connect(m_startList, &ListViewMod::selection, this, &NewWaypoint::chooseNaviChanged);
    connect(m_startList, &ListViewMod::doubleclicked, m_nextButton, &QPushButton::click);
    // Shown selected, but not the current item.
    m_startList->selectionModel()->select(m_startModel->index(0, 0), QItemSelectionModel::Select);
    return page;
}

QWidget *NewWaypoint::createNewMapWidget()
{
    qDebug() << "[NewWaypoint] createNewMapWidget";
    m_newMap = new NewMapForm(tr("You can identify it easier later, and the name will be "
                                 "displayed with some other information."));
    connect(m_newMap, &NewMapForm::returnPressed, m_nextButton, &QPushButton::click);
    return m_newMap;
}

QWidget *NewWaypoint::createLoadMapWidget()
{
    qDebug() << "[NewWaypoint] createLoadMapWidget";
    auto *page = new QWidget;
    m_mapList = new ListViewMod;
    m_mapList->setFixedSize(300, 300);
    m_mapList->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mapModel = new QStandardItemModel(this);
    Data *data = Data::instance();
    for (int i = 0; i < data->mapIndexCount(); ++i)
        m_mapModel->appendRow(new QStandardItem(data->mapIndexEntry(i).name()));
    m_mapList->setModel(m_mapModel);
    m_mapDetails = new MapInfoPanel;

    auto *row = new QHBoxLayout;
    row->addWidget(m_mapList, 0, Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(m_mapDetails, 1);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading(tr("Select map:")));
    layout->addLayout(row);

    // Row 0 starts selected; its details show once a row is picked.
    if (m_mapModel->rowCount() > 0)
        m_mapList->selectionModel()->select(m_mapModel->index(0, 0), QItemSelectionModel::Select);
    connect(m_mapList, &QAbstractItemView::clicked, this, &NewWaypoint::changeLoadMapSelection);
    connect(m_mapList, &QAbstractItemView::activated, this, &NewWaypoint::changeLoadMapSelection);
    connect(m_mapList, &QAbstractItemView::pressed, this, &NewWaypoint::changeLoadMapSelection);
    connect(m_mapList, &ListViewMod::selection, this, &NewWaypoint::changeLoadMapSelection);
    connect(m_mapList, &ListViewMod::doubleclicked, m_nextButton, &QPushButton::click);
    return page;
}

void NewWaypoint::chooseNaviChanged(const QModelIndex &index)
{
    const QStringList texts = helpTexts();
    const int row = index.isValid() ? index.row() : -1;
    m_startHelp->setText(row >= 0 && row < texts.size() ? texts[row] : tr("Error 404: Not found"));
}

void NewWaypoint::changeLoadMapSelection(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    m_selectedMapRow = index.row();
    m_mapDetails->showRecord(Data::instance()->mapIndexEntry(index.row()));
}

void NewWaypoint::showPage(int page)
{
    m_pages->setCurrentIndex(page);
    if (page == 0) {
        m_backButton->hide();
        m_nextButton->setText(tr("Next"));
    } else {
        m_nextButton->setText(tr("Ok"));
        m_backButton->show();
    }
}

void NewWaypoint::butbackclicked()
{
    showPage(0);
}

void NewWaypoint::butcancelclicked()
{
    close();
}

void NewWaypoint::butnextclicked()
{
    qDebug() << "Next Clicked";
    Data *data = Data::instance();
    switch (m_pages->currentIndex()) {
    case 0:
        nextOnStartPage();
        break;
    case 1: {
        const QString path = m_newMap->store(
            tr("<p>You entered a location name that already exists. Please choose a different "
               "one.</p><p>Hint: You can delete maps or change its name in the database (at "
               "<i>Window</i>-><i>Database</i>)</p>"));
        if (path.isEmpty())
            return;
        m_choice = StoredMap;
        m_resultPath = path;
        close();
        data->updateMapIndex();
        break;
    }
    case 2: {
        const MapDescription entry = data->mapIndexEntry(m_selectedMapRow);
        const QString path =
            data->orthoMapPath() + QDir::separator() + entry.name() + ".jpg";
        // An index entry that is gone (or an empty index) has no file.
        if (entry.isEmpty() || !QFile::exists(path)) {
            qDebug() << "unknown error loading map";
            data->updateMapIndex();
            Prompt::message(this, QString::fromLatin1(kError), tr("Unknown error!"),
                            tr("An unknown error occured loading map. The map index file was "
                               "created again. Please try it again. If the error comes again, "
                               "please contact support!"));
            close();
            return;
        }
        m_choice = StoredMap;
        m_resultPath = path;
        close();
        break;
    }
    default:
        break;
    }
}

void NewWaypoint::nextOnStartPage()
{
    const QModelIndex current = m_startList->currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    if (row <= 0) {
        createNewMap();
    } else if (row == 1) {
        qDebug() << "load map";
        if (Data::instance()->mapIndexCount() == 0) {
            qDebug() << "no maps to load";
            Prompt::message(this, QString::fromLatin1(kWarning), tr("No maps available"),
                            tr("There are no maps in the database. There are no maps to load."));
            return;
        }
        showPage(2);
    } else if (row == 2) {
        openMapFile();
    }
}

void NewWaypoint::createNewMap()
{
    qDebug() << "create new Map";
    if (!Data::instance()->isOnline()) {
        Prompt::message(this, QString::fromLatin1(kWarning), tr("No Internet Connection"),
                        tr("You can't create a  new map without an internet connection. Please "
                           "check your connection and try again."));
        return;
    }
    MapSnapshot snapshot(false, 0, 0, this);
    snapshot.setWindowModality(Qt::ApplicationModal);
    snapshot.exec();
    if (!snapshot.isSaved())
        return;
    m_snapshotData = snapshot.getMapData();
    m_snapshotImage = snapshot.getImage();
    m_newMap->setMap(m_snapshotImage, m_snapshotData);
    showPage(1);
}

void NewWaypoint::openMapFile()
{
    qDebug() << "open map file";
    QSettings *settings = Data::instance()->settings();
    const QString folder =
        settings
            ->value(QStringLiteral("Last Map Image Path"),
                    QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
            .toString();
    const QString file = Prompt::openFile(this, tr("Open map image file..."), folder,
                                          tr("JPEG file (*.jpg)"));
    if (file.isEmpty())
        return;
    settings->setValue(QStringLiteral("Last Map Image Path"), QFileInfo(file).absolutePath());
    const QImage image(file);
    if (image.isNull()) {
        qDebug() << "image load error";
        Prompt::message(this, QString::fromLatin1(kError), tr("Can't load file"),
                        tr("The image can't be loaded. Maybe the fileformat is incorrect or the "
                           "image is broken."));
        return;
    }
    if (image.width() < 400 || image.height() < 400) {
        qDebug() << "image too small";
        Prompt::message(this, QString::fromLatin1(kError), tr("Image too small"),
                        tr("The image is too small. Please use an image, which has a greater "
                           "width and height than 400px."));
        return;
    }
    m_resultPath = file;
    m_choice = ImageFile;
    close();
}

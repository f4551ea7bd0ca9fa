#include "app/settingsprogram.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/listviewmod.h"
#include "core/prompt/prompt.h"
#include "core/proxy.h"
#include "app/spcamera.h"

namespace {

QLabel *wrapped(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QLabel *restartNote()
{
    return new QLabel(QObject::tr(
        "<b>Note that the changes will take effect after you restart the program!</b>"));
}

QComboBox *iconBox(const QStringList &icons, const QSize &iconSize, int current,
                   const char *name)
{
    auto *box = new QComboBox;
    box->setObjectName(name);
    box->setIconSize(iconSize);
    for (const QString &icon : icons)
        box->addItem(QIcon(icon), QString());
    // A stored number with no entry leaves the box without a shown entry.
    box->setCurrentIndex(current >= 0 && current < box->count() ? current : -1);
    return box;
}

// QIntValidator lets a five-digit number above its top through as
// intermediate; a port field must refuse it, or 99999 would wrap when stored.
class PortValidator : public QIntValidator {
public:
    explicit PortValidator(QObject *parent) : QIntValidator(1, 65535, parent) {}
    State validate(QString &input, int &pos) const override
    {
        const State state = QIntValidator::validate(input, pos);
        bool ok = false;
        if (state == Intermediate && input.toInt(&ok) > top() && ok)
            return Invalid;
        return state;
    }
};
}  // namespace

SettingsProgram::SettingsProgram(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[SettingsProgram] Constructor";
    setWindowTitle(tr("Program Settings"));
    setWindowIcon(QIcon(QStringLiteral(":/programmsettings.png")));
    setFixedSize(900, 460);

    m_pageList = new ListViewMod;
    m_pageList->setObjectName("pageList");
    m_pageList->setFixedWidth(150);
    m_cameraPage = new SPCamera;

    m_pageModel = new QStandardItemModel(this);
    const QList<QPair<QString, QString>> pages = {
        {":/ps_maps.png", tr("Maps")},          {":/ps_folder.png", tr("Folder")},
        {":/camera.png", tr("Camera")},         {":/thermal.png", tr("Thermal Editor")},
        {":/graphics_settings.png", tr("Graphics")}, {":/connect.png", tr("Proxy")}};
    for (const auto &page : pages) {
        auto *item = new QStandardItem(QIcon(page.first), page.second);
        item->setEditable(false);
        m_pageModel->appendRow(item);
    }
    m_pageList->setModel(m_pageModel);
    m_pageList->setCurrentIndex(m_pageModel->index(0, 0));

    m_stack = new QStackedWidget;
    QWidget *maps = createMapWidget();
    QWidget *folder = createFolderWidget();
    QWidget *thermal = createThermalWidget();
    QWidget *graphics = createGraphicsWidget();
    QWidget *proxy = createProxyWidget();
    m_stack->addWidget(maps);
    m_stack->addWidget(folder);
    m_stack->addWidget(m_cameraPage);
    m_stack->addWidget(thermal);
    m_stack->addWidget(graphics);
    m_stack->addWidget(proxy);
    m_stack->setCurrentIndex(0);

    auto *scroll = new QScrollArea;
    scroll->setStyleSheet(QStringLiteral("QScrollArea { border-style: none; }"));
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(600);
    scroll->setWidget(m_stack);

    m_closeButton = new QPushButton(tr("Close"));
    m_closeButton->setObjectName("close");

    auto *row = new QHBoxLayout;
    row->addWidget(m_pageList);
    row->addWidget(scroll);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_closeButton, 0, Qt::AlignRight);

    connect(m_pageList, &QAbstractItemView::entered, this, &SettingsProgram::switchStackWidget);
    connect(m_pageList, &QAbstractItemView::clicked, this, &SettingsProgram::switchStackWidget);
    connect(m_pageList, &QAbstractItemView::activated, this, &SettingsProgram::switchStackWidget);
    connect(m_pageList, &QAbstractItemView::pressed, this, &SettingsProgram::switchStackWidget);
    connect(m_pageList, &ListViewMod::selection, this, &SettingsProgram::switchStackWidget);
    connect(m_serviceBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int i) { mapAPIchanged(m_serviceBox->itemText(i)); });
    connect(m_updateIndexButton, &QPushButton::clicked, this,
            &SettingsProgram::updateIndexClicked);
    connect(m_addMapBoxButton, &QPushButton::clicked, this, &SettingsProgram::addMapBoxService);
    connect(m_removeMapBoxButton, &QPushButton::clicked, this,
            &SettingsProgram::removeMapBoxService);
    connect(m_serviceBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int i) { changeStateRemoveMapBox(m_serviceBox->itemText(i)); });
    connect(m_paletteBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SettingsProgram::paletteChanged);
    connect(m_pinColorBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SettingsProgram::pinColorChanged);
    connect(m_borderColorBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SettingsProgram::pinBoderChanged);
    connect(m_highresBox, &QCheckBox::stateChanged, this,
            &SettingsProgram::graphFlightplanClicked);
    connect(m_effectsBox, &QCheckBox::stateChanged, this,
            &SettingsProgram::effectFlightplanClicked);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);

    // Return in a field must not open a page's sub-dialog.
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);
    m_closeButton->setDefault(true);
}

// ---- Pages ----

QWidget *SettingsProgram::createMapWidget()
{
    qDebug() << "[SettingsProgram] createMapWidget";
    Data *data = Data::instance();
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new HeaderWidget(tr("Map Source"), page, true));
    layout->addWidget(wrapped(tr("Select your source of  aerial images to save the maps on your "
                                 "local machine. Tarvendel supports OpenStreetMap and MapBox.")));
    layout->addSpacing(5);

    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(new QLabel(tr("Map source: ")));
    m_serviceBox = new QComboBox;
    m_serviceBox->setObjectName("serviceBox");
    sourceRow->addWidget(m_serviceBox, 1);
    layout->addLayout(sourceRow);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    m_addMapBoxButton = new QPushButton(tr("Add MapBox Service"));
    m_addMapBoxButton->setObjectName("addMapBox");
    m_removeMapBoxButton = new QPushButton(tr("Remove MapBox Service"));
    m_removeMapBoxButton->setObjectName("removeMapBox");
    buttonRow->addWidget(m_addMapBoxButton);
    buttonRow->addWidget(m_removeMapBoxButton);
    layout->addLayout(buttonRow);
    layout->addSpacing(10);

    layout->addWidget(new HeaderWidget(tr("Map Index"), page, true));
    layout->addWidget(wrapped(tr("The map index is an index file of your saved map. If some maps "
                                 "are in the map folder, but are missing in your database, then "
                                 "refresh the map index.")));
    auto *indexRow = new QHBoxLayout;
    indexRow->addWidget(new QLabel(tr("Number of maps:")));
    m_mapCount = new QLabel(QString::number(data->mapIndexCount()));
    m_mapCount->setObjectName("mapCount");
    indexRow->addWidget(m_mapCount);
    indexRow->addStretch();
    m_updateIndexButton = new QPushButton(tr("Update Map Index"));
    m_updateIndexButton->setObjectName("updateIndex");
    indexRow->addWidget(m_updateIndexButton);
    layout->addLayout(indexRow);
    layout->addStretch();

    // Filled before the signals are connected: opening changes nothing.
    const QStringList services = data->mapServices();
    m_serviceBox->addItems(services);
    const QString current = data->currentMapService();
    for (int i = 0; i < services.size(); ++i) {
        if (services.at(i).endsWith(current)) {
            m_serviceBox->setCurrentIndex(i);
            break;
        }
    }
    m_removeMapBoxButton->setEnabled(
        m_serviceBox->currentText().toLower().startsWith(QLatin1String("mapbox")));
    return page;
}

QWidget *SettingsProgram::createFolderWidget()
{
    qDebug() << "[SettingsProgram] createFolderWidget";
    Data *data = Data::instance();
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto addFolder = [this, layout](const QString &caption, const QString &path,
                                    const char *name, void (SettingsProgram::*slot)()) {
        layout->addWidget(new QLabel(caption));
        auto *row = new QHBoxLayout;
        auto *edit = new QLineEdit(QDir::toNativeSeparators(path));
        edit->setObjectName(name);
        edit->setReadOnly(true);
        auto *browse = new QPushButton(tr("Browse..."));
        browse->setObjectName(QString::fromLatin1(name) + "Browse");
        connect(browse, &QPushButton::clicked, this, slot);
        row->addWidget(edit);
        row->addWidget(browse);
        layout->addLayout(row);
        return edit;
    };
    m_mapPathEdit = addFolder(tr("Map saving Path:"), data->mapPath(), "mapPath",
                              &SettingsProgram::browseMap);
    layout->addSpacing(10);
    m_waypointPathEdit = addFolder(tr("Flightplan saving Path:"), data->waypointPath(),
                                   "waypointPath", &SettingsProgram::browseWaypoint);
    layout->addSpacing(10);
    m_harlekSDPathEdit = addFolder(tr("Harlek SD storage path:"), data->harlekSDPath(),
                                   "harlekSDPath", &SettingsProgram::browseHarlekSD);
    layout->addStretch();
    layout->addWidget(restartNote());
    layout->addStretch();
    return page;
}

QWidget *SettingsProgram::createThermalWidget()
{
    Data *data = Data::instance();
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new HeaderWidget(tr("Thermal Images"), page, true));
    auto *paletteRow = new QHBoxLayout;
    paletteRow->addWidget(new QLabel(tr("Color Range:")));
    paletteRow->addStretch();
    m_paletteBox = iconBox({":/th_bgr.png", ":/th_bw.png", ":/th_wb.png", ":/th_br.png",
                            ":/th_rb.png", ":/th_bg.png", ":/th_gb.png"},
                           QSize(155, 35), data->thermalPalette(), "palette");
    paletteRow->addWidget(m_paletteBox);
    layout->addLayout(paletteRow);
    layout->addSpacing(10);

    layout->addWidget(new HeaderWidget(tr("Pins"), page, true));
    auto *borderRow = new QHBoxLayout;
    borderRow->addWidget(new QLabel(tr("Border Color")));
    borderRow->addStretch();
    m_borderColorBox = iconBox({":/thb_black.png", ":/thb_white.png", ":/thb_red.png",
                                ":/thb_yellow.png", ":/thb_green.png", ":/thb_blue.png"},
                               QSize(30, 15), data->thermalBorderColor(), "borderColor");
    borderRow->addWidget(m_borderColorBox);
    layout->addLayout(borderRow);
    auto *pinRow = new QHBoxLayout;
    pinRow->addWidget(new QLabel(tr("Pin Color")));
    pinRow->addStretch();
    m_pinColorBox = iconBox({":/thp_white.png", ":/thp_green.png", ":/thp_violet.png",
                             ":/thp_yellow.png", ":/thp_teal.png"},
                            QSize(30, 15), data->thermalPinColor(), "pinColor");
    pinRow->addWidget(m_pinColorBox);
    layout->addLayout(pinRow);
    layout->addStretch();
    return page;
}

QWidget *SettingsProgram::createGraphicsWidget()
{
    qDebug() << "[SettingsProgram] createGraphicsWidget";
    Data *data = Data::instance();
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_highresBox = new QCheckBox(tr("Enable Antialiasing and high-resolution numbers in flightplan"));
    m_highresBox->setObjectName("highres");
    m_highresBox->setChecked(data->flightplanHighres() == 1);
    m_effectsBox = new QCheckBox(tr("Enable fade-in/-out effects in flightplan"));
    m_effectsBox->setObjectName("effects");
    m_effectsBox->setChecked(data->flightplanEffects() == 1);
    layout->addWidget(m_highresBox);
    layout->addWidget(m_effectsBox);
    layout->addStretch();
    layout->addWidget(restartNote());
    layout->addStretch();
    return page;
}

QWidget *SettingsProgram::createProxyWidget()
{
    qDebug() << "[SettingsProgram] createProxyWidget";
    const QString mode = proxyMode();
    const QString server = proxyServer();
    const quint16 port = proxyPort();

    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    m_noProxy = new QRadioButton(tr("Don't use a proxy"), page);
    m_noProxy->setObjectName("noProxy");
    m_autoProxy = new QRadioButton(tr("Automatically detect proxy"), page);
    m_autoProxy->setObjectName("autoProxy");
    m_systemProxy = new QRadioButton(tr("Use system proxy settings"), page);
    m_systemProxy->setObjectName("systemProxy");
    m_customProxy = new QRadioButton(tr("Use custom proxy settings:"), page);
    m_customProxy->setObjectName("customProxy");
    layout->addWidget(m_noProxy);
    layout->addWidget(m_autoProxy);
    layout->addWidget(m_systemProxy);
    layout->addWidget(m_customProxy);

    // Indent the custom fields so they line up with the radio buttons' texts.
    QRadioButton measure(QString(QChar(0x200B)));
    auto *customRow = new QHBoxLayout;
    customRow->setContentsMargins(measure.sizeHint().width(), 0, 0, 0);
    m_serverLabel = new QLabel(tr("Server:"));
    m_serverEdit = new QLineEdit(server);
    m_serverEdit->setObjectName("proxyServer");
    m_serverEdit->setFixedWidth(200);
    m_portLabel = new QLabel(tr("Port:"));
    m_portEdit = new QLineEdit(QString::number(port));
    m_portEdit->setObjectName("proxyPort");
    m_portEdit->setMaxLength(5);
    m_portEdit->setFixedWidth(50);
    m_portEdit->setValidator(new PortValidator(m_portEdit));
    customRow->addWidget(m_serverLabel);
    customRow->addWidget(m_serverEdit);
    customRow->addWidget(m_portLabel);
    customRow->addWidget(m_portEdit);
    customRow->addStretch();
    layout->addLayout(customRow);
    layout->addStretch();
    layout->addWidget(restartNote());
    layout->addStretch();

    if (mode == QLatin1String("AutoProxy"))
        m_autoProxy->setChecked(true);
    else if (mode == QLatin1String("SystemProxy"))
        m_systemProxy->setChecked(true);
    else if (mode == QLatin1String("HttpProxy"))
        m_customProxy->setChecked(true);
    else
        m_noProxy->setChecked(true);
    updateProxyFields();
    for (QRadioButton *b : {m_noProxy, m_autoProxy, m_systemProxy, m_customProxy})
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                updateProxyFields();
        });
    return page;
}

void SettingsProgram::updateProxyFields()
{
    const bool custom = m_customProxy->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_serverLabel), static_cast<QWidget *>(m_serverEdit),
                       static_cast<QWidget *>(m_portLabel), static_cast<QWidget *>(m_portEdit)})
        w->setEnabled(custom);
}

// ---- Slots ----

void SettingsProgram::switchStackWidget(const QModelIndex &ind)
{
    if (ind.isValid() && ind.row() < m_stack->count())
        m_stack->setCurrentIndex(ind.row());
}

void SettingsProgram::mapAPIchanged(const QString &name)
{
    qDebug() << "[SettingsProgram] mapApi";
    Data::instance()->setCurrentMapService(name);
}

void SettingsProgram::updateIndexClicked()
{
    qDebug() << "[SettingsProgram] updateIndexClicked";
    m_mapCount->setText(tr("Loading..."));
    m_mapCount->repaint();
    Data *data = Data::instance();
    data->updateMapIndex();
    m_mapCount->setText(QString::number(data->mapIndexCount()));
    Prompt::info(this, tr("Map Index Update"), tr("Map index successfully updated!"));
}

void SettingsProgram::addMapBoxService()
{
    qDebug() << "[SettingsProgram] addMapBoxService";
    QDialog dialog(this);
    dialog.setObjectName("addMapBoxDialog");
    dialog.setWindowTitle(tr("Add MapBox Map Service..."));
    dialog.setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    dialog.setFixedSize(400, 100);
    auto *form = new QFormLayout;
    auto *styleEdit = new QLineEdit;
    styleEdit->setObjectName("styleUrl");
    auto *tokenEdit = new QLineEdit;
    tokenEdit->setObjectName("accessToken");
    form->addRow(tr("Style URL:"), styleEdit);
    form->addRow(tr("Access Token:"), tokenEdit);
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName("cancel");
    auto *add = new QPushButton(tr("Add"));
    add->setObjectName("add");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(add);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(add, &QPushButton::clicked, &dialog, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString style = styleEdit->text();
    const QString token = tokenEdit->text();
    if (style.isEmpty()) {
        Prompt::error(this, tr("ID is empty"),
                      tr("The MapBox Map ID field is empty!<br><br>Hint: You need a MapBox "
                         "account with a MapBox project to add a MapBox Map Service."));
        return;
    }
    if (!style.startsWith(QLatin1String("mapbox://"))) {
        Prompt::error(this, tr("ID invalid"),
                      tr("Your entered ID is invalid! <br><br>A MapBox Map ID consists of the "
                         "account login name and the map key, which are separated by a point."));
        return;
    }
    if (token.isEmpty()) {
        Prompt::error(this, tr("API access token ID is empty"),
                      tr("The API access token ID field is empty!<br><br>Hint: You need a MapBox "
                         "account with a MapBox project to add a MapBox Map Service."));
        return;
    }
    Data *data = Data::instance();
    QString error;
    const QString name = data->writeMapBoxPage(style, token, &error);
    if (name.isEmpty() && !error.isEmpty()) {
        Prompt::error(this, tr("Map service not added"),
                      tr("The page of the MapBox map service could not be written.")
                          + QStringLiteral("\n\n") + error);
        return;
    }
    if (name.isEmpty()) {
        Prompt::info(this, tr("ID already in list"),
                     tr("The entered MapBox map service is already in the list."));
        return;
    }
    m_serviceBox->addItem(name);
    m_serviceBox->setCurrentIndex(m_serviceBox->count() - 1);
    data->setCurrentMapService(name);
}

void SettingsProgram::removeMapBoxService()
{
    qDebug() << "[SettingsProgram] removeMapBoxService";
    if (!Prompt::question(this, tr("Confirm deletion"),
                          tr("Are you sure you want to delete this MapBox service?")))
        return;
    Data::instance()->removeMapService(m_serviceBox->currentText());
    m_serviceBox->removeItem(m_serviceBox->currentIndex());
    m_serviceBox->setCurrentIndex(0);
}

void SettingsProgram::changeStateRemoveMapBox(const QString &name)
{
    m_removeMapBoxButton->setEnabled(name.toLower().startsWith(QLatin1String("mapbox")));
}

QString SettingsProgram::browse(QLineEdit *edit)
{
    const QString dir =
        Prompt::directory(this, tr("Open Directory"), QDir::fromNativeSeparators(edit->text()),
                          QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!dir.isEmpty())
        edit->setText(QDir::toNativeSeparators(dir));
    return dir;
}

void SettingsProgram::browseHarlekSD()
{
    const QString dir = browse(m_harlekSDPathEdit);
    if (!dir.isEmpty())
        Data::instance()->setHarlekSDPath(dir);
}

void SettingsProgram::browseMap()
{
    const QString dir = browse(m_mapPathEdit);
    if (!dir.isEmpty())
        Data::instance()->setMapPath(dir);
}

void SettingsProgram::browseWaypoint()
{
    const QString dir = browse(m_waypointPathEdit);
    if (!dir.isEmpty())
        Data::instance()->setWaypointPath(dir);
}

void SettingsProgram::paletteChanged(int index) { Data::instance()->setThermalPalette(index); }
void SettingsProgram::pinColorChanged(int index) { Data::instance()->setThermalPinColor(index); }
void SettingsProgram::pinBoderChanged(int index) { Data::instance()->setThermalBorderColor(index); }

void SettingsProgram::graphFlightplanClicked(int state)
{
    Data::instance()->setFlightplanHighres(state != 0 ? 1 : 0);
}

void SettingsProgram::effectFlightplanClicked(int state)
{
    Data::instance()->setFlightplanEffects(state != 0 ? 1 : 0);
}

// ---- Closing ----

void SettingsProgram::setProxy()
{
    if (m_autoProxy->isChecked()) {
        setSystemProxy(QStringLiteral("AutoProxy"));
    } else if (m_customProxy->isChecked()) {
        bool ok = false;
        int port = m_portEdit->text().toInt(&ok, 10);
        if (!ok || port < 1 || port > 65535)
            port = 0;  // stored as no port, never wrapped
        setHttpProxy(QStringLiteral("HttpProxy"), m_serverEdit->text(), port);
    } else if (m_systemProxy->isChecked()) {
        setSystemProxy(QStringLiteral("SystemProxy"));
    } else {
        setSystemProxy(QStringLiteral("NoProxy"));
    }
    qDebug() << QStringLiteral("[SettingsProgram] setProxy to %1")
                    .arg(int(QNetworkProxy::applicationProxy().type()));
}

void SettingsProgram::closeEvent(QCloseEvent *event)
{
    setProxy();
    event->accept();
}

void SettingsProgram::keyPressEvent(QKeyEvent *event)
{
    // Escape closes like the button, so the proxy choice is applied as well.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

#include "app/startwizard.h"

#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "app/shellwidgets.h"

StartPage::StartPage(QWidget *parent) : QWizardPage(parent)
{
    setTitle(tr("Introduction"));
    setSubTitle(tr("Welcome to the Korvel Tarvendel introduction wizard. Before you can start, "
                   "you need to configure some options"));
    setPixmap(QWizard::LogoPixmap,
              QPixmap(QStringLiteral(":/icon.png")).scaledToWidth(48, Qt::SmoothTransformation));
    setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/watermark1.png")));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("You have to go through following steps:")));
    layout->addSpacing(10);
    layout->addLayout(ShellWidgets::bulletRow(tr("Configure your workspace")));
    layout->addLayout(ShellWidgets::bulletRow(tr("Select your camera")));
    layout->addStretch();
}

WorkspacePage::WorkspacePage(QWidget *parent) : QWizardPage(parent)
{
    setTitle(tr("Setup workspace directories"));
    setSubTitle(tr("Please select your paths, where you want to store your data"));

    Data *data = Data::instance();
    auto *layout = new QVBoxLayout(this);
    auto addGroup = [this, layout](const QString &caption, const QString &path,
                                   const QString &objectName, void (WorkspacePage::*slot)()) {
        layout->addWidget(new QLabel(caption));
        auto *row = new QHBoxLayout;
        auto *edit = new QLineEdit(QDir::toNativeSeparators(path));
        edit->setReadOnly(true);
        edit->setObjectName(objectName);
        auto *browse = new QPushButton(tr("Browse..."));
        browse->setObjectName(objectName + "Browse");
        connect(browse, &QPushButton::clicked, this, slot);
        row->addWidget(edit);
        row->addWidget(browse);
        layout->addLayout(row);
        return edit;
    };
    m_harlekSDEdit = addGroup(tr("Harlek SD storage path:"), data->harlekSDPath(),
                              "harlekSDPath", &WorkspacePage::browseHarlekSD);
    layout->addSpacing(10);
    m_mapEdit = addGroup(tr("Map saving Path:"), data->mapPath(), "mapPath",
                         &WorkspacePage::browseMap);
    layout->addSpacing(10);
    m_waypointEdit = addGroup(tr("Flightplan saving Path:"), data->waypointPath(),
                              "waypointPath", &WorkspacePage::browseWaypoint);
    layout->addStretch();

    registerField("harlekSDPath", m_harlekSDEdit);
    registerField("mapPath", m_mapEdit);
    registerField("waypointPath", m_waypointEdit);
}

void WorkspacePage::browse(QLineEdit *edit)
{
    const QString dir =
        Prompt::directory(this, tr("Open Directory"), QDir::fromNativeSeparators(edit->text()),
                          QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!dir.isEmpty())
        edit->setText(QDir::toNativeSeparators(dir));
}

void WorkspacePage::browseHarlekSD() { browse(m_harlekSDEdit); }
void WorkspacePage::browseMap() { browse(m_mapEdit); }
void WorkspacePage::browseWaypoint() { browse(m_waypointEdit); }

CameraPage::CameraPage(QWidget *parent) : QWizardPage(parent)
{
    setTitle(tr("Camera setting"));
    setSubTitle(tr("Please select the camera that you are using on your flight system."));

    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Camera: ")));
    row->addStretch();
    m_cameraBox = new QComboBox;
    m_cameraBox->setObjectName("camera");
    m_cameraBox->addItems(Data::instance()->templateCameraNames());
    row->addWidget(m_cameraBox);
    layout->addLayout(row);
    layout->addSpacing(10);
    auto *hint = new QLabel(tr("<b>Hint: </b>If you are using more than one camera type, or a "
                               "camera which is not listed, you can add or change the cameras "
                               "in theprogram settings."));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addStretch();

    registerField("camera", m_cameraBox, "currentText");
}

EndPage::EndPage(QWidget *parent) : QWizardPage(parent)
{
    setTitle(tr("Thank you!"));
    setSubTitle(tr("The Korvel Tarvendel is now configured!"));
    setPixmap(QWizard::LogoPixmap, QPixmap(QStringLiteral(":/icon.png")));
    setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/watermark2.png")));
    setFinalPage(true);
}

StartWizard::StartWizard(QWidget *parent) : QWizard(parent)
{
    setWindowTitle(tr("Korvel Tarvendel Introduction Wizard"));
    setMinimumWidth(700);
    addPage(new StartPage);
    addPage(new WorkspacePage);
    addPage(new CameraPage);
    addPage(new EndPage);
}

void StartWizard::accept()
{
    const QString harlekSD = QDir::fromNativeSeparators(field("harlekSDPath").toString());
    const QString map = QDir::fromNativeSeparators(field("mapPath").toString());
    const QString waypoint = QDir::fromNativeSeparators(field("waypointPath").toString());
    const QString cameraName = field("camera").toString();

    // The folders come first: the program counts as configured only when its
    // workspace exists, so a folder that cannot be made keeps the wizard open.
    QStringList failed;
    for (const QString &path : {harlekSD, map, waypoint})
        if (path.isEmpty() || !QDir().mkpath(path))
            failed << QDir::toNativeSeparators(path).toHtmlEscaped();
    if (!failed.isEmpty()) {
        qWarning() << "[StartWizard] cannot create" << failed;
        Prompt::error(this, tr("Cannot create folder"),
                      tr("The following folder could not be created:<br><br>%1<br><br>"
                         "Please choose another folder.")
                          .arg(failed.join("<br>")));
        return;
    }

    Data *data = Data::instance();
    bool found = false;
    const Camera camera = data->templateCamera(cameraName, &found);
    data->setHarlekSDPath(harlekSD);
    data->setMapPath(map);
    data->setWaypointPath(waypoint);
    QString cameraError;
    if (found && !data->addCamera(camera, &cameraError) && !cameraError.isEmpty()) {
        // The workspace is set up all the same; the camera can be added later.
        Prompt::error(this, tr("Camera not saved"),
                      tr("The camera list could not be saved.") + QStringLiteral("\n\n")
                          + cameraError);
    }
    data->initWorkspace();
    data->syncSettings();
    QWizard::accept();
}

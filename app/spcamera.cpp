#include "app/spcamera.h"

#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtMath>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"

SPCamera::SPCamera(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[SPCamera] Constructor";
    Data *data = Data::instance();

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Camera:")));
    top->addStretch();
    m_cameraBox = new QComboBox;
    m_cameraBox->setObjectName("cameraBox");
    m_cameraBox->setMinimumWidth(200);
    m_cameraBox->addItems(data->cameraNames());
    top->addWidget(m_cameraBox);
    m_addButton = new QPushButton(tr("Add"));
    m_addButton->setObjectName("addCamera");
    m_removeButton = new QPushButton(tr("Remove"));
    m_removeButton->setObjectName("removeCamera");
    top->addWidget(m_addButton);
    top->addWidget(m_removeButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(10);
    layout->addWidget(new HeaderWidget(tr("Camera Info"), this, true));

    auto *grid = new QGridLayout;
    auto addRow = [grid](int row, const QString &caption, const QString &initial,
                               const char *name) {
        grid->addWidget(new QLabel(caption), row, 0, Qt::AlignLeft);
        auto *value = new QLabel(initial);
        value->setObjectName(name);
        grid->addWidget(value, row, 1, Qt::AlignRight);
        return value;
    };
    m_horizontalAngle = addRow(0, tr("Horizontal Angle:"), "0", "horizontalAngle");
    m_verticalAngle = addRow(1, tr("Vertical Angle:"), "0", "verticalAngle");
    m_sensorSize = addRow(2, tr("Sensor Size:"), "0mm x 0mm", "sensorSize");
    m_cropFactor = addRow(3, tr("Crop Factor:"), "-", "cropFactor");
    m_focalLength = addRow(4, tr("Focal length (to 35mm):"), "0mm (0mm)", "focalLength");
    m_processTime = addRow(5, tr("Process Time:"), QString(), "processTime");
    m_delayTime = addRow(6, tr("Delay Time:"), QString(), "delayTime");
    m_imageSize = addRow(7, tr("Image Size:"), "- x -", "imageSize");
    layout->addLayout(grid);
    layout->addStretch();

    connect(m_addButton, &QPushButton::clicked, this, &SPCamera::addClicked);
    connect(m_removeButton, &QPushButton::clicked, this, &SPCamera::removeClicked);
    connect(m_cameraBox, &QComboBox::textActivated, this, &SPCamera::updateCam);
    connect(m_cameraBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int i) { updateCam(m_cameraBox->itemText(i)); });

    const int current = m_cameraBox->findText(data->currentCamera().name, Qt::MatchExactly);
    if (current >= 0)
        m_cameraBox->setCurrentIndex(current);
    updateCam(m_cameraBox->currentText());
}

void SPCamera::updateCam(const QString &name)
{
    if (name.isEmpty())
        return;
    qDebug() << "[SPCamera] updateCam: " << name;
    Data *data = Data::instance();
    bool found = false;
    const Camera camera = data->camera(name, &found);
    if (!found)
        return;

    const QPointF fov = camera.fieldOfView();
    const double crop = camera.cropFactor();
    m_horizontalAngle->setText(QString::number(fov.x(), 'g', 4) + QChar(0x00B0));
    m_verticalAngle->setText(QString::number(fov.y(), 'g', 4) + QChar(0x00B0));
    m_sensorSize->setText(QStringLiteral("%1mm x %2mm")
                              .arg(QString::number(camera.sensorSize.width(), 'g', 3),
                                   QString::number(camera.sensorSize.height(), 'g', 3)));
    m_cropFactor->setText(QString::number(crop, 'f', 2));
    m_focalLength->setText(QStringLiteral("%1mm (%2mm)")
                               .arg(QString::number(camera.focalLength, 'f', 2),
                                    QString::number(crop * camera.focalLength, 'f', 2)));
    m_processTime->setText(QStringLiteral("%1ms").arg(camera.processTime));
    m_delayTime->setText(QStringLiteral("%1ms").arg(camera.delay));
    m_imageSize->setText(QStringLiteral("%1 x %2")
                             .arg(camera.imageSize.width())
                             .arg(camera.imageSize.height()));

    data->setCurrentCamera(name);
}

void SPCamera::addClicked()
{
    qDebug() << "[SPCamera] addClicked";
    SPCameraAdd dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_cameraBox->clear();
    m_cameraBox->addItems(Data::instance()->cameraNames());
    m_cameraBox->setCurrentIndex(m_cameraBox->count() - 1);
}

void SPCamera::removeClicked()
{
    qDebug() << "[SPCamera] removeClicked";
    if (m_cameraBox->count() == 1) {
        Prompt::error(this, tr("Cannot remove camera!"),
                      tr("There has to be at least one camera in the list. Please add a camera "
                         "before you delete it."));
        return;
    }
    if (!Prompt::question(this, tr("Confirm removing"),
                          tr("Are you sure you want to remove this camera?")))
        return;
    if (m_cameraBox->count() == 0)
        return;
    const QString name = m_cameraBox->currentText();
    const int index = m_cameraBox->currentIndex();
    // The neighbour becomes current through updateCam before the camera goes.
    m_cameraBox->removeItem(index);
    QString error;
    if (!Data::instance()->removeCamera(name, &error) && !error.isEmpty()) {
        // Still stored: it stays in the list and current.
        m_cameraBox->insertItem(index, name);
        m_cameraBox->setCurrentIndex(index);
        Prompt::error(this, tr("Camera not removed"),
                      tr("The camera list could not be saved.") + QStringLiteral("\n\n") + error);
    }
}

// ---- SPCameraAdd ----

SPCameraAdd::SPCameraAdd(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[SPCameraAdd] Constructor";
    setWindowTitle(tr("Add Camera..."));
    setWindowIcon(QIcon(QStringLiteral(":/camera.png")));

    auto *layout = new QVBoxLayout(this);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("Name:")));
    m_nameEdit = new QLineEdit;
    m_nameEdit->setObjectName("name");
    nameRow->addWidget(m_nameEdit);
    layout->addLayout(nameRow);

    auto *templateRow = new QHBoxLayout;
    templateRow->addWidget(new QLabel(tr("Template:")), 0, Qt::AlignLeft);
    m_templateBox = new QComboBox;
    m_templateBox->setObjectName("template");
    m_templateBox->addItem(QString());
    m_templateBox->addItems(Data::instance()->templateCameraNames());
    templateRow->addWidget(m_templateBox, 0, Qt::AlignRight);
    layout->addLayout(templateRow);

    auto *grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    auto caption = [grid](int row, const QString &text) {
        grid->addWidget(new QLabel(text), row, 0, Qt::AlignLeft);
    };
    auto doubleBox = [grid](int row, double max, double step, const char *name) {
        auto *box = new QDoubleSpinBox;
        box->setObjectName(name);
        box->setDecimals(2);
        box->setRange(0.1, max);
        box->setSingleStep(step);
        box->setValue(0.1);
        grid->addWidget(box, row, 1, Qt::AlignRight);
        return box;
    };
    auto intBox = [grid](int row, int min, int max, const char *name) {
        auto *box = new QSpinBox;
        box->setObjectName(name);
        box->setRange(min, max);
        box->setSingleStep(1);
        box->setValue(min);
        grid->addWidget(box, row, 1, Qt::AlignRight);
        return box;
    };
    caption(1, tr("Sensor Width (mm):"));
    m_sensorWidth = doubleBox(1, 100, 0.1, "sensorWidth");
    caption(2, tr("Sensor Height (mm):"));
    m_sensorHeight = doubleBox(2, 100, 0.1, "sensorHeight");
    caption(3, tr("Crop Factor:"));
    m_cropLabel = new QLabel("-");
    m_cropLabel->setObjectName("crop");
    grid->addWidget(m_cropLabel, 3, 1, Qt::AlignRight);
    caption(4, tr("Focal Length (mm):"));
    m_focalLength = doubleBox(4, 1000, 1, "focalLength");
    caption(5, tr("Focal Length in full frame (mm):"));
    m_fullFrameLabel = new QLabel("-");
    m_fullFrameLabel->setObjectName("fullFrame");
    grid->addWidget(m_fullFrameLabel, 5, 1, Qt::AlignRight);
    caption(6, tr("Process Time (ms):"));
    m_processTime = intBox(6, 0, 10000, "processTime");
    caption(7, tr("Delay Time (ms):"));
    m_delayTime = intBox(7, 0, 10000, "delayTime");
    caption(8, tr("Image Width (px):"));
    m_imageWidth = intBox(8, 1, 999999, "imageWidth");
    caption(9, tr("Image Height (px):"));
    m_imageHeight = intBox(9, 1, 999999, "imageHeight");
    layout->addLayout(grid);
    layout->addStretch();

    auto *buttons = new QHBoxLayout;
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName("cancel");
    auto *add = new QPushButton(tr("Add"));
    add->setObjectName("add");
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(add);
    layout->addLayout(buttons);

    connect(m_templateBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int i) { templateChanged(m_templateBox->itemText(i)); });
    connect(add, &QPushButton::clicked, this, &SPCameraAdd::addclicked);
    connect(m_sensorWidth, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &SPCameraAdd::onCamSensorChanged);
    connect(m_sensorHeight, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &SPCameraAdd::onCamSensorChanged);
    connect(m_focalLength, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &SPCameraAdd::onFocalLengthChanged);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SPCameraAdd::templateChanged(const QString &name)
{
    if (name.isEmpty())
        return;
    m_nameEdit->setText(name);
    const Camera camera = Data::instance()->templateCamera(name);
    m_focalLength->setValue(camera.focalLength);
    m_sensorHeight->setValue(camera.sensorSize.height());
    m_sensorWidth->setValue(camera.sensorSize.width());
    m_processTime->setValue(camera.processTime);
    m_delayTime->setValue(camera.delay);
    m_imageWidth->setValue(camera.imageSize.width());
    m_imageHeight->setValue(camera.imageSize.height());
}

double SPCameraAdd::crop() const
{
    const double w = m_sensorWidth->value();
    const double h = m_sensorHeight->value();
    return fullFrameDiagonal / std::sqrt(w * w + h * h);
}

void SPCameraAdd::onCamSensorChanged()
{
    m_cropLabel->setText(QString::number(crop(), 'f', 2));
    onFocalLengthChanged();
}

void SPCameraAdd::onFocalLengthChanged()
{
    m_fullFrameLabel->setText(
        QStringLiteral("%1mm").arg(QString::number(m_focalLength->value() * crop(), 'f', 2)));
}

void SPCameraAdd::addclicked()
{
    if (m_nameEdit->text().isEmpty()) {
        Prompt::warning(this, tr("No name entered!"), tr("Please enter a name for your camera."));
        return;
    }
    Camera camera;
    camera.name = m_nameEdit->text();
    camera.sensorSize = QSizeF(m_sensorWidth->value(), m_sensorHeight->value());
    camera.focalLength = m_focalLength->value();
    camera.processTime = m_processTime->value();
    camera.delay = m_delayTime->value();
    camera.imageSize = QSize(m_imageWidth->value(), m_imageHeight->value());
    QString error;
    if (!Data::instance()->addCamera(camera, &error)) {
        if (!error.isEmpty()) {
            Prompt::error(this, tr("Camera not saved"),
                          tr("The camera list could not be saved.") + QStringLiteral("\n\n")
                              + error);
            return;
        }
        Prompt::warning(this, tr("Name already exists!"),
                        tr("The name of your camera, you entered, already exists. Please choose "
                           "annother name."));
        return;
    }
    accept();
}

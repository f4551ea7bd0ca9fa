#include "maps/acquisition/pmmain.h"

#include <QDebug>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/placemarks.h"
#include "core/prompt/prompt.h"

namespace {

const char *const kUnnamed = "Unnamed";

QLabel *wrapped(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QLineEdit *nameEdit(const char *name, QObject *validatorParent)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^|\\r\\n\\x{2028}\\x{2029}]*")), validatorParent));
    return edit;
}

QPushButton *button(const QString &text, const char *name)
{
    auto *b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}

}  // namespace

QString PMMain::cleanName(const QString &text)
{
    QString s = text;
    s.replace('|', QChar(0x00A6));
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar c : {QChar('\n'), QChar('\r'), QChar(0x2028), QChar(0x2029)})
        s.replace(c, QChar(' '));
    return s;
}

PMMain::PMMain(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[PMMain] Constructor";
    setWindowTitle(tr("Placemark List"));
    setWindowIcon(QIcon(QStringLiteral(":/placemarks.png")));
    setFixedSize(800, 400);
    setFocusPolicy(Qt::StrongFocus);

    m_model = Data::instance()->placemarkModel();

    // Left: list
    auto *left = new QVBoxLayout;
    auto *listRow = new QHBoxLayout;
    listRow->addWidget(new QLabel(tr("Placemark list:")));
    listRow->addStretch();
    QPushButton *newGroup = button(tr("New group"), "newGroup");
    listRow->addWidget(newGroup);
    left->addLayout(listRow);
    m_tree = new QTreeView;
    m_tree->setObjectName("tree");
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnHidden(1, true);
    m_tree->setColumnHidden(2, true);
    m_tree->setAnimated(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    left->addWidget(m_tree);

    // Right: side pages
    m_pages = new QStackedWidget;

    auto *empty = new QWidget;
    auto *emptyLayout = new QVBoxLayout(empty);
    emptyLayout->addWidget(wrapped(tr("Placemarks will be displayed on any map. They do not "
                                      "depend on the map source or custom maps.")));
    emptyLayout->addWidget(wrapped(tr("Please create a group for adding points or polygons. "
                                      "Groups are helpful for organizing your placemarks.")));
    emptyLayout->addStretch();
    m_pages->addWidget(empty);

    auto *group = new QWidget;
    auto *groupLayout = new QVBoxLayout(group);
    auto *groupForm = new QFormLayout;
    m_groupName = nameEdit("groupName", this);
    groupForm->addRow(tr("Group name:"), m_groupName);
    groupLayout->addLayout(groupForm);
    QPushButton *addPoint = button(tr("Add point"), "addPoint");
    groupLayout->addWidget(addPoint);
    groupLayout->addWidget(wrapped(tr("A point will be displayed on the map as a simple placemark.")));
    QPushButton *addPolygon = button(tr("Add polygon"), "addPolygon");
    groupLayout->addWidget(addPolygon);
    groupLayout->addWidget(wrapped(tr("A number of points for showing an area or a line on a map.")));
    groupLayout->addStretch();
    QPushButton *deleteGroup = button(tr("Delete"), "deleteGroup");
    groupLayout->addWidget(deleteGroup, 0, Qt::AlignRight);
    m_pages->addWidget(group);

    auto *point = new QWidget;
    auto *pointLayout = new QVBoxLayout(point);
    pointLayout->addWidget(new HeaderWidget(tr("Coordinate"), point, true));
    auto *pointForm = new QFormLayout;
    m_pointName = nameEdit("pointName", this);
    m_lat = new QDoubleSpinBox;
    m_lat->setObjectName("latitude");
    m_lat->setDecimals(10);
    m_lat->setRange(-90, 90);
    m_lon = new QDoubleSpinBox;
    m_lon->setObjectName("longitude");
    m_lon->setDecimals(10);
    m_lon->setRange(-180, 180);
    pointForm->addRow(tr("Point name:"), m_pointName);
    pointForm->addRow(tr("Latitude:"), m_lat);
    pointForm->addRow(tr("Longitude:"), m_lon);
    pointLayout->addLayout(pointForm);
    pointLayout->addStretch();
    QPushButton *deletePoint = button(tr("Delete"), "deletePoint");
    pointLayout->addWidget(deletePoint, 0, Qt::AlignRight);
    m_pages->addWidget(point);

    auto *polygon = new QWidget;
    auto *polygonLayout = new QVBoxLayout(polygon);
    auto *polygonForm = new QFormLayout;
    m_polygonName = nameEdit("polygonName", this);
    polygonForm->addRow(tr("Polygon name:"), m_polygonName);
    polygonLayout->addLayout(polygonForm);
    polygonLayout->addWidget(wrapped(tr("Add a point to your polygon for creating a line or an area.")));
    QPushButton *addPolyPoint = button(tr("Add point"), "addPolyPoint");
    polygonLayout->addWidget(addPolyPoint);
    auto *typeRow = new QHBoxLayout;
    typeRow->addWidget(new QLabel(tr("Type: ")));
    m_polygonType = new QLabel;
    m_polygonType->setObjectName("polygonType");
    typeRow->addWidget(m_polygonType);
    typeRow->addStretch();
    polygonLayout->addLayout(typeRow);
    polygonLayout->addStretch();
    QPushButton *deletePolygon = button(tr("Delete"), "deletePolygon");
    polygonLayout->addWidget(deletePolygon, 0, Qt::AlignRight);
    m_pages->addWidget(polygon);

    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(m_pages, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton *close = button(tr("Close"), "close");
    close->setAutoDefault(false);
    bottom->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);

    connect(newGroup, &QPushButton::clicked, this, &PMMain::newGroupClicked);
    connect(m_model, &QStandardItemModel::itemChanged, this, &PMMain::itemTextChanged);
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft) { modelDataChanged(topLeft); });
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PMMain::modelselectionChanged);
    connect(m_groupName, &QLineEdit::textEdited, this, &PMMain::groupNameChanged);
    connect(addPoint, &QPushButton::clicked, this, &PMMain::newPointClicked);
    connect(addPolygon, &QPushButton::clicked, this, &PMMain::newPolygonClicked);
    connect(m_pointName, &QLineEdit::textEdited, this, &PMMain::nameChanged);
    connect(m_polygonName, &QLineEdit::textEdited, this, &PMMain::nameChanged);
    connect(m_lon, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &PMMain::pointLonChanged);
    connect(m_lat, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &PMMain::pointLatChanged);
    connect(addPolyPoint, &QPushButton::clicked, this, &PMMain::newPolyPointClicked);
    for (QPushButton *b : {deleteGroup, deletePoint, deletePolygon})
        connect(b, &QPushButton::clicked, this, &PMMain::deleteClicked);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    for (QPushButton *b : {newGroup, addPoint, addPolygon, deleteGroup, deletePoint, addPolyPoint,
                           deletePolygon})
        b->setAutoDefault(false);
}

int PMMain::kindOf(const QStandardItem *item)
{
    return item ? item->data(Placemarks::KindRole).toInt() : -1;
}

void PMMain::itemTextChanged(QStandardItem *) {}
void PMMain::modelDataChanged(const QModelIndex &) {}

void PMMain::modelselectionChanged(const QItemSelection &, const QItemSelection &)
{
    const QModelIndexList selected = m_tree->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        m_pages->setCurrentIndex(0);
        return;
    }
    m_current = m_model->itemFromIndex(selected.first());
    if (!m_current) {
        m_pages->setCurrentIndex(0);
        return;
    }
    const QString text = m_current->text();
    const QString shown = text == QLatin1String(kUnnamed) ? QString() : text;
    switch (kindOf(m_current)) {
    case Placemarks::Group:
        m_groupName->setText(shown);
        m_pages->setCurrentIndex(1);
        break;
    case Placemarks::Point:
    case Placemarks::PolygonPoint: {
        m_pointName->setText(shown);
        // Showing a point must not write its coordinates back.
        const QSignalBlocker blockLon(m_lon);
        const QSignalBlocker blockLat(m_lat);
        m_lon->setValue(m_current->data(Placemarks::LonRole).toDouble());
        m_lat->setValue(m_current->data(Placemarks::LatRole).toDouble());
        m_pages->setCurrentIndex(2);
        break;
    }
    case Placemarks::Polygon: {
        m_polygonName->setText(shown);
        const int n = m_current->rowCount();
        m_polygonType->setText(n == 0   ? tr("None")
                               : n == 1 ? tr("Single point")
                               : n == 2 ? tr("Line")
                                        : tr("Area"));
        m_pages->setCurrentIndex(3);
        break;
    }
    default:
        m_pages->setCurrentIndex(0);
        break;
    }
}

void PMMain::rename(const QString &text)
{
    if (!m_current)
        return;
    const QString name = cleanName(text);
    m_current->setText(name.isEmpty() ? QString::fromLatin1(kUnnamed) : name);
}

void PMMain::groupNameChanged(const QString &text) { rename(text); }
void PMMain::nameChanged(const QString &text) { rename(text); }

void PMMain::pointLonChanged(double lon)
{
    if (m_current)
        m_current->setData(lon, Placemarks::LonRole);
}

void PMMain::pointLatChanged(double lat)
{
    if (m_current)
        m_current->setData(lat, Placemarks::LatRole);
}

QStandardItem *PMMain::appendChild(QStandardItem *parent, int kind)
{
    auto *item = new QStandardItem(QString::fromLatin1(kUnnamed));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setData(kind, Placemarks::KindRole);
    item->setData(0, Placemarks::LonRole);
    item->setData(0, Placemarks::LatRole);
    item->setData(0, Placemarks::PathRole);
    if (parent)
        parent->appendRow(item);
    else
        m_model->appendRow(item);
    return item;
}

void PMMain::selectItem(QStandardItem *item)
{
    m_current = item;
    m_tree->selectionModel()->clearSelection();
    m_tree->selectionModel()->select(item->index(), QItemSelectionModel::Select);
    m_tree->scrollTo(item->index());
}

void PMMain::newGroupClicked()
{
    selectItem(appendChild(nullptr, Placemarks::Group));
    // Typing goes into the new name, not back into the button.
    m_groupName->setFocus();
}

void PMMain::newPointClicked()
{
    if (kindOf(m_current) != Placemarks::Group)
        return;
    QStandardItem *item = appendChild(m_current, Placemarks::Point);
    m_tree->expand(m_current->index());
    m_pointName->clear();
    selectItem(item);
    m_pages->setCurrentIndex(2);
    // The page would give focus back to whatever it had last, e.g. its Delete
    // button, where a blank typed into the name would ask to delete.
    m_pointName->setFocus();
}

void PMMain::newPolygonClicked()
{
    if (kindOf(m_current) != Placemarks::Group)
        return;
    QStandardItem *item = appendChild(m_current, Placemarks::Polygon);
    m_tree->expand(m_current->index());
    m_polygonName->clear();
    selectItem(item);
    m_pages->setCurrentIndex(3);
    m_polygonName->setFocus();
}

void PMMain::newPolyPointClicked()
{
    if (kindOf(m_current) != Placemarks::Polygon)
        return;
    QStandardItem *item = appendChild(m_current, Placemarks::PolygonPoint);
    m_tree->expand(m_current->index());
    m_pointName->clear();
    selectItem(item);
    m_pages->setCurrentIndex(2);
    m_pointName->setFocus();
}

void PMMain::deleteClicked()
{
    if (!m_current)
        return;
    static const char *const kinds[] = {QT_TR_NOOP("group"), QT_TR_NOOP("point"),
                                        QT_TR_NOOP("polygon"), QT_TR_NOOP("polygon point")};
    const int kind = kindOf(m_current);
    const QString kindText = kind >= 0 && kind <= 3 ? tr(kinds[kind]) : tr("placemark");
    if (!Prompt::question(this, tr("Confirm deletion"),
                          tr("Are you sure you want to delete the %1?").arg(kindText)))
        return;
    QStandardItem *item = m_current;
    m_current = nullptr;
    if (QStandardItem *parent = item->parent())
        parent->removeRow(item->row());
    else
        m_model->removeRow(item->row());
    if (m_tree->selectionModel()->selectedIndexes().isEmpty())
        m_pages->setCurrentIndex(0);
}

void PMMain::keyPressEvent(QKeyEvent *event)
{
    // No default dialog keys: Escape does not close, Return presses nothing
    // (it goes on to the parent).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        event->ignore();
    else
        event->accept();
}

// Its own meta-object code, apart from the library's combined one: the main
// program links only this editor, and so starts without the web engine.
#include "moc_pmmain.cpp"

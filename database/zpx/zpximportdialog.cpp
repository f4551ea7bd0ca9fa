#include "database/zpx/zpximportdialog.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

ZPXimportDialog::ZPXimportDialog(const QStringList &lines, QWidget *parent) : QDialog(parent)
{
    qDebug() << "[ZPXimportDialog] Contructor";
    setWindowTitle(tr("Imported ZPX file result"));
    setFixedSize(700, 550);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Imported Data:"), this));
    m_imported = new QTreeWidget(this);
    m_imported->setHeaderHidden(true);
    m_imported->setColumnCount(1);
    layout->addWidget(m_imported);
    layout->addSpacing(20);
    layout->addWidget(new QLabel(tr("Not Imported Data:"), this));
    m_notImported = new QTreeWidget(this);
    m_notImported->setHeaderHidden(true);
    m_notImported->setColumnCount(2);
    m_notImported->setColumnWidth(0, 500);
    layout->addWidget(m_notImported);
    layout->addSpacing(20);
    m_errorCaption = new QLabel(tr("<b>Error:</b>"), this);
    m_errorText = new QLabel(tr("Error Text"), this);
    m_errorCaption->hide();
    m_errorText->hide();
    layout->addWidget(m_errorCaption);
    layout->addWidget(m_errorText);
    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ok = new QPushButton(tr("Ok"), this);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    const QString texts[4] = {tr("Maps"), tr("Flightplan"), tr("Harlek Logs"), tr("Photo Tagger")};
    for (auto &tree : m_categories) {
        for (int k = 0; k < 4; ++k)
            tree[k] = new QTreeWidgetItem(QStringList(texts[k]));
    }
    fillData(lines);
}

ZPXimportDialog::~ZPXimportDialog()
{
    // Categories that never received children were never inserted.
    for (auto &tree : m_categories) {
        for (QTreeWidgetItem *item : tree) {
            if (!item->treeWidget())
                delete item;
        }
    }
}

void ZPXimportDialog::fillData(QStringList lines)
{
    qDebug() << QStringLiteral("[ZPXimportDialog] fillData %1").arg(lines.size());
    if (lines.size() <= 1) {
        m_errorText->setText(lines.isEmpty() ? tr("No Data") : lines.first());
        m_errorCaption->show();
        m_errorText->show();
        return;
    }
    // Kind field prefixes in the order they are tested, with their category.
    static const struct {
        const char *prefix;
        int category;
        bool dropSuffix;
    } kinds[] = {{"logs", 2, false}, {"maps", 0, true}, {"flightplan", 1, true},
                 {"phototagger", 3, false}};
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines.at(i).split(QLatin1Char('*'), Qt::KeepEmptyParts);
        if (f.size() < 3)
            continue;
        const QString &status = f.at(0);
        const QString name = f.mid(2).join(QLatin1Char('*'));
        for (const auto &k : kinds) {
            if (!f.at(1).startsWith(QLatin1String(k.prefix)))
                continue;
            auto *item = new QTreeWidgetItem;
            item->setText(0, k.dropSuffix ? name.left(name.size() - 4) : name);
            const int tree = status.startsWith(QLatin1Char('0')) ? 0 : 1;
            if (tree == 1) {
                if (status.startsWith(QLatin1Char('1')))
                    item->setText(1, tr("Already exists"));
                else if (status.startsWith(QLatin1Char('2')))
                    item->setText(1, tr("I/O Error"));
            }
            m_categories[tree][k.category]->addChild(item);
            break;
        }
    }
    QTreeWidget *trees[2] = {m_imported, m_notImported};
    for (int t = 0; t < 2; ++t) {
        for (QTreeWidgetItem *category : m_categories[t]) {
            if (category->childCount() == 0 || category->treeWidget())
                continue;
            trees[t]->addTopLevelItem(category);
            category->setExpanded(true);
        }
    }
}

void ZPXimportDialog::showFailures(const QStringList &failures)
{
    if (failures.isEmpty())
        return;
    // The window has a fixed size: the first few, and how many more.
    const int shown = 8;
    QStringList lines = failures.mid(0, shown);
    if (failures.size() > shown)
        lines << tr("... and %1 more").arg(failures.size() - shown);
    m_errorText->setTextFormat(Qt::PlainText);
    m_errorText->setText(lines.join(QLatin1Char('\n')));
    m_errorText->setWordWrap(true);
    m_errorCaption->show();
    m_errorText->show();
}

#include "phototagger/ui/dbphototaggersplitdiag.h"

#include <QDebug>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegExpValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectmerge.h"

namespace {
QHBoxLayout *row(QWidget *left, QWidget *right, int indent = 0)
{
    auto *r = new QHBoxLayout;
    if (indent)
        r->addSpacing(indent);
    r->addWidget(left);
    r->addStretch();
    if (right)
        r->addWidget(right);
    return r;
}
}  // namespace

DBPhotoTaggerSplitDiag::DBPhotoTaggerSplitDiag(QString projectName, QWidget *parent)
    : QDialog(parent), m_name(projectName)
{
    qDebug() << "[DBPhotoTaggerSplitDiag] Constructor";
    setWindowIcon(QIcon(QStringLiteral(":/ptsplit.png")));
    setWindowTitle(tr("Split photo tagger projects"));
    setFixedSize(450, 300);

    m_data = new PTData(nullptr);
    m_data->loadProject(m_name);
    m_count = m_data->getCount();

    m_split = new QSpinBox(this);
    m_split->setObjectName(QStringLiteral("split"));
    m_split->setRange(1, qMax(1, m_count - 1));
    m_first = new QLabel(QStringLiteral("1"), this);
    m_first->setObjectName(QStringLiteral("firstRange"));
    m_second = new QLabel(QStringLiteral("2-%1").arg(m_count), this);
    m_second->setObjectName(QStringLiteral("secondRange"));
    m_firstName = new QLineEdit(this);
    m_firstName->setObjectName(QStringLiteral("firstName"));
    m_secondName = new QLineEdit(this);
    m_secondName->setObjectName(QStringLiteral("secondName"));
    const QRegExp names(QStringLiteral("[\\w][\\w\\s-()]{1,99}"), Qt::CaseSensitive);
    m_firstName->setValidator(new QRegExpValidator(names, m_firstName));
    m_secondName->setValidator(new QRegExpValidator(names, m_secondName));
    m_splitButton = new QPushButton(tr("Split"), this);
    m_splitButton->setObjectName(QStringLiteral("splitButton"));
    m_splitButton->setEnabled(false);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row(new QLabel(tr("Project:"), this), new QLabel(m_name, this)));
    layout->addLayout(row(new QLabel(tr("Total Tags:"), this),
                          new QLabel(QString::number(m_count), this)));
    layout->addLayout(row(new QLabel(tr("Split project at:"), this), m_split));
    layout->addSpacing(20);
    layout->addWidget(new QLabel(tr("<b>Result:</b>"), this));
    layout->addLayout(row(new QLabel(tr("First Project Tag Range:"), this), m_first, 10));
    layout->addLayout(row(new QLabel(tr("Second Project Tag Range:"), this), m_second, 10));
    layout->addSpacing(20);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("First Project Name:"), this), 0, 0);
    grid->addWidget(m_firstName, 0, 1);
    grid->addWidget(new QLabel(tr("Second Project Name:"), this), 1, 0);
    grid->addWidget(m_secondName, 1, 1);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(row(cancel, m_splitButton));

    connect(m_splitButton, &QPushButton::clicked, this, &DBPhotoTaggerSplitDiag::splitClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_firstName, &QLineEdit::textChanged, this, &DBPhotoTaggerSplitDiag::validateSplitBut);
    connect(m_secondName, &QLineEdit::textChanged, this, &DBPhotoTaggerSplitDiag::validateSplitBut);
    connect(m_split, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &DBPhotoTaggerSplitDiag::splitchanged);
    splitchanged(m_split->value());
}

DBPhotoTaggerSplitDiag::~DBPhotoTaggerSplitDiag() { delete m_data; }

void DBPhotoTaggerSplitDiag::validateSplitBut()
{
    qDebug() << "[DBPhotoTaggerSplitDiag] validateSplitBut";
    m_splitButton->setEnabled(!m_firstName->text().isEmpty() && !m_secondName->text().isEmpty());
}

void DBPhotoTaggerSplitDiag::splitchanged(int s)
{
    m_first->setText(s == 1 ? QStringLiteral("1") : QStringLiteral("%1-%2").arg(1).arg(s));
    m_second->setText(s == m_count - 1 ? QString::number(m_count)
                                       : QStringLiteral("%1-%2").arg(s + 1).arg(m_count));
}

void DBPhotoTaggerSplitDiag::error(const QString &title, const QString &text)
{
    Prompt::message(this, QStringLiteral(":/icons/80/error"), title, text, QMessageBox::Ok,
                    QMessageBox::Ok);
}

void DBPhotoTaggerSplitDiag::splitClicked()
{
    qDebug() << "[DBPhotoTaggerSplitDiag] splitClicked";
    if (m_data->loadStatus() != PTData::Loaded || m_count < 2) {
        error(tr("Project cannot be split!"),
              tr("A project needs at least two tags to be split."));
        return;
    }
    const QString first = m_firstName->text();
    const QString second = m_secondName->text();
    if (first.compare(second, Qt::CaseInsensitive) == 0) {
        error(tr("Equal project names!"), tr("Please choose two different project names."));
        return;
    }
    // Folder names are compared without regard to case, as everywhere a
    // project is named: on some file systems they are the same folder.
    const QStringList existing = QDir(Data::instance()->photoTaggerPath())
                                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString &name : {first, second}) {
        if (existing.contains(name, Qt::CaseInsensitive)) {
            error(tr("Project already exists!"),
                  tr("The project name \"%1\" already exists. Please choose another name.").arg(name));
            return;
        }
    }

    // Finished or taken back as a whole, even when cut off on the way.
    const PTProjectMerge::Result result = PTProjectMerge::split(m_name, m_split->value(), first, second);
    if (!result.ok) {
        error(result.title, result.error);
        reject();
        return;
    }
    if (!result.remaining.isEmpty()) {
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Files left behind"),
                        tr("The project was split, but these files could not be deleted:\n%1")
                            .arg(result.remaining.join(QLatin1Char('\n'))),
                        QMessageBox::Ok, QMessageBox::Ok);
    }
    accept();
}

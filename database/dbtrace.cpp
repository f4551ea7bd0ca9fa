#include "database/dbtrace.h"

#include <QDataStream>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "database/dbpageparts.h"

DBTrace::DBTrace(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new HeaderWidget(tr("Trace file"), this, true));
    m_delete = DBPage::pushButton(this, tr("Delete"), tr("Delete trace file..."));
    m_name = DBPage::addNameRow(layout, this, tr("<b>Name: </b>"), QStringLiteral("0"), {m_delete});
    m_date = DBPage::addValueRow(layout, this, tr("Date: "));
    m_version = DBPage::addValueRow(layout, this, tr("Version: "));
    layout->addStretch();
    connect(m_delete, &QPushButton::clicked, this, &DBTrace::deleteClicked);
}

DBTrace::~DBTrace() = default;

QString DBTrace::versionText(const QString &version)
{
    QString text = version;
    text.insert(qMin(2, text.size()), QLatin1Char('.'));
    if (text.startsWith(QLatin1Char('0')))
        text.remove(0, 1);
    return text;
}

QString DBTrace::dateText(const QString &date)
{
    // Twelve digits or nothing: a shorter or foreign text is not guessed at.
    static const QRegularExpression digits(QStringLiteral("\\A\\d{12}\\z"));
    if (!digits.match(date).hasMatch())
        return QStringLiteral("-");
    auto field = [&date](int i) { return date.midRef(2 * i, 2).toInt(); };
    const QDateTime when(QDate(2000 + field(0), field(1), field(2)),
                         QTime(field(3), field(4), field(5)));
    return when.toString(QStringLiteral("dd. MMMM yyyy hh:mm:ss"));
}

void DBTrace::setTraceFile(const QString &name)
{
    setTraceFile(name, DBPage::storedPath(Data::instance()->harlekSDPath() + QStringLiteral("/trace"),
                                          name, QStringLiteral(".zt1")));
}

void DBTrace::setTraceFile(const QString &name, const QString &path)
{
    qDebug().noquote() << "[DBTrace] setTraceFile " + name;
    m_name->setText(name);
    m_path = path;
    const QString invalid = QStringLiteral("<b><font color=\"red\">NOT VALID!</color></b>");
    QFile file(path);
    QString magic, version, date;
    if (file.open(QIODevice::ReadOnly)) {
        QDataStream in(&file);
        in.setVersion(12);
        in >> magic;
        if (in.status() == QDataStream::Ok
            && magic.startsWith(QLatin1String("KorvelTarvendelTraceFile"))) {
            in >> version >> date;
            if (in.status() != QDataStream::Ok)
                version.clear(), date.clear();
            m_version->setText(versionText(version));
            m_date->setText(dateText(date));
            return;
        }
    }
    m_version->setText(invalid);
    m_date->setText(QStringLiteral("-"));
}

void DBTrace::deleteClicked()
{
    qDebug() << "[DBTrace] deleteClicked ";
    const QString name = m_name->text();
    const DBPage::DeleteTexts texts{
        tr("Can't delete trace file"),
        tr("The trace file can't be deleted because it is  still in use. Please close all "
           "windows, which are using it."),
        tr("Are you sure you want to delete this trace file from your database?"),
        tr("This trace file couldn't be deleted! Make sure, that the file is not open with "
           "another application or that you have the rights to delete it.")};
    if (!DBPage::deleteFile(this, Data::instance()->isOpen(OpenKind::Thermal, name), m_path, texts))
        return;
    emit traceDeleted(name);
}

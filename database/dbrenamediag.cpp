#include "database/dbrenamediag.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/namerule.h"
#include "core/prompt/prompt.h"

DBRenameDiag::DBRenameDiag(const QString &name, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Renaming..."));
    setMinimumWidth(300);
    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Name: "), this));
    m_edit = new QLineEdit(this);
    m_edit->setText(name);  // before the validator: an old name outside the rule stays as it is
    m_edit->setValidator(new QRegularExpressionValidator(NameRule::pattern(), m_edit));
    row->addWidget(m_edit);
    layout->addLayout(row);
    auto *buttons = new QHBoxLayout;
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_rename = new QPushButton(tr("Rename"), this);
    m_cancel->setAutoDefault(false);
    m_rename->setAutoDefault(false);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    buttons->addWidget(m_rename);
    layout->addLayout(buttons);
    connect(m_edit, &QLineEdit::returnPressed, m_rename, &QPushButton::click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);
    connect(m_rename, &QPushButton::clicked, this, &DBRenameDiag::renameClicked);
}

void DBRenameDiag::renameClicked()
{
    const QString text = m_edit->text();
    if (text.isEmpty()) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("No name entered!"),
                        tr("Please enter a name or click \"cancel\" for aborting."),
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    newName = text;
    close();
}

#include "planner/wpsavefiledialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/namerule.h"
#include "core/prompt/prompt.h"

WPSaveFileDialog::WPSaveFileDialog(QWidget *parent, const QString &name) : QDialog(parent)
{
    setWindowTitle(tr("Save flightplan"));
    setWindowIcon(QIcon(QStringLiteral(":/saveWP.png")));
    m_edit = new QLineEdit(name);
    m_edit->setValidator(new QRegularExpressionValidator(NameRule::pattern(), m_edit));
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Name of flightplan:")));
    row->addWidget(m_edit);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addStretch();
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &WPSaveFileDialog::okayclicked);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::returnPressed, m_buttons, &QDialogButtonBox::accepted);
}

void WPSaveFileDialog::okayclicked()
{
    const QString name = m_edit->text();
    if (name.isEmpty()) {
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("No flightplan name!"),
                        tr("No flightplan name given. Please type in a name"));
        return;
    }
    // The same rule as the field's validator: a name given from outside
    // (the proposed name) must not slip past it.
    if (!NameRule::isValid(name)) {
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Invalid name!"),
                        tr("A flightplan name has 2 to 100 letters, digits, blanks, '-', '(' or "
                           "')' and starts with a letter or digit."));
        return;
    }
    if (Data::instance()->flightPlanExists(name)) {
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Name already exists!"),
                        tr("A Flightplan with this name already exists. Please choose a "
                           "diffentent name or delete/rename the other one in your database."));
        return;
    }
    m_name = name;
    m_canceled = false;
    accept();
}

void WPSaveFileDialog::cancelclicked()
{
    m_canceled = true;
    reject();
}

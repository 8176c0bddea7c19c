#include "wizard/intropage.h"
#include "ui_intropage.h"

#include "database/installeddictionaries.h"

#include <QButtonGroup>
#include <QEvent>
#include <QRadioButton>

// QWizard keeps the first registration of a field name and ignores later
// ones, so binding "dictionaryName" to whichever button is checked on the
// first Next would freeze that choice. The field is instead bound once to a
// property of the page, which every Next sets to the checked type's name.
static const char checkedTypeProperty[] = "checkedType";

IntroPage::IntroPage(QWidget *parent) : QWizardPage(parent), ui(new Ui::IntroPage)
{
    ui->setupUi(this);
    setProperty(checkedTypeProperty, QString());
    registerField("dictionaryName", this, checkedTypeProperty);
}

IntroPage::~IntroPage()
{
    delete ui;
}

void IntroPage::initializePage()
{
    QList<Records::Type> types;
    InstalledDictionaries().types(&types);
    // One exclusive group: a click on the chosen type keeps it chosen, even
    // where it is the only one (a lone radio button would uncheck).
    auto *group = new QButtonGroup(this);
    for (const Records::Type &type : std::as_const(types)) {
        auto *button = new QRadioButton(type.name);
        group->addButton(button);
        ui->listLayout->addWidget(button);
        connect(button, &QRadioButton::clicked, this, &QWizardPage::completeChanged);
    }
    // A choice of one is made already.
    if (types.size() == 1) {
        qobject_cast<QRadioButton *>(ui->listLayout->itemAt(0)->widget())->setChecked(true);
        emit completeChanged();
    }
}

static QRadioButton *checkedButton(const QLayout *layout)
{
    for (int i = 0; i < layout->count(); ++i) {
        auto *button = qobject_cast<QRadioButton *>(layout->itemAt(i)->widget());
        if (button && button->isChecked())
            return button;
    }
    return nullptr;
}

bool IntroPage::validatePage()
{
    if (const QRadioButton *button = checkedButton(ui->listLayout))
        setProperty(checkedTypeProperty, button->text());
    return true;
}

bool IntroPage::isComplete() const
{
    return checkedButton(ui->listLayout) != nullptr;
}

void IntroPage::changeEvent(QEvent *e)
{
    QWizardPage::changeEvent(e);
    if (e->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

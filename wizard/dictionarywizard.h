#pragma once

#include <QWizard>

class ConvertThread;

namespace Ui {
class DictionaryWizard;
}

// The four-page wizard that installs a dictionary: choose a type, name it and
// pick its file, build the index, done.
class DictionaryWizard : public QWizard
{
    Q_OBJECT

public:
    enum PageId { IntroPageId = 0, RegisterPageId, ConvertPageId, ConclusionPageId };

    explicit DictionaryWizard(QWidget *parent = nullptr);
    ~DictionaryWizard() override;

    // The builder of this run; null before the build starts and once the
    // ended builder has been deleted. It may still be running after the
    // wizard has closed: a build that has read its whole file completes even
    // when cancelled.
    ConvertThread *builder() const;

public slots:
    // Every way out but Finish ends here. A running build is asked to stop,
    // but the wizard closes at once without waiting for it.
    void reject() override;

protected:
    void changeEvent(QEvent *e) override;

private:
    Ui::DictionaryWizard *ui;
};

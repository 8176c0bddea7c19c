#pragma once

#include <QPointer>
#include <QWizardPage>

class ConvertThread;

namespace Ui {
class ConvertPage;
}

// Third page: builds the chosen file's index on a worker thread and shows its
// progress. Complete only once the builder reports 100, which it does only
// for a build that succeeded. A build that fails shows its reason here and
// lets the user go back to choose another file or name.
class ConvertPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit ConvertPage(QWidget *parent = nullptr);
    ~ConvertPage() override;

    void initializePage() override;
    void cleanupPage() override;
    bool isComplete() const override;

    // Asks the running build to stop and returns at once.
    void cancel();

    // The builder of this run while its thread lives; null before the page
    // is entered and once the finished builder has been deleted.
    ConvertThread *builder() const;

protected:
    void changeEvent(QEvent *e) override;

private:
    void buildEnded(const ConvertThread *builder);
    // The progress and the request to wait, shown while a build runs.
    // The build of dictionary `id` is in: the page says how many entry
    // lines it holds.
    void showInstalled(int id);
    void showProgress(bool shown);
    void allowBack();

    Ui::ConvertPage *ui;
    // The builder deletes itself when its thread ends, which may be before or
    // after this page goes away, so the page only watches it.
    QPointer<ConvertThread> m_builder;
    // The commit page before this one, made an ordinary page while a failed
    // build lets the user go back to it.
    QPointer<QWizardPage> m_reopened;
};

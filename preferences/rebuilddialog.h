#pragma once

#include "dictionary/convertthread.h"

#include <QDialog>

namespace Ui {
class RebuildDialog;
}

// Builds an installed dictionary's index again from its file (after the
// file changed), with its progress and a Cancel. The old index answers
// look-ups until the new one replaces it at the commit; cancelled or
// failed, it stays. The dialog closes when the build has ended, except
// after a failure, which it shows until closed.
class RebuildDialog : public QDialog
{
    Q_OBJECT

public:
    // Starts rebuilding dictionary `id`.
    explicit RebuildDialog(int id, QWidget *parent = nullptr);
    // Stops a build still running and waits for its rollback.
    ~RebuildDialog() override;

    // The dictionary a page's Rebuild link names: its id after the link's
    // "/", or with one installed, that one; 0 for any other link.
    static int dictionaryOfLink(const QString &link);

    // How the build ended; NotFinished while it runs.
    ConvertThread::Outcome outcome() const { return m_builder.outcome(); }

public slots:
    // While the build runs: asks it to stop; the dialog closes once it has.
    void reject() override;

protected:
    void changeEvent(QEvent *e) override;

private:
    void buildEnded();

    Ui::RebuildDialog *ui;
    ConvertThread m_builder;
};

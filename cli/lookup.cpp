#include "commands.h"

#include "lookup/pagehtml.h"
#include "lookup/pagetext.h"
#include "lookup/searchthread.h"

#include <cstdio>

namespace {

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int lookupCommand(const QString &word, bool html)
{
    Page page;
    QString error;
    const SearchThread::Status status = SearchThread::lookUp(word, &page, &error);

    if (status == SearchThread::Failed) {
        const QByteArray line = "orvel-cli: " + error.toLocal8Bit() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        return 2;
    }
    // The page byte for byte, as the result view receives it; the text
    // rendering ends its last line like any text.
    writeOut(html ? PageHtml::write(page).toUtf8() : PageText::write(page).toUtf8() + '\n');
    return status == SearchThread::Found ? 0 : 1;
}

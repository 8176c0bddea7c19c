// Holds the X11 primary selection and the clipboard with the text it is
// given, as a program does in which text is selected, and answers for it
// until it is ended. It says "owned" once it holds both; a test stops it
// (SIGSTOP) to make one that never answers.

#include <QClipboard>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    for (const QClipboard::Mode mode : {QClipboard::Selection, QClipboard::Clipboard})
        QGuiApplication::clipboard()->setText(app.arguments().value(1), mode);
    std::puts("owned");
    std::fflush(stdout);
    return app.exec();
}

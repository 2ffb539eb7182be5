#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Marlin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MARLIN_VERSION));
    QTextStream(stdout) << QCoreApplication::translate("main", "%1 %2: the main window is not built yet.\n")
                               .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion());
    return 0;
}

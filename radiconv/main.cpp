// Radiconv: converts ARA/ARV thermal recordings into radiometric JPEG files
// and FLIR sequence files.
#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>
#include <QSettings>

#include "atomicfile/settingsfile.h"
#include "exif/exifhandler.h"
#include "radiconv/mainwindow.h"

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication::setApplicationName(QStringLiteral("Korvel Radiconv"));
    QApplication::setOrganizationName(QStringLiteral("Brisolan Technologies"));
    QApplication::setApplicationVersion(QStringLiteral(RADICONV_VERSION));
    QApplication app(argc, argv);
    QSettings::setDefaultFormat(SettingsFile::format());

    // Exiv2 wants its XMP parser set up before any conversion task starts.
    ExifHandler::initializeLibrary();

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(
        "Convert Korvel Thermal Images (\"*.ARA\") to Radiometric JPEGs compatible with FLIR\u00ae Tools"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("[<files>]"),
        QStringLiteral("Path of one or multiple ARA files or directories containing ARA files to be converted."));
    parser.process(app);

    MainWindow::checkSettingsFile();
    MainWindow window;
    window.setWindowTitle(QStringLiteral("Korvel Radiconv"));
    const QStringList paths = parser.positionalArguments();
    if (!paths.isEmpty()) {
        qDebug().noquote() << QStringLiteral("main() Converting %1 files/directories from arguments").arg(paths.size());
        window.addFilesOrDirectories(paths);
    }
    window.show();
    return app.exec();
}

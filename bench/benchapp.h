#pragma once
// The application a widget benchmark runs in: a private home, so it never
// touches the user's settings or workspace, the offscreen platform unless
// one is asked for, the program's names, and only warnings on the console.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

class BenchApp {
public:
    BenchApp(int &argc, char **argv)
    {
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + "/.config").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (m_home.path() + "/.local/share").toLocal8Bit());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        m_app = std::make_unique<QApplication>(argc, argv);
        QApplication::setOrganizationName("Brisolan Technologies");
        QApplication::setApplicationName("Korvel Tarvendel");
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
            if (type >= QtWarningMsg)
                std::fprintf(stderr, "%s\n", qPrintable(msg));
        });
    }

    QString homePath() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
    std::unique_ptr<QApplication> m_app;
};

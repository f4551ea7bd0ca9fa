// The floor for start-up: a bare Qt widgets window, built with the same Qt,
// that says "shown" once it has painted itself, as the program does under
// KORVEL_BENCH_SHOWN.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class BareWindow : public QWidget
{
protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QWidget::event(e);
    }

private:
    bool m_done = false;
};

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    BareWindow window;
    window.resize(1000, 600);
    window.show();
    return app.exec();
}

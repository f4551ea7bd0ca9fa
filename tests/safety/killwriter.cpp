// Runs one writer of the safety rows and prints "step N" at each of its
// progress points, then "done 1" or "done 0" and what it reported. The kill
// test starts it in the test's own home (inherited through the environment)
// and kills it after a chosen line.
//     killwriter <row> <work folder>
#include <QApplication>
#include <QLoggingCategory>

#include <cstdio>

#include "safety/writers.h"
#include "support/testkit.h"

int main(int argc, char **argv)
{
    KorvelTest::TestHome::keepAddressesLocal();
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    // As in the tests, so images carry the same resolution as theirs.
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    const Safety::Row *row = argc == 3 ? Safety::row(QString::fromLocal8Bit(argv[1])) : nullptr;
    if (!row) {
        std::fprintf(stderr, "usage: killwriter <row> <work folder>\n");
        return 2;
    }
    int step = 0;
    const Safety::Outcome o = row->run(QString::fromLocal8Bit(argv[2]), [&step] {
        std::printf("step %d\n", ++step);
        std::fflush(stdout);
    });
    std::printf("done %d\n%s\n", o.success ? 1 : 0, qPrintable(o.message));
    std::fflush(stdout);
    return o.success ? 0 : 1;
}

// The dialogs that name, store and choose maps, driven as a user would.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QtTest>

#include "brokenmapfolder.h"
#include "core/data.h"
#include "core/listviewmod.h"
#include "core/mapdescription.h"
#include "maps/acquisition/mapinfopanel.h"
#include "maps/acquisition/newmapform.h"
#include "maps/acquisition/newwaypoint.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "maps/acquisition/wpopenchoosemap.h"
#include "maps/acquisition/wpsavemap.h"

namespace {

const QString kSaveMapExists =
    "The location name, you entered, already exists. Please choose another one.<br><br>Hint: You "
    "can delete maps or change its name in the database (on <i>Window</i>-><i>Database</i>)";

QImage mapImage(int w = 640, int h = 480, QColor colour = QColor(70, 110, 60))
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

MapDescription capture(double width = 412.5, double height = 300.0)
{
    return KorvelTest::mapRecord(
        QString(), QString(),
        {11.0, 48.01, 11.02, 48.01, 11.0, 48.0, 11.02, 48.0, 11.01, 48.005, width, height});
}

void storeMap(const QString &name, const QString &source, MapDescription record)
{
    record.setName(name);
    record.setSource(source);
    QVERIFY(Data::instance()->saveMapImage(mapImage(), record));
}

QString mapFile(const QString &name)
{
    return Data::instance()->orthoMapPath() + QDir::separator() + name + ".jpg";
}

// Types text key by key, letters of any script included.
void type(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void click(QAbstractItemView *view, int row)
{
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

void doubleClick(QAbstractItemView *view, int row)
{
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, r.center());
}

}  // namespace

class TestMapDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Data::instance()->updateMapIndex();
        QCOMPARE(Data::instance()->mapIndexCount(), 0);
    }

    void sizesAndPreview()
    {
        QCOMPARE(MapInfoPanel::sizeText(12000.0), QString("over 10km"));
        QCOMPARE(MapInfoPanel::sizeText(10000.0), QString("10000m"));
        QCOMPARE(MapInfoPanel::sizeText(412.5), QString("412.5m"));
        QCOMPARE(MapInfoPanel::sizeText(1234.5678), QString("1234.57m"));
        QCOMPARE(MapInfoPanel::previewOf(mapImage(1000, 500)).size(), QSize(300, 150));
        QCOMPARE(MapInfoPanel::previewOf(mapImage(200, 800)).size(), QSize(75, 300));
        QCOMPARE(MapInfoPanel::previewOf(mapImage(300, 300)).size(), QSize(300, 300));
    }

    // What can be typed into a map name field.
    void nameField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Lake North (2)" << "Lake North (2)";
        QTest::newRow("letters of any script") << "Zürich-Süd Øst" << "Zürich-Süd Øst";
        QTest::newRow("leading blank") << " Lake" << "Lake";
        QTest::newRow("leading hyphen") << "-Lake" << "Lake";
        QTest::newRow("separator and dots") << "a|b.c/d" << "abcd";
        QTest::newRow("longer than 100") << QString(120, 'x') << QString(100, 'x');
    }
    void nameField()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        WPSaveMap dialog;
        dialog.show();
        QLineEdit *edit = dialog.form()->nameEdit;
        edit->setFocus();
        type(edit, typed);
        QCOMPARE(edit->displayText(), shown);
    }

    void newWaypointWithoutStoredMaps()
    {
        KorvelTest::PromptScript prompts;
        NewWaypoint dialog;
        dialog.show();
        // Row 0 is shown selected, and its help with it.
        QVERIFY(dialog.startHelp()->text().startsWith("<p>Create a new map with help"));
        // Offline: no capture can start (no row clicked counts as row 0).
        QVERIFY(!Data::instance()->isOnline());
        dialog.nextButton()->click();
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests()[0].title, QString("No Internet Connection"));
        QCOMPARE(prompts.requests()[0].iconPath, QString(":/icons/80/warning"));
        QCOMPARE(dialog.pages()->currentIndex(), 0);
        click(dialog.startList(), 1);
        QVERIFY(dialog.startHelp()->text().startsWith("<p>Open a previously created map.</p>"));
        dialog.nextButton()->click();
        QCOMPARE(prompts.requests()[1].title, QString("No maps available"));
        QCOMPARE(prompts.requests()[1].text,
                 QString("There are no maps in the database. There are no maps to load."));
        QCOMPARE(dialog.pages()->currentIndex(), 0);
        QVERIFY(dialog.isVisible());
        dialog.chooseNaviChanged(QModelIndex());
        QCOMPARE(dialog.startHelp()->text(), QString("Error 404: Not found"));
    }

    void saveMapStores()
    {
        KorvelTest::PromptScript prompts;
        WPSaveMap dialog;
        dialog.setMap(mapImage(800, 600), capture(12000.0, 10000.0));
        NewMapForm *form = dialog.form();
        QCOMPARE(form->lonLabel->text(), QString("11.01"));
        QCOMPARE(form->latLabel->text(), QString("48.005"));
        QCOMPARE(form->widthLabel->text(), QString("over 10km"));
        QCOMPARE(form->heightLabel->text(), QString("10000m"));
        QCOMPARE(form->preview->pixmap(Qt::ReturnByValue).size(), QSize(300, 225));
        dialog.show();

        // Empty name: refused, the dialog stays.
        dialog.okayclicked();
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests()[0].title, QString("No location name"));
        QCOMPARE(prompts.requests()[0].text,
                 QString("No location name given. Please type in a location name"));
        QVERIFY(dialog.isVisible());

        // A single character is enough; Return acts as Ok.
        form->nameEdit->setFocus();
        type(form->nameEdit, "K");
        QTest::keyClick(form->nameEdit, Qt::Key_Return);
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.getMapName(), mapFile("K"));
        const QStringList fields =
            MapDescription::parse(MapDescription::readText(mapFile("K"))).fields();
        QCOMPARE(fields.size(), 14);
        QCOMPARE(fields[0], QString("K"));
        QCOMPARE(fields[1], Data::instance()->currentMapService());
        QCOMPARE(fields[10], QString("11.0100000000"));
        QCOMPARE(fields[12], QString("12000.00000"));
        // The index is rebuilt at once.
        QCOMPARE(Data::instance()->mapIndexCount(), 1);
        QCOMPARE(Data::instance()->mapIndexEntry(0).name(), QString("K"));

        // The same name again: refused with this dialog's text; Cancel stores nothing.
        WPSaveMap again;
        again.setMap(mapImage(), capture());
        again.show();
        again.form()->nameEdit->setText("K");
        again.okayclicked();
        QCOMPARE(prompts.requests().size(), 2);
        QCOMPARE(prompts.requests()[1].title, QString("Location name already exists"));
        QCOMPARE(prompts.requests()[1].text, kSaveMapExists);
        QVERIFY(again.isVisible());
        QCOMPARE(again.form()->nameEdit->text(), QString("K"));
        again.reject();
        QCOMPARE(again.result(), int(QDialog::Rejected));
        QVERIFY(again.getMapName().isEmpty());
        QCOMPARE(Data::instance()->mapIndexCount(), 1);
        QFile::remove(mapFile("K"));
        Data::instance()->updateMapIndex();
    }

    void saveMapThatCannotBeWritten()
    {
        KorvelTest::PromptScript prompts;
        WPSaveMap dialog;
        dialog.setMap(mapImage(), capture());
        dialog.show();
        dialog.form()->nameEdit->setText("Nowhere");
        QString failure;
        {
            BrokenMapFolder broken;
            failure = broken.failure("Nowhere");
            dialog.okayclicked();
        }
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests()[0].iconPath, QString(":/icons/80/error"));
        QCOMPARE(prompts.requests()[0].title, QString("Map not saved"));
        QCOMPARE(prompts.requests()[0].text, failure);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.getMapName().isEmpty());
        QVERIFY(!QFile::exists(mapFile("Nowhere")));
        // Once the folder is back the same dialog stores it.
        dialog.okayclicked();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(QFile::exists(mapFile("Nowhere")));
        QFile::remove(mapFile("Nowhere"));
        Data::instance()->updateMapIndex();
    }

    void chooseMap()
    {
        storeMap("Alpha", "OpenStreetMap", capture(100, 200));
        storeMap("Beta", "MapBox Streets", capture(300, 400));
        storeMap("Gamma", "Custom", capture(500, 600));
        Data::instance()->updateMapIndex();
        const QStringList names = {"Alpha", "Beta", "Gamma"};

        {   // "Select" untouched: the first name; the details wait for a pick.
            WPOpenChooseMap dialog(names);
            dialog.show();
            QCOMPARE(dialog.details()->mapName->text(), QString("Unknown"));
            QCOMPARE(dialog.details()->mapWidth->text(), QString("0.0m"));
            dialog.openClicked();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.getMapName(), QString("Alpha"));
        }
        {   // A pick shows the image's own description; a double click selects.
            WPOpenChooseMap dialog(names);
            dialog.show();
            click(dialog.mapList(), 1);
            MapInfoPanel *d = dialog.details();
            QCOMPARE(d->mapName->text(), QString("Beta"));
            QCOMPARE(d->mapSource->text(), QString("MapBox Streets"));
            QCOMPARE(d->mapLon->text(), QString("11.0100000000"));
            QCOMPARE(d->mapLat->text(), QString("48.0050000000"));
            QCOMPARE(d->mapWidth->text(), QString("300.00000m"));
            QCOMPARE(d->mapHeight->text(), QString("400.00000m"));
            QCOMPARE(d->mapPreview->pixmap(Qt::ReturnByValue).size(), QSize(300, 225));
            doubleClick(dialog.mapList(), 2);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.getMapName(), QString("Gamma"));
        }
        {   // Nothing selected: "Select" reads no row and the dialog stays.
            WPOpenChooseMap empty({});
            empty.show();
            empty.openClicked();
            QVERIFY(empty.isVisible());
            QVERIFY(empty.getMapName().isEmpty());
            WPOpenChooseMap cleared(names);
            cleared.show();
            cleared.mapList()->selectionModel()->clearSelection();
            cleared.openClicked();
            QVERIFY(cleared.isVisible());
            QVERIFY(cleared.getMapName().isEmpty());
            cleared.reject();
            QCOMPARE(cleared.result(), int(QDialog::Rejected));
        }
    }

    void newWaypointOpensStoredMap()
    {
        QCOMPARE(Data::instance()->mapIndexCount(), 3);
        const QString first = Data::instance()->mapIndexEntry(0).name();
        const QString second = Data::instance()->mapIndexEntry(1).name();
        {   // Next on the list page without a pick: the first stored map.
            NewWaypoint dialog;
            dialog.show();
            click(dialog.startList(), 1);
            dialog.nextButton()->click();
            QCOMPARE(dialog.pages()->currentIndex(), 2);
            QCOMPARE(dialog.nextButton()->text(), QString("Ok"));
            QVERIFY(dialog.backButton()->isVisible());
            QCOMPARE(dialog.mapList()->model()->rowCount(), 3);
            QCOMPARE(dialog.mapDetails()->mapName->text(), QString("Unknown"));
            dialog.nextButton()->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.getChoice(), 1);
            QCOMPARE(dialog.getMapName(), mapFile(first));
        }
        {   // A picked row, after Back and forth.
            NewWaypoint dialog;
            dialog.show();
            click(dialog.startList(), 1);
            dialog.nextButton()->click();
            dialog.backButton()->click();
            QCOMPARE(dialog.pages()->currentIndex(), 0);
            QVERIFY(!dialog.backButton()->isVisible());
            QCOMPARE(dialog.nextButton()->text(), QString("Next"));
            dialog.nextButton()->click();
            click(dialog.mapList(), 1);
            QCOMPARE(dialog.mapDetails()->mapName->text(), second);
            dialog.nextButton()->click();
            QCOMPARE(dialog.getChoice(), 1);
            QCOMPARE(dialog.getMapName(), mapFile(second));
        }
        {   // The picked map's file went away meanwhile.
            KorvelTest::PromptScript prompts;
            NewWaypoint dialog;
            dialog.show();
            click(dialog.startList(), 1);
            dialog.nextButton()->click();
            click(dialog.mapList(), 2);
            const QString gone = Data::instance()->mapIndexEntry(2).name();
            QVERIFY(QFile::remove(mapFile(gone)));
            dialog.nextButton()->click();
            QCOMPARE(prompts.requests().size(), 1);
            QCOMPARE(prompts.requests()[0].title, QString("Unknown error!"));
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.getChoice(), 0);
            QCOMPARE(Data::instance()->mapIndexCount(), 2);
        }
        {   // Cancel: nothing chosen.
            NewWaypoint dialog;
            dialog.show();
            click(dialog.startList(), 1);
            dialog.nextButton()->click();
            dialog.cancelButton()->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.getChoice(), 0);
        }
    }

    void newWaypointImageFile_data()
    {
        QTest::addColumn<QSize>("size");  // empty: not an image
        QTest::addColumn<QString>("message");
        QTest::newRow("400 x 400") << QSize(400, 400) << QString();
        QTest::newRow("399 x 1000") << QSize(399, 1000) << QString("Image too small");
        QTest::newRow("1000 x 399") << QSize(1000, 399) << QString("Image too small");
        QTest::newRow("broken") << QSize() << QString("Can't load file");
    }
    void newWaypointImageFile()
    {
        QFETCH(QSize, size);
        QFETCH(QString, message);
        QSettings *settings = Data::instance()->settings();
        settings->remove("Last Map Image Path");
        const QString folder = KorvelTest::home()->path() + "/pictures " + QTest::currentDataTag();
        QDir().mkpath(folder);
        const QString file = folder + "/aerial.jpg";
        if (size.isValid()) {
            QVERIFY(mapImage(size.width(), size.height()).save(file));
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a picture");
        }

        KorvelTest::PromptScript prompts;
        NewWaypoint dialog;
        dialog.show();
        click(dialog.startList(), 2);
        QVERIFY(dialog.startHelp()->text().contains("greater than 400x400"));
        // Cancelled chooser: nothing changes.
        prompts.cancel();
        dialog.nextButton()->click();
        QCOMPARE(prompts.requests()[0].title, QString("Open map image file..."));
        QCOMPARE(prompts.requests()[0].filter, QString("JPEG file (*.jpg)"));
        QVERIFY(!settings->contains("Last Map Image Path"));
        QVERIFY(dialog.isVisible());

        prompts.path(file);
        dialog.nextButton()->click();
        // The folder is remembered even when the image is then refused.
        QCOMPARE(settings->value("Last Map Image Path").toString(), folder);
        if (message.isEmpty()) {
            QCOMPARE(prompts.requests().size(), 2);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.getChoice(), 2);
            QCOMPARE(dialog.getMapName(), file);
        } else {
            QCOMPARE(prompts.requests().size(), 3);
            QCOMPARE(prompts.requests()[2].title, message);
            QCOMPARE(prompts.requests()[2].iconPath, QString(":/icons/80/error"));
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.getChoice(), 0);
            // The next chooser starts in the remembered folder.
            prompts.cancel();
            dialog.nextButton()->click();
            QCOMPARE(prompts.requests()[3].directory, folder);
        }
    }
};

KORVEL_TEST_MAIN(TestMapDialogs)
#include "test_mapdialogs.moc"

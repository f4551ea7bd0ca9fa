#pragma once
// Database page of one photo-tagger project: what its file says, and rename,
// delete, open, export, merge, split and archive export.
#include <QWidget>

class QLabel;
class QToolButton;

class DBPhotoTagger : public QWidget {
    Q_OBJECT
public:
    explicit DBPhotoTagger(QWidget *parent = nullptr);

    void setData(const QString &name);

    // Value labels, in page order.
    enum Value { Name, Version, Date, Format, TotalTags, ImageTags, Disabled, Latitude, Longitude, Height,
                 Location, ValueCount };
    QString value(Value v) const;
    QToolButton *button(const QString &text) const;

signals:
    void ptRemoved(const QString &name);
    void ptRenamed(const QString &oldname, const QString &newname);
    void ptMerged();
    void openProject(const QString &name);
    void updateDB();

private slots:
    void deleteClicked();
    void renameClicked();
    void openProjectClicked();
    void exportProjectClicked();
    void mergeClicked();
    void splitClicked();
    void export2ZPX();

private:
    QString name() const;
    QLabel *m_values[ValueCount];
};

#pragma once
// Merges the shown photo-tagger project with other projects flown at the same
// place (first tags less than 5 km apart).
#include <QDateTime>
#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class DBPhotoTaggerMergeDiag : public QDialog {
    Q_OBJECT
public:
    DBPhotoTaggerMergeDiag(const QString &name, QWidget *parent = nullptr);

    int candidateCount() const;
    QTreeWidget *tree() const { return m_tree; }
    QLineEdit *nameEdit() const { return m_name; }
    QPushButton *mergeButton() const { return m_merge; }
    QString currentTotalTags() const;
    QString mergedTotalTags() const;
    QString currentTaggedImages() const;
    QString mergedTaggedImages() const;

private slots:
    void mergedClicked();
    void itemStateChanged();

private:
    void openRelatedProjects();

    QString m_projectName;
    QStringList m_allProjects;
    bool m_hasFirstTag = false;
    double m_firstLat = 0;
    double m_firstLon = 0;
    QDateTime m_firstTime;
    int m_totalTags = 0;
    int m_taggedImages = 0;
    QTreeWidget *m_tree;
    QLineEdit *m_name;
    QPushButton *m_merge;
    QPushButton *m_cancel;
    QLabel *m_currentTotal;
    QLabel *m_mergedTotal;
    QLabel *m_currentImages;
    QLabel *m_mergedImages;
};
